"""The update medium as a publisher makes it with scripts/medium: the payloads it refuses (each
with one line naming the file, nothing written), the same image from the same inputs, and a
signed program whose image, extracted and put on a CD-ROM drive, carries the complete update
under Wine."""

from __future__ import annotations

import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import update_fixtures as fx
from harness import (File, Medium, ScenarioTestCase, _build_dir, _remove_tree, _root_dir, cdrom,
                     snapshot_tree)
from test_updates import complete_update, computer

MEDIUM_COMMAND = _root_dir() / "scripts" / "medium"
IMAGE = "ZANT140.iso"


def temporary_folder(test: unittest.TestCase, name: str) -> Path:
    folder = Path(tempfile.mkdtemp(prefix=f"zant-medium-{name}-",
                                   dir=os.environ.get("ZANT_E2E_TMP") or None))
    test.addCleanup(_remove_tree, folder)
    return folder


def write_payload(folder: Path, files: dict) -> Path:
    """A publisher's payload folder from medium files (as update_fixtures.medium_files())."""
    for rel, item in files.items():
        path = folder / rel.replace("\\", "/")
        path.parent.mkdir(parents=True, exist_ok=True)
        content = item.content if isinstance(item, File) else item
        path.write_bytes(content.encode("utf-8") if isinstance(content, str) else content)
    return folder


def small_files() -> dict:
    """A complete payload with a small program file: refusals need no large copy."""
    return fx.medium_files() | {"EXE\\zant.exe": b"MZ zant 140"}


def make_medium(payload: Path, out: Path, *options: str) -> subprocess.CompletedProcess:
    return subprocess.run([str(MEDIUM_COMMAND), "--program", str(_build_dir() / "ZANTUpdate.exe"),
                           *options, str(payload), str(out)],
                          capture_output=True, text=True, timeout=300)


def library_32bit(folder: Path) -> bytes:
    """A 32-bit library that exports DllRegisterServer (the program under test is 64-bit)."""
    source = folder / "lib32.c"
    source.write_text("__declspec(dllexport) long __stdcall DllRegisterServer(void) "
                      "{ return 0; }\n")
    subprocess.run(["i686-w64-mingw32-gcc-posix", "-shared", "-Wl,--kill-at", "-o",
                    str(folder / "lib32.dll"), str(source)], check=True, timeout=120)
    return (folder / "lib32.dll").read_bytes()


class Refusals(unittest.TestCase):
    def test_each_fault_is_refused_with_one_line_and_nothing_written(self):
        work = temporary_folder(self, "refusals")
        components = _build_dir() / "components"
        installer = (components / "installer_standin.exe").read_bytes()
        library = (components / "dartmail.dll").read_bytes()
        # (what is wrong, files to change (None removes), the file named, the reason given)
        cases = [
            ("missing folder", {"Macros": None}, "Macros", "missing folder"),
            ("missing file", {"EXE\\MSSent.log": None}, "EXE/MSSent.log", "missing file"),
            ("database missing", {"DB\\db.mdb": None}, "DB/db.mdb", "missing file"),
            ("library not a program", {"EXE\\dartzip.dll": b"MZ not really"},
             "EXE/dartzip.dll", "not a Windows library (DLL)"),
            ("library is a program", {"EXE\\dartsock.dll": installer},
             "EXE/dartsock.dll", "not a Windows library (DLL)"),
            ("library of the other bitness", {"EXE\\dartutil.dll": library_32bit(work)},
             "EXE/dartutil.dll", "a 32-bit library; the program is 64-bit"),
            ("library without registration",
             {"EXE\\rnwncntl.dll": (components / "noexport.dll").read_bytes()},
             "EXE/rnwncntl.dll", "does not export DllRegisterServer"),
            ("installer not a program", {"EXE\\msvbvm50.exe": b"#!/bin/sh\n"},
             "EXE/msvbvm50.exe", "not a Windows program (PE exe)"),
            ("installer is a library", {"EXE\\pocketsoap.1.4.3.exe": library},
             "EXE/pocketsoap.1.4.3.exe", "not a Windows program (PE exe)"),
            ("name Windows cannot hold", {"Docs\\what?.doc": b"x"},
             "Docs/what?.doc", "characters a Windows name cannot hold"),
            ("name too long for Joliet", {"Docs\\" + "n" * 61 + ".doc": b"x"},
             "Docs/" + "n" * 61 + ".doc", "Joliet keeps only 64"),
            ("name outside UCS-2", {"Flags\\\U0001D11E.140": b"x"},
             "Flags/\U0001D11E.140", "outside UCS-2"),
            ("names differing by case", {"Docs\\DOC000.DOC": b"x"},
             "Docs/doc000.doc", "differs only by case"),
            ("folder in DocsX", {"DocsX\\old3.doc\\inside.doc": b""},
             "DocsX/old3.doc", "a folder in DocsX"),
        ]
        for what, changes, named, reason in cases:
            with self.subTest(what):
                payload = write_payload(work / what / "payload", small_files())
                for rel, content in changes.items():
                    path = payload / rel.replace("\\", "/")
                    if content is None:
                        shutil.rmtree(path) if path.is_dir() else path.unlink()
                    else:
                        path.parent.mkdir(parents=True, exist_ok=True)
                        path.write_bytes(content)
                before = snapshot_tree(payload)
                out = work / what / "out"
                result = make_medium(payload, out)
                self.assertNotEqual(result.returncode, 0, result.stdout)
                lines = [line for line in result.stderr.splitlines()
                         if f"{payload}/{named}:" in line]
                self.assertEqual(len(lines), 1, result.stderr)
                self.assertIn(reason, lines[0])
                self.assertFalse(out.exists())
                self.assertEqual(os.listdir(work / what), ["payload"])
                self.assertEqual(snapshot_tree(payload), before)

    def test_missing_component_is_only_a_warning(self):
        work = temporary_folder(self, "warning")
        files = small_files()
        del files["EXE\\dartzip.dll"], files["EXE\\msvbvm50.exe"]
        result = make_medium(write_payload(work / "payload", files), work / "out")
        self.assertEqual(result.returncode, 0, result.stderr)
        for name in ("dartzip.dll", "msvbvm50.exe"):
            self.assertRegex(result.stderr, f"warning: .*/EXE/{re.escape(name)}: missing shared")
        self.assertTrue((work / "out" / IMAGE).is_file())


class SameImage(unittest.TestCase):
    def test_same_inputs_give_the_same_image(self):
        """Two copies of a payload, one in a folder with blanks and non-ASCII letters, created
        at different times, give the same image and checksums."""
        work = temporary_folder(self, "same")
        first = write_payload(work / "payload", small_files())
        second = write_payload(work / "Disc für ZANT 1.40", small_files())
        os.utime(second / "EXE" / "about.txt", (1_000_000_000, 1_000_000_000))
        results = [make_medium(first, work / "one"), make_medium(second, work / "two")]
        for result in results:
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn("unsigned", result.stdout)
        self.assertEqual((work / "one" / IMAGE).read_bytes(), (work / "two" / IMAGE).read_bytes())
        self.assertEqual((work / "one" / "SHA256SUMS").read_text(),
                         (work / "two" / "SHA256SUMS").read_text())


class SignedMediumRuns(ScenarioTestCase):
    def test_signed_image_carries_the_complete_update(self):
        work = temporary_folder(self, "signed")
        key, cert = work / "publisher.key", work / "publisher.pem"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=ZANT test publisher", "-keyout", str(key),
                        "-out", str(cert)], check=True, capture_output=True, timeout=120)
        payload = write_payload(work / "payload", fx.medium_files())
        out = work / "out"
        result = make_medium(payload, out, "--cert", str(cert), "--key", str(key))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("signed (SHA-256, no time stamp) by subject=CN = ZANT test publisher",
                      result.stdout)

        # The signature over the file is valid (the throwaway root is trusted only here).
        program = out / "medium" / "ZANTUpdate.exe"
        verify = subprocess.run(["osslsigncode", "verify", "-in", str(program)],
                                capture_output=True, text=True, timeout=60)
        digests = re.findall(r"(Current|Calculated) message digest\s*: ([0-9A-F]+)",
                             verify.stdout)
        self.assertEqual(len(digests), 2, verify.stdout)
        self.assertEqual(digests[0][1], digests[1][1])
        trusted = subprocess.run(["osslsigncode", "verify", "-CAfile", str(cert),
                                  "-in", str(program)], capture_output=True, text=True,
                                 timeout=60)
        self.assertIn("Signature verification: ok", trusted.stdout)
        subprocess.run([str(_root_dir() / "scripts" / "lib" / "check-exe"), str(program),
                        "pe32+"], check=True, capture_output=True, timeout=60)

        # The private key is nowhere in what was made, nor in the command's output.
        key_line = key.read_text().splitlines()[1]
        self.assertNotIn(key_line, result.stdout + result.stderr)
        for path in out.rglob("*"):
            if path.is_file():
                self.assertNotIn(key_line.encode(), path.read_bytes(), path)

        # The image as Windows reads it (the Joliet names), read-only as a disc gives it.
        disc = work / "disc"
        subprocess.run(["xorriso", "-osirrox", "on", "-read_fs", "norock", "-indev",
                        str(out / IMAGE), "-extract", "/", str(disc)],
                       check=True, capture_output=True, timeout=120)
        self.assertEqual(sorted(p.relative_to(disc) for p in disc.rglob("*")),
                         sorted(p.relative_to(out / "medium") for p in
                                (out / "medium").rglob("*")))
        for path in disc.rglob("*"):
            os.chmod(path, path.stat().st_mode & ~0o222)

        s = self.scenario(computer(cdrom(medium=Medium(folder="", extracted=disc))))
        complete_update(self, s, "E:")


if __name__ == "__main__":
    unittest.main()
