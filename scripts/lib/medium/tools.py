"""The tools a run needs, and running one with its output lines."""

from __future__ import annotations

import shutil
import subprocess
from pathlib import Path

from .report import Failed

TOOLS = {  # command: Debian package
    "xorriso": "xorriso",
    "i686-w64-mingw32-objdump": "binutils-mingw-w64-i686",  # scripts/lib/check-exe
}
SIGNING_TOOLS = {"osslsigncode": "osslsigncode", "openssl": "openssl"}
BUILD_TOOLS = {"cmake": "cmake", "ninja": "ninja-build",
               "i686-w64-mingw32-g++-win32": "g++-mingw-w64-i686-win32",
               "i686-w64-mingw32-windres": "binutils-mingw-w64-i686"}


def run(command: list, what: str, on_line=None, stdin: str | None = None,
        **options) -> list[str]:
    """Runs a tool, its output and error lines merged; returns them. on_line sees each line as it
    comes (lines end at a line feed or a carriage return). A failure raises Failed with the lines;
    the tool never outlives an interrupted run."""
    try:
        process = subprocess.Popen([str(c) for c in command], stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT,
                                   stdin=subprocess.PIPE if stdin is not None else
                                   subprocess.DEVNULL, **options)
    except OSError as error:
        raise Failed(f"{what} failed: {command[0]}: {error.strerror}")
    lines = []
    try:
        if stdin is not None:
            process.stdin.write(stdin.encode())
            process.stdin.close()
        for raw in iter(lambda: process.stdout.readline(), b""):
            for line in raw.decode("utf-8", "replace").replace("\r", "\n").splitlines():
                if line.strip():
                    lines.append(line)
                    if on_line:
                        on_line(line)
        code = process.wait()
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    if code != 0:
        raise Failed(f"{what} failed ({Path(str(command[0])).name} exit code {code})", lines)
    return lines


def missing_tools(building: bool, signing: bool) -> list[str]:
    needed = TOOLS | (BUILD_TOOLS if building else {}) | (SIGNING_TOOLS if signing else {})
    return [f"{command}: not found; install the Debian package {package}"
            for command, package in needed.items() if shutil.which(command) is None]
