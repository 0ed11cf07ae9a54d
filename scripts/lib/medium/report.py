"""What a run says: one line per message on the standard error, one line of progress on a
terminal, and the two ways a run ends short of a medium."""

from __future__ import annotations

import sys


class Refused(Exception):
    """The input is refused (exit 1); the text is the one line that says why."""


class Failed(Exception):
    """A tool or the build failed (exit 3); its own output lines come with it."""

    def __init__(self, message: str, output: list[str] | None = None):
        super().__init__(message)
        self.output = output or []


def say(message: str) -> None:
    print(f"medium: {message}", file=sys.stderr)


class Progress:
    """One line that a long step keeps rewriting on a terminal, and nothing elsewhere."""

    def __init__(self) -> None:
        self.terminal = sys.stderr.isatty()
        self.shown = False

    def show(self, text: str) -> None:
        if self.terminal:
            sys.stderr.write(f"\r\033[K{text}")
            sys.stderr.flush()
            self.shown = True

    def clear(self) -> None:
        if self.shown:
            sys.stderr.write("\r\033[K")
            sys.stderr.flush()
            self.shown = False

    def done(self, summary: str) -> None:
        self.clear()
        print(summary, flush=True)
