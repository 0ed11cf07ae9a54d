"""Writes the table of the floor build (floor_rule.cpp) from scripts/lib/winapi-floor.tsv: for
every function, the oldest Windows of each family that implements it.

    make_floor_table.py TSV OUT
"""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts" / "lib"))
import winfloor  # noqa: E402

# Each NT version of the table as GetVersionEx reports it: major, minor, service pack.
NT_VERSIONS = {
    "NT3.51": (3, 51, 0), "NT4": (4, 0, 0), "NT4SP1": (4, 0, 1), "NT4SP2": (4, 0, 2),
    "NT4SP3": (4, 0, 3), "NT4SP4": (4, 0, 4), "NT4SP5": (4, 0, 5), "NT4SP6": (4, 0, 6),
    "2000": (5, 0, 0), "XP": (5, 1, 0), "XPSP1": (5, 1, 1), "XPSP2": (5, 1, 2),
    "XPSP3": (5, 1, 3), "Server2003SP1": (5, 2, 1), "Vista": (6, 0, 0), "7": (6, 1, 0),
    "8": (6, 2, 0), "8.1": (6, 3, 0), "10": (10, 0, 0),
}
# The 95 family by its minor version: 95 is 4.0, 98 4.10, ME 4.90.
MINOR_9X = {"95": 0, "98": 10, "ME": 90}
NEVER = 999


def main(tsv: str, out: str) -> None:
    if set(NT_VERSIONS) != set(winfloor.NT_ORDER):
        raise SystemExit(f"the NT versions of the table changed: {winfloor.NT_ORDER}")
    table = winfloor.load_table(tsv)
    lines = ["// Made by tests/floor/make_floor_table.py from winapi-floor.tsv; do not edit.",
             "constexpr FloorRow kFloorRows[] = {"]
    for row in table.rows:
        minor_9x = MINOR_9X.get(row.first_9x, NEVER)  # stubs and missing ones: never there
        major, minor, pack = NT_VERSIONS[row.first_nt]
        lines.append(f'    {{"{row.dll}", "{row.function}", {minor_9x}, '
                     f'{major * 10000 + minor * 100 + pack}}},')
    lines.append("};")
    Path(out).write_text("\n".join(lines) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main(*sys.argv[1:])
