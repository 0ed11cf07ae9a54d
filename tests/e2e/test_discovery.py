"""Which copies of the program the search finds, and in which order: every installation below
already holds the 1.40 flag (or a flag of an older version), so each one found asks its
question, and the order of the questions and the folder each one names show what was found.
Every question is answered No, so the run ends early with 'no copies updated'."""

import os
import shutil
import unittest

from harness import (EXIT_RESTART, REGISTERED, SYSTEM_FOLDER_32, File, Medium, ScenarioTestCase,
                     cdrom, diff_snapshots, fixed, network)
from messages import (CHECKING_VERSION, NO_COPIES, NO_COPIES_STATUS, REINSTALL_PROTECTION,
                      SEQUENCE_PROTECTION, reinstall_question, searching, sequence_question)


def installation(folder, program="ZANT.exe", **markers):
    """A program file in folder (below the drive root; '' for the root) with the data folder
    beside it, and marker files: name -> File."""
    prefix = f"{folder}\\" if folder else ""
    files = {
        prefix + program: File(b"MZ zant 130"),
        prefix + "Packages\\ZANT\\db.mdb": File("database 130"),
    }
    files.update({prefix + name: marker for name, marker in markers.items()})
    return files


UPDATED = {"vflgzant.140": File("")}


# Enough files that the search of a drive lasts seconds.
def filler(folder, count):
    return {f"{folder}\\{i // 100:02d}\\file{i:04d}.txt": File("x") for i in range(count)}


class FoundInOrder(ScenarioTestCase):
    def test_questions_follow_drive_and_walk_order(self):
        s = self.scenario({
            "C": network(),  # the prefix's own drive, kept out of the search
            "D": fixed(
                installation("", **UPDATED)  # the drive root: its files come first
                # A lower-case program file; answering No to the first question asks no more.
                | installation("Apps\\alpha", "zant.exe", **UPDATED,
                               **{"version.120": File("")})
                | installation("Apps\\alpha\\Nested", **UPDATED)  # before alpha's sibling Beta
                # The 1.40 flag is hidden, so only the out-of-sequence question is asked.
                | installation("Apps\\Beta", **{"vflgzant.140": File("", hidden=True),
                                                "version.110": File("")})
                | {"Backup\\ZANT.exe": File(b"MZ a loose copy")}  # no data folder, no question
                | filler("Data", 4000)),
            # Copies on CD-ROM and network drives are never looked for.
            "E": cdrom(installation("ZANT", **UPDATED), medium=Medium()),
            "F": network(installation("ZANT", **UPDATED)),
            # Fixed and ready when the drive list is read, gone by the time it is searched.
            "G": fixed(installation("ZANT", **UPDATED)),
            "H": fixed(installation("Program Files\\ZANT On CD", **UPDATED)
                       | filler("Archive", 1500)),
        })
        s.prepare()
        before = {letter: s.snapshot(f"{letter}:\\") for letter in "DEFH"}
        system_before = set(os.listdir(s.linux_path(SYSTEM_FOLDER_32)))
        s.start()
        s.wait_box()
        s.press("ok")

        texts = s.wait_status(searching("D"))
        self.assertTrue(texts.cancel_enabled)
        shutil.move(s.drive_folder("G"), s.root / "g-gone")
        # Still searching D: G was listed as fixed and has not been searched yet.
        self.assertEqual(s.texts().status, searching("D"))
        s.wait_status(searching("H"), timeout_s=60)
        texts = s.wait_detail("H:\\")
        self.assertEqual(texts.status, searching("H"))
        self.assertTrue(texts.cancel_enabled)

        questions = [
            (reinstall_question, "D:"),
            (reinstall_question, "D:\\Apps\\alpha"),
            (reinstall_question, "D:\\Apps\\alpha\\Nested"),
            (sequence_question, "D:\\Apps\\Beta"),
            (reinstall_question, "H:\\Program Files\\ZANT On CD"),
        ]
        for question, folder in questions:
            with self.subTest(folder=folder):
                box = s.wait_box(timeout_s=60)
                self.assertBox(box, text=question(folder), buttons=("yes", "no"),
                               icon="warning")
                texts = s.texts()
                detail = (REINSTALL_PROTECTION if question is reinstall_question
                          else SEQUENCE_PROTECTION)
                self.assertEqual((texts.status, texts.detail), (CHECKING_VERSION, detail))
                self.assertFalse(texts.cancel_enabled)
            s.press("no")

        # Nothing was updated.
        box = s.wait_box()
        self.assertBox(box, text=NO_COPIES, buttons=("ok",), icon="warning")
        texts = s.texts()
        self.assertEqual((texts.status, texts.detail), (NO_COPIES_STATUS, ""))
        s.press("ok")
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        self.assertTrue(s.restart_requested())

        for letter, tree in before.items():
            self.assertEqual(diff_snapshots(tree, s.snapshot(f"{letter}:\\")), {}, letter)
        # No shared component, no system log.
        self.assertEqual(set(os.listdir(s.linux_path(SYSTEM_FOLDER_32))), system_before)
        self.assertEqual(s.registry(REGISTERED), {})


class WindowsFolderOfA32BitProgram(ScenarioTestCase):
    def test_each_system_folder_searched_once(self):
        """On 64-bit Windows the updater, a 32-bit program, sees the 32-bit system folder also
        under the name System32, and the 64-bit one only as Sysnative: the search finds a copy
        in each system folder once, under a name that leads to it."""
        s = self.scenario({
            "C": fixed(installation("Program Files (x86)\\ZANT On CD", **UPDATED)
                       | installation("windows\\system32\\ZANT64", **UPDATED)  # 64-bit folder
                       | installation("windows\\syswow64\\ZANT32", **UPDATED)),
            "E": cdrom(medium=Medium()),
        })
        s.prepare()
        before = {folder: s.snapshot(folder) for folder in ("C:\\windows\\system32\\ZANT64",
                                                            "C:\\windows\\syswow64\\ZANT32")}
        s.start()
        s.wait_box()
        s.press("ok")
        for folder in ("C:\\Program Files (x86)\\ZANT On CD", "C:\\windows\\Sysnative\\ZANT64",
                       "C:\\windows\\syswow64\\ZANT32"):
            with self.subTest(folder=folder):
                self.assertBox(s.wait_box(timeout_s=120), text=reinstall_question(folder),
                               buttons=("yes", "no"), icon="warning")
            s.press("no")
        self.assertBox(s.wait_box(), text=NO_COPIES, buttons=("ok",), icon="warning")
        s.press("ok")
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        for folder, tree in before.items():
            self.assertEqual(diff_snapshots(tree, s.snapshot(folder)), {}, folder)


if __name__ == "__main__":
    unittest.main()
