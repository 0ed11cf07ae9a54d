"""Runs that end early: no hard drive at all, or no copy of the program on the hard drives.
Both still end with a restart request and exit code 0."""

import unittest

from harness import (EXIT_RESTART, File, Folder, Medium, ScenarioTestCase, cdrom, diff_snapshots,
                     fixed, floppy, network)
from messages import ANALYZING, NO_HARD_DRIVES, NOT_INSTALLED, STARTUP_NOTICE, searching

# A complete installation as the updater recognises it; placed on drives that are not searched.
INSTALLATION = {
    "ZANT\\ZANT.exe": File(b"MZ old program"),
    "ZANT\\Packages\\ZANT\\readme.txt": File("installed"),
}


class NoHardDrives(ScenarioTestCase):
    def test_only_cdrom_network_and_floppy_drives(self):
        s = self.scenario({
            "A": floppy(INSTALLATION),
            "C": network(),
            "E": cdrom(medium=Medium(files={"EXE\\ZANT.exe": File(b"MZ new program")})),
            "F": network(INSTALLATION),
        })
        s.prepare()
        before = {letter: s.snapshot(f"{letter}:\\") for letter in "AEF"}
        s.start()

        self.assertEqual(s.wait_box().text, STARTUP_NOTICE)
        s.press("ok")
        s.wait_window()

        box = s.wait_box()
        self.assertBox(box, text=NO_HARD_DRIVES, buttons=("ok",), icon="error")
        # No drive was searched: the status still says what it said before the drive list.
        texts = s.texts()
        self.assertEqual((texts.status, texts.detail), (ANALYZING, ""))

        s.press("ok")
        s.wait_window_gone()
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        self.assertTrue(s.restart_requested())
        for letter, tree in before.items():
            self.assertEqual(diff_snapshots(tree, s.snapshot(f"{letter}:\\")), {}, letter)


class NotInstalled(ScenarioTestCase):
    # Names that look like the program file but are not it, on the last fixed drive G.
    DECOYS = {
        "Apps\\ZANT.exe.bak": File(b"backup"),
        "Apps\\NotZANT.exe": File(b"other"),
        "Apps\\ZANT.ex": File(b"short"),
        "Apps\\ZANT.exe\\inner.txt": File("a folder named like the program"),
        "Packages\\ZANT\\data.txt": File("a data folder without its program"),
    }

    def test_fixed_drives_without_the_program(self):
        self.search_finds_nothing()

    # The whole search, the Windows folder of C: included, on the oldest of each family.
    def test_fixed_drives_without_the_program_on_nt40(self):
        self.search_finds_nothing("nt40")

    def test_fixed_drives_without_the_program_on_win95(self):
        self.search_finds_nothing("win95")

    def search_finds_nothing(self, windows=None):
        s = self.scenario({
            # C: stays the prefix's own fixed drive and is searched too.
            "D": fixed(ready=False),  # a fixed drive that is not ready is skipped
            "E": cdrom(medium=Medium(files={"EXE\\ZANT.exe": File(b"MZ new program")})),
            "F": network(INSTALLATION),
            "G": fixed(self.DECOYS | {"Empty\\": Folder()}),
        }, windows=windows)
        s.prepare()
        before = {letter: s.snapshot(f"{letter}:\\") for letter in "EFG"}
        s.start()

        self.assertEqual(s.wait_box().text, STARTUP_NOTICE)
        s.press("ok")
        s.wait_window()

        box = s.wait_box(timeout_s=40)  # C: holds the whole Windows folder
        self.assertBox(box, text=NOT_INSTALLED, buttons=("ok",), icon="warning")
        # The last drive searched was G, and its files were shown one by one.
        texts = s.texts()
        self.assertEqual(texts.status, searching("G"))
        self.assertIn(texts.detail, {"G:\\" + name for name in self.DECOYS})

        s.press("ok")
        s.wait_window_gone()
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        self.assertTrue(s.restart_requested())
        for letter, tree in before.items():
            self.assertEqual(diff_snapshots(tree, s.snapshot(f"{letter}:\\")), {}, letter)
        if windows is not None:
            report = s.calls_report()
            self.assertEqual([v.line() for v in report.defects], [], report.text)


if __name__ == "__main__":
    unittest.main()
