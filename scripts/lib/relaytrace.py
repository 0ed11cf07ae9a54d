"""What a program called under Wine, checked against an older Windows (scripts/lib/relay-check).

Wine changes only the version it reports when told to play an older Windows: every export stays
and every W function works. So a run under the win98 setting shows which branch the program
takes, but not what would fail on a real Windows 98. Its relay trace does: this module reads the
calls the program's own image made (Wine's libraries call each other too, and those are left
out) and judges each called function against winapi-floor.tsv for the target.

Making a trace (measured with Wine 10.0 in WoW64 mode):
- WINEDEBUG=+pid,+loaddll,+relay (RELAY_WINEDEBUG), output to a file. +loaddll gives the address
  the image was loaded at, +pid tells the program's process from the others.
- Before the run, the settings of relay_registry(exe_name) in HKCU\Software\Wine\Debug:
  RelayFromInclude = the exe's file name WITH its .exe ending (Wine compares the caller's module
  name with the entry as it is, or with ".dll" added: "probe" matches only the calls through
  pointers from GetProcAddress, "probe.exe" every call of the image); RelayFromExclude removed,
  since Wine ignores the include list while an exclude list exists, and a new prefix has one
  (winex11.drv, winemac.drv, user32, gdi32, advapi32, kernel32); RelayExclude set to an empty
  string, since a new prefix's own list leaves out SetLastError, TlsGetValue, TlsSetValue and
  the critical sections. A small test program's trace is then under 300 KB instead of 150 MB.

Use from a test (tests/e2e/harness.py style):

    sys.path.insert(0, str(ROOT / "scripts" / "lib"))
    import relaytrace
    (prefix / "drive_c" / "relay.reg").write_text(
        relaytrace.relay_registry("ZANTUpdate.exe", version="win98"))
    subprocess.run(["wine", "regedit", "/S", "C:\\relay.reg"], env=env, check=True)
    # then the updater's run alone with env["WINEDEBUG"] = relaytrace.RELAY_WINEDEBUG and its
    # standard error to trace_path (a file, never a pipe)
    report = relaytrace.check_trace(exe_path, trace_path, "98")
    assert not report.defects, report.text

A verdict per called function, for the target:
- DEFECT: the target lacks it (an import: the program would not start, or would end at that
  call) or has only a stub that fails (first_9x stub/stub98 on the 95 family); or the table does
  not know it;
- allowed: a stub, but the table's stub_call says the toolchain code calling it copes (for
  some functions only the calls with the toolchain's argument, L"msvcrt.dll" say);
- not representative: looked up at run time (no import names it) and absent from the target: the
  lookup fails there and the fallback runs, which a Wine trace cannot show;
- ok.
Each line says from how many places in the image the function was called: an allowed function
called from more places than its toolchain caller stands out.

Before those, a line per row of winapi-args.tsv that calls of the trace met (winargs.py), in the
order the calls were made: a DEFECT where the target rejects the arguments or treats them so
that the run goes wrong (a code page it lacks, a style it ignores, memory freed by the wrong
call, a call that had to come before another and did not); "treated otherwise" where it does
but the program copes (the row says how).
"""

from __future__ import annotations

import dataclasses
import re
from pathlib import Path

import peimage
import winargs
import winfloor

RELAY_WINEDEBUG = "+pid,+loaddll,+relay"

_PREFIX = r"^(?:\d+\.\d+:)?(?:(?P<pid>[0-9a-f]{4,8}):)?(?P<tid>[0-9a-f]{4,8}):"
_CALL = re.compile(_PREFIX + r"Call (?P<qualified>[^\s(]+)\((?P<args>.*)\) "
                   r"ret=(?P<ret>[0-9a-f]+)\s*$")
_LOADED = re.compile(_PREFIX + r"trace:loaddll:\w+ Loaded L\"(?P<path>(?:[^\"\\]|\\.)*)\" at "
                     r"(?P<base>[0-9A-Fa-f]+)")

# Exports of Wine 10.0's 32-bit kernel32, kernelbase, user32, advapi32, ole32 and msvcrt that
# forward to a function of another name; the relay trace names the function that runs
# (NTDLL.RtlEnterCriticalSection for kernel32's EnterCriticalSection). Read from the export
# tables of the WoW64 root's i386-windows libraries (peimage.Image.exports()); thread-pool and
# 16-bit thunks left out. Forwards that keep the name (kernel32 to kernelbase, ole32 to combase)
# need no entry: a name the image imports is matched whichever library Wine names.
_RENAMED = """
kernel32 AcquireSRWLockExclusive ntdll RtlAcquireSRWLockExclusive
kernel32 AcquireSRWLockShared ntdll RtlAcquireSRWLockShared
kernel32 AddVectoredContinueHandler ntdll RtlAddVectoredContinueHandler
kernel32 AddVectoredExceptionHandler ntdll RtlAddVectoredExceptionHandler
kernel32 DecodePointer ntdll RtlDecodePointer
kernel32 DecodeSystemPointer ntdll RtlDecodeSystemPointer
kernel32 DeleteCriticalSection ntdll RtlDeleteCriticalSection
kernel32 EncodePointer ntdll RtlEncodePointer
kernel32 EncodeSystemPointer ntdll RtlEncodeSystemPointer
kernel32 EnterCriticalSection ntdll RtlEnterCriticalSection
kernel32 ExitProcess ntdll RtlExitUserProcess
kernel32 ExitThread ntdll RtlExitUserThread
kernel32 FlushProcessWriteBuffers ntdll NtFlushProcessWriteBuffers
kernel32 GetCurrentProcessorNumber ntdll NtGetCurrentProcessorNumber
kernel32 GetCurrentProcessorNumberEx ntdll RtlGetCurrentProcessorNumberEx
kernel32 HeapAlloc ntdll RtlAllocateHeap
kernel32 HeapFree ntdll RtlFreeHeap
kernel32 HeapReAlloc ntdll RtlReAllocateHeap
kernel32 HeapSize ntdll RtlSizeHeap
kernel32 InitOnceInitialize ntdll RtlRunOnceInitialize
kernel32 InitializeConditionVariable ntdll RtlInitializeConditionVariable
kernel32 InitializeCriticalSection ntdll RtlInitializeCriticalSection
kernel32 InitializeSListHead ntdll RtlInitializeSListHead
kernel32 InitializeSRWLock ntdll RtlInitializeSRWLock
kernel32 InterlockedCompareExchange64 ntdll RtlInterlockedCompareExchange64
kernel32 InterlockedFlushSList ntdll RtlInterlockedFlushSList
kernel32 InterlockedPopEntrySList ntdll RtlInterlockedPopEntrySList
kernel32 InterlockedPushEntrySList ntdll RtlInterlockedPushEntrySList
kernel32 InterlockedPushListSList ntdll RtlInterlockedPushListSList
kernel32 InterlockedPushListSListEx ntdll RtlInterlockedPushListSListEx
kernel32 LeaveCriticalSection ntdll RtlLeaveCriticalSection
kernel32 QueryDepthSList ntdll RtlQueryDepthSList
kernel32 QueryPerformanceCounter ntdll RtlQueryPerformanceCounter
kernel32 QueryPerformanceFrequency ntdll RtlQueryPerformanceFrequency
kernel32 QueryUnbiasedInterruptTime ntdll RtlQueryUnbiasedInterruptTime
kernel32 ReleaseSRWLockExclusive ntdll RtlReleaseSRWLockExclusive
kernel32 ReleaseSRWLockShared ntdll RtlReleaseSRWLockShared
kernel32 RemoveVectoredContinueHandler ntdll RtlRemoveVectoredContinueHandler
kernel32 RemoveVectoredExceptionHandler ntdll RtlRemoveVectoredExceptionHandler
kernel32 ResolveDelayLoadedAPI ntdll LdrResolveDelayLoadedAPI
kernel32 RestoreLastError ntdll RtlRestoreLastWin32Error
kernel32 SetCriticalSectionSpinCount ntdll RtlSetCriticalSectionSpinCount
kernel32 SetLastError ntdll RtlSetLastWin32Error
kernel32 TryAcquireSRWLockExclusive ntdll RtlTryAcquireSRWLockExclusive
kernel32 TryAcquireSRWLockShared ntdll RtlTryAcquireSRWLockShared
kernel32 TryEnterCriticalSection ntdll RtlTryEnterCriticalSection
kernel32 WakeAllConditionVariable ntdll RtlWakeAllConditionVariable
kernel32 WakeByAddressAll ntdll RtlWakeAddressAll
kernel32 WakeByAddressSingle ntdll RtlWakeAddressSingle
kernel32 WakeConditionVariable ntdll RtlWakeConditionVariable
user32 DefDlgProcA ntdll NtdllDialogWndProc_A
user32 DefDlgProcW ntdll NtdllDialogWndProc_W
user32 DefWindowProcA ntdll NtdllDefWindowProc_A
user32 DefWindowProcW ntdll NtdllDefWindowProc_W
advapi32 EventRegister ntdll EtwEventRegister
advapi32 EventUnregister ntdll EtwEventUnregister
advapi32 EventWrite ntdll EtwEventWrite
ole32 CoDosDateTimeToFileTime kernel32 DosDateTimeToFileTime
ole32 CoFileTimeToDosDateTime kernel32 FileTimeToDosDateTime
msvcrt __threadhandle kernel32 GetCurrentThread
msvcrt __threadid kernel32 GetCurrentThreadId
msvcrt _getdrives kernel32 GetLogicalDrives
"""
RENAMED: dict[tuple[str, str], list[tuple[str, str]]] = {}
for _line in _RENAMED.strip().splitlines():
    _dll, _name, _to_dll, _to_name = _line.split()
    RENAMED.setdefault((_to_dll, _to_name), []).append((_dll, _name))


class TraceError(ValueError):
    """The trace cannot be checked (no load address, no call of the image in it)."""


def relay_registry(exe_name: str, version: str | None = None, exclude: tuple = ()) -> str:
    """A file for `wine regedit /S` that keeps a relay trace to the calls of exe_name's image
    (see above), and sets Wine's Windows version (win98, nt40 ...) when one is given. exclude:
    functions ("user32.PeekMessageW") left out of the trace, for a call made millions of times
    whose form is known to be right: any other function, its other form included, stays in."""
    lines = ["REGEDIT4", ""]
    if version:
        lines += ["[HKEY_CURRENT_USER\\Software\\Wine]", f'"Version"="{version}"', ""]
    lines += ["[HKEY_CURRENT_USER\\Software\\Wine\\Debug]", f'"RelayExclude"="{";".join(exclude)}"',
              f'"RelayFromInclude"="{exe_name}"', '"RelayFromExclude"=-', ""]
    return "\r\n".join(lines)


@dataclasses.dataclass
class Verdict:
    dll: str
    function: str
    how: str  # "static import", "delay import" or "looked up"
    calls: int
    sites: set
    defect: bool
    word: str  # "DEFECT", "allowed", "not representative", "ok"
    why: str

    def line(self) -> str:
        sites = len(self.sites)
        where = f"{self.calls} call{'s' * (self.calls != 1)} from {sites} " \
                f"place{'s' * (sites != 1)}"
        return f"{self.word:<18} {self.dll}.{self.function} ({self.how}, {where})" + \
            (f": {self.why}" if self.why else "")


@dataclasses.dataclass
class Report:
    exe: str
    target: winfloor.Target
    base: int
    verdicts: list[Verdict]
    findings: list = dataclasses.field(default_factory=list)  # winargs.Finding: the arguments

    @property
    def defects(self) -> list:
        return [f for f in self.findings if f.defect] + [v for v in self.verdicts if v.defect]

    @property
    def lines(self) -> list[str]:
        calls = sum(v.calls for v in self.verdicts)
        head = (f"{Path(self.exe).name} under {self.target.title}: {len(self.verdicts)} "
                f"functions, {calls} calls from the image (loaded at 0x{self.base:x})")
        defects = len(self.defects)
        tail = f"{defects} defect{'s' * (defects != 1)}"
        arguments = [f.line() for f in self.findings]
        return [head] + arguments + [v.line() for v in self.verdicts] + [tail]

    @property
    def text(self) -> str:
        return "\n".join(self.lines)


def _windows_name(path: str) -> str:
    return re.split(r"\\\\|/|\\", path)[-1].lower()


def _resolve(dll: str, name: str, imports: dict, table: winfloor.Table):
    """The import (dll, name, how) a call Wine logged as dll.name stands for."""
    if (dll, name) in imports:
        return dll, name, imports[(dll, name)]
    same_name = [key for key in imports if key[1] == name]
    if same_name:
        return same_name[0][0], name, imports[same_name[0]]
    for original in RENAMED.get((dll, name), []):
        if original in imports:
            return original[0], original[1], imports[original]
    # Not imported: a pointer from GetProcAddress. Named after the table's row where it has one.
    if table.get(dll, name) is None:
        candidates = [(r.dll, r.function) for r in table.named(name)]
        candidates += [o for o in RENAMED.get((dll, name), []) if table.get(*o)]
        if candidates:
            return candidates[0][0], candidates[0][1], "looked up"
    return dll, name, "looked up"


def _judge(row, how: str, t: winfloor.Target, arguments: str) -> tuple[bool, str, str]:
    if row is None:
        return True, "DEFECT", f"unknown: add a row with its source to {winfloor.TABLE.name}"
    looked_up = how == "looked up"
    if not row.exported(t):
        if looked_up:
            return (False, "not representative",
                    f"{t.title} lacks it: the lookup fails there and the fallback runs, which "
                    f"Wine does not show ({row.floors()})")
        consequence = "the program does not start there" if how == "static import" \
            else "this call ends the program there"
        return True, "DEFECT", f"not in {t.title}: {consequence} ({row.floors()})"
    if not row.implemented(t):
        why = row.copes_with(arguments)
        if why:
            return False, "allowed", f"only a stub on {t.title}; {why}"
        spared = f" (the toolchain's calls with {row.copes_argument} are let through)" \
            if row.copes_argument else ""
        return True, "DEFECT", f"only a stub on {t.title}: the call fails there{spared}"
    return False, "ok", ""


def check_lines(exe: str, lines, target: str | winfloor.Target, *, base: int | None = None,
                table: winfloor.Table | None = None, rules: list | None = None) -> Report:
    """The report for the trace's lines (an iterable of str): each function the image called
    (winapi-floor.tsv) and each call whose arguments the target rejects or treats otherwise
    (winapi-args.tsv, or rules). Raises TraceError when the trace has no load address for the
    image (and no base is given) or no call from it."""
    t = target if isinstance(target, winfloor.Target) else winfloor.target(target)
    table = table or winfloor.load_table()
    judge = winargs.Judge(winargs.load_table() if rules is None else rules, t)
    image = peimage.Image(exe)
    imports = {}
    for imp in image.imports()[0]:
        imports.setdefault((imp.dll, imp.name), winfloor.HOW[imp.how])
    name = Path(exe).name.lower()

    bases: dict[str | None, set] = {}  # pid (None without +pid) -> where the image lies
    found: dict[tuple[str, str, str], Verdict] = {}
    for line in lines:
        if ":Call " not in line:
            if "Loaded L" in line and base is None:
                match = _LOADED.match(line)
                if match and _windows_name(match["path"]) == name:
                    bases.setdefault(match["pid"], set()).add(int(match["base"], 16))
            continue
        match = _CALL.match(line)
        if not match or "." not in match["qualified"]:
            continue
        ret = int(match["ret"], 16)
        starts = {base} if base is not None else bases.get(match["pid"], ())
        start = next((s for s in starts if s <= ret < s + image.size), None)
        if start is None:
            continue
        module, _, function = match["qualified"].rpartition(".")
        dll, function, how = _resolve(peimage.dll_key(module), function, imports, table)
        judge.call(match["pid"], dll, function, match["args"], ret - start)
        defect, word, why = _judge(table.get(dll, function), how, t, match["args"])
        verdict = found.get((dll, function, word))
        if verdict is None:
            verdict = found[(dll, function, word)] = Verdict(dll, function, how, 0, set(),
                                                             defect, word, why)
        verdict.calls += 1
        verdict.sites.add(ret - start)

    if base is None and not bases:
        raise TraceError(f"no +loaddll line for {Path(exe).name}: trace with "
                         f"WINEDEBUG={RELAY_WINEDEBUG}, or give the load address")
    if not found:
        raise TraceError(f"no call from {Path(exe).name}'s image in the trace: was +relay on, "
                         f"and RelayFromInclude set to {Path(exe).name}?")
    order = {"DEFECT": 0, "allowed": 1, "not representative": 2, "ok": 3}
    verdicts = sorted(found.values(), key=lambda v: (order[v.word], v.dll, v.function.lower()))
    used_base = base if base is not None else min(min(b) for b in bases.values())
    return Report(exe, t, used_base, verdicts, judge.result())


def check_trace(exe, trace, target, *, base: int | None = None,
                table: winfloor.Table | None = None, rules: list | None = None) -> Report:
    """The report for a trace file; see check_lines and the module's description."""
    with open(trace, encoding="utf-8", errors="replace") as lines:
        return check_lines(str(exe), lines, target, base=base, table=table, rules=rules)
