"""The publisher's tool that makes the update medium, scripts/medium, in modules by concern:

  cli      the command line, the order of the steps, exit codes and signals
  payload  the payload against what a run reads and what the image and Windows would change
  program  building the medium's program and checking one
  signing  the certificate and key, and signing the program
  image    the files' date, the medium folder, the image (xorriso) and its checksums
  tools    the tools a run needs, and running one
  report   messages, the line of progress, and the errors that end a run

The names every part uses are here."""

from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]  # scripts/lib/medium/ lies in the source tree
PROGRAM_NAME = "ZANTUpdate.exe"
