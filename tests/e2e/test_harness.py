"""The harness's own file handling and text checks, which every scenario relies on (no Wine
needed)."""

import os
import tempfile
import unittest
from pathlib import Path

from harness import (Entry, File, Folder, Link, ScenarioTestCase, TextLog, Texts, _remove_tree,
                     _write_files, diff_snapshots, snapshot_tree)


class FileLayout(unittest.TestCase):
    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix="zant-e2e-harness-"))
        self.addCleanup(_remove_tree, self.root)

    def test_a_file_shared_with_the_template_is_replaced_not_rewritten(self):
        # Files on C: are hard links into the template prefix, which must never change.
        template = self.root / "template.txt"
        template.write_text("template")
        drive = self.root / "drive"
        drive.mkdir()
        os.link(template, drive / "shared.txt")
        _write_files(drive, {"shared.txt": File("scenario", readonly=True, hidden=True)})
        self.assertEqual(template.read_text(), "template")
        self.assertTrue(os.access(template, os.W_OK))
        self.assertEqual((drive / "shared.txt").read_text(), "scenario")

    def test_attributes_and_changes_show_in_snapshots(self):
        _write_files(self.root, {
            "Dir\\plain.txt": "abc",
            "Dir\\flags.dat": File(b"\x00\x01", readonly=True, hidden=True, system=True),
            "Hidden\\": Folder(hidden=True),
        })
        before = snapshot_tree(self.root)
        self.assertEqual(before["Dir\\plain.txt"].size, 3)
        self.assertEqual(before["Dir\\plain.txt"].attrs, "")
        self.assertEqual(before["Dir\\flags.dat"].attrs, "RHS")
        self.assertEqual((before["Hidden"].kind, before["Hidden"].attrs), ("dir", "H"))

        (self.root / "Dir/plain.txt").write_text("xyz")  # same size, other content
        os.chmod(self.root / "Dir/flags.dat", 0o644)  # attribute change only
        (self.root / "Dir/new.txt").write_text("")
        (self.root / "Hidden").rmdir()
        self.assertEqual(diff_snapshots(before, snapshot_tree(self.root)), {
            "added": ["Dir\\new.txt"],
            "removed": ["Hidden"],
            "changed": ["Dir\\flags.dat", "Dir\\plain.txt"],
        })
        self.assertEqual(diff_snapshots(before, before), {})

    def test_links_are_made_to_the_linux_path_of_their_target_and_snapshot_as_links(self):
        def linux_path(windows_path):
            return str(self.root / windows_path[3:].replace("\\", "/"))

        _write_files(self.root, {
            "Dir\\plain.txt": "abc",
            "Dir\\link.txt": Link("D:\\Dir\\plain.txt"),
            "Dir\\nothing.log": Link("D:\\Dir\\missing.log"),
        }, linux_path)
        snapshot = snapshot_tree(self.root)
        self.assertEqual(snapshot["Dir\\link.txt"],
                         Entry("link", target=linux_path("D:\\Dir\\plain.txt")))
        self.assertEqual(snapshot["Dir\\nothing.log"],
                         Entry("link", target=linux_path("D:\\Dir\\missing.log")))
        self.assertEqual((self.root / "Dir/link.txt").read_text(), "abc")


class WatchedTexts(ScenarioTestCase):
    def test_log_keeps_each_change_once_in_order(self):
        log = TextLog()
        for status, detail in (("a", ""), ("a", "x"), ("a", "x"), ("b", "x"), ("a", "y")):
            log.add(Texts(status, detail, False))
        self.assertEqual((log.statuses, log.details), (["a", "b", "a"], ["", "x", "y"]))

    def test_seen_texts_must_keep_the_expected_order(self):
        expected = ["one", "two", "three", "two"]
        self.assertSeenInOrder([], expected)
        self.assertSeenInOrder(["one", "three"], expected)  # "two" missed: allowed
        self.assertSeenInOrder(["two", "two"], expected)
        for seen in (["three", "one"], ["two", "two", "two"], ["four"]):
            with self.assertRaises(AssertionError, msg=seen):
                self.assertSeenInOrder(seen, expected)


if __name__ == "__main__":
    unittest.main()
