"""The complete update as the 95 family runs it: Windows 95, 98 and ME as the floor build plays
them (see older_windows.py)."""

import unittest

from harness import ScenarioTestCase
from older_windows import CompleteUpdateTraced


class OnThe95Family(CompleteUpdateTraced, ScenarioTestCase):
    def test_win95(self):
        self.complete_update_as("win95")

    def test_win98(self):
        self.complete_update_as("win98")

    def test_winme(self):
        self.complete_update_as("winme")


if __name__ == "__main__":
    unittest.main()
