"""The medium's program: building it from this source tree, and checking one that is given or
built."""

from __future__ import annotations

import re
import time
from pathlib import Path

from . import PROGRAM_NAME, ROOT
from .payload import pe_image
from .report import Failed, Progress
from .tools import run

BUILD_DIR = ROOT / "build" / "medium"
CHECK_EXE = ROOT / "scripts" / "lib" / "check-exe"
PROGRAM_VERSION = "1.40"


def program_fault(program: Path) -> str | None:
    """Why this file cannot be the medium's program, or None."""
    if program.name.lower() != PROGRAM_NAME.lower():
        return f"not {PROGRAM_NAME}, the program the medium starts"
    try:
        image = pe_image(program)
    except OSError as error:
        return f"cannot be read: {error.strerror}"
    if image is None or image.library:
        return "not a Windows program (PE exe)"
    if image.bitness != "32-bit":
        return (f"a {image.bitness} program; the medium's program is the 32-bit build, the only"
                " one that registers the medium's 32-bit libraries")
    if image.version != PROGRAM_VERSION:
        found = f"says {image.version}" if image.version else "is missing"
        return f"its version resource {found}; the medium's program is {PROGRAM_VERSION}"
    try:
        run([CHECK_EXE, program, "pe32", "--floor=95,NT4"], "check-exe")
    except Failed as failure:
        detail = failure.output[-1] if failure.output else str(failure)
        return f"check-exe refuses it: {detail.removeprefix(f'{program}: ')}"
    return None


def build_program() -> Path:
    """Configures the win32 preset afresh in a build folder of its own and builds the program:
    no cache and no setting of another configuration can reach it."""
    progress, started = Progress(), time.monotonic()
    progress.show("Building the 32-bit program (preset win32) ...")

    def show(line: str) -> None:
        step = re.match(r"\[(\d+/\d+)\]", line)
        if step:
            progress.show(f"Building the 32-bit program: {step.group(1)}")

    for command, what in (
            (["cmake", "--preset", "win32", "-B", BUILD_DIR, "--fresh", "-DBUILD_TESTING=OFF"],
             "configuring the win32 build"),
            (["cmake", "--build", BUILD_DIR, "--target", "ZANTUpdate"], "building the program")):
        try:
            run(command, what, on_line=show, cwd=ROOT)
        except Failed as failure:
            progress.clear()
            # The compiler's own lines: from ninja's first FAILED line on.
            lines = failure.output
            first = next((i for i, line in enumerate(lines) if line.startswith("FAILED:")), None)
            failure.output = [line for line in lines[first:] if not line.startswith("ninja:")] \
                if first is not None else lines[-30:]
            raise
    program = BUILD_DIR / PROGRAM_NAME
    progress.done(f"Built:     {program}  ({time.monotonic() - started:.0f} s)")
    return program
