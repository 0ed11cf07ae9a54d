"""The complete update on an older Windows as the floor build plays it, or the product's own as
Windows 10, with the call trace of its image judged (see harness.py): the scenarios of
test_older_nt.py and test_older_95.py. These runs accept a count of the installers' pauses that
passed unseen (see update_fixtures.assert_countdown), so they may run beside other scenarios."""

from harness import FAMILY_95, cdrom
from test_updates import complete_update, computer, second_start_turned_away
import update_fixtures as fx


class CompleteUpdateTraced:
    """For a ScenarioTestCase: the complete update, the second start turned away included, as
    one Windows runs it. It takes that Windows' branches, and its image calls no function that
    Windows lacks or only stubs, and passes no argument that Windows rejects or treats so that
    the run goes wrong (the call trace)."""

    def complete_update_as(self, windows):
        # No links in A: a link to a file exists on Windows from Vista on, marked as a reparse
        # point (which every Windows sees); the unmarked links of the other runs are Linux
        # links, which only Vista's way of asking for a file's final path tells from a file.
        # Playing the 95 family, Wine's loader itself loads ucrtbase, the run-time of Wine's own
        # libraries, by name before the updater's first instruction: no Windows has it there.
        planted = {f"{name}.dll" for name in fx.PLANTED_LIBRARIES
                   if name != "ucrtbase" or windows not in FAMILY_95} | set(fx.PLANTED_DRIVERS)
        medium = cdrom(medium=fx.medium(planted=planted))
        s = self.scenario(computer(medium, links=False), native_first=fx.NATIVE_FIRST,
                          windows=windows, trace_calls=True)
        self.addCleanup(lambda: self.assertEqual(fx.planted_loaded(s), [], "planted and loaded"))
        # What these runs prove lies in the branches and the trace; each would add one more
        # chance of a count passing unseen (see update_fixtures.assert_countdown).
        complete_update(self, s, fx.MEDIUM_FOLDER,
                        at_notice=lambda: second_start_turned_away(self, s), every_count=False)
        report = s.calls_report()
        self.assertEqual([v.line() for v in report.defects], [], report.text)
        return report
