"""The update medium as a publisher makes it with scripts/medium: a signed program whose image,
extracted and put on a CD-ROM drive, carries the complete update under Wine. What the tool
refuses, and how it makes and signs an image, is tested natively in tests/medium."""

from __future__ import annotations

import os
import re
import subprocess
import tempfile
import unittest
from pathlib import Path

import update_fixtures as fx
from harness import File, Medium, ScenarioTestCase, _build_dir, _remove_tree, _root_dir, cdrom
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


def make_medium(payload: Path, out: Path, *options: str) -> subprocess.CompletedProcess:
    """scripts/medium with the build's own program, the 32-bit product."""
    return subprocess.run([str(MEDIUM_COMMAND), "--program", str(_build_dir() / "ZANTUpdate.exe"),
                           *options, str(payload), str(out)],
                          capture_output=True, text=True, timeout=300)


class SignedMediumRuns(ScenarioTestCase):
    def test_signed_image_carries_the_complete_update(self):
        work = temporary_folder(self, "signed")
        key, cert = work / "publisher.key", work / "publisher.pem"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "800",
                        "-subj", "/CN=ZANT test publisher", "-addext",
                        "extendedKeyUsage=codeSigning", "-keyout", str(key), "-out", str(cert)],
                       check=True, capture_output=True, timeout=120)
        payload = write_payload(work / "payload", fx.medium_files())
        out = work / "out"
        result = make_medium(payload, out, "--cert", str(cert), "--key", str(key))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("signed (SHA-256, no time stamp) by subject=CN = ZANT test publisher",
                      result.stdout)

        # The signature over the file is valid (the throwaway root is trusted only here, and
        # nothing of the machine's own trust store is asked: a machine may have none).
        program = out / "medium" / "ZANTUpdate.exe"
        trusted = subprocess.run(["osslsigncode", "verify", "-CAfile", str(cert),
                                  "-in", str(program)], capture_output=True, text=True,
                                 timeout=60)
        digests = re.findall(r"(Current|Calculated) message digest\s*: ([0-9A-F]+)",
                             trusted.stdout)
        self.assertEqual(len(digests), 2, trusted.stdout)
        self.assertEqual(digests[0][1], digests[1][1])
        self.assertIn("Signature verification: ok", trusted.stdout)
        subprocess.run([str(_root_dir() / "scripts" / "lib" / "check-exe"), str(program),
                        "pe32"], check=True, capture_output=True, timeout=60)

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
