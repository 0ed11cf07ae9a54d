"""scripts/lib/check-exe refuses an image that calls through an address slot leading nowhere.

Each case builds a small program in the test, with the MinGW compilers the build uses: it calls a
delay-loaded user32 function as the updater calls its system libraries. Built the old way on i686
(the call compiled through the dllimport slot, which GNU ld leaves zero for i386 delay imports),
the program jumps to address 0 at that call on every Windows, and check-exe must refuse it.
"""

import subprocess
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
CHECK_EXE = ROOT / "scripts" / "lib" / "check-exe"
IMPORT_SLOTS = ROOT / "scripts" / "lib" / "import-slots"

PROGRAM = r"""
#include <windows.h>
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR line, int show) {
  (void)instance; (void)previous; (void)line; (void)show;
  return MessageBoxW(NULL, L"text", L"title", MB_OK);
}
"""

TOOLCHAINS = {"i686": ("i686-w64-mingw32", "pe32", "MessageBoxW@16", ["--kill-at"]),
              "x86_64": ("x86_64-w64-mingw32", "pe32+", "MessageBoxW", [])}


def build(folder: Path, arch: str, through_slot: bool) -> Path:
    """The program linked against a dlltool delay-import library of user32, as the build makes
    them; through_slot compiles the call through the dllimport slot (the old way)."""
    prefix, _, export, kill_at = TOOLCHAINS[arch]
    (folder / "user32.def").write_text(f"LIBRARY USER32.dll\nEXPORTS\n{export}\n")
    delay_lib = folder / "libuser32_delay.a"
    subprocess.run([f"{prefix}-dlltool", *kill_at, "--input-def", "user32.def",
                    "--output-delaylib", delay_lib.name], cwd=folder, check=True)
    (folder / "app.c").write_text(PROGRAM)
    exe = folder / f"app-{arch}-{'slot' if through_slot else 'stub'}.exe"
    defines = [] if through_slot else ["-DDECLSPEC_IMPORT="]
    subprocess.run([f"{prefix}-gcc-posix", "-O2", "-municode", "-mwindows", "-static", *defines,
                    "app.c", delay_lib.name, "-Wl,--dynamicbase", "-Wl,--nxcompat",
                    *(["-Wl,--high-entropy-va"] if arch == "x86_64" else []), "-o", exe.name],
                   cwd=folder, check=True)
    return exe


class CheckExe(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="zant-check-exe-"))
        self.addCleanup(subprocess.run, ["rm", "-rf", str(self.folder)])

    def check(self, exe: Path, arch: str) -> subprocess.CompletedProcess:
        return subprocess.run([str(CHECK_EXE), str(exe), TOOLCHAINS[arch][1]],
                              capture_output=True, text=True)

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
                slots = subprocess.run([str(IMPORT_SLOTS), str(exe)], capture_output=True,
                                       text=True, check=True).stdout
                self.assertRegex(slots, r"^[1-9][0-9]* slots called through")


if __name__ == "__main__":
    unittest.main()
