"""scripts/lib/check-exe and the tools beside it, on small programs built in the test with the
MinGW compilers the build uses.

- Address slots: a program calling a delay-loaded user32 function as the updater calls its
  system libraries. Built the old way on i686 (the call compiled through the dllimport slot,
  which GNU ld leaves zero for i386 delay imports), it jumps to address 0 at that call on every
  Windows, and check-exe must refuse it.
- Imports (scripts/lib/pe-imports): static ones as objdump reads them, delay ones found in the
  sections where GNU ld leaves data directory 13 empty, and the same through the directory.
- The oldest Windows (check-exe --floor, scripts/lib/floor-check, scripts/lib/winapi-floor.tsv):
  an old import passes, a newer one and an unknown one are refused, so is a newer header.
- Relay traces (scripts/lib/relay-check): short made-up excerpts of Wine's trace format (the
  end-to-end scenarios on older Windows check real traces of the updater), the functions called
  (winapi-floor.tsv) and their arguments (winapi-args.tsv: values, strings, bits, memory known by
  its use, the order of two calls; malformed rows refused).
"""

import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
LIB = ROOT / "scripts" / "lib"
CHECK_EXE = LIB / "check-exe"
IMPORT_SLOTS = LIB / "import-slots"
PE_IMPORTS = LIB / "pe-imports"
FLOOR_CHECK = LIB / "floor-check"
RELAY_CHECK = LIB / "relay-check"

sys.path.insert(0, str(LIB))
import relaytrace  # noqa: E402
import winargs  # noqa: E402
import winfloor  # noqa: E402

PROGRAM = r"""
#include <windows.h>
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR line, int show) {
  (void)instance; (void)previous; (void)line; (void)show;
  return MessageBoxW(NULL, L"text", L"title", MB_OK);
}
"""

TOOLCHAINS = {"i686": ("i686-w64-mingw32", "pe32", ["--kill-at"]),
              "x86_64": ("x86_64-w64-mingw32", "pe32+", [])}


def compiler(prefix: str) -> str:
    """The C compiler of the win32 thread model, which the build uses."""
    name = f"{prefix}-gcc-win32"
    if not shutil.which(name):
        raise AssertionError(f"{name} is not installed (scripts/lib/packages.sh installs it)")
    return name


def delay_library(folder: Path, arch: str, dll: str, exports: list) -> Path:
    """A dlltool delay-import library as cmake/delay_imports.cmake makes them; exports are
    "Name@bytes" on i686 (stdcall), as nm shows the import library's symbols."""
    prefix, _, kill_at = TOOLCHAINS[arch]
    if arch == "x86_64":
        exports = [e.split("@")[0] for e in exports]
    (folder / f"{dll}.def").write_text(f"LIBRARY {dll.upper()}.dll\nEXPORTS\n"
                                       + "".join(f"{e}\n" for e in exports))
    library = folder / f"lib{dll}_delay-{arch}.a"
    subprocess.run([f"{prefix}-dlltool", *kill_at, "--input-def", f"{dll}.def",
                    "--output-delaylib", library.name], cwd=folder, check=True)
    return library


def link(folder: Path, arch: str, name: str, source: str, delay: dict = None,
         flags: tuple = ()) -> Path:
    """The program linked -static like the updater, against delay-import libraries for the
    libraries in delay ({"user32": ["GetSystemMetrics@4"]}), calls going straight to the stubs
    (DECLSPEC_IMPORT empty) unless flags say otherwise."""
    prefix = TOOLCHAINS[arch][0]
    libraries = [delay_library(folder, arch, dll, exports).name
                 for dll, exports in (delay or {}).items()]
    (folder / f"{name}.c").write_text(source)
    exe = folder / f"{name}-{arch}.exe"
    subprocess.run([compiler(prefix), "-O2", "-municode", "-static", *flags, f"{name}.c",
                    *libraries, "-Wl,--dynamicbase", "-Wl,--nxcompat",
                    *(["-Wl,--high-entropy-va"] if arch == "x86_64" else []), "-o", exe.name],
                   cwd=folder, check=True)
    return exe


def build(folder: Path, arch: str, through_slot: bool) -> Path:
    """The message-box program, through_slot compiling the call through the dllimport slot
    (the old way)."""
    return link(folder, arch, f"app-{'slot' if through_slot else 'stub'}", PROGRAM,
                delay={"user32": ["MessageBoxW@16"]},
                flags=("-mwindows", *([] if through_slot else ["-DDECLSPEC_IMPORT="])))


def console_program(body: str) -> str:
    return ("#include <windows.h>\n#include <stdio.h>\n"
            "int wmain(void) {\n" + body + "\n  return 0;\n}\n")


class TempFolder(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="zant-check-exe-"))
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)


def run(*command, **kwargs) -> subprocess.CompletedProcess:
    return subprocess.run([str(c) for c in command], capture_output=True, text=True, **kwargs)


class CheckExe(TempFolder):
    def check(self, exe: Path, arch: str) -> subprocess.CompletedProcess:
        return run(CHECK_EXE, exe, TOOLCHAINS[arch][1])

    def test_call_through_a_zero_delay_import_slot_is_refused(self):
        exe = build(self.folder, "i686", through_slot=True)
        result = self.check(exe, "i686")
        self.assertEqual(result.returncode, 1, result.stdout)
        self.assertIn("is zero: the first call through it jumps to address 0", result.stderr)
        self.assertIn("calls through address slots that lead nowhere", result.stderr)

    def test_calls_that_lead_to_code_pass(self):
        for arch, through_slot in (("i686", False), ("x86_64", True), ("x86_64", False)):
            with self.subTest(arch=arch, through_slot=through_slot):
                exe = build(self.folder, arch, through_slot)
                result = self.check(exe, arch)
                self.assertEqual(result.returncode, 0, result.stderr)
                # The call of MessageBoxW was among the slots looked at.
                slots = run(IMPORT_SLOTS, exe, check=True).stdout
                self.assertRegex(slots, r"^[1-9][0-9]* slots called through")


OLD_CALLS = console_program("  printf(\"%lu %d\\n\", GetTickCount(), "
                            "GetSystemMetrics(SM_CXSCREEN));")
OLD_DELAY = {"user32": ["GetSystemMetrics@4"]}


def objdump_imports(exe: Path, arch: str) -> set:
    """(dll, function) of the import table as objdump -p prints it."""
    text = run(f"{TOOLCHAINS[arch][0]}-objdump", "-p", exe, check=True).stdout
    found, dll = set(), None
    for line in text.splitlines():
        if "DLL Name:" in line:
            dll = line.split("DLL Name:")[1].strip().lower().removesuffix(".dll")
        elif dll and (match := re.match(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)):
            found.add((dll, match[1]))
        elif not line.strip():
            dll = None
    return found


def set_delay_directory(exe: Path, rva: int, size: int) -> None:
    """Points data directory 13 at the delay-import descriptors, as GNU ld does not."""
    data = bytearray(exe.read_bytes())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    struct.pack_into("<II", data, directories + 13 * 8, rva, size)
    exe.write_bytes(bytes(data))


class ImportList(TempFolder):
    def imports(self, exe: Path) -> tuple:
        result = run(PE_IMPORTS, exe)
        self.assertEqual(result.returncode, 0, result.stderr)
        rows = [tuple(line.split("\t")) for line in result.stdout.splitlines()]
        return rows, result.stderr

    def test_static_and_delay_imports_of_both_machines(self):
        for arch in TOOLCHAINS:
            with self.subTest(arch=arch):
                exe = link(self.folder, arch, "old", OLD_CALLS, delay=OLD_DELAY,
                           flags=("-DDECLSPEC_IMPORT=",))
                rows, stderr = self.imports(exe)
                static = {(dll, name) for how, dll, name in rows if how == "static"}
                self.assertEqual(static, objdump_imports(exe, arch))
                self.assertIn(("kernel32", "GetTickCount"), static)
                self.assertEqual([r for r in rows if r[0] == "delay"],
                                 [("delay", "user32", "GetSystemMetrics")])
                self.assertIn("data directory 13 is empty", stderr)

    def test_delay_directory_when_set_gives_the_same_list(self):
        exe = link(self.folder, "i686", "old", OLD_CALLS, delay=OLD_DELAY,
                   flags=("-DDECLSPEC_IMPORT=",))
        searched, _ = self.imports(exe)
        symbols = run("i686-w64-mingw32-nm", exe, check=True).stdout
        address = re.search(r"^([0-9a-f]+) \S __DELAY_IMPORT_DESCRIPTOR_", symbols, re.M)
        self.assertIsNotNone(address, "dlltool's descriptor symbol is not in the image")
        set_delay_directory(exe, int(address[1], 16) - 0x400000, 64)
        listed, stderr = self.imports(exe)
        self.assertEqual(listed, searched)
        self.assertEqual(stderr, "")


NEWER_CALLS = console_program("  printf(\"%llu %u\\n\", GetTickCount64(), "
                              "GetDpiForWindow(NULL) + GetSystemMetrics(SM_CXSCREEN));")
NEWER_DELAY = {"user32": ["GetDpiForWindow@4", "GetSystemMetrics@4"]}
# A function the updater will never call, so never in the table.
UNKNOWN_CALLS = console_program("  Beep(440, 10);")


class Floor(TempFolder):
    def floor(self, exe: Path, windows: str) -> subprocess.CompletedProcess:
        return run(CHECK_EXE, exe, "pe32", "--floor", windows)

    def test_old_imports_pass(self):
        exe = link(self.folder, "i686", "old", OLD_CALLS, delay=OLD_DELAY,
                   flags=("-DDECLSPEC_IMPORT=",))
        result = self.floor(exe, "95,NT4")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("imports and header fit Windows 95,NT4 and later", result.stdout)

    def test_newer_imports_are_refused_for_each_windows_that_lacks_them(self):
        exe = link(self.folder, "i686", "newer", NEWER_CALLS, delay=NEWER_DELAY,
                   flags=("-DDECLSPEC_IMPORT=",))
        # Off unless asked for: the product of today imports Vista functions.
        self.assertEqual(run(CHECK_EXE, exe, "pe32").returncode, 0)
        result = self.floor(exe, "95,NT4")
        self.assertEqual(result.returncode, 1, result.stdout)
        for line in ("GetTickCount64 (kernel32, static import): not in Windows 95: the program "
                     "does not start there (95 family: none; NT: Vista)",
                     "GetTickCount64 (kernel32, static import): not in Windows NT 4.0 SP6a",
                     "GetDpiForWindow (user32, delay import): not in Windows 95: its first call "
                     "ends the program there",
                     "GetDpiForWindow (user32, delay import): not in Windows NT 4.0 SP6a",
                     "does not start on every Windows from 95,NT4 on"):
            self.assertIn(line, result.stderr)
        self.assertNotIn("GetSystemMetrics", result.stderr)
        # Vista has the one and not the other.
        vista = run(FLOOR_CHECK, "--oldest", "Vista", exe)
        self.assertEqual(vista.returncode, 1)
        self.assertNotIn("GetTickCount64", vista.stderr)
        self.assertIn("GetDpiForWindow (user32, delay import): not in Windows Vista",
                      vista.stderr)

    def test_a_stub_loads_but_is_listed(self):
        # FindFirstFileExW: absent from 95, a stub from 98 on, there from NT 4.0.
        exe = link(self.folder, "i686", "stub", console_program(
            "  WIN32_FIND_DATAW data;\n"
            "  FindClose(FindFirstFileExW(L\"*\", FindExInfoStandard, &data,"
            " FindExSearchNameMatch, NULL, 0));"))
        self.assertIn("FindFirstFileExW (kernel32, static import): not in Windows 95",
                      self.floor(exe, "95").stderr)
        for windows in ("98", "NT4"):
            with self.subTest(windows=windows):
                result = run(FLOOR_CHECK, "--stubs", "--oldest", windows, exe)
                self.assertEqual(result.returncode, 0, result.stderr)
                stub = "FindFirstFileExW (kernel32, static import): only a stub on Windows 98"
                self.assertEqual(stub in result.stdout, windows == "98", result.stdout)

    def test_an_import_the_table_lacks_is_refused(self):
        self.assertIsNone(winfloor.load_table().get("kernel32", "Beep"),
                          "the table knows Beep now: pick another function for this test")
        exe = link(self.folder, "i686", "unknown", UNKNOWN_CALLS)
        result = self.floor(exe, "95,NT4")
        self.assertEqual(result.returncode, 1, result.stdout)
        self.assertIn("Beep (kernel32, static import): unknown: add a row with its source to "
                      "winapi-floor.tsv", result.stderr)
        self.assertEqual(result.stderr.count("Beep"), 1, result.stderr)

    def test_a_newer_header_version_is_refused(self):
        for flags, said in ((["-Wl,--major-subsystem-version,5", "-Wl,--minor-subsystem-version,1"],
                             "subsystem version 5.1, not 4.0"),
                            (["-Wl,--major-os-version,6"], "OS version 6.0, not 4.0")):
            with self.subTest(said=said):
                exe = link(self.folder, "i686", "header", OLD_CALLS, delay=OLD_DELAY,
                           flags=("-DDECLSPEC_IMPORT=", *flags))
                result = self.floor(exe, "95,NT4")
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(said, result.stderr)


class FloorTable(TempFolder):
    ROWS = ["kernel32\tCloseHandle\t95\tNT3.51\t-\tsomewhere",
            "kernel32\tGetTickCount64\tnone\tVista\t-\tsomewhere"]

    def test_the_table_of_the_repository_is_well_formed(self):
        table = winfloor.load_table()
        self.assertGreater(len(table.rows), 300)
        # The toolchain calls relay-check lets through on the 95 family.
        self.assertEqual(sorted(r.function for r in table.rows if r.copes),
                         ["CreateSemaphoreW", "GetModuleHandleW", "GetStartupInfoW",
                          "LoadLibraryW"])

    def test_malformed_tables_are_refused(self):
        exe = link(self.folder, "i686", "old", OLD_CALLS, delay=OLD_DELAY,
                   flags=("-DDECLSPEC_IMPORT=",))
        cases = {
            "out of order": [self.ROWS[1], self.ROWS[0]],
            "twice": [self.ROWS[0], self.ROWS[0]],
            "columns": ["kernel32\tCloseHandle\t95\tNT3.51\tsomewhere"],
            "first_nt 'NT5'": ["kernel32\tCloseHandle\t95\tNT5\t-\tsomewhere"],
            "first_9x 'win95'": ["kernel32\tCloseHandle\twin95\tNT3.51\t-\tsomewhere"],
            "no source": ["kernel32\tCloseHandle\t95\tNT3.51\t-\t"],
            "stub_call for a function the 95 family implements":
                ["kernel32\tCloseHandle\t95\tNT3.51\tcopes: why not\tsomewhere"],
            "stub_call is '-', 'copes: <why>' or":
                ["kernel32\tCreateFileW\tstub\tNT3.51\tcopes with x.dll: fine\tsomewhere"],
            "lower case, without .dll": ["KERNEL32\tCloseHandle\t95\tNT3.51\t-\tsomewhere"],
        }
        for said, rows in cases.items():
            with self.subTest(said=said):
                table = self.folder / "table.tsv"
                table.write_text("# comment\n" + "\n".join(rows) + "\n")
                result = run(FLOOR_CHECK, "--table", table, exe)
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn(said, result.stderr)
                self.assertRegex(result.stderr, r"table\.tsv:[23]: ")


# A program calling what relay-check tells apart: a W function only stubbed on the 95 family,
# a Vista function, critical sections (which Wine logs under ntdll's names), a delay-loaded
# ole32 function (logged under combase's name), an old delay-loaded one, and a Vista function
# looked up at run time.
RELAY_PROGRAM = console_program(r"""
  wchar_t folder[MAX_PATH];
  CRITICAL_SECTION lock;
  typedef int (WINAPI *compare_fn)(LPCWSTR, int, LPCWSTR, int, BOOL);
  compare_fn compare = (compare_fn)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                  "CompareStringOrdinal");
  InitializeCriticalSection(&lock);
  EnterCriticalSection(&lock);
  LeaveCriticalSection(&lock);
  CoTaskMemFree(NULL);
  printf("%u %llu %d %d\n", GetSystemDirectoryW(folder, MAX_PATH), GetTickCount64(),
         GetSystemMetrics(SM_CXSCREEN), compare ? compare(L"a", 1, L"A", 1, TRUE) : -1);
""").replace("#include <stdio.h>", "#include <stdio.h>\n#include <objbase.h>")
RELAY_DELAY = {"user32": ["GetSystemMetrics@4"], "ole32": ["CoTaskMemFree@4"]}


class RelayCheck(unittest.TestCase):
    """Made-up trace excerpts in Wine 10's format, for the program above."""

    @classmethod
    def setUpClass(cls):
        cls.folder = Path(tempfile.mkdtemp(prefix="zant-relay-check-"))
        cls.exe = link(cls.folder, "i686", "relay", RELAY_PROGRAM, delay=RELAY_DELAY,
                       flags=("-DDECLSPEC_IMPORT=",))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    LOADED = ('0120:0124:trace:loaddll:build_module Loaded L"Z:\\\\tmp\\\\x\\\\{exe}" at {base}: '
              'native')
    CALLS = ["{pid}:0124:Call KERNEL32.GetSystemDirectoryW(0061fd3c,00000104) ret={ret}",
             "{pid}:0124:Ret  KERNEL32.GetSystemDirectoryW() retval=00000013 ret={ret}",
             "{pid}:0124:Call KERNEL32.GetTickCount64() ret={ret}",
             "{pid}:0124:Call ntdll.RtlInitializeCriticalSection(0040d090) ret={ret}",
             "{pid}:0124:Call ntdll.RtlEnterCriticalSection(0040d090) ret={ret}",
             "{pid}:0124:Call combase.CoTaskMemFree(00000000) ret={ret}",
             "{pid}:0124:Call user32.GetSystemMetrics(00000000) ret={ret}",
             "{pid}:0124:Call KERNEL32.CompareStringOrdinal(0040a000 L\"a\",00000001,"
             "0040a004 L\"A\",00000001,00000001) ret={ret}"]

    def trace(self, lines, name="trace.log") -> Path:
        path = self.folder / name
        path.write_text("\n".join(lines) + "\n")
        return path

    def excerpt(self, pid="0120", base="00400000", ret="004012a0", loaded=True):
        head = [self.LOADED.format(exe=self.exe.name, base=base)] if loaded else []
        return head + [line.format(pid=pid, ret=ret) for line in self.CALLS]

    def verdicts(self, report) -> dict:
        return {f"{v.dll}.{v.function}": (v.word, v.how) for v in report.verdicts}

    def test_verdicts_for_windows_98_and_nt4(self):
        trace = self.trace(self.excerpt())
        report = relaytrace.check_trace(self.exe, trace, "98")
        self.assertEqual(self.verdicts(report), {
            "kernel32.GetSystemDirectoryW": ("DEFECT", "static import"),
            "kernel32.GetTickCount64": ("DEFECT", "static import"),
            "kernel32.InitializeCriticalSection": ("ok", "static import"),
            "kernel32.EnterCriticalSection": ("ok", "static import"),
            "ole32.CoTaskMemFree": ("ok", "delay import"),
            "user32.GetSystemMetrics": ("ok", "delay import"),
            "kernel32.CompareStringOrdinal": ("not representative", "looked up")})
        self.assertEqual([v.function for v in report.defects],
                         ["GetSystemDirectoryW", "GetTickCount64"])
        self.assertIn("only a stub on Windows 98: the call fails there", report.text)
        nt4 = relaytrace.check_trace(self.exe, trace, "NT4")
        self.assertEqual([v.function for v in nt4.defects], ["GetTickCount64"])
        self.assertIn("not in Windows NT 4.0 SP6a: the program does not start there", nt4.text)

        result = run(RELAY_CHECK, "--target", "98", self.exe, trace)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertEqual(result.stdout.splitlines()[0],
                         f"{self.exe.name} under Windows 98: 7 functions, 7 calls from the "
                         "image (loaded at 0x400000)")
        self.assertEqual(result.stdout.splitlines()[-1], "2 defects")
        self.assertEqual(run(RELAY_CHECK, "--target", "XP", self.exe,
                             self.trace(self.excerpt()[:2])).returncode, 0)

    def test_only_calls_from_the_image_as_loaded_count(self):
        loaded = self.excerpt()[:1]
        other_process = [line.replace("0120:", "0200:") for line in self.excerpt()[1:]]
        wine_itself = self.excerpt(ret="7b612345", loaded=False)
        for name, lines in (("another process", loaded + other_process),
                            ("outside the image", loaded + wine_itself)):
            with self.subTest(name=name):
                result = run(RELAY_CHECK, "--target", "98", self.exe, self.trace(lines))
                self.assertEqual(result.returncode, 2, result.stdout)
                self.assertIn("no call from", result.stderr)
        # Loaded elsewhere than its preferred address: the calls from there count, those from
        # where it would have been do not.
        moved = self.excerpt(base="10000000", ret="100012a0")
        result = run(RELAY_CHECK, "--target", "98", self.exe,
                     self.trace(moved + self.excerpt(loaded=False)))
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn("7 calls from the image (loaded at 0x10000000)", result.stdout)
        # Without +loaddll the address can be given.
        bare = self.trace(self.excerpt(base="10000000", ret="100012a0", loaded=False))
        self.assertIn("no +loaddll line", run(RELAY_CHECK, "--target", "98", self.exe,
                                              bare).stderr)
        given = run(RELAY_CHECK, "--target", "98", "--base", "10000000", self.exe, bare)
        self.assertEqual(given.returncode, 1, given.stderr)
        self.assertIn("7 functions, 7 calls", given.stdout)

    def test_allowed_stubs_and_unknown_functions(self):
        lines = self.excerpt()[:1] + [
            "0120:0124:Call KERNEL32.GetModuleHandleW(0040b000 L\"msvcrt.dll\") ret=00401300",
            "0120:0124:Call KERNEL32.GetModuleHandleW(0040b000 L\"msvcrt.dll\") ret=00401400",
            "0120:0124:Call KERNEL32.GetModuleHandleW(0040b020 L\"user32.dll\") ret=00401410",
            "0120:0124:Call kernelbase.CreateFileW(0040b000 L\"x\",80000000,00000001,00000000,"
            "00000003,00000080,00000000) ret=00401310",
            "0120:0124:Call KERNEL32.Beep(000001b8,0000000a) ret=00401320",
            "0120:0124:Call kernelbase.SetDefaultDllDirectories(00000800) ret=00401330"]
        report = relaytrace.check_trace(self.exe, self.trace(lines), "98")
        verdicts = self.verdicts(report)
        # The C runtime's calls are let through with the reason the table gives, the program's
        # own call of the same function is not.
        lines = [v.line() for v in report.verdicts if v.function == "GetModuleHandleW"]
        self.assertEqual(len(lines), 2, report.text)
        self.assertRegex(lines[0], r"^DEFECT +kernel32\.GetModuleHandleW \(static import, 1 call "
                         r"from 1 place\): only a stub on Windows 98: the call fails there \(the "
                         r"toolchain's calls with L\"msvcrt\.dll\" are let through\)$")
        self.assertRegex(lines[1], r"^allowed +kernel32\.GetModuleHandleW \(static import, 2 calls "
                         r"from 2 places\): only a stub on Windows 98; mingw-w64 10's ")
        # Looked up, but a stub there: the lookup succeeds and the call fails.
        self.assertEqual(verdicts["kernel32.CreateFileW"], ("DEFECT", "looked up"))
        self.assertEqual(verdicts["kernel32.Beep"], ("DEFECT", "looked up"))
        self.assertIn("Beep (looked up, 1 call from 1 place): unknown: add a row", report.text)
        self.assertEqual(verdicts["kernel32.SetDefaultDllDirectories"],
                         ("not representative", "looked up"))

    # One row of each kind, as winapi-args.tsv writes them.
    RULES = "\n".join("\t".join(row) for row in (
        ("kernel32.MultiByteToWideChar", "arg1 = 0xFDE9", "95", "defect", "no UTF-8 code page",
         "a source"),
        ("user32.CreateWindowExA,user32.CreateWindowExW",
         'arg2 = "EDIT" and arg4 any 0x3 and arg4 lacks 0x4', "95 NT4", "defect",
         "not centred", "a source"),
        ("kernel32.CreateMutexW", 'arg3 begins "Global\\\\"', "95-ME NT4", "defect",
         "no namespaces", "a source"),
        ("shell32.SHGetPathFromIDListW", "arg1 tag item-list", "all", "tag", "an item list",
         "a source"),
        ("ole32.CoTaskMemFree", "arg1 is item-list", "95-ME NT4", "defect", "the shell's own",
         "a source"),
        ("kernel32.SetErrorMode", "arg1 has 0x8001 before kernel32.GetFileAttributesW",
         "all", "defect", "system boxes", "a source"),
        ("kernel32.FindFirstFileExW", "arg2 = 1", "NT4-Vista", "copes: the plain read",
         "refused", "a source"),
        ("user32.UpdateWindow", "read: the return value", "95-ME", "record: a test",
         "undefined", "a source"),
    )) + "\n"

    def findings(self, calls, target):
        rules = self.folder / "args.tsv"
        rules.write_text(self.RULES)
        lines = self.excerpt()[:1] + [f"0120:0124:Call {call} ret=004012a0" for call in calls]
        report = relaytrace.check_lines(str(self.exe), lines, target,
                                        rules=winargs.load_table(rules))
        return [(f.word, f.function) for f in report.findings], report

    def test_argument_rules_by_value_string_bits_tag_and_order(self):
        window = ('user32.CreateWindowExW(00000000,0040a000 L"Edit",0040a010 L"Version 1.40",'
                  '{style},00000000,00000000,00000000,00000000,00010020,00000066,00400000,'
                  '00000000)')
        boot = ["KERNEL32.SetErrorMode(00000000)", "KERNEL32.SetErrorMode(00008001)"]
        cases = [
            # (what, calls, target, findings)
            ("UTF-8 on 95", ['KERNEL32.MultiByteToWideChar(0000fde9,00000000,0040a000 "x",'
                             '00000001,0061fd00,00000001)'], "95",
             [("DEFECT", "MultiByteToWideChar")]),
            ("UTF-8 on 98", ['KERNEL32.MultiByteToWideChar(0000fde9,00000000,0040a000 "x",'
                             '00000001,0061fd00,00000001)'], "98", []),
            ("the ANSI code page on 95", ['KERNEL32.MultiByteToWideChar(00000000,00000000,'
                                          '0040a000 "x",00000001,0061fd00,00000001)'], "95", []),
            ("a centred single-line edit on NT 4.0", [window.format(style="50010801")], "NT4",
             [("DEFECT", "CreateWindowExW")]),
            ("a centred multi-line edit on NT 4.0", [window.format(style="50010805")], "NT4",
             []),
            ("a centred single-line edit on 2000", [window.format(style="50010801")], "2000",
             []),
            ("a button on NT 4.0",
             [window.format(style="50010801").replace('L"Edit"', 'L"BUTTON"')], "NT4", []),
            ("a Global\\ mutex on NT 4.0",
             ['KERNEL32.CreateMutexW(00000000,00000000,0040b000 L"Global\\\\ZANTOnCD140Update")'],
             "NT4", [("DEFECT", "CreateMutexW")]),
            ("a plain mutex on NT 4.0",
             ['KERNEL32.CreateMutexW(00000000,00000000,0040b000 L"ZANTOnCD140Update")'], "NT4",
             []),
            ("an item list freed by the task allocator on NT 4.0",
             ["shell32.SHGetPathFromIDListW(00150a20,0061fb00)", "combase.CoTaskMemFree(00150a20)"],
             "NT4", [("DEFECT", "CoTaskMemFree")]),
            ("other memory freed by the task allocator on NT 4.0",
             ["shell32.SHGetPathFromIDListW(00150a20,0061fb00)", "combase.CoTaskMemFree(00150b00)"],
             "NT4", []),
            ("an item list freed by the task allocator on 2000",
             ["shell32.SHGetPathFromIDListW(00150a20,0061fb00)", "combase.CoTaskMemFree(00150a20)"],
             "2000", []),
            ("a file looked at before the error mode is set",
             ["KERNEL32.GetFileAttributesW(0040c000 L\"C:\\\\x\")"] + boot, "XP",
             [("DEFECT", "GetFileAttributesW")]),
            ("the error mode set first", boot + ["KERNEL32.GetFileAttributesW(0040c000 L\"x\")"] * 2,
             "XP", []),
            ("an error mode without the open-file flag",
             ["KERNEL32.SetErrorMode(00000001)", "KERNEL32.GetFileAttributesW(0040c000 L\"x\")"],
             "95", [("DEFECT", "GetFileAttributesW")]),
            ("a refused argument the program copes with",
             ['KERNEL32.FindFirstFileExW(0040d000 L"C:\\\\*",00000001,0061fa00,00000000,'
              '00000000,00000002)'], "NT4", [("treated otherwise", "FindFirstFileExW")]),
            ("a record is not judged", ["user32.UpdateWindow(00010020)"], "95", []),
        ]
        for what, calls, target, expected in cases:
            with self.subTest(what):
                found, report = self.findings(calls, target)
                self.assertEqual(found, expected, report.text)
                defects = [f for f in report.findings if f.defect]
                self.assertEqual(len(defects), sum(w == "DEFECT" for w, _ in expected))
        # A finding counts among the report's defects, names its row and says what happens.
        _, report = self.findings([window.format(style="50010801")] * 2, "95")
        self.assertRegex(report.text, r"DEFECT +user32\.CreateWindowExW \(arg2 = \"EDIT\" and "
                         r"arg4 any 0x3 and arg4 lacks 0x4, 2 calls from 1 place\): on Windows "
                         r"95, not centred \[args\.tsv:2\]")
        self.assertIn(report.findings[0], report.defects)

    def test_malformed_argument_rows_are_refused(self):
        good = ("kernel32.SetErrorMode", "arg1 has 0x1", "all", "defect", "effect", "source")
        cases = {
            "5 columns": good[:5],
            "is not dll.Function": ("SetErrorMode",) + good[1:],
            "a clause is": (good[0], "arg1 within 0x1") + good[2:],
            "a range runs within one family": good[:2] + ("98-NT4",) + good[3:],
            "the older Windows comes first": good[:2] + ("XP-2000",) + good[3:],
            "unknown Windows": good[:2] + ("3.1",) + good[3:],
            "verdict is": good[:3] + ("wrong",) + good[4:],
            "a tag row has one": good[:3] + ("tag",) + good[4:],
            "no tag row names": (good[0], "arg1 is item-list") + good[2:],
            "an order ('before') is a defect row":
                (good[0], "arg1 has 0x1 before kernel32.CreateFileW", "all", "copes: x") +
                good[4:],
            "a record row's condition": good[:3] + ("record: a test",) + good[4:],
            "a string only with": (good[0], 'arg1 has "x"') + good[2:],
            "no effect or no source": good[:5] + ("",),
        }
        for said, row in cases.items():
            with self.subTest(said=said):
                table = self.folder / "bad-args.tsv"
                table.write_text("# comment\n" + "\t".join(row) + "\n")
                with self.assertRaisesRegex(winargs.TableError,
                                            r"bad-args\.tsv:2: .*" + re.escape(said)):
                    winargs.load_table(table)
        # The real table: every row well formed, and every call one winapi-floor.tsv knows.
        floor = winfloor.load_table()
        for rule in winargs.load_table():
            for dll, function in rule.calls + rule.before:
                self.assertIsNotNone(floor.get(dll, function),
                                     f"winapi-args.tsv:{rule.line}: {dll}.{function}")


if __name__ == "__main__":
    unittest.main()
