"""The complete update as the NT family runs it: NT 4.0, 2000 and XP as the floor build plays
them, and the product itself as Windows 10 (see older_windows.py)."""

import unittest

from harness import ScenarioTestCase
from older_windows import CompleteUpdateTraced


class OnTheNtFamily(CompleteUpdateTraced, ScenarioTestCase):
    def test_product_as_windows_10(self):
        self.complete_update_as(None)

    def test_nt40(self):
        self.complete_update_as("nt40")

    def test_win2k(self):
        self.complete_update_as("win2k")

    def test_winxp(self):
        self.complete_update_as("winxp")


if __name__ == "__main__":
    unittest.main()
