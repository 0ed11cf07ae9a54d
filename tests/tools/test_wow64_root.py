"""scripts/lib/wow64 judges its Debian 13 root by what lies inside it, never by this machine's
Wine, /etc/alternatives or libraries; says what a Wine that does not start printed; and a make
that fails or is interrupted stops there, names its step and leaves no root stamped ready.

The checks run on the real root (ZANT_WOW64_ROOT, by default /var/lib/zant/wow64-root, which
scripts/test makes before these tests), seen read-only at a folder of the test's own inside a
private mount namespace: what a case hides or replaces there, and what the check writes beside
the root, stays in the test. Makes run on a root of their own under /tmp, against a mirror that
refuses every connection or one that never answers. Needs root, as scripts/test runs.
ZANT_WOW64_TOOL runs another scripts/lib/wow64 instead (for experiments)."""

import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
TOOL = Path(os.environ.get("ZANT_WOW64_TOOL") or ROOT / "scripts" / "lib" / "wow64")
REAL_ROOT = Path(os.environ.get("ZANT_WOW64_ROOT") or "/var/lib/zant/wow64-root")
STAMP = ".zant-wow64-ready"
LIMIT = 120  # seconds: far above what any case takes


def setUpModule():
    if os.geteuid() != 0:
        raise RuntimeError("these tests need root (they mount in private mount namespaces); "
                           "run them through scripts/test")
    if not (REAL_ROOT / STAMP).is_file():
        raise RuntimeError(f"there is no finished WoW64 root in {REAL_ROOT}; scripts/test makes "
                           "it before the tests (scripts/lib/wow64 ensure)")


def mounts_below(folder: Path) -> list[str]:
    with open("/proc/self/mounts") as mounts:
        return [line.split()[1] for line in mounts
                if (line.split()[1] + "/").startswith(f"{folder}/")]


class Work(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="zant-wow64-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)


class Checks(Work):
    def check(self, *setup: str) -> subprocess.CompletedProcess:
        """`wow64 check` on the real root seen read-only at $VIEW, after the shell commands SETUP
        in the same private mount namespace ($WORK is the test's folder). A setup that fails
        exits 99."""
        view = self.work / "root"
        prepare = ['mkdir -p "$VIEW"', 'mount --bind "$REAL" "$VIEW"',
                   'mount -o remount,bind,ro "$VIEW"', '! touch "$VIEW/.zant-test" 2>/dev/null',
                   *setup]
        script = "{ " + " && ".join(prepare) + "; } || exit 99\nexec \"$TOOL\" check"
        env = dict(os.environ, REAL=str(REAL_ROOT), VIEW=str(view), WORK=str(self.work),
                   TOOL=str(TOOL), ZANT_WOW64_ROOT=str(view))
        return subprocess.run(["unshare", "--mount", "--propagation", "private", "sh", "-c",
                               script], env=env, capture_output=True, text=True, timeout=LIMIT)

    def test_the_root_alone_decides(self):
        (self.work / "fake-wine").write_text("#!/bin/sh\necho 'wine-10.0 (this machine)'\n")
        (self.work / "loader").write_text(
            "#!/bin/sh\necho 'zant-test: the loader was cut short' >&2\nexit 1\n")
        for name in ("fake-wine", "loader"):
            (self.work / name).chmod(0o755)
        hide_machines = 'mount -t tmpfs tmpfs /etc/alternatives'
        cases = {
            # /usr/bin/wine in the root is a link to /etc/alternatives/wine: the root's own.
            "without this machine's /etc/alternatives": (
                [hide_machines], 0, "wow64: the root in $VIEW is ready: wine-10.0"),
            "with the root's /etc/alternatives hidden and a wine in this machine's": (
                ['mount -t tmpfs tmpfs "$VIEW/etc/alternatives"', hide_machines,
                 'cp "$WORK/fake-wine" /etc/alternatives/wine'], 1,
                "wow64: the root in $VIEW is not ready: its /usr/bin/wine is missing or leads "
                "nowhere inside it"),
            "a loader that does not start": (
                ['mount --bind "$WORK/loader" "$VIEW/usr/lib/wine/wine64"'], 1,
                "wow64: the root in $VIEW is not ready: its Wine does not start; it printed:\n"
                "  zant-test: the loader was cut short"),
        }
        for what, (setup, code, message) in cases.items():
            with self.subTest(what):
                result = self.check(*setup)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertIn(message.replace("$VIEW", str(self.work / "root")),
                              result.stdout + result.stderr)


class Makes(Work):
    """A make on a root that an earlier make stamped ready but that has no Wine at all."""

    def setUp(self):
        super().setUp()
        self.root = self.work / "root"
        self.root.mkdir()
        (self.root / STAMP).write_text("2\n")

    def ensure(self, mirror: str, **options) -> subprocess.Popen:
        env = dict(os.environ, ZANT_WOW64_ROOT=str(self.root), ZANT_DEBIAN_MIRROR=mirror,
                   ZANT_RETRY_PAUSE="0")
        process = subprocess.Popen([str(TOOL), "ensure"], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, **options)
        self.addCleanup(process.kill)
        return process

    def assertLeftNothing(self):
        self.assertFalse((self.root / STAMP).exists(), "the root is stamped ready")
        self.assertEqual(mounts_below(self.work), [])

    def test_an_unreachable_mirror_fails_the_debootstrap_step(self):
        mirror = "http://127.0.0.1:9/debian"
        out, err = self.ensure(mirror).communicate(timeout=LIMIT)
        failures = [line for line in err.splitlines() if "making the root failed" in line]
        self.assertEqual(len(failures), 1, err)
        self.assertRegex(err.splitlines()[-1],
                         rf"^wow64: making the root failed at step 'debootstrap of Debian 13 from "
                         rf"{mirror}': E: Failed getting release file .*; the whole output is in "
                         rf"{self.work}/root.log$")
        self.assertLeftNothing()
        # Three tries, each from a clean folder, and the log says which step each line is in.
        log = (self.work / "root.log").read_text()
        self.assertEqual(log.count("I: Retrieving Release"), 3, log)
        step = f"== step: debootstrap of Debian 13 from {mirror}"
        self.assertEqual([re.sub(r"(done in|after) \d+ s$", r"\1 N s", line)
                          for line in log.splitlines() if line.startswith("== ")],
                         ["== step: removal of the old root",
                          "== step: removal of the old root: done in N s",
                          "== step: free space", "== step: free space: done in N s", step,
                          "== failed (try 1 of 3); again in 0 s",
                          "== failed (try 2 of 3); again in 0 s", "== failed 3 times",
                          f"{step}: failed (exit 1) after N s"])

    def test_an_interrupted_make_stops_everything_it_started(self):
        """Interrupted while debootstrap waits on a mirror that never answers: SIGTERM to the
        command, or Ctrl-C (SIGINT to its process group)."""
        for number, to_group in ((signal.SIGTERM, False), (signal.SIGINT, True)):
            with self.subTest(signal=number.name), socket.socket() as server:
                self.root.mkdir(exist_ok=True)
                (self.root / STAMP).write_text("2\n")
                server.bind(("127.0.0.1", 0))
                server.listen()
                server.settimeout(LIMIT)
                process = self.ensure(f"http://127.0.0.1:{server.getsockname()[1]}/debian",
                                      start_new_session=True)
                connection, _ = server.accept()
                with connection:
                    if to_group:
                        os.killpg(process.pid, number)
                    else:
                        process.send_signal(number)
                    out, err = process.communicate(timeout=LIMIT)
                    self.assertEqual(process.returncode, 128 + number, err)
                    self.assertIn("wow64: making the root was interrupted", err)
                    # The download went with the make: its connection is closed.
                    connection.settimeout(LIMIT)
                    while connection.recv(4096):
                        pass
                self.assertLeftNothing()


if __name__ == "__main__":
    unittest.main()
