"""The update started again: a second start while it runs is turned away, and a second run of
the same update from the read-only medium copies and registers every library again. (Two
complete runs: a scenario file of its own, for the time limit per file.)"""

import stat
import unittest

from harness import (EXIT_ALREADY_RUNNING, EXIT_RESTART, SYSTEM_FOLDER, ScenarioTestCase, cdrom,
                     fixed, network)
from messages import (ALREADY_RUNNING, STARTUP_NOTICE, SUCCESS, reinstall_question,
                      success_status)
import update_fixtures as fx

STAND_INS = "HKEY_CURRENT_USER\\Software\\ZANTStandIns"


class RunTwice(ScenarioTestCase):
    def test_second_start_turned_away_and_second_run_installs_the_libraries_again(self):
        s = self.scenario({
            "C": network(),  # the prefix's own drive, kept out of the search
            "D": fixed(fx.installation_130("ZANT")),
            "E": cdrom(medium=fx.medium()),
        })
        s.prepare()
        before = s.snapshot("D:\\")
        s.start()
        self.assertEqual(s.wait_box().text, STARTUP_NOTICE)

        # Started again while the first waits at its notice: one box, exit code 3.
        second = s.start_second()
        self.assertBox(s.wait_box(), text=ALREADY_RUNNING, buttons=("ok",), icon="information")
        s.press("ok")
        self.assertEqual(second.wait(30), EXIT_ALREADY_RUNNING)
        self.assertFalse(s.window_shown())
        self.assertEqual(s.snapshot("D:\\"), before)

        s.follow_first()
        self.assertEqual(s.wait_box().text, STARTUP_NOTICE)
        s.press("ok")
        first = s.watch(timeout_s=fx.FULL_RUN_S)
        self.assertBox(first.box, text=SUCCESS, buttons=("ok",), icon="information")
        self.assertEqual(first.last.status, success_status(1))
        s.press("ok")
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        self.assertTrue(s.restart_requested())
        updated = fx.updated(before, "ZANT", medium_exe=fx.EXE_FILES_140)
        self.assertEqual(fx.fold_case(s.snapshot("D:\\")), updated)
        system = s.linux_path(SYSTEM_FOLDER)
        for name in fx.LIBRARIES:  # copied from the read-only medium, left writable
            self.assertTrue((system / name).stat().st_mode & stat.S_IWUSR, name)
        self.assertFalse((system / "ZEPDI140.log").exists())

        # The same update again, Yes to the reinstall question: every library is copied over
        # its earlier copy and registers again; nothing is logged.
        s.delete_registry(STAND_INS)
        s.start()
        self.assertEqual(s.wait_box().text, STARTUP_NOTICE)
        s.press("ok")
        self.assertBox(s.wait_box(timeout_s=120), text=reinstall_question("D:\\ZANT"),
                       buttons=("yes", "no"), icon="warning")
        s.press("yes")
        again = s.watch(timeout_s=fx.FULL_RUN_S)
        self.assertBox(again.box, text=SUCCESS, buttons=("ok",), icon="information")
        s.press("ok")
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        self.assertFalse((system / "ZEPDI140.log").exists(), "no Error copying entry")
        self.assertEqual(s.registry(STAND_INS).get(f"{STAND_INS}\\Registered"),
                         {name: f"{SYSTEM_FOLDER}\\{name}" for name in fx.LIBRARIES})
        self.assertEqual(fx.fold_case(s.snapshot("D:\\")), updated)


if __name__ == "__main__":
    unittest.main()
