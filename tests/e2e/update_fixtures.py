"""A complete update medium and installations of version 1.30 for the scenarios that update,
and what an updated installation must look like afterwards.

The medium is read-only throughout, as on a CD. Every file of the medium differs in content
from the installation's file of the same name, so a snapshot shows each replacement."""

from __future__ import annotations

import hashlib

from harness import Entry, File, Medium, built

# Documents of the update: the first half replace documents that 1.30 installations have, the
# second half are new. Enough of them that the document step lasts a moment on screen.
DOCUMENT_COUNT = 120
UPDATED_DOCUMENTS = [f"doc{i:03d}.doc" for i in range(DOCUMENT_COUNT // 2)]
NEW_DOCUMENTS = [f"doc{i:03d}.doc" for i in range(DOCUMENT_COUNT // 2, DOCUMENT_COUNT)]
# A document that 1.30 installations hold read-only as "über.doc" and the medium spells
# "ÜBER.DOC": one file to Windows, which ignores letter case beyond ASCII too.
CASE_DOCUMENT_INSTALLED = "\u00fcber.doc"
CASE_DOCUMENT = "\u00dcBER.DOC"
# Old documents the update removes (DocsX); "absent.doc" is in no installation.
REMOVED_DOCUMENTS = ["old1.doc", "old2.doc", "absent.doc"]

# The program is large enough (32 MB) that copying it keeps its step on screen for a moment.
PROGRAM_140 = b"MZ zant 140\0" + bytes(range(256)) * (32 * 4096)

LIBRARIES = ("dartmail.dll", "dartzip.dll", "dartsock.dll", "dartutil.dll", "rnwncntl.dll")
INSTALLERS = {"msvbvm50.exe": "/Q", "pocketsoap.1.4.3.exe": "/S"}

# The files of the medium's EXE folder that go into the installation folder.
EXE_FILES_140 = {
    "zant.exe": PROGRAM_140,
    "about.txt": b"About ZANT On CD 1.40\r\n",
    "MSSent.log": b"",
    "fr140.dll": b"MZ fr140",
    "WizGlobe.jpg": b"\xff\xd8\xff\xe0 globe 140",
    "WizEarth.ico": b"\0\0\1\0 earth 140",
}
MACROS_140 = {"do_main.txt": b"macro main 140", "do_print.mac": b"macro print 140"}
FLAGS_140 = {"vflgzant.140": b"", "version.140": b""}
DB_140 = {"db.mdb": b"database 140", "zant.mdw": b"workgroup 140"}


# Every library the updater loads under Wine in a complete run (its +loaddll trace), and four
# more that Windows' own libraries load: a marker library (components/planted_marker.dll) is
# planted beside the updater under each name. Loading one leaves "<name>.loaded" beside it.
PLANTED_LIBRARIES = (
    "kernelbase", "kernel32", "msvcrt", "ucrtbase", "sechost", "advapi32", "zlib1", "version",
    "win32u", "user32", "gdi32", "imm32", "comctl32", "rpcrt4", "combase", "ole32", "shcore",
    "shlwapi", "shell32", "uxtheme", "msimg32", "propsys", "cryptbase", "dwmapi", "userenv",
)
PLANTED_DRIVERS = ("winex11.drv",)
# Those that Windows does not map from its fixed list of known system libraries (KnownDLLs),
# and Wine's own: Wine is told to look for them as Windows does (native first), so a planted
# one is loaded unless the updater keeps it out. The known ones (kernel32, user32, ole32 ...)
# always come from the system folder on Windows, and Wine prefers its builtin ones. msimg32,
# which Wine's uxtheme loads late along a search that ignores the restriction, is kept out by
# the updater's preload of the system folder's copy.
NATIVE_FIRST = ("version", "uxtheme", "comctl32", "propsys", "cryptbase", "dwmapi", "zlib1",
                "ucrtbase", "win32u", "winex11.drv", "msimg32", "userenv")


def planted_loaded(scenario) -> list:
    """The names of the planted libraries that were loaded (their records on the medium)."""
    folder = scenario.linux_path(MEDIUM_FOLDER)
    return sorted(p.name[:-len(".loaded")] for p in folder.glob("*.loaded"))


def _ro(content: bytes | str) -> File:
    return File(content, readonly=True)


def medium_files(*, libraries: dict | None = None, installers: dict | None = None) -> dict:
    """The files below the medium folder. libraries and installers map file names in EXE to
    File (or None to leave the file out); by default the good stand-ins of the build."""
    files: dict = {}
    for name in REMOVED_DOCUMENTS:
        files[f"DocsX\\{name}"] = _ro(b"")
    for name in UPDATED_DOCUMENTS + NEW_DOCUMENTS:
        files[f"Docs\\{name}"] = _ro(f"{name} 140")
    files[f"Docs\\{CASE_DOCUMENT}"] = _ro(f"{CASE_DOCUMENT} 140")
    # Only files lying directly in the medium folders count.
    files["Docs\\Archive\\doc900.doc"] = _ro("not a document of the update")
    files["Flags\\Extra\\version.150"] = _ro("not a flag of the update")
    for name, content in DB_140.items():
        files[f"DB\\{name}"] = _ro(content)
    for name, content in MACROS_140.items():
        files[f"Macros\\{name}"] = _ro(content)
    for name, content in FLAGS_140.items():
        files[f"Flags\\{name}"] = _ro(content)
    for name, content in EXE_FILES_140.items():
        files[f"EXE\\{name}"] = _ro(content)
    chosen_libraries = {name: built(f"components/{name}", readonly=True) for name in LIBRARIES}
    chosen_libraries.update(libraries or {})
    chosen_installers = {name: built("components/installer_standin.exe", readonly=True)
                         for name in INSTALLERS}
    chosen_installers.update(installers or {})
    for name, file in (chosen_libraries | chosen_installers).items():
        if file is not None:
            files[f"EXE\\{name}"] = file
    return files


def medium(*, planted: bool | set = False, **choices) -> Medium:
    """The medium in E:\\ZANTUPD (put it on a CD-ROM drive E). planted: marker libraries
    beside the updater (True: PLANTED_LIBRARIES and PLANTED_DRIVERS; or a set of file names)."""
    files = medium_files(**choices)
    if planted is True:
        planted = {f"{name}.dll" for name in PLANTED_LIBRARIES} | set(PLANTED_DRIVERS)
    marker = built("components/planted_marker.dll")
    for name in planted or ():
        files[name] = marker
    return Medium(folder="ZANTUPD", files=files)


MEDIUM_FOLDER = "E:\\ZANTUPD"

# How long a run that reaches the shared components may take: the installers' pauses are 30
# counts of 100,001 event passes, several seconds each under Wine.
FULL_RUN_S = 360


def installation_130(folder: str, *, program_name: str = "ZANT.exe", program_readonly=False,
                     extra: dict | None = None) -> dict:
    """The files of a 1.30 installation in folder (below a drive root, '' for the root itself),
    with the user's own files beside the product's."""
    prefix = f"{folder}\\" if folder else ""
    files = {
        program_name: File(b"MZ zant 130", readonly=program_readonly),
        "about.txt": File("About ZANT On CD 1.30"),
        "do_main.txt": File("macro main 130"),
        "do_old.txt": File("macro old 130"),
        "version.130": File(""),
        "user.cfg": File("the user's settings"),
        "Reports\\2023.txt": File("the user's report"),
        "Packages\\Other\\other.dat": File("another package"),
        "Packages\\ZANT\\old1.doc": File("old document 1"),
        "Packages\\ZANT\\old2.doc": File("old document 2", readonly=True),
        "Packages\\ZANT\\mine.doc": File("the user's own document"),
        "Packages\\ZANT\\db.mdb": File("database 130", readonly=True),
        "Packages\\ZANT\\db.ldb": File("lock"),
        "Packages\\ZANT\\Notes\\note.txt": File("a folder inside the package"),
    }
    for name in UPDATED_DOCUMENTS:
        files[f"Packages\\ZANT\\{name}"] = File(f"{name} 130")
    files[f"Packages\\ZANT\\{CASE_DOCUMENT_INSTALLED}"] = File("document 130", readonly=True)
    files.update(extra or {})
    return {prefix + rel: item for rel, item in files.items()}


# ---------------------------------------------------------------------------------------------
# Expected results


def fold_case(snapshot: dict[str, Entry]) -> dict[str, Entry]:
    """A snapshot keyed by lower-case paths: Windows names are case-insensitive, and the update
    names the program 'zant.exe' whatever the installation called it."""
    folded = {path.lower(): entry for path, entry in snapshot.items()}
    if len(folded) != len(snapshot):
        raise AssertionError("the snapshot holds names that differ only in case")
    return folded


def _entry(content: bytes | str, readonly: bool) -> Entry:
    data = content.encode("utf-8") if isinstance(content, str) else content
    return Entry("file", len(data), hashlib.sha256(data).hexdigest(), "R" if readonly else "")


def updated(before: dict[str, Entry], folder: str, *, medium_exe: dict,
            creates_log: bool = True, copies_special: bool = True) -> dict[str, Entry]:
    """The case-folded snapshot of a drive whose installation in folder ('' for the drive
    root) was updated from before (a snapshot of that drive). medium_exe: the medium's EXE
    files by name (content)."""
    result = fold_case(before)
    base = f"{folder.lower()}\\" if folder else ""
    package = f"{base}packages\\zant\\"

    def put(rel: str, content, readonly: bool) -> None:
        result[rel.lower()] = _entry(content, readonly)

    def drop(rel: str) -> None:
        result.pop(rel.lower(), None)

    for name in REMOVED_DOCUMENTS:
        drop(package + name)
    for name in UPDATED_DOCUMENTS + NEW_DOCUMENTS + [CASE_DOCUMENT]:
        put(package + name, f"{name} 140", True)
    for name, content in DB_140.items():
        put(package + name, content, name != "db.mdb")  # db.mdb is made writable
    drop(package + "db.ldb")
    put(base + "zant.exe", medium_exe["zant.exe"], False)
    put(base + "about.txt", medium_exe["about.txt"], True)
    for rel in list(result):
        name = rel[len(base):]
        if "\\" not in name and (name.startswith("do_") or name.startswith("version.")):
            drop(rel)
    for name, content in MACROS_140.items():
        put(base + name, content, True)
    for name, content in FLAGS_140.items():
        put(base + name, content, True)
    if creates_log:
        put(base + "MSSent.log", medium_exe["MSSent.log"], False)
    if copies_special:
        put(base + "fr140.dll", medium_exe["fr140.dll"], False)
    for name in ("WizGlobe.jpg", "WizEarth.ico"):
        put(base + name, medium_exe[name], False)
    return result


def installer_counts(details: list, installer: str) -> list:
    """The counts of an installer's pause among the detail texts seen, in order."""
    prefix = installer + "  ("
    return [int(d[len(prefix):-1]) for d in details if d.startswith(prefix) and d.endswith(")")]


def assert_countdown(test, details: list, installer: str, first: int, every: bool = True):
    """An installer's pause counted down from first to 1 in the detail line. A count lasts a
    fixed number of passes over the window's events: 70 to 140 ms under Wine here, of which one
    look of the watch takes a good part, so on a loaded machine a count can pass unseen.
    every=False accepts that: the counts seen keep their order and end at 1."""
    counts = installer_counts(details, installer)
    if every:
        test.assertEqual(counts, list(range(first, 0, -1)), installer)
        return
    test.assertEqual(counts, sorted(set(counts), reverse=True), installer)
    test.assertTrue(counts and counts[-1] == 1 and counts[0] <= first, f"{installer}: {counts}")
