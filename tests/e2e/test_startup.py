"""The start-up notice: the first thing the updater shows, before its window."""

import unittest

from harness import EXIT_RESTART, File, Medium, ScenarioTestCase, cdrom, fixed, network
from messages import NOT_INSTALLED, STARTUP_NOTICE, TITLE


def small_computer():
    """One small fixed drive without the program: the run ends quickly with 'not installed'."""
    return {
        "C": network(),  # keeps the search to drive D
        "D": fixed({"Data\\notes.txt": File("notes")}),
        "E": cdrom(medium=Medium()),
    }


class StartupNotice(ScenarioTestCase):
    def test_notice_comes_before_the_window_and_ok_continues(self):
        s = self.scenario(small_computer())
        s.start()

        box = s.wait_box()
        self.assertBox(box, text=STARTUP_NOTICE, buttons=("ok",), icon="information")
        self.assertFalse(s.window_shown(), "the progress window is shown before the notice")

        s.press("ok")
        window = s.wait_window()
        self.assertEqual(window["title"], TITLE)
        self.assertEqual((window["client_width"], window["client_height"]), (324, 300))

        # The run went on to the search and found nothing.
        self.assertBox(s.wait_box(), text=NOT_INSTALLED, buttons=("ok",), icon="warning")
        s.press("ok")
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        self.assertTrue(s.restart_requested())

    def test_escape_or_close_box_continue_like_ok(self):
        for how in ("escape", "close"):
            with self.subTest(dismissed_with=how):
                s = self.scenario(small_computer())
                s.start()
                self.assertEqual(s.wait_box().text, STARTUP_NOTICE)
                s.press(how)
                s.wait_window()
                self.assertEqual(s.wait_box().text, NOT_INSTALLED)
                s.press("ok")
                self.assertEqual(s.wait_exit(), EXIT_RESTART)
                self.assertTrue(s.restart_requested())
                s.close()


if __name__ == "__main__":
    unittest.main()
