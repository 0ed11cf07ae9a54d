"""Cancel during the drive search: the confirmation, Yes going on, No ending the program at once
without a restart and without touching anything."""

import sys
import time
import unittest

from harness import (EXIT_CANCELLED, File, Medium, ScenarioError, ScenarioTestCase, cdrom,
                     diff_snapshots, fixed, network)
from messages import CANCEL_QUESTION, CANCEL_TITLE, searching

# Enough files that the search of D: lasts seconds while the test clicks.
MANY_FILES = {f"Data\\{i // 100:02d}\\file{i:04d}.txt": File("x") for i in range(4000)}
INSTALLATION = {
    "ZANT\\ZANT.exe": File(b"MZ old program"),
    "ZANT\\Packages\\ZANT\\readme.txt": File("installed"),
}


class CancelDuringSearch(ScenarioTestCase):
    def wait_detail_change(self, s, old, timeout_s=20):
        deadline = time.monotonic() + timeout_s
        while time.monotonic() < deadline:
            texts = s.texts()
            if texts.detail != old:
                return texts
            time.sleep(0.02)
        raise ScenarioError(f"the detail line stayed {old!r}")

    def test_yes_goes_on_and_no_ends_without_restart(self):
        self.cancel_during_search()

    def test_on_win98(self):
        self.cancel_during_search("win98")

    def cancel_during_search(self, windows=None):
        s = self.scenario({
            "C": network(),
            "D": fixed(MANY_FILES | INSTALLATION),
            "E": cdrom(medium=Medium()),
        }, windows=windows)
        s.prepare()
        before = s.snapshot("D:\\")
        s.start()
        s.wait_box()
        s.press("ok")

        s.wait_detail("D:\\")
        box, click_to_box_ms = s.click_cancel_until_box()  # a real mouse click
        # How long the user waits for the question (reported, not judged: a test on a shared
        # machine is no measure of speed).
        print(f"\nclick on Cancel to its question: {click_to_box_ms:.1f} ms", file=sys.stderr)
        self.assertBox(box, title=CANCEL_TITLE, text=CANCEL_QUESTION, buttons=("yes", "no"),
                       icon="information")
        asked_at = s.texts()
        self.assertEqual(asked_at.status, searching("D"))
        self.assertTrue(asked_at.cancel_enabled)

        s.press("yes")  # the search goes on with the next file
        self.wait_detail_change(s, asked_at.detail)
        s.click_cancel()
        self.assertEqual(s.wait_box().title, CANCEL_TITLE)
        s.press("no")

        self.assertEqual(s.wait_exit(), EXIT_CANCELLED)
        self.assertFalse(s.restart_requested())
        self.assertEqual(diff_snapshots(before, s.snapshot("D:\\")), {})
        if windows is not None:
            report = s.calls_report()
            self.assertEqual([v.line() for v in report.defects], [], report.text)


if __name__ == "__main__":
    unittest.main()
