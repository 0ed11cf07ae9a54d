"""Shared components that fail: each failure becomes one entry of the system log, appended to
what earlier runs wrote, and the run still ends in success with a restart. Among them a library
of the other bitness and one whose imported library lies only beside the updater, planted
there under that name: it is never loaded."""

import os
import unittest

from harness import (EXIT_RESTART, INSTALLERS, REGISTERED, SYSTEM_FOLDER, SYSTEM_FOLDER_32,
                     File, ScenarioTestCase, built, cdrom, diff_snapshots, fixed, network)
from messages import RUNTIME_INSTALLER, SOAP_INSTALLER, SUCCESS, success_status
import update_fixtures as fx

class FailingComponents(ScenarioTestCase):
    def test_failures_logged_after_earlier_entries_and_run_goes_on(self):
        self.failing_components()

    # Without the library-search restriction of newer Windows, the libraries are loaded with the
    # search of their own folder first, and the current folder is kept out.
    def test_on_nt40(self):
        self.failing_components("nt40")

    def test_on_win98(self):
        self.failing_components("win98")

    def failing_components(self, windows=None):
        s = self.scenario({
            "C": network(),  # the prefix's own drive, kept out of the search
            "D": fixed(fx.installation_130("ZANT")),
            "E": cdrom(medium=fx.medium(
                libraries={
                    "dartzip.dll": None,  # missing: cannot be copied
                    # copied, but without the registration entry point
                    "dartsock.dll": built("components/noexport.dll", readonly=True),
                    # imports zantdep.dll, which the system folder lacks
                    "dartutil.dll": built("components/dependent.dll", readonly=True),
                    # a 64-bit library: the 32-bit updater cannot load it
                    "rnwncntl.dll": built("components/otherbits.dll", readonly=True),
                },
                planted={"zantdep.dll"},
                installers={"pocketsoap.1.4.3.exe": None},  # missing: cannot be started
            )),
        }, windows=windows)
        self.addCleanup(lambda: self.assertEqual(fx.planted_loaded(s), [], "planted and loaded"))
        s.prepare()
        s.write_files(SYSTEM_FOLDER_32, {"ZEPDI140.log": File(b"previous run\r\n")})
        before = s.snapshot("D:\\")
        programs_before = s.snapshot(s.programs_folder)  # no PocketSOAP folder at all
        system_before = set(os.listdir(s.linux_path(SYSTEM_FOLDER_32)))
        s.start()
        s.wait_box()
        s.press("ok")

        log = s.watch(timeout_s=fx.FULL_RUN_S)
        self.assertBox(log.box, text=SUCCESS, buttons=("ok",), icon="information")
        self.assertEqual(log.last.status, success_status(1))
        # An installer that cannot be started still gets its pause.
        fx.assert_countdown(self, log.details, RUNTIME_INSTALLER, 10, every=windows is None)
        fx.assert_countdown(self, log.details, SOAP_INSTALLER, 20, every=windows is None)
        s.press("ok")
        self.assertEqual(s.wait_exit(), EXIT_RESTART)
        self.assertTrue(s.restart_requested())

        system = s.linux_path(SYSTEM_FOLDER_32)
        self.assertEqual((system / "ZEPDI140.log").read_bytes(),
                         b"previous run\r\n"
                         b"\r\nError copying dartzip.dll"
                         b"\r\nError registering dartsock.dll"
                         b"\r\nError registering dartutil.dll"
                         b"\r\nError registering rnwncntl.dll"
                         b"\r\nError executing pocketsoap.exe")
        # The libraries that could not register stay where they were copied.
        self.assertEqual(set(os.listdir(system)) - system_before,
                         {"dartmail.dll", "dartsock.dll", "dartutil.dll", "rnwncntl.dll"})
        for name, stand_in in (("dartsock.dll", "noexport.dll"), ("dartutil.dll", "dependent.dll"),
                               ("rnwncntl.dll", "otherbits.dll")):
            self.assertEqual((system / name).read_bytes(),
                             built(f"components/{stand_in}").content, name)
        self.assertEqual(s.registry(REGISTERED).get(REGISTERED),
                         {"dartmail.dll": f"{SYSTEM_FOLDER}\\dartmail.dll"})
        self.assertEqual(sorted(s.registry(INSTALLERS)), [f"{INSTALLERS}\\msvbvm50.exe"])

        # The installation was updated all the same; the Start menu had nothing to clean up.
        self.assertEqual(fx.fold_case(s.snapshot("D:\\")),
                         fx.updated(before, "ZANT", medium_exe=fx.EXE_FILES_140))
        self.assertEqual(diff_snapshots(programs_before, s.snapshot(s.programs_folder)), {})
        if windows is not None:
            report = s.calls_report()
            self.assertEqual([v.line() for v in report.defects], [], report.text)


if __name__ == "__main__":
    unittest.main()
