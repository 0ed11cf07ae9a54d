"""One end-to-end scenario: a computer laid out in a Wine prefix of its own, the real updater
running on it, and the test driver (driver.exe) that reads and answers its windows.

A scenario describes the computer as drives (letter -> type, files, ready or not) and puts the
update medium on one of them. The harness clones the template prefix, lays out the drive folders,
maps the drives, starts a wineserver for the prefix, starts driver.exe and then the updater from
the medium, and offers what a test needs: wait for a message box and press its buttons, read the
progress window's lines, click Cancel, wait for the process to end, ask whether a restart was
requested, log what the progress window's lines show over a stretch of the run, and snapshot
folder trees for before/after comparisons. Everything it started is stopped and removed again,
also when a test fails.

Environment (scripts/test exports the first three):
  ZANT_TEMPLATE_PREFIX  a booted template prefix; cloned, never changed
  ZANT_BUILD_DIR        the win32 build folder (ZANTUpdate.exe, tests/e2e/driver.exe)
  DISPLAY               the X server the programs draw on; without it the harness starts its
                        own Xvfb for the test process
  ZANT_E2E_UPDATER      another updater exe to run instead of the build's (for experiments)

A scenario can run the updater as an older Windows would (windows="win98", "nt40" ...): Wine
then reports that version to the updater (its Windows-version setting for ZANTUpdate.exe only),
the updater is the build's floor build (build/floor/ZANTUpdate.exe: its look-ups of optional
system functions fail wherever that Windows lacks them), and Wine keeps a trace of every call
the updater's image makes, which calls_report() judges against that Windows.
  ZANT_E2E_KEEP=1       keep each scenario's folders (prefix, drives, logs) for inspection
  ZANT_E2E_RELAY_WINEDEBUG  the updater's WINEDEBUG when it plays an older Windows (with
                        +timestamp added, for instance)
"""

from __future__ import annotations

import atexit
import dataclasses
import hashlib
import json
import re
import os
import selectors
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

from messages import TITLE

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts" / "lib"))
import relaytrace  # noqa: E402

DRIVE_TYPES = ("hd", "cdrom", "network", "floppy", "ramdisk")
# The sub-folders of the update medium beside the updater.
MEDIUM_FOLDERS = ("DocsX", "Docs", "DB", "Macros", "Flags", "EXE")
UPDATER_NAME = "ZANTUpdate.exe"
DRIVER_FOLDER = "zant-e2e"  # on C:, outside every tree a test looks at
# The Windows system folder as the updater, a 32-bit program, names it. On 64-bit Windows the
# system shows a 32-bit program the 32-bit system folder under that name (WoW64's folder
# redirection): its files lie in SYSTEM_FOLDER_32. The 64-bit system folder, SYSTEM_FOLDER_64
# on disk, is out of the updater's sight and must never change.
SYSTEM_FOLDER = "C:\\windows\\system32"
SYSTEM_FOLDER_32 = "C:\\windows\\syswow64"
SYSTEM_FOLDER_64 = "C:\\windows\\system32"
# Where the stand-in component libraries record their registration (HKLM\Software, which 64-bit
# Windows keeps apart for 32-bit programs: its 32-bit view) and the stand-in installers their
# start (HKCU\Software).
REGISTERED = "HKEY_LOCAL_MACHINE\\Software\\ZANTStandIns\\Registered"
INSTALLERS = "HKEY_CURRENT_USER\\Software\\ZANTStandIns\\Installers"

# Wine's Windows-version settings a scenario can run the updater under, with the Windows each
# stands for in scripts/lib/winapi-floor.tsv.
WINDOWS = {"win95": "95", "win98": "98", "winme": "ME", "nt40": "NT4", "win2k": "2000",
           "winxp": "XP"}
FAMILY_95 = ("win95", "win98", "winme")

# Exit codes of the updater.
EXIT_RESTART = 0  # the run returned (endings with a restart request)
EXIT_FAILURE = 1  # the unhandled-error report was shown
EXIT_CANCELLED = 2  # the user confirmed the cancel
EXIT_ALREADY_RUNNING = 3  # another updater was running


class ScenarioError(AssertionError):
    """Something the scenario waited for did not happen (reported as a test failure)."""


# ---------------------------------------------------------------------------------------------
# Describing a computer


@dataclasses.dataclass(frozen=True)
class File:
    """A file to create. content: bytes, or text written as UTF-8 exactly as given."""

    content: bytes | str = b""
    readonly: bool = False
    hidden: bool = False
    system: bool = False


@dataclasses.dataclass(frozen=True)
class Folder:
    """An empty folder to create (folders holding files are created anyway)."""

    hidden: bool = False
    system: bool = False
    readonly: bool = False


@dataclasses.dataclass(frozen=True)
class Link:
    """A Linux symbolic link to target, a Windows path ('F:\\Downloads\\picture.jpg') that need
    not exist (a dangling link). Wine shows a link to a file as that file."""

    target: str


@dataclasses.dataclass
class Medium:
    """The update medium: the updater in `folder` on its drive, with its sub-folders beside it.

    folder: path below the drive root ('' puts the updater in the root).
    files: more files below the medium folder, e.g. {'EXE\\\\ZANT.exe': File(b'...')}.
    without: sub-folders of MEDIUM_FOLDERS that the medium lacks (e.g. ('Macros',)).
    extracted: a medium made elsewhere (a Linux folder, e.g. a CD image's content): the drive
    is mapped to it as it is, nothing added, so the updater lies in the drive's root.
    """

    folder: str = "ZANTUPD"
    files: dict = dataclasses.field(default_factory=dict)
    without: tuple = ()
    extracted: str | os.PathLike | None = None


@dataclasses.dataclass
class Drive:
    """One drive letter. type: hd, cdrom, network, floppy or ramdisk. files maps paths below
    the root (backslashes or slashes) to File, Folder, Link, bytes or str. A drive that is not ready
    has no folder behind it (Wine then lists a fixed or network drive as having no root, and a
    CD-ROM or floppy drive as empty)."""

    type: str = "hd"
    files: dict = dataclasses.field(default_factory=dict)
    ready: bool = True
    medium: Medium | None = None


def built(relative_path: str, **attributes) -> File:
    """A file of the build as a File to lay out, e.g. built('components/dartmail.dll') puts a
    stand-in component library on a drive."""
    path = _build_dir() / relative_path
    if not path.is_file():
        raise RuntimeError(f"not built: {path}")
    return File(path.read_bytes(), **attributes)


def fixed(files=None, *, ready=True, medium=None) -> Drive:
    return Drive("hd", dict(files or {}), ready, medium)


def cdrom(files=None, *, ready=True, medium=None) -> Drive:
    return Drive("cdrom", dict(files or {}), ready, medium)


def network(files=None, *, ready=True, medium=None) -> Drive:
    return Drive("network", dict(files or {}), ready, medium)


def floppy(files=None, *, ready=True, medium=None) -> Drive:
    return Drive("floppy", dict(files or {}), ready, medium)


# ---------------------------------------------------------------------------------------------
# What the driver reports


@dataclasses.dataclass(frozen=True)
class Box:
    title: str
    text: str
    buttons: tuple  # visible buttons, left to right: 'ok', 'yes', 'no' ...
    default: str | None  # the button drawn as default
    icon: str  # information, warning, error, question, none, or unknown
    icon_scores: dict  # mean pixel difference to each stock icon (0 = identical)
    owner: str | None  # caption of the owner window, if any
    owner_visible: bool


@dataclasses.dataclass(frozen=True)
class Texts:
    status: str
    detail: str
    cancel_enabled: bool


@dataclasses.dataclass
class TextLog:
    """What the progress window's two lines showed while a test watched them: every text that
    was seen, in order, each repetition once. A text shown only between two looks is missed, so
    a test asks only about texts that stay long enough (a step with work to do, a count)."""

    statuses: list = dataclasses.field(default_factory=list)
    details: list = dataclasses.field(default_factory=list)
    last: Texts | None = None  # the texts at the last look
    box: Box | None = None  # the message box that ended the watch, if one did

    def add(self, texts: Texts) -> None:
        self.last = texts
        if not self.statuses or self.statuses[-1] != texts.status:
            self.statuses.append(texts.status)
        if not self.details or self.details[-1] != texts.detail:
            self.details.append(texts.detail)


# ---------------------------------------------------------------------------------------------
# Folder snapshots


@dataclasses.dataclass(frozen=True)
class Entry:
    kind: str  # 'file', 'dir' or 'link'
    size: int | None = None
    sha256: str | None = None
    attrs: str = ""  # R, H, S as Wine reports them from the Linux side (dot-names aside)
    target: str | None = None  # for links


def _linux_attrs(path: Path, st: os.stat_result) -> str:
    attrs = ""
    if not st.st_mode & 0o222:
        attrs += "R"
    try:
        value = int(os.getxattr(path, "user.DOSATTRIB", follow_symlinks=False).strip(b"\0"), 16)
    except (OSError, ValueError):
        value = 0
    if value & 0x2:
        attrs += "H"
    if value & 0x4:
        attrs += "S"
    return attrs


def snapshot_tree(root: str | os.PathLike) -> dict[str, Entry]:
    """Every entry below root: relative path (backslashes) -> Entry. A missing root gives {}."""
    root = Path(root)
    result: dict[str, Entry] = {}
    if not root.is_dir():
        return result
    for dirpath, dirnames, filenames in os.walk(root, followlinks=False):
        here = Path(dirpath)
        for name in sorted(dirnames + filenames):
            path = here / name
            rel = str(path.relative_to(root)).replace("/", "\\")
            st = path.lstat()
            if stat.S_ISLNK(st.st_mode):
                result[rel] = Entry("link", target=os.readlink(path))
            elif stat.S_ISDIR(st.st_mode):
                result[rel] = Entry("dir", attrs=_linux_attrs(path, st))
            else:
                digest = hashlib.sha256(path.read_bytes()).hexdigest()
                result[rel] = Entry("file", st.st_size, digest, _linux_attrs(path, st))
    return result


def diff_snapshots(before: dict[str, Entry], after: dict[str, Entry]) -> dict[str, list[str]]:
    """{'added': [...], 'removed': [...], 'changed': [...]}, leaving out empty lists; {} means
    the trees are the same."""
    result = {
        "added": sorted(set(after) - set(before)),
        "removed": sorted(set(before) - set(after)),
        "changed": sorted(p for p in set(before) & set(after) if before[p] != after[p]),
    }
    return {key: value for key, value in result.items() if value}


# ---------------------------------------------------------------------------------------------
# Environment


def _require_env(name: str, hint: str) -> str:
    value = os.environ.get(name)
    if not value:
        raise RuntimeError(f"{name} is not set: {hint}")
    return value


def _root_dir() -> Path:
    here = Path(__file__).resolve().parent
    return Path(os.environ.get("ZANT_ROOT") or here.parent.parent)


def _build_dir() -> Path:
    return Path(_require_env("ZANT_BUILD_DIR", "point it at the win32 build folder"))


_private_xvfb: subprocess.Popen | None = None


def _display() -> str:
    """The X display for Wine: DISPLAY, or a private Xvfb started once for this process. Xvfb
    picks a free display number itself and says which (-displayfd), so test processes that start
    theirs at the same time never share one."""
    global _private_xvfb
    if os.environ.get("DISPLAY"):
        return os.environ["DISPLAY"]
    read_end, write_end = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as said:
        ready = selectors.DefaultSelector()
        ready.register(said, selectors.EVENT_READ)
        deadline = time.monotonic() + 10
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            if ready.select(max(0.0, deadline - time.monotonic())):
                chunk = os.read(said.fileno(), 16)
                if not chunk:
                    break  # Xvfb ended without a display
                number += chunk
    if not number.strip().isdigit() or process.poll() is not None:
        process.kill()
        process.wait()
        raise RuntimeError("DISPLAY is not set and no private Xvfb could be started")
    _private_xvfb = process
    atexit.register(_stop_private_xvfb)
    os.environ["DISPLAY"] = f":{int(number)}"
    return os.environ["DISPLAY"]


def _stop_private_xvfb() -> None:
    if _private_xvfb is not None and _private_xvfb.poll() is None:
        _private_xvfb.terminate()
        _private_xvfb.wait(10)


def _windows_path_join(*parts: str) -> str:
    return "\\".join(p.strip("\\/").replace("/", "\\") for p in parts if p.strip("\\/"))


# ---------------------------------------------------------------------------------------------
# The driver connection


class _DriverConnection:
    """driver.exe over pipes: one command line out, one JSON line back."""

    def __init__(self, process: subprocess.Popen, log: Path):
        self.process = process
        self.log = log
        self._buffer = b""
        self._selector = selectors.DefaultSelector()
        self._selector.register(process.stdout, selectors.EVENT_READ)

    def read_reply(self, timeout_s: float) -> dict:
        deadline = time.monotonic() + timeout_s
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise ScenarioError(f"driver.exe gave no answer within {timeout_s:.0f} s")
            if not self._selector.select(left):
                continue
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                raise ScenarioError(
                    f"driver.exe ended (exit code {self.process.poll()}); see {self.log}"
                )
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return json.loads(line.decode("ascii"))

    def request(self, line: str, timeout_s: float) -> dict:
        self.process.stdin.write(line.encode("utf-8") + b"\n")
        self.process.stdin.flush()
        return self.read_reply(timeout_s)

    def close(self) -> None:
        self._selector.close()


# How long watch() pauses between two looks at the progress window.
_WATCH_MIN_PAUSE_S = 0.002
_WATCH_MAX_PAUSE_S = 0.02


def _ms(seconds: float) -> str:
    return str(int(seconds * 1000))


# ---------------------------------------------------------------------------------------------
# The scenario


class Scenario:
    """One computer, one run of the updater. Use it as a context manager or call close()."""

    def __init__(self, drives: dict[str, Drive], name: str = "scenario",
                 native_first: tuple = (), trace_loads: bool = False,
                 windows: str | None = None, trace_calls: bool = False):
        """native_first: library names (without .dll) that Wine looks for as Windows looks for a
        library that is not a known system library: in the exe's folder first, unless the
        process restricted its search. trace_loads: Wine writes every library a process loads
        to its log (loaded_libraries). windows: the older Windows the updater runs as (a key of
        WINDOWS; see the top of this file); its runs are traced. trace_calls: the product's own
        runs traced too, as Windows 10 (Wine's default setting) runs them."""
        if windows is not None and windows not in WINDOWS:
            raise ValueError(f"unknown Windows setting {windows!r}")
        self.windows = windows
        self.traced = windows is not None or trace_calls
        self.drives = {letter.upper(): drive for letter, drive in drives.items()}
        self._check_drives()
        self._template = Path(
            _require_env("ZANT_TEMPLATE_PREFIX", "run the tests through scripts/test"))
        display = _display()
        # Beside the template unless told otherwise: the prefix is cloned with hard links, which
        # cannot reach into another file system (such as a /tmp kept in memory).
        base = os.environ.get("ZANT_E2E_TMP") or str(self._template.parent)
        self.root = Path(tempfile.mkdtemp(prefix=f"zant-e2e-{name}-", dir=base))
        self.prefix = self.root / "prefix"
        self.drive_root = self.root / "drives"
        self.logs = self.root / "logs"
        self.logs.mkdir()
        self._env = dict(
            os.environ,
            WINEPREFIX=str(self.prefix),
            WINEDEBUG="+loaddll" if trace_loads else os.environ.get("WINEDEBUG", "-all"),
            WINEARCH="win64",
            WINEDLLOVERRIDES="mscoree,mshtml=" + (
                f";{','.join(native_first)}=n,b" if native_first else ""),
            DISPLAY=display,
        )
        self._server_started = False
        self._server_temp: Path | None = None
        self._driver: _DriverConnection | None = None
        self._updater: subprocess.Popen | None = None
        self._others: list[subprocess.Popen] = []
        self._prepared = False
        self._closed = False

    # -- set-up --------------------------------------------------------------------------------

    def _check_drives(self) -> None:
        media = [letter for letter, drive in self.drives.items() if drive.medium is not None]
        if len(media) > 1:
            raise ValueError(f"only one drive can hold the update medium, not {media}")
        for letter, drive in self.drives.items():
            if len(letter) != 1 or not "A" <= letter <= "Z":
                raise ValueError(f"not a drive letter: {letter!r}")
            if drive.type not in DRIVE_TYPES:
                raise ValueError(f"drive {letter}: unknown type {drive.type!r}")
            if letter == "C" and not drive.ready:
                raise ValueError("drive C holds Windows and is always ready")
            if drive.medium is not None and not drive.ready:
                raise ValueError(f"drive {letter} holds the medium and must be ready")
            if drive.medium is not None and drive.medium.extracted is not None:
                if drive.files or drive.medium.files or drive.medium.folder:
                    raise ValueError(f"drive {letter} holds an extracted medium as it is")
            if drive.medium is not None:
                for rel in drive.medium.files:
                    top = rel.replace("/", "\\").split("\\")[0]
                    if top in drive.medium.without:
                        raise ValueError(f"the medium has no {top} folder, yet lists {rel}")

    @property
    def medium_letter(self) -> str | None:
        for letter, drive in self.drives.items():
            if drive.medium is not None:
                return letter
        return None

    def drive_folder(self, letter: str) -> Path:
        """The Linux folder behind a drive letter."""
        letter = letter.upper()
        if letter == "C":
            return self.prefix / "drive_c"
        drive = self.drives.get(letter)
        if drive is not None and not drive.ready:
            return self.drive_root / f"{letter.lower()}-not-ready"
        if drive is not None and drive.medium is not None and drive.medium.extracted is not None:
            return Path(drive.medium.extracted)
        return self.drive_root / letter.lower()

    def linux_path(self, windows_path: str) -> Path:
        """'D:\\ZANT\\ZANT.exe' -> the Linux path of that file in this scenario (the spelling
        given, so use the spelling the file was created with)."""
        if len(windows_path) < 2 or windows_path[1] != ":":
            raise ValueError(f"not an absolute Windows path: {windows_path!r}")
        rest = windows_path[2:].replace("\\", "/").strip("/")
        folder = self.drive_folder(windows_path[0])
        return folder / rest if rest else folder

    @property
    def updater_windows_path(self) -> str:
        letter = self.medium_letter
        if letter is None:
            raise ValueError("no drive holds the update medium")
        folder = self.drives[letter].medium.folder
        return f"{letter}:\\" + _windows_path_join(folder, UPDATER_NAME)

    def prepare(self) -> None:
        """Clones the prefix, lays out and maps the drives, starts the wineserver and driver.exe.
        start() calls it; call it first yourself to look at the drives before the run."""
        if self._prepared:
            return
        self._prepared = True
        self._run(["sh", str(_root_dir() / "scripts/lib/clone_prefix.sh"), str(self._template),
                   str(self.prefix)], "clone")
        for link in (self.prefix / "dosdevices").glob("z:"):
            link.unlink()
        self._lay_out_drives()
        mappings = []
        for letter, drive in sorted(self.drives.items()):
            mappings.append(f"{letter.lower()}={self.drive_folder(letter)}:{drive.type}")
        if mappings:
            # Maps the letters, drops z: and stops the server: types are read at server start.
            self._run(["sh", str(_root_dir() / "scripts/lib/wine_drives.sh"), *mappings], "drives")
        self._start_server()
        if self.traced:
            self._trace_calls()
        self._start_driver()

    def _lay_out_drives(self) -> None:
        self.drive_root.mkdir()
        for letter, drive in sorted(self.drives.items()):
            if not drive.ready or (drive.medium and drive.medium.extracted is not None):
                continue
            folder = self.drive_folder(letter)
            folder.mkdir(parents=True, exist_ok=True)
            _write_files(folder, drive.files, self.linux_path)
            if drive.medium is not None:
                self._lay_out_medium(folder, drive.medium)
        driver_folder = self.prefix / "drive_c" / DRIVER_FOLDER
        driver_folder.mkdir()
        shutil.copyfile(_build_dir() / "tests/e2e/driver.exe", driver_folder / "driver.exe")

    def _lay_out_medium(self, drive_folder: Path, medium: Medium) -> None:
        folder = drive_folder / medium.folder.replace("\\", "/").strip("/")
        folder.mkdir(parents=True, exist_ok=True)
        for name in MEDIUM_FOLDERS:
            if name not in medium.without:
                (folder / name).mkdir(exist_ok=True)
        updater = Path(os.environ.get("ZANT_E2E_UPDATER") or self._updater_build())
        if not updater.is_file():
            raise RuntimeError(f"the updater is not built: {updater}")
        target = folder / UPDATER_NAME
        if target.exists():
            target.unlink()
        shutil.copyfile(updater, target)
        _write_files(folder, medium.files, self.linux_path)

    def _updater_build(self) -> Path:
        if self.windows is not None:
            return _build_dir() / "floor" / UPDATER_NAME
        return _build_dir() / UPDATER_NAME

    def _trace_calls(self) -> None:
        """The version setting for the updater (and its second copy) when it plays an older
        Windows, and the call trace of its image (relaytrace.relay_registry, without its setting
        for every program)."""
        lines = ["REGEDIT4", ""]
        for exe in (UPDATER_NAME, "ZANTUpdate2.exe") if self.windows else ():
            lines += [f"[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\{exe}]",
                      f'"Version"="{self.windows}"', ""]
        # The installers' pauses pump the window's events three million times a run: the one
        # form of PeekMessage this family should call stays out of the trace.
        pump = "user32.PeekMessageA" if self.windows in FAMILY_95 else "user32.PeekMessageW"
        relay = relaytrace.relay_registry(UPDATER_NAME, exclude=(pump,))
        reg = self.prefix / "drive_c" / "zant-windows.reg"
        reg.write_text("\r\n".join(lines) + "\r\n" + relay.split("\r\n", 1)[1],
                       encoding="ascii")
        self._run(["wine", "regedit", "/S", "C:\\zant-windows.reg"], "windows")

    def calls_report(self) -> relaytrace.Report:
        """What the updater's image called in its runs, and with which arguments, judged for
        the Windows it ran as."""
        if not self.traced:
            raise RuntimeError("the scenario traces no calls")
        return relaytrace.check_trace(self._updater_build(), self.logs / "updater.log",
                                      WINDOWS[self.windows] if self.windows else "10")

    def _run(self, command: list[str], log_name: str, timeout_s: float = 60) -> None:
        log = self.logs / f"{log_name}.log"
        with open(log, "ab") as out:
            result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                    env=self._env, timeout=timeout_s)
        if result.returncode != 0:
            raise RuntimeError(f"{' '.join(command)} failed ({result.returncode}); see {log}")

    def _start_server(self) -> None:
        # A persistent server: every later wine process starts in a fraction of a second. It
        # stays 10 s after the last program ends, so a test process that is killed leaves
        # nothing behind for long (driver.exe then also ends the updater).
        self._server_started = True
        self._run(["wineserver", "-p10"], "wineserver")
        # Wine's background services inherit the output of the first program: a file, never a pipe.
        with open(self.logs / "services.log", "ab") as out:
            subprocess.run(["wine", "cmd", "/c", "exit"], stdin=subprocess.DEVNULL, stdout=out,
                           stderr=out, env=self._env, cwd=self.prefix / "drive_c", timeout=60)
        marker = self.prefix / "wineserver"  # Debian's wine: the server's folder in /tmp
        if marker.is_file():
            name = marker.read_text().strip().split()[0]
            candidate = Path(tempfile.gettempdir()) / name
            if name.startswith("wine-") and candidate.is_dir():
                self._server_temp = candidate

    def _start_driver(self) -> None:
        log = self.logs / "driver.log"
        with open(log, "ab") as err:
            process = subprocess.Popen(
                ["wine", f"C:\\{DRIVER_FOLDER}\\driver.exe"],
                stdin=subprocess.PIPE,
                stdout=subprocess.PIPE,
                stderr=err,
                env=self._env,
                cwd=self.prefix / "drive_c" / DRIVER_FOLDER,
            )
        self._driver = _DriverConnection(process, log)
        ready = self._driver.read_reply(30)
        if not ready.get("ok"):
            raise RuntimeError(f"driver.exe could not start its session watch: {ready}")

    # -- the run -------------------------------------------------------------------------------

    def start(self) -> None:
        """Starts the updater from the medium (as `wine 'E:\\ZANTUPD\\ZANTUpdate.exe'`); again
        once the previous run has ended, for a second run of the same update."""
        self.prepare()
        if self._updater is not None:
            if self._updater.poll() is None:
                raise RuntimeError("the updater is still running")
            self._others.append(self._updater)
        self._updater = self._launch(self.updater_windows_path, "updater")
        self._call(f"attach {UPDATER_NAME} 20000", 30)

    def start_second(self, name: str = "ZANTUpdate2.exe") -> subprocess.Popen:
        """Starts a second updater while the first runs: the same program, copied beside the
        first under another name so that the driver can tell the two apart. The driver follows
        the second until follow_first(); wait for its exit code on the process returned."""
        first = self.linux_path(self.updater_windows_path)
        shutil.copyfile(first, first.with_name(name))
        windows_path = self.updater_windows_path[:-len(UPDATER_NAME)] + name
        process = self._launch(windows_path, "second")
        self._others.append(process)
        self._call(f"attach {name} 20000", 30)
        return process

    def follow_first(self) -> None:
        """The driver follows the first updater again (after start_second)."""
        self._call(f"attach {UPDATER_NAME} 20000", 30)

    def _launch(self, windows_path: str, log_name: str) -> subprocess.Popen:
        cwd = self.linux_path(windows_path).parent
        env = self._env
        if self.traced:
            env = dict(env, WINEDEBUG=os.environ.get("ZANT_E2E_RELAY_WINEDEBUG",
                                                     relaytrace.RELAY_WINEDEBUG))
        with open(self.logs / f"{log_name}.log", "ab") as out:
            return subprocess.Popen(["wine", windows_path], stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=out, env=env, cwd=cwd)

    def _call(self, line: str, timeout_s: float) -> dict:
        if self._driver is None:
            raise RuntimeError("the scenario is not prepared")
        reply = self._driver.request(line, timeout_s + 10)
        if not reply.get("ok"):
            message = reply.get("message", "")
            if self._updater is not None and self._updater.poll() is not None:
                message += f" (the updater has ended with exit code {self._updater.returncode})"
            if "windows" in reply:
                shown = [w for w in reply["windows"] if w.get("visible")]
                message += f"; visible top-level windows: {shown}"
            raise ScenarioError(f"{line.split()[0]}: {reply.get('error')}: {message}")
        return reply

    def wait_box(self, timeout_s: float = 20) -> Box:
        """The next visible message box of the updater."""
        return self._box(self._call(f"wait-box {_ms(timeout_s)}", timeout_s))

    @staticmethod
    def _box(r: dict) -> Box:
        return Box(r["title"], r["text"], tuple(r["buttons"]), r["default"], r["icon"],
                   r["icon_scores"], r["owner"], r["owner_visible"])

    def press(self, button: str, timeout_s: float = 10) -> None:
        """Presses ok, yes or no on the open box (or dismisses it with 'escape' or 'close') and
        waits until the box is gone."""
        self._call(f"press {button} {_ms(timeout_s)}", timeout_s)

    def wait_window(self, timeout_s: float = 20) -> dict:
        """The visible progress window: title, class, client_width, client_height."""
        return self._call(f"wait-window {_ms(timeout_s)}", timeout_s)

    def window_shown(self) -> bool:
        reply = self._driver.request("wait-window 0", 10)
        return bool(reply.get("ok"))

    def wait_window_gone(self, timeout_s: float = 10) -> None:
        self._call(f"wait-window-gone {_ms(timeout_s)}", timeout_s)

    def texts(self) -> Texts:
        return self._texts(self._call("texts", 10))

    def wait_status(self, text: str, timeout_s: float = 20) -> Texts:
        """Waits until the status line contains text."""
        line = f"wait-status {json.dumps(text)} {_ms(timeout_s)}"
        return self._texts(self._call(line, timeout_s))

    def wait_detail(self, text: str, timeout_s: float = 20) -> Texts:
        """Waits until the detail line contains text."""
        line = f"wait-detail {json.dumps(text)} {_ms(timeout_s)}"
        return self._texts(self._call(line, timeout_s))

    def wait_cancel(self, enabled: bool, timeout_s: float = 20) -> Texts:
        state = "enabled" if enabled else "disabled"
        return self._texts(self._call(f"wait-cancel {state} {_ms(timeout_s)}", timeout_s))

    def click_cancel(self, method: str = "input") -> None:
        """A mouse click on Cancel ('input', through SendInput) or a posted BM_CLICK ('post')."""
        self._call(f"click-cancel {method}", 10)

    def click_cancel_until_box(self, timeout_s: float = 20) -> tuple[Box, float]:
        """A mouse click on Cancel, then the box that answers it and the milliseconds from the
        click to the box."""
        reply = self._call(f"click-cancel-until-box {_ms(timeout_s)}", timeout_s)
        return self._box(reply), reply["click_to_box_ms"]

    @staticmethod
    def _texts(reply: dict) -> Texts:
        return Texts(reply["status"], reply["detail"], reply["cancel_enabled"])

    def poll_box(self) -> Box | None:
        """The updater's visible message box, if one is open now (no waiting)."""
        reply = self._driver.request("wait-box 0", 10)
        if reply.get("ok"):
            return self._box(reply)
        if reply.get("error") != "timeout":
            raise ScenarioError(f"wait-box: {reply.get('error')}: {reply.get('message')}")
        return None

    def watch(self, timeout_s: float = 60) -> TextLog:
        """Reads the progress window's lines again and again and logs every new text, until a
        message box is open (TextLog.box). Fails when the updater ends first or the time runs
        out. Looks often while the texts change and less often while they stay, at least every
        20 ms, so that each count of an installer's pause (70 ms or more) is seen."""
        log = TextLog()
        deadline = time.monotonic() + timeout_s
        pause = _WATCH_MIN_PAUSE_S
        while True:
            reply = self._driver.request("texts", 20)
            if reply.get("ok"):
                before = log.last
                log.add(self._texts(reply))
                changed = before is None or log.last != before
                pause = _WATCH_MIN_PAUSE_S if changed else min(pause * 2, _WATCH_MAX_PAUSE_S)
            elif reply.get("error") not in ("no-window", "no-answer"):
                raise ScenarioError(f"texts: {reply.get('error')}: {reply.get('message')}")
            log.box = self.poll_box()
            if log.box is not None:
                # The texts read before the box was seen may predate the last change: the run
                # is held by the box now, so one more look gives the texts it shows with it.
                reply = self._driver.request("texts", 20)
                if reply.get("ok"):
                    log.add(self._texts(reply))
                return log
            if self._updater.poll() is not None:
                raise ScenarioError(f"the updater ended (exit code {self._updater.returncode})"
                                    f" while watched; statuses seen: {log.statuses}")
            if time.monotonic() >= deadline:
                raise ScenarioError(f"nothing awaited happened within {timeout_s:.0f} s; last"
                                    f" texts: {log.last}; statuses seen: {log.statuses}")
            time.sleep(pause)

    def wait_exit(self, timeout_s: float = 30) -> int:
        """The updater's exit code, once it has ended."""
        if self._updater is None:
            raise RuntimeError("the updater was not started")
        try:
            return self._updater.wait(timeout_s)
        except subprocess.TimeoutExpired:
            raise ScenarioError(f"the updater was still running after {timeout_s:.0f} s") from None

    def restart_requested(self, timeout_s: float = 10) -> bool:
        """Whether the updater asked Windows to restart. Waits for the updater to end first.
        The request starts wineboot.exe, which asks every window whether the session may end;
        so the answer is no once the updater has ended and no wineboot.exe is left running."""
        self.wait_exit(timeout_s)
        deadline = time.monotonic() + timeout_s
        while True:
            if self._call("restart?", 10)["requested"]:
                return True
            if not self._call("process-running wineboot.exe", 10)["running"]:
                return bool(self._call("restart?", 10)["requested"])
            if time.monotonic() >= deadline:
                raise ScenarioError("wineboot.exe was still running without asking the driver")
            time.sleep(0.05)

    # -- looking at files ----------------------------------------------------------------------

    def write_files(self, windows_folder: str, files: dict) -> None:
        """Lays out more files (as Drive.files) below a Windows folder of the prepared scenario,
        e.g. on C:, whose folders exist only once the prefix is cloned."""
        self.prepare()
        _write_files(self.linux_path(windows_folder), files, self.linux_path)

    @property
    def programs_folder(self) -> str:
        """The current user's Start menu Programs folder (Windows path) in the prefix."""
        self.prepare()
        users = self.prefix / "drive_c" / "users"
        names = sorted(p.name for p in users.iterdir()
                       if p.is_dir() and not p.is_symlink() and p.name != "Public")
        if len(names) != 1:
            raise RuntimeError(f"expected one user folder in {users}, found {names}")
        return (f"C:\\users\\{names[0]}\\AppData\\Roaming\\Microsoft\\Windows"
                "\\Start Menu\\Programs")

    def snapshot(self, windows_path: str) -> dict[str, Entry]:
        """The tree below a Windows path ('D:\\', 'D:\\ZANT'), for diff_snapshots()."""
        return snapshot_tree(self.linux_path(windows_path))

    def registry(self, key: str, view: int = 32) -> dict[str, dict[str, str | int]]:
        """The values below a registry key, sub-keys included, read through the running server
        in the 32-bit program's view of the registry (the updater's) or the 64-bit one:
        {'HKEY_CURRENT_USER\\Software\\X': {'name': 'text' or number}}. {} if the key is
        missing. Numbers (REG_DWORD, REG_QWORD) come back as int, everything else as text."""
        self.prepare()
        result = subprocess.run(["wine", "reg", "query", key, "/s", f"/reg:{view}"],
                                stdin=subprocess.DEVNULL,
                                capture_output=True, env=self._env, cwd=self.prefix / "drive_c",
                                timeout=60)
        if result.returncode != 0:
            return {}
        values: dict[str, dict[str, str | int]] = {}
        current = None
        for line in result.stdout.decode("utf-8", errors="replace").splitlines():
            if not line.strip():
                continue
            if not line.startswith(" "):
                current = values.setdefault(line.strip(), {})
                continue
            parts = line.strip().split("    ", 2)
            if current is None or len(parts) < 2:
                continue
            name, kind, data = parts[0], parts[1], parts[2] if len(parts) > 2 else ""
            current[name] = int(data, 16) if kind in ("REG_DWORD", "REG_QWORD") else data
        return values

    def delete_registry(self, key: str) -> None:
        """Removes a registry key with everything below it (nothing happens if it is missing)."""
        self.prepare()
        subprocess.run(["wine", "reg", "delete", key, "/f"], stdin=subprocess.DEVNULL,
                       capture_output=True, env=self._env, cwd=self.prefix / "drive_c",
                       timeout=60)

    def loaded_libraries(self, name: str = "updater") -> list[str]:
        """The Windows paths of the libraries the updater (or the process of log `name`) has
        loaded so far, in order; the scenario must trace loads (trace_loads=True)."""
        path = self.logs / f"{name}.log"
        text = path.read_text(errors="replace") if path.is_file() else ""
        return [m.replace("\\\\", "\\") for m in re.findall(r'loaddll:\w+ Loaded L"([^"]*)"', text)]

    def log_tail(self, name: str = "updater", lines: int = 20) -> str:
        path = self.logs / f"{name}.log"
        if not path.is_file():
            return ""
        return "\n".join(path.read_text(errors="replace").splitlines()[-lines:])

    # -- tear-down -----------------------------------------------------------------------------

    def close(self) -> None:
        """Stops everything the scenario started and removes its folders. Safe to call twice."""
        if self._closed:
            return
        self._closed = True
        try:
            if self._driver is not None and self._driver.process.poll() is None:
                try:
                    self._driver.request("quit", 5)
                except (ScenarioError, OSError, ValueError):
                    pass
        finally:
            # Ends every process of the prefix (updater and driver included) and the server.
            if self._server_started:
                subprocess.run(["wineserver", "-k"], env=self._env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            for process in (self._updater, *self._others,
                            self._driver.process if self._driver else None):
                if process is None:
                    continue
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(10)
                for stream in (process.stdin, process.stdout):
                    if stream is not None:
                        stream.close()
            if self._driver is not None:
                self._driver.close()
            if self._server_temp is not None:
                shutil.rmtree(self._server_temp, ignore_errors=True)
            if os.environ.get("ZANT_E2E_KEEP") != "1":
                _remove_tree(self.root)

    def __enter__(self) -> Scenario:
        return self

    def __exit__(self, *exc) -> None:
        self.close()


def _write_files(folder: Path, files: dict, linux_path=None) -> None:
    """Creates files, folders and links below folder, then gives them their attributes
    (read-only last, children before their folders). Existing files are replaced by new ones,
    never rewritten in place: files on C: are hard links into the template prefix. linux_path
    turns a link's Windows target into a Linux path."""
    attributes: list[tuple[Path, bool, bool, bool]] = []
    for rel, item in files.items():
        path = folder / rel.replace("\\", "/").strip("/")
        if isinstance(item, Link):
            path.parent.mkdir(parents=True, exist_ok=True)
            if path.exists() or path.is_symlink():
                path.unlink()
            os.symlink(linux_path(item.target), path)
            continue
        if isinstance(item, Folder):
            path.mkdir(parents=True, exist_ok=True)
            attributes.append((path, item.readonly, item.hidden, item.system))
            continue
        if isinstance(item, (bytes, str)):
            item = File(item)
        if not isinstance(item, File):
            raise TypeError(f"{rel}: expected File, Folder, Link, bytes or str, "
                            f"not {type(item).__name__}")
        path.parent.mkdir(parents=True, exist_ok=True)
        if path.exists() or path.is_symlink():
            path.unlink()
        content = item.content.encode("utf-8") if isinstance(item.content, str) else item.content
        path.write_bytes(content)
        attributes.append((path, item.readonly, item.hidden, item.system))
    for path, readonly, hidden, system in sorted(attributes, key=lambda a: -len(a[0].parts)):
        flags = (0x2 if hidden else 0) | (0x4 if system else 0)
        if flags:
            os.setxattr(path, "user.DOSATTRIB", f"0x{flags:x}".encode())
        if readonly:
            os.chmod(path, path.stat().st_mode & ~0o222)


def _remove_tree(root: Path) -> None:
    def make_writable_and_retry(function, path, _):
        os.chmod(os.path.dirname(path), 0o755)
        if os.path.isdir(path) and not os.path.islink(path):
            os.chmod(path, 0o755)
        function(path)

    if root.exists():
        shutil.rmtree(root, onerror=make_writable_and_retry)


# ---------------------------------------------------------------------------------------------
# Test case base


class ScenarioTestCase(unittest.TestCase):
    """unittest.TestCase with scenario() (closed after the test, pass or fail) and assertBox()."""

    maxDiff = None

    def scenario(self, drives: dict[str, Drive], **options) -> Scenario:
        name = self.id().rsplit(".", 1)[-1]
        scenario = Scenario(drives, name=name, **options)
        self.addCleanup(scenario.close)
        return scenario

    def assertBox(self, box: Box, *, text: str, buttons: tuple, icon: str, title: str = TITLE,
                  default: str | None = None) -> None:
        """Checks every property of a message box at once; the first button is the default
        unless said otherwise."""
        expected = {"title": title, "text": text, "buttons": tuple(buttons),
                    "default": default or buttons[0], "icon": icon}
        actual = {"title": box.title, "text": box.text, "buttons": box.buttons,
                  "default": box.default, "icon": box.icon}
        self.assertEqual(actual, expected, f"icon scores: {box.icon_scores}")

    def assertSeenInOrder(self, seen: list, expected: list) -> None:
        """Every text seen is one of the expected texts, in their order (a watch may miss
        texts that were shown only briefly, but never sees one out of place)."""
        position = 0
        for text in seen:
            try:
                position = expected.index(text, position) + 1
            except ValueError:
                self.fail(f"{text!r} was not expected here; seen: {seen}; expected: {expected}")
