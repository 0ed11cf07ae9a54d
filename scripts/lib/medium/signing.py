"""Signing the program: the certificate and key a run is given, and osslsigncode."""

from __future__ import annotations

import datetime
import os
import re
import time
from pathlib import Path

from .image import iso_date
from .report import Failed
from .tools import run

DESCRIPTION = "ZANT On CD 1.40 update"
A_YEAR = 365 * 24 * 3600


def signing_faults(cert: str, key: str, module: str | None,
                   payload: Path) -> tuple[list[str], list[str]]:
    """(refusals, warnings) for signing with this certificate and key: where they lie, then,
    when they can be read, the certificate itself."""
    refusals = []
    if module and not key.startswith("pkcs11:"):
        refusals.append(f"{key}: not a PKCS#11 key (pkcs11:token=...;object=...)")
    for path in filter(None, (cert, None if module else key)):
        resolved = Path(path).resolve()
        if resolved == payload or payload in resolved.parents:
            refusals.append(f"{path}: lies inside the payload; signing files never go on"
                            " the disc")
        elif not resolved.is_file():
            refusals.append(f"{path}: no such file for signing")
    if refusals:
        return refusals, []
    return certificate_faults(Path(cert))


def certificate_faults(cert: Path) -> tuple[list[str], list[str]]:
    """(refusals, warnings) for signing with this certificate."""
    try:
        text = "\n".join(run(["openssl", "x509", "-noout", "-text", "-in", cert],
                             "reading the certificate"))
    except Failed:
        return [f"{cert}: not a PEM certificate"], []
    refusals, warnings = [], []

    def date(label: str) -> float:
        found = re.search(rf"{label}\s*: (\w+ +\d+ [\d:]+ \d+) GMT", text)
        return datetime.datetime.strptime(found.group(1), "%b %d %H:%M:%S %Y").replace(
            tzinfo=datetime.timezone.utc).timestamp()

    now = time.time()
    not_before, not_after = date("Not Before"), date("Not After")
    if now < not_before:
        refusals.append(f"{cert}: the certificate is valid only from {iso_date(not_before)}")
    elif now >= not_after:
        refusals.append(f"{cert}: the certificate expired on {iso_date(not_after)}")
    elif not_after - now < A_YEAR:
        warnings.append(f"{cert}: the certificate expires on {iso_date(not_after)}, in less"
                        " than a year; without a time stamp (--timestamp) the signature is"
                        " no longer trusted after that")
    usage = re.search(r"X509v3 Extended Key Usage:.*\n\s*(.*)", text)
    if usage is None or "Code Signing" not in usage.group(1):
        refusals.append(f"{cert}: the certificate is not for code signing (extended key usage"
                        " Code Signing)")
    algorithm = re.search(r"Public Key Algorithm: (\S+)", text)
    bits = re.search(r"Public-Key: \((\d+) bit\)", text)
    if algorithm and algorithm.group(1) == "rsaEncryption":
        if bits is None or int(bits.group(1)) < 2048:
            refusals.append(f"{cert}: the certificate's RSA key has"
                            f" {bits.group(1) if bits else 'too few'} bits; Windows wants 2048"
                            " or more")
    elif not algorithm or algorithm.group(1) != "id-ecPublicKey":
        refusals.append(f"{cert}: the certificate's key is"
                        f" {algorithm.group(1) if algorithm else 'of no known kind'}; Windows"
                        " verifies RSA and ECDSA signatures only")
    return refusals, warnings


def sign(program: Path, signed: Path, cert: Path, key: str, module: str | None,
         timestamp: str | None, date: int) -> None:
    """Signs with SHA-256. The signing time is the fixed date, so that without a time stamp the
    same program and key give the same signed program."""
    command = ["osslsigncode", "sign", "-h", "sha256", "-certs", cert, "-key", key,
               "-n", DESCRIPTION, "-time", str(date)]
    pin = os.environ.get("ZANT_SIGN_PIN")
    if module:
        command += ["-pkcs11module", module]
        if pin is not None:
            command += ["-readpass", "/dev/stdin"]  # the PIN never shows on a command line
    if timestamp:
        command += ["-ts", timestamp]
    run(command + ["-in", program, "-out", signed], "signing the program",
        stdin=pin if module and pin is not None else None)
