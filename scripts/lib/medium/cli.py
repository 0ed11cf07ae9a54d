"""Makes the update medium from a payload folder: the medium folder (ZANTUpdate.exe at its root,
the payload folders beside it) and its CD image, with checksums.

  scripts/medium [--check] [--strict] [--program EXE] [--size MEDIUM]
                 [--cert CERT --key KEY [--pkcs11-module MODULE]] [--timestamp URL] PAYLOAD OUT

PAYLOAD holds DocsX, Docs, DB, Macros, Flags and EXE. Without --program the 32-bit product is
built from this source tree (preset win32, in build/medium). With a certificate and its private
key (also ZANT_SIGN_CERT and ZANT_SIGN_KEY; the key may live on a PKCS#11 token) the program is
signed before the image is made. OUT must be new or empty; it receives medium/, ZANT140.iso and
SHA256SUMS.

Everything is checked before anything is copied: the tools, the date, the program, the
certificate, the payload against what a run reads from its medium (src/app/medium_files.txt) and
against what the image and Windows would change, and the image's size. A fault is refused with
one line naming it, and nothing is written. The image is the same byte for byte for the same
inputs: fixed volume label, file dates (SOURCE_DATE_EPOCH, or the time of the source tree's last
commit), owners, modes and file order. PAYLOAD is only read.

Exit codes: 0 made (or checked, with --check); 1 refused; 2 usage; 3 a tool or the build failed;
128 + the signal's number when interrupted (130 Ctrl+C, 143 SIGTERM).

The command line and the order of the steps: everything checked, then the medium folder, the
signature, the image and the checksums written in a work folder that becomes OUT.
"""

from __future__ import annotations

import argparse
import os
import shutil
import signal
import sys
import tempfile
from pathlib import Path

from . import PROGRAM_NAME
from .image import (IMAGE_NAME, MEDIA, VOLUME_ID, copy_tree, image_size, make_image, sha256,
                    source_date)
from .payload import check_payload
from .program import CHECK_EXE, build_program, program_fault
from .report import Failed, Progress, Refused, say
from .signing import sign, signing_faults
from .tools import missing_tools, run

EXIT_MADE, EXIT_REFUSED, EXIT_FAILED = 0, 1, 3  # 2, usage, is argparse's own


class Interrupted(BaseException):
    def __init__(self, signum: int):
        super().__init__(signum)
        self.signum = signum


def hold_signals() -> None:
    for number in (signal.SIGINT, signal.SIGTERM):
        signal.signal(number, signal.SIG_IGN)


def medium_size(text: str) -> int:
    """--size: a medium's name or a number of bytes."""
    if text.lower() in MEDIA:
        return MEDIA[text.lower()]
    if text.isascii() and text.isdigit() and int(text) > 0:
        return int(text)
    raise argparse.ArgumentTypeError(f"{text!r} is neither {', '.join(MEDIA)} nor a number of"
                                     " bytes")


def make(args) -> int:
    payload = Path(args.payload).resolve()
    out = Path(os.path.abspath(args.out))
    cert = args.cert or os.environ.get("ZANT_SIGN_CERT")
    key = args.key or os.environ.get("ZANT_SIGN_KEY")
    signing = bool(cert or key)
    refusals, warnings = [], []

    missing = missing_tools(building=args.program is None, signing=signing)
    if missing:
        for line in missing:
            say(line)
        raise Failed("tools are missing; nothing was checked")
    date = source_date()

    if not payload.is_dir():
        raise Refused(f"{payload}: not a folder")
    if out.resolve() == payload or payload in out.resolve().parents:
        raise Refused(f"{out}: inside the payload, which is only read")
    if out.exists() and (not out.is_dir() or any(out.iterdir())):
        raise Refused(f"{out}: exists and is not an empty folder")
    if signing:
        refusals, warnings = signing_faults(cert, key, args.pkcs11_module, payload)
    program = Path(args.program).resolve() if args.program else None
    if program is not None:
        fault = program_fault(program) if program.is_file() else "no such file"
        if fault:
            refusals.append(f"{program}: {fault}")

    top, faults, cautions = check_payload(payload, "32-bit")
    refusals += faults
    warnings += cautions
    if args.strict:
        refusals += [f"{line} (a warning, refused under --strict)" for line in warnings]
    else:
        for line in warnings:
            say(f"warning: {line}")
    for line in refusals:
        say(line)
    if refusals:
        raise Refused(f"{len(refusals)} fault{'s' if len(refusals) > 1 else ''}")

    if program is None:
        program = build_program()
        fault = program_fault(program)
        if fault:
            raise Failed(f"the build made a program that cannot go on the medium: {fault}")
    size = image_size(top, program)
    if size > args.size:
        raise Refused(f"the image would be {size:,} bytes, larger than the medium's"
                      f" {args.size:,} bytes (--size)")
    if args.check:
        print(f"Checked:   {payload}  ({len(warnings)} warnings); the image would be"
              f" {size:,} bytes of the medium's {args.size:,}; nothing was written")
        return EXIT_MADE

    # Only now is anything written: OUT's missing parents, then a work folder beside OUT that
    # becomes OUT at the end. Whatever stops the run removes both.
    made = next((p for p in reversed([out, *out.parents]) if not p.exists()), None)
    out.parent.mkdir(parents=True, exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix=f".{out.name}.", dir=out.parent))
    try:
        medium = work / "medium"
        medium.mkdir()
        progress, count, copied_bytes = Progress(), 0, 0
        total = max(1, sum(p.stat().st_size for folder in top for p in folder.rglob("*")
                           if p.is_file()))

        def copied(path: Path) -> None:
            nonlocal count, copied_bytes
            count, copied_bytes = count + 1, copied_bytes + path.stat().st_size
            progress.show(f"Copying the payload: {100 * copied_bytes // total}% ({count} files)")

        for folder in top:
            copy_tree(folder, medium / folder.name, date, copied)
        progress.done(f"Medium:    {out / 'medium'}  ({count + 1} files,"
                      f" {copied_bytes + program.stat().st_size:,} bytes)")
        placed = medium / PROGRAM_NAME
        if signing:
            sign(program, placed, Path(cert), key, args.pkcs11_module, args.timestamp, date)
            signed_by = run(["openssl", "x509", "-noout", "-subject", "-in", cert],
                            "reading the certificate")[0]
        else:
            shutil.copyfile(program, placed)
            signed_by = None
        os.chmod(placed, 0o644)
        os.utime(placed, (date, date))
        os.utime(medium, (date, date))
        run([CHECK_EXE, placed, "pe32"], "checking the program")
        image = work / IMAGE_NAME
        make_image(medium, image, date)
        if image.stat().st_size > args.size:
            raise Refused(f"the image is {image.stat().st_size:,} bytes, larger than the"
                          f" medium's {args.size:,} bytes (--size)")
        sums = {f"medium/{PROGRAM_NAME}": sha256(placed), IMAGE_NAME: sha256(image)}
        program_size, image_bytes = placed.stat().st_size, image.stat().st_size
        (work / "SHA256SUMS").write_text("".join(f"{h}  {n}\n" for n, h in sums.items()))
        os.chmod(work, 0o755)
        work.rename(out)  # replaces an empty OUT
    except BaseException:
        hold_signals()  # the clean-up itself is never cut short
        shutil.rmtree(work, ignore_errors=True)
        if made is not None and made != out:
            shutil.rmtree(made, ignore_errors=True)
        raise

    print(f"Program:   {PROGRAM_NAME}  32-bit, {program_size:,} bytes, "
          f"sha256 {sums['medium/' + PROGRAM_NAME]}")
    if signed_by:
        stamp = f"time stamp from {args.timestamp}" if args.timestamp else "no time stamp"
        print(f"           signed (SHA-256, {stamp}) by {signed_by}")
    else:
        print("           unsigned: the elevation prompt will name an unknown publisher "
              "(sign with --cert and --key)")
    print(f"Image:     {out / IMAGE_NAME}  volume {VOLUME_ID}, {image_bytes:,} bytes, "
          f"sha256 {sums[IMAGE_NAME]}")
    print(f"Checksums: {out / 'SHA256SUMS'}")
    return EXIT_MADE


def main() -> int:
    parser = argparse.ArgumentParser(
        prog="scripts/medium", description=__doc__.split("\n\n")[0],
        epilog="Exit codes: 0 made, 1 refused, 2 usage, 3 a tool or the build failed, "
               "130/143 interrupted. Example: scripts/medium ~/zant-140-payload ~/zant-140-medium")
    parser.add_argument("payload", help="the folder holding DocsX Docs DB Macros Flags EXE")
    parser.add_argument("out", help="a new or empty folder for the medium and its image")
    parser.add_argument("--check", action="store_true",
                        help="check everything, build the program, and write nothing to OUT")
    parser.add_argument("--strict", action="store_true", help="refuse on every warning")
    parser.add_argument("--program", help="this 32-bit ZANTUpdate.exe instead of a new build")
    parser.add_argument("--size", type=medium_size, default=MEDIA["cd"], metavar="MEDIUM",
                        help=f"the medium the image must fit: {', '.join(MEDIA)} or a number of"
                             " bytes (default cd, 700 MB)")
    parser.add_argument("--cert", help="signing certificate, PEM (or ZANT_SIGN_CERT)")
    parser.add_argument("--key", help="its private key: a PEM file, unencrypted, or with"
                        " --pkcs11-module a PKCS#11 URI (or ZANT_SIGN_KEY)")
    parser.add_argument("--pkcs11-module", metavar="MODULE",
                        help="the token's PKCS#11 library; its PIN comes from ZANT_SIGN_PIN")
    parser.add_argument("--timestamp", metavar="URL",
                        help="an RFC 3161 time-stamp server for the signature")
    args = parser.parse_args()
    cert = args.cert or os.environ.get("ZANT_SIGN_CERT")
    key = args.key or os.environ.get("ZANT_SIGN_KEY")
    if bool(cert) != bool(key):
        parser.error("signing needs both a certificate (--cert) and its key (--key)")
    if (args.timestamp or args.pkcs11_module) and not cert:
        parser.error("--timestamp and --pkcs11-module need a certificate and key to sign with")

    stopped_by = []

    def interrupt(signum, frame):
        stopped_by.append(signum)
        raise Interrupted(signum)

    signal.signal(signal.SIGINT, interrupt)
    signal.signal(signal.SIGTERM, interrupt)
    try:
        try:
            return make(args)
        finally:
            hold_signals()
    # A tool that the same Ctrl+C ended may fail before the interruption is seen.
    except (Refused, Failed, Interrupted) as ending:
        if stopped_by:
            say(f"interrupted; nothing was written to {args.out}")
            return 128 + stopped_by[0]
        if isinstance(ending, Refused):
            say(f"refused: {ending}; nothing was written to {args.out}")
            return EXIT_REFUSED
        for line in ending.output:
            print(line, file=sys.stderr)
        say(f"{ending}; nothing was written to {args.out}")
        return EXIT_FAILED
