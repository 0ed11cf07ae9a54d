"""The demo: a sample computer in its own Wine prefix, the real updater run on it, and what
changed printed afterwards.

The computer: C: with Windows and a Start menu holding the SOAP toolkit's folder; D: a fixed
drive with ZANT On CD 1.30 installed in its root (program file read-only); F: a fixed drive with
an installation marked as version 1.20 and a loose copy of the program in Downloads; E: a CD-ROM
with the update medium; N: a network drive with a copy that is not searched. The medium is made
as a publisher makes it: scripts/medium builds the 32-bit program and turns a payload folder
into a CD image, and the CD-ROM drive holds that image's content. The program runs as on 64-bit
Windows, under Wine's WoW64 mode.

With a display (DISPLAY set by the caller) the user answers the updater's questions; without
one the demo answers them itself under a private Xvfb and keeps screenshots in build/demo/.

ZANT_DEMO_WINDOWS=win98 (or win95, winme, nt40, win2k, winxp) runs the update as that Windows
would: the floor build of the program (see tests/e2e/harness.py) in place of the medium's, Wine
reporting that version to it; the screenshots go to build/demo/<setting>/.

ZANT_DEMO_PICTURES=FOLDER (scripts/demo --pictures sets it to docs/images) also writes the
pictures README.md shows there: the first screenshot of the search and of a question, each cut
to the windows it shows and without the time stamps ImageMagick would write, so that the same
picture gives the same bytes. The demo fails when one of them was not taken.
"""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import harness as h  # noqa: E402

WINDOWS = os.environ.get("ZANT_DEMO_WINDOWS") or None
OUT = ROOT / "build" / "demo" / (WINDOWS or "")
PROGRAMS = "C:\\users\\{user}\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
LIBRARIES = ("dartmail.dll", "dartzip.dll", "dartsock.dll", "dartutil.dll", "rnwncntl.dll")
PICTURES = Path(os.environ["ZANT_DEMO_PICTURES"]) if os.environ.get("ZANT_DEMO_PICTURES") else None
# The README's pictures, by the screenshot each is cut from.
README_PICTURES = {"2-search": "search.png", "3-question": "question.png"}
pictured: set[Path] = set()  # those written in this run


def installation(version_marker: str, program_readonly: bool = False) -> dict:
    return {
        "ZANT.exe": h.File("ZANT On CD 1.30 program", readonly=program_readonly),
        "about.txt": "ZANT On CD version 1.30",
        "do_start.txt": "macro directive 1.30",
        version_marker: "",
        "settings.ini": "[user]\r\nname=Demo\r\n",
        "Packages\\ZANT\\chapter1.doc": "chapter 1, edition 1.30",
        "Packages\\ZANT\\oldindex.doc": "index to be removed",
        "Packages\\ZANT\\my notes.doc": "the user's own document",
        "Packages\\ZANT\\db.mdb": "database 1.30",
        "Packages\\ZANT\\db.ldb": "lock",
    }


def payload() -> dict:
    """The publisher's payload: the medium's folders without the program."""
    files = {
        "DocsX\\oldindex.doc": "",
        "Docs\\chapter1.doc": h.File("chapter 1, edition 1.40", readonly=True),
        "Docs\\chapter2.doc": h.File("chapter 2, new in 1.40", readonly=True),
        "DB\\db.mdb": h.File("database 1.40", readonly=True),
        "Macros\\do_start.txt": h.File("macro directive 1.40", readonly=True),
        "Flags\\vflgzant.140": h.File("", readonly=True),
        "EXE\\zant.exe": h.File("ZANT On CD 1.40 program", readonly=True),
        "EXE\\about.txt": h.File("ZANT On CD version 1.40", readonly=True),
        "EXE\\MSSent.log": h.File("", readonly=True),
        "EXE\\fr140.dll": h.File("special library", readonly=True),
        "EXE\\WizGlobe.jpg": h.File("globe", readonly=True),
        "EXE\\WizEarth.ico": h.File("earth", readonly=True),
        "EXE\\msvbvm50.exe": h.built("components/installer_standin.exe", readonly=True),
        "EXE\\pocketsoap.1.4.3.exe": h.built("components/installer_standin.exe", readonly=True),
    }
    for name in LIBRARIES:
        files[f"EXE\\{name}"] = h.built(f"components/{name}", readonly=True)
    return files


def make_medium() -> Path:
    """Writes the payload to build/demo/payload, makes the medium and its image with
    scripts/medium and extracts the image as Windows reads it (Joliet names). Returns the
    extracted folder, read-only as a disc."""
    work = OUT / "medium"
    h._remove_tree(work)
    folder = work / "payload"
    for rel, item in payload().items():
        path = folder / rel.replace("\\", "/")
        path.parent.mkdir(parents=True, exist_ok=True)
        content = item.content if isinstance(item, h.File) else item
        path.write_bytes(content.encode("utf-8") if isinstance(content, str) else content)
    print(f"== scripts/medium {folder.relative_to(ROOT)} {(work / 'out').relative_to(ROOT)}")
    result = subprocess.run([str(ROOT / "scripts" / "medium"), str(folder), str(work / "out")],
                            capture_output=True, text=True)
    for line in (result.stderr + result.stdout).splitlines():
        print(f"   {line}")
    if result.returncode != 0:
        raise SystemExit("scripts/medium refused the demo's payload")
    disc = work / "disc"
    subprocess.run(["xorriso", "-osirrox", "on", "-read_fs", "norock", "-indev",
                    str(work / "out" / "ZANT140.iso"), "-extract", "/", str(disc)],
                   check=True, capture_output=True)
    if WINDOWS:
        floor = Path(os.environ["ZANT_BUILD_DIR"]) / "floor" / "ZANTUpdate.exe"
        (disc / "ZANTUpdate.exe").write_bytes(floor.read_bytes())
        print(f"   the program on the disc replaced by the floor build, playing {WINDOWS}")
    for path in disc.rglob("*"):
        os.chmod(path, path.stat().st_mode & ~0o222)
    return disc


def computer(user: str, disc: Path) -> dict[str, h.Drive]:
    programs = PROGRAMS.format(user=user)[3:]  # below C:\
    return {
        "C": h.fixed({
            programs + "\\PocketSOAP\\Documentation.lnk": "shortcut",
            programs + "\\PocketSOAP\\Uninstall.lnk": "shortcut",
        }),
        "D": h.fixed(installation("version.130", program_readonly=True)),
        "E": h.cdrom(medium=h.Medium(folder="", extracted=disc)),
        "F": h.fixed({
            **{f"Program Files\\ZANT On CD\\{k}": v
               for k, v in installation("version.120").items()},
            "Downloads\\ZANT.exe": "a loose copy of the program",
        }),
        "N": h.network({"Shared\\ZANT\\ZANT.exe": "on the network"}),
    }


def screenshot(name: str) -> None:
    path = OUT / f"{name}.png"
    subprocess.run(["import", "-window", "root", str(path)], check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print(f"   screenshot: {path.relative_to(ROOT)}")
    picture = PICTURES / README_PICTURES[name] if PICTURES and name in README_PICTURES else None
    if picture and picture not in pictured:
        # The private Xvfb's screen is black where no window is: -trim keeps the windows.
        picture.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["convert", str(path), "-trim", "+repage", "-strip", str(picture)],
                       check=True)
        pictured.add(picture)
        print(f"   picture for README.md: {picture}")


def show_box(box: h.Box) -> None:
    print(f"   [{box.title}] ({box.icon}, {'/'.join(box.buttons)})")
    for line in box.text.split("\r\n"):
        print(f"     {line}")


def run_scripted(s: h.Scenario) -> None:
    """Answers as a careful user would: OK to the notice, Yes to every question."""
    box = s.wait_box(60)
    show_box(box)
    screenshot("1-notice")
    s.press("ok")
    s.wait_status("is now searching drive", 60)
    screenshot("2-search")
    while True:
        box = s.wait_box(900)
        show_box(box)
        if box.buttons == ("ok",):
            screenshot("5-finished")
            s.press("ok")
            return
        screenshot("3-question")
        print("   -> Yes")
        s.press("yes")
        if box.text.startswith("This update program"):  # the last question of this computer
            s.wait_detail("VB5 Virtual Machine  (", 300)
            screenshot("4-components")


def print_changes(title: str, before: dict, after: dict) -> None:
    diff = h.diff_snapshots(before, after)
    print(f"-- {title}: " + ("unchanged" if not diff else ""))
    # Windows names ignore case: a file written anew under another spelling was replaced.
    removed = {p.lower(): p for p in diff.get("removed", [])}
    respelled = {p for p in diff.get("added", []) if p.lower() in removed}
    lines = []
    for kind in ("removed", "added", "changed"):
        for path in diff.get(kind, []):
            if kind == "removed" and path.lower() in {p.lower() for p in respelled}:
                continue
            shown = kind
            if path in respelled:
                shown = "replaced"
                path = f"{path} (was {removed[path.lower()]})"
            entry = after.get(path.split(" (was ")[0]) or before.get(path)
            attrs = f" [{entry.attrs}]" if entry and entry.attrs else ""
            lines.append(f"   {shown:8} {path}{attrs}")
    print("\n".join(sorted(lines, key=lambda line: line.split(None, 1)[1].lower())))



def print_state(s: h.Scenario, snapshots: dict) -> None:
    """The installations' files, the system folder's libraries and log, the registrations."""
    for name in ("D:\\", "F:\\Program Files\\ZANT On CD"):
        print(f"-- {name}")
        for path, entry in sorted(snapshots[name].items(), key=lambda item: item[0].lower()):
            if entry.kind == "file":
                attrs = f" [{entry.attrs}]" if entry.attrs else ""
                print(f"   {path}  ({entry.size} bytes){attrs}")
    system = s.linux_path(h.SYSTEM_FOLDER_32)
    present = [n for n in LIBRARIES if (system / n).exists()]
    print("-- libraries in the (32-bit) system folder: " + (", ".join(present) or "none"))
    log = system / "ZEPDI140.log"
    print("-- system log ZEPDI140.log: " +
          (repr(log.read_bytes().decode("latin-1")) if log.exists() else "none"))
    registered = s.registry(h.REGISTERED)
    names = sorted(name for values in registered.values() for name in values)
    print("-- registered components (recorded by the stand-in libraries): " +
          (", ".join(names) or "none"))
    installers = s.registry(h.INSTALLERS)
    started = [v["CommandLine"] + f"  (window style {v.get('ShowWindow')})"
               for _, v in sorted(installers.items()) if "CommandLine" in v]
    print("-- installers started (recorded by the stand-in installers): " +
          ("".join(f"\n   {line}" for line in started) or "none"))


def main() -> int:
    OUT.mkdir(parents=True, exist_ok=True)
    for old in OUT.glob("*.png"):
        old.unlink()
    interactive = bool(os.environ.get("ZANT_DEMO_INTERACTIVE"))
    template = Path(os.environ["ZANT_TEMPLATE_PREFIX"])
    user = next(p.name for p in (template / "drive_c" / "users").iterdir() if p.name != "Public")
    places = {"D:\\": "D:\\", "F:\\Program Files\\ZANT On CD": "F:\\Program Files\\ZANT On CD",
              "F:\\Downloads": "F:\\Downloads", "N:\\": "N:\\",
              "Start menu Programs": PROGRAMS.format(user=user)}
    disc = make_medium()
    with h.Scenario(computer(user, disc), name="demo", windows=WINDOWS) as s:
        s.prepare()
        print("== The sample computer")
        print("   D:\\ fixed      ZANT On CD 1.30 in the drive's root (program file read-only)")
        print("   F:\\ fixed      ZANT On CD marked 1.20 in Program Files; a loose ZANT.exe")
        print("   E:\\ CD-ROM     the update medium: the image made by scripts/medium")
        print("   N:\\ network    a copy that is not searched")
        print("== Before the update")
        before = {name: s.snapshot(path) for name, path in places.items()}
        print_state(s, before)
        print("== Running E:\\ZANTUpdate.exe")
        s.start()
        if interactive:
            print("   (answer the updater in its window)")
        else:
            run_scripted(s)
        code = s.wait_exit(3600 if interactive else 120)
        restart = s.restart_requested()
        print(f"== The updater ended with exit code {code}; restart requested: "
              f"{'yes' if restart else 'no'}")
        print("== After the update")
        after = {name: s.snapshot(path) for name, path in places.items()}
        print_state(s, after)
        print("== What changed")
        for name in places:
            print_changes(name, before[name], after[name])
    if not interactive:
        print(f"== Screenshots in {OUT.relative_to(ROOT)}/")
    if PICTURES:
        missing = [n for n in README_PICTURES.values() if PICTURES / n not in pictured]
        if missing:
            print(f"== Pictures not taken: {', '.join(missing)}")
            return 1
    return 0 if code == h.EXIT_RESTART and restart else 1


if __name__ == "__main__":
    sys.exit(main())
