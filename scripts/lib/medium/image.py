"""The medium folder and its image: the date every file gets, the copy of the payload, the
image's size and the image itself (xorriso), and the checksums."""

from __future__ import annotations

import datetime
import hashlib
import os
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

from . import PROGRAM_NAME, ROOT
from .report import Failed, Progress, Refused
from .tools import run

IMAGE_NAME = "ZANT140.iso"
VOLUME_ID = "ZANT140"
# Sizes of the media --size names, in bytes (2048-byte sectors of a recordable disc).
MEDIA = {"cd": 360_000 * 2048, "dvd": 2_295_104 * 2048, "dvd-dl": 4_173_824 * 2048,
         "bd": 12_219_392 * 2048}
EARLIEST_DATE = 315_532_800  # 1980-01-01, the earliest date a FAT disk holds


def source_date() -> int:
    """The date every file gets: SOURCE_DATE_EPOCH, or the time of the source tree's last
    commit. Never a made-up one."""
    text = os.environ.get("SOURCE_DATE_EPOCH")
    if text is not None:
        if not (text.isascii() and text.isdigit()):
            raise Refused(f"SOURCE_DATE_EPOCH is {text!r}, not a number of seconds since 1970")
        date = int(text)
    else:
        try:
            # The tree this tool runs from is trusted whoever owns it (a clone of a user's own
            # run as root): git would refuse to read another user's repository otherwise.
            result = subprocess.run(["git", "-c", "safe.directory=*", "-C", str(ROOT), "log",
                                     "-1", "--format=%ct"], capture_output=True, text=True)
            reason = result.stderr.strip().splitlines()[-1] if result.stderr.strip() else \
                "no commit"
            date = int(result.stdout) if result.returncode == 0 and result.stdout.strip() \
                else None
        except OSError as error:
            reason, date = f"git: {error.strerror}", None
        if date is None:
            raise Refused(f"no date for the medium's files: the source tree has no git history"
                          f" ({reason}) and SOURCE_DATE_EPOCH is not set")
    if date < EARLIEST_DATE:
        raise Refused(f"the date for the medium's files, {iso_date(date)}, lies before 1980;"
                      " set SOURCE_DATE_EPOCH to the release's date")
    return date


def iso_date(seconds: int | float) -> str:
    return datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).strftime(
        "%Y-%m-%d %H:%M UTC")


def copy_tree(source: Path, target: Path, date: int, copied) -> None:
    """Copies a payload folder in name order, with plain modes and the fixed date."""
    target.mkdir(mode=0o755)
    for entry in sorted(source.iterdir(), key=lambda p: p.name):
        if entry.is_dir():
            copy_tree(entry, target / entry.name, date, copied)
        else:
            shutil.copyfile(entry, target / entry.name)
            os.chmod(target / entry.name, 0o644)
            os.utime(target / entry.name, (date, date))
            copied(target / entry.name)
    os.utime(target, (date, date))


def xorriso(arguments: list, what: str, on_line=None, **options) -> list[str]:
    """Runs xorriso with the file names' character set given (the same image under any locale)
    and every warning a failure: a warning means a name changed or a file left out."""
    warnings = []

    def watch(line: str) -> None:
        if re.search(r": (WARNING|SORRY|FAILURE|FATAL|ABORT) :", line):
            warnings.append(line)
        elif on_line:
            on_line(line)

    command = ["xorriso", "-no_rc", "-local_charset", "UTF-8", "-report_about", "UPDATE",
               "-return_with", "WARNING", "32", *arguments]
    try:
        lines = run(command, what, on_line=watch, **options)
    except Failed as failure:
        failure.output = warnings or failure.output
        raise
    return lines


def image_size(payload_top: list[Path], program: Path) -> int:
    """The size of the image the medium will make, and xorriso's warnings, computed from the
    payload itself: nothing is written."""
    maps = []
    for folder in payload_top:
        maps += ["-map", folder, f"/{folder.name}"]
    try:
        # An image file that is never made: xorriso sizes an image file as it will write it.
        with tempfile.TemporaryDirectory(prefix="zant-medium-") as nowhere:
            lines = xorriso(["-outdev", Path(nowhere) / IMAGE_NAME, "-joliet", "on", "-follow",
                             "link", *maps, "-map", program, f"/{PROGRAM_NAME}", "-print_size",
                             "-rollback_end"], "computing the image's size")
    except Failed as failure:
        raise Refused("xorriso would change or leave out names on the image: "
                      + " | ".join(failure.output[:5]))
    sectors = next(int(m.group(1)) for m in (re.match(r"Image size\s*:\s*(\d+)s", line)
                                               for line in lines) if m)
    return sectors * 2048


def make_image(medium: Path, image: Path, date: int) -> None:
    """An ISO 9660 image with Joliet names (what Windows reads) and Rock Ridge (what Linux
    reads): owners root, files read-only as a disc gives them, every date the fixed one."""
    progress = Progress()

    def show(line: str) -> None:
        done = re.search(r"UPDATE : Writing: .*?(\d+(?:\.\d+)?)%", line)
        if done:
            progress.show(f"Making the image: {done.group(1)}%")

    xorriso(["-outdev", image, "-volid", VOLUME_ID, "-joliet", "on", "-map", medium, "/",
             "-chown_r", "0", "/", "--", "-chgrp_r", "0", "/", "--",
             "-find", "/", "-type", "f", "-exec", "chmod", "0444", "--",
             "-find", "/", "-type", "d", "-exec", "chmod", "0555", "--",
             "-volume_date", "all_file_dates", "set_to_mtime"], "making the image", on_line=show,
            env=dict(os.environ, SOURCE_DATE_EPOCH=str(date)))
    progress.clear()


def sha256(path: Path) -> str:
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()
