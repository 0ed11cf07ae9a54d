"""The start-up notice: the first thing the updater shows, before its window."""

import unittest

import update_fixtures as fx
from harness import (EXIT_FAILURE, EXIT_RESTART, SYSTEM_FOLDER_32, File, Medium, ScenarioTestCase,
                     built, cdrom, diff_snapshots, fixed, network)
from messages import NOT_INSTALLED, STARTUP_NOTICE, TITLE, redirection_refused

# Where common controls 6 lives in Windows' side-by-side store, and where a redirection beside
# the updater would take it from instead.
CONTROLS_6 = "microsoft.windows.common-controls_6595b64144ccf1df_6.0."
CONTROLS_6_FOLDER = "x86_" + CONTROLS_6 + "19041.1110_none_a8625c1886757984"


def small_computer():
    """One small fixed drive without the program: the run ends quickly with 'not installed'."""
    return {
        "C": network(),  # keeps the search to drive D
        "D": fixed({"Data\\notes.txt": File("notes")}),
        "E": cdrom(medium=Medium()),
    }


class StartupNotice(ScenarioTestCase):
    def test_notice_comes_before_the_window_and_ok_continues(self):
        s = self.scenario(small_computer(), trace_loads=True)
        s.start()

        box = s.wait_box()
        self.assertBox(box, text=STARTUP_NOTICE, buttons=("ok",), icon="information")
        self.assertFalse(s.window_shown(), "the progress window is shown before the notice")

        s.press("ok")
        window = s.wait_window()
        self.assertEqual(window["title"], TITLE)
        self.assertEqual((window["client_width"], window["client_height"]), (324, 300))
        # The program's own context brought common controls 6, from the side-by-side store.
        controls = [p for p in s.loaded_libraries() if p.lower().endswith("\\comctl32.dll")]
        self.assertEqual(len(controls), 1, controls)
        self.assertIn("\\winsxs\\", controls[0].lower())
        self.assertIn(CONTROLS_6, controls[0].lower())

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


class RedirectionBesideTheUpdater(ScenarioTestCase):
    def test_is_refused_before_anything_is_loaded_or_changed(self):
        """A folder or file '<updater>.local' beside the updater would make Windows take common
        controls 6 (and their dependencies) from it, elevated. The updater stops with a box
        naming it, before anything else: the box itself loads no comctl32, no planted library
        is loaded, and nothing on the computer changes."""
        marker = built("components/planted_marker.dll")
        for kind, item in (("folder", {f"{CONTROLS_6_FOLDER}\\comctl32.dll": marker}),
                           ("file", File(""))):
            with self.subTest(redirection=kind):
                medium = fx.medium(planted=True)
                if kind == "folder":
                    for name, file in item.items():
                        medium.files[f"ZANTUpdate.exe.local\\{name}"] = file
                else:
                    medium.files["ZANTUpdate.exe.local"] = item
                s = self.scenario({"C": network(), "D": fixed(fx.installation_130("ZANT")),
                                   "E": cdrom(medium=medium)},
                                  native_first=fx.NATIVE_FIRST, trace_loads=True)
                s.prepare()
                before = s.snapshot("D:\\")
                system_before = s.snapshot(SYSTEM_FOLDER_32)
                s.start()

                self.assertBox(s.wait_box(),
                               text=redirection_refused(s.updater_windows_path + ".local"),
                               buttons=("ok",), icon="error")
                self.assertFalse(s.window_shown())
                loaded = [p for p in s.loaded_libraries() if "comctl32" in p.lower()]
                self.assertEqual(loaded, [], "the refusal box loaded common controls")
                s.press("ok")
                self.assertEqual(s.wait_exit(), EXIT_FAILURE)
                self.assertFalse(s.restart_requested())
                self.assertEqual(fx.planted_loaded(s), [])
                self.assertEqual(list(s.linux_path(fx.MEDIUM_FOLDER).rglob("*.loaded")), [])
                self.assertEqual(diff_snapshots(before, s.snapshot("D:\\")), {})
                self.assertEqual(diff_snapshots(system_before, s.snapshot(SYSTEM_FOLDER_32)), {})
                s.close()


if __name__ == "__main__":
    unittest.main()
