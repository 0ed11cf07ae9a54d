"""Runs that update installations: a complete successful run over several installations with
the shared components, from a medium with libraries planted beside the updater onto an
installation with links in it (a second start meanwhile turned away), then the same update run
again; and runs that stop at a medium lacking a folder or the program file."""

import os
import stat
import unittest

from harness import (EXIT_ALREADY_RUNNING, EXIT_FAILURE, EXIT_RESTART, INSTALLERS,
                     REGISTERED, SYSTEM_FOLDER, SYSTEM_FOLDER_32, SYSTEM_FOLDER_64, File, Link,
                     Medium, ScenarioTestCase, cdrom, diff_snapshots, fixed, network)
from messages import (ALREADY_RUNNING, ANALYZING, CHECKING_VERSION, COPYING_GRAPHICS,
                      COPYING_SPECIAL_FILES, STARTUP_NOTICE,
                      CREATING_LOG_FILE, REMOVING_OLD_DOCUMENTS, RUNTIME_INSTALLER,
                      SEQUENCE_PROTECTION, SOAP_INSTALLER, SUCCESS, TITLE, UPDATING_DATABASE,
                      UPDATING_DOCUMENTS, UPDATING_FLAGS, UPDATING_MACROS,
                      UPDATING_PROGRAM_FILES, UPDATING_SYSTEM, counting, failure_report_start,
                      reinstall_question, searching, sequence_question, success_status,
                      with_folder)
import update_fixtures as fx


B_FOLDER = "F:\\Program Files\\ZANT On CD"
C_FOLDER = "F:\\Program Files\\Old ZANT"


def steps(folder, *, creates_log, copies_special):
    """The status texts of one installation's update, in order."""
    texts = [with_folder(step, folder) for step in (
        REMOVING_OLD_DOCUMENTS, UPDATING_DOCUMENTS, UPDATING_DATABASE, UPDATING_PROGRAM_FILES)]
    texts += [UPDATING_MACROS, UPDATING_FLAGS]
    texts += [CREATING_LOG_FILE] if creates_log else []
    texts += [COPYING_SPECIAL_FILES] if copies_special else []
    return texts + [COPYING_GRAPHICS]


def computer(medium_drive=None, links=True):
    """Installation A on all of D (read-only program file); on F: B, out of sequence (answered
    Yes), C, already updated (answered No), and a loose copy of the program. A's graphic is a
    link to a file on F and its log a link to nothing (without links: neither is there). E is medium_drive, by default a CD-ROM
    with the medium in E:\\ZANTUPD and marker libraries beside the updater."""
    linked = {"WizGlobe.jpg": Link("F:\\Downloads\\picture.jpg"),
              "MSSent.log": Link("F:\\Downloads\\sent.log")} if links else {}
    return {
        "C": network(),  # the prefix's own drive, kept out of the search
        # A: the whole drive D is the installation, its program file read-only. Someone who
        # may write into it has made two files links, so that the elevated update would write
        # into the link's target: the graphic (copied over) and the log (created if missing;
        # a link to nothing is not seen as a file).
        "D": fixed(fx.installation_130("", program_name="zant.exe", program_readonly=True)
                   | {"Users\\letter.txt": File("not the product's")} | linked),
        "E": medium_drive or cdrom(medium=fx.medium(planted=True)),
        "F": fixed(
            # B: out of sequence (answered Yes); it has its own log and the older system
            # library, so neither the log nor the special library is copied.
            fx.installation_130(B_FOLDER[3:], extra={
                "version.120": File(""),
                "MSSent.log": File("B's own log"),
                "sysx3.dll": File(b"MZ sysx3"),
                "fr140.dll": File(b"MZ B's fr140"),
                "WizGlobe.jpg": File(b"old globe"),
            })
            # C: already updated (answered No).
            | fx.installation_130(C_FOLDER[3:], extra={"vflgzant.140": File("")})
            # A loose copy of the program: no installation, no question.
            | {"Downloads\\ZANT.exe": File(b"MZ downloaded"),
               "Downloads\\setup.txt": File("readme"),
               "Downloads\\picture.jpg": File(b"the user's picture")}),
    }


def complete_update(self, s, medium_folder, at_notice=None, every_count=True):
    """The complete update of computer() from the medium in medium_folder ('E:' for the drive
    root), answered No for C and Yes for B, with every check of what the window showed, the
    installations, the unchanged medium and the shared components. at_notice() runs while the
    updater waits at its start-up notice. every_count: every count of the installers' pauses
    was seen (see update_fixtures.assert_countdown). self is the test case."""
    s.prepare()
    programs = s.programs_folder
    s.write_files(programs, {
        "PocketSOAP\\Documentation.lnk": File(b"L\0\0\0 link"),
        "PocketSOAP\\Uninstall.lnk": File(b"L\0\0\0 uninstall"),
        "Accessories\\Notepad.lnk": File(b"L\0\0\0 notepad"),
    })
    before = {letter: s.snapshot(f"{letter}:\\") for letter in "DEF"}
    programs_before = s.snapshot(programs)
    system_before = set(os.listdir(s.linux_path(SYSTEM_FOLDER_32)))
    system_64_before = s.snapshot(SYSTEM_FOLDER_64)

    s.start()
    self.assertEqual(s.wait_box().text, STARTUP_NOTICE)

    if at_notice is not None:
        at_notice()
        before["E"] = s.snapshot("E:\\")  # what at_notice left on the medium
    s.press("ok")

    # A is updated without a question; C is asked about first (folder order on F).
    first = s.watch(timeout_s=120)
    self.assertBox(first.box, text=reinstall_question(C_FOLDER), buttons=("yes", "no"),
                   icon="warning")
    self.assertSeenInOrder(first.statuses, [
        "", ANALYZING, searching("D"), searching("F"), CHECKING_VERSION,
        *steps("D:", creates_log=True, copies_special=True), CHECKING_VERSION])
    # The documents' copy shows long enough to be seen every time; the shorter steps may
    # pass between two looks of the watch.
    self.assertIn(with_folder(UPDATING_DOCUMENTS, "D:"), first.statuses)
    self.assertFalse(first.last.cancel_enabled)
    s.press("no")

    box = s.wait_box()
    self.assertBox(box, text=sequence_question(B_FOLDER), buttons=("yes", "no"),
                   icon="warning")
    texts = s.texts()
    self.assertEqual((texts.status, texts.detail), (CHECKING_VERSION, SEQUENCE_PROTECTION))
    s.press("yes")

    rest = s.watch(timeout_s=fx.FULL_RUN_S)
    self.assertBox(rest.box, text=SUCCESS, buttons=("ok",), icon="information")
    self.assertSeenInOrder(rest.statuses, [
        CHECKING_VERSION, *steps(B_FOLDER, creates_log=False, copies_special=False),
        UPDATING_SYSTEM, success_status(2)])
    self.assertIn(with_folder(UPDATING_DOCUMENTS, B_FOLDER), rest.statuses)
    self.assertEqual(rest.statuses[-2:], [UPDATING_SYSTEM, success_status(2)])
    fx.assert_countdown(self, rest.details, RUNTIME_INSTALLER, 10, every=every_count)
    fx.assert_countdown(self, rest.details, SOAP_INSTALLER, 20, every=every_count)
    self.assertLess(rest.details.index(counting(RUNTIME_INSTALLER, 1)),
                    rest.details.index(counting(SOAP_INSTALLER, 20)))
    self.assertEqual(rest.last.detail, "")
    s.press("ok")
    self.assertEqual(s.wait_exit(), EXIT_RESTART)
    self.assertTrue(s.restart_requested())

    # The installations. The read-only "über.doc" was replaced by the medium's "ÜBER.DOC".
    # A's links were replaced by plain files, their targets untouched (on F the picture is
    # unchanged and no sent.log appeared). No planted library was loaded: the medium is
    # unchanged.
    exe = fx.EXE_FILES_140
    package = s.linux_path("D:\\Packages\\ZANT")
    self.assertEqual((package / fx.CASE_DOCUMENT).read_text(encoding="utf-8"),
                     f"{fx.CASE_DOCUMENT} 140")
    self.assertFalse((package / fx.CASE_DOCUMENT_INSTALLED).exists())
    self.assertEqual(fx.fold_case(s.snapshot("D:\\")),
                     fx.updated(before["D"], "", medium_exe=exe))
    expected_f = fx.updated(before["F"], B_FOLDER[3:], medium_exe=exe, creates_log=False,
                            copies_special=False)
    self.assertEqual(fx.fold_case(s.snapshot("F:\\")), expected_f)  # C and the copy too
    self.assertEqual(diff_snapshots(before["E"], s.snapshot("E:\\")), {})

    # The shared components.
    system = s.linux_path(SYSTEM_FOLDER_32)
    for name in fx.LIBRARIES:
        self.assertEqual((system / name).read_bytes(),
                         s.linux_path(f"{medium_folder}\\EXE\\{name}").read_bytes(), name)
    self.assertEqual(set(os.listdir(system)) - system_before, set(fx.LIBRARIES))
    # What a 32-bit program does on 64-bit Windows: the libraries and the log went to the 32-bit
    # system folder, nothing to the 64-bit one, and the registrations to the 32-bit registry.
    self.assertEqual(diff_snapshots(system_64_before, s.snapshot(SYSTEM_FOLDER_64)), {})
    self.assertEqual(s.registry(REGISTERED).get(REGISTERED),
                     {name: f"{SYSTEM_FOLDER}\\{name}" for name in fx.LIBRARIES})
    self.assertEqual(s.registry(REGISTERED, view=64), {})
    installers = s.registry(INSTALLERS)
    for name, switch in fx.INSTALLERS.items():
        self.assertEqual(installers.get(f"{INSTALLERS}\\{name}"), {
            "CommandLine": f'"{medium_folder}\\EXE\\{name}" {switch}',
            "ShowWindow": 7,  # minimized, not activated
        }, name)
    self.assertEqual(diff_snapshots(programs_before, s.snapshot(programs)), {
        "removed": ["PocketSOAP", "PocketSOAP\\Documentation.lnk",
                    "PocketSOAP\\Uninstall.lnk"],
    })
    for name in fx.LIBRARIES:  # copied from the read-only medium, left writable
        self.assertTrue((system / name).stat().st_mode & stat.S_IWUSR, name)


def second_start_turned_away(self, s):
    """Started again while the first waits at its notice: one box, exit code 3, and the second
    is gone before the first touches anything."""
    second = s.start_second()
    self.assertBox(s.wait_box(), text=ALREADY_RUNNING, buttons=("ok",), icon="information")
    s.press("ok")
    self.assertEqual(second.wait(30), EXIT_ALREADY_RUNNING)
    s.follow_first()


class SuccessfulRun(ScenarioTestCase):
    def test_installations_updated_and_components_installed(self):
        s = self.scenario(computer(), native_first=fx.NATIVE_FIRST)
        # Checked last, also when the run broke down early (a planted library kills it).
        self.addCleanup(lambda: self.assertEqual(fx.planted_loaded(s), [], "planted and loaded"))
        complete_update(self, s, fx.MEDIUM_FOLDER,
                        at_notice=lambda: second_start_turned_away(self, s))
        exe = fx.EXE_FILES_140
        system = s.linux_path(SYSTEM_FOLDER_32)

        # The same update again, Yes to every question: C is updated now, A and B stay as they
        # are, and every library is copied over its earlier copy and registers again.
        after_first = {letter: s.snapshot(f"{letter}:\\") for letter in "DF"}
        s.delete_registry(REGISTERED)
        s.start()
        s.wait_box()
        s.press("ok")
        for folder in ("D:", C_FOLDER, B_FOLDER):
            self.assertBox(s.wait_box(timeout_s=120), text=reinstall_question(folder),
                           buttons=("yes", "no"), icon="warning")
            s.press("yes")
        again = s.watch(timeout_s=fx.FULL_RUN_S)
        self.assertBox(again.box, text=SUCCESS, buttons=("ok",), icon="information")
        self.assertEqual(again.last.status, success_status(3))
        s.press("ok")
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        self.assertFalse((system / "ZEPDI140.log").exists(), "no Error copying entry")
        self.assertEqual(s.registry(REGISTERED).get(REGISTERED),
                         {name: f"{SYSTEM_FOLDER}\\{name}" for name in fx.LIBRARIES})
        self.assertEqual(fx.fold_case(s.snapshot("D:\\")), fx.fold_case(after_first["D"]))
        self.assertEqual(fx.fold_case(s.snapshot("F:\\")),
                         fx.updated(after_first["F"], C_FOLDER[3:], medium_exe=exe))


class StoppedByIncompleteMedium(ScenarioTestCase):
    """A medium that lacks what the steps will read stops the run before the installation is
    touched, with the error the missing file or folder gives."""

    def run_until_report(self, installations: dict, medium: Medium, number: int, path: str):
        s = self.scenario({"C": network(), "D": fixed(installations), "E": cdrom(medium=medium)})
        s.prepare()
        before = s.snapshot("D:\\")
        system_before = set(os.listdir(s.linux_path(SYSTEM_FOLDER_32)))
        s.start()
        s.wait_box()
        s.press("ok")

        box = s.wait_box(timeout_s=60)
        self.assertEqual((box.title, box.buttons, box.icon), (TITLE, ("ok",), "error"))
        self.assertTrue(box.text.startswith(failure_report_start(number)), box.text)
        self.assertTrue(box.text.endswith(f": {path}"), box.text)
        s.press("ok")
        self.assertEqual(s.wait_exit(), EXIT_FAILURE)
        self.assertFalse(s.restart_requested())

        # Every installation byte for byte as before; nothing in the system folder.
        self.assertEqual(diff_snapshots(before, s.snapshot("D:\\")), {})
        self.assertEqual(before, s.snapshot("D:\\"))
        self.assertEqual(set(os.listdir(s.linux_path(SYSTEM_FOLDER_32))), system_before)
        self.assertEqual(s.registry(REGISTERED), {})

    def test_missing_folder(self):
        self.run_until_report(
            fx.installation_130("ZANT"),
            Medium(folder="ZANTUPD", without=("Macros",), files={
                rel: f for rel, f in fx.medium_files().items() if not rel.startswith("Macros\\")
            }), 3, f"{fx.MEDIUM_FOLDER}\\Macros")

    def test_missing_program_file(self):
        files = fx.medium_files()
        del files["EXE\\zant.exe"]
        self.run_until_report(
            fx.installation_130("ZANT") | fx.installation_130("Other\\ZANT"),
            Medium(folder="ZANTUPD", files=files), 2, f"{fx.MEDIUM_FOLDER}\\EXE\\zant.exe")


if __name__ == "__main__":
    unittest.main()
