"""Which Windows has each Win32 function: scripts/lib/winapi-floor.tsv, read and checked, and the
floor check of an image's imports against it (scripts/lib/floor-check).

A target is one Windows: 95, 98 and ME (the 95 family), NT4 (NT 4.0 SP6a), 2000 (SP4) and XP
(SP3) on the NT side, and the later ones for completeness. Each later version of a family
exports what the earlier ones did, so checking the oldest of each family covers the family.

For a target, a row's function is
- exported when the target's libraries have it under that name: a static import then loads, a
  delay import or a GetProcAddress lookup finds it;
- implemented when it also does its work there. On the 95 family most W functions are exported
  as stubs that fail (first_9x "stub", or "stub98" for those added as stubs in 98): loading is
  fine, calling is not. On the NT family every exported function is implemented.
"""

from __future__ import annotations

import dataclasses
import re
from pathlib import Path

import peimage

TABLE = Path(__file__).resolve().with_name("winapi-floor.tsv")
COLUMNS = ("dll", "function", "first_9x", "first_nt", "stub_call", "source")
# stub_call: "-", or "copes: <why>", or "copes with <argument>: <why>" (L"msvcrt.dll"), which
# lets through only the calls whose logged arguments contain that text.
STUB_CALL = re.compile(r'copes(?: with (?P<argument>L?"[^"]+"))?: (?P<why>\S.*)')

FAMILY_9X = ("95", "98", "ME")
FIRST_9X = FAMILY_9X + ("stub", "stub98", "none")
# Oldest first. Server 2003 SP1 (and XP x64) brought the WoW64 file-system functions; no 32-bit
# XP has them, so it comes after XP SP3 here.
NT_ORDER = ("NT3.51", "NT4", "NT4SP1", "NT4SP2", "NT4SP3", "NT4SP4", "NT4SP5", "NT4SP6",
            "2000", "XP", "XPSP1", "XPSP2", "XPSP3", "Server2003SP1", "Vista", "7", "8", "8.1",
            "10")


class TableError(ValueError):
    pass


@dataclasses.dataclass(frozen=True)
class Target:
    name: str  # as written on the command line: "95", "NT4"
    title: str
    family: str  # "9x" or "nt"
    version: str  # an entry of FAMILY_9X or NT_ORDER


TARGETS = {t.name.lower(): t for t in (
    Target("95", "Windows 95", "9x", "95"),
    Target("98", "Windows 98", "9x", "98"),
    Target("ME", "Windows ME", "9x", "ME"),
    Target("NT4", "Windows NT 4.0 SP6a", "nt", "NT4SP6"),
    Target("2000", "Windows 2000 SP4", "nt", "2000"),
    Target("XP", "Windows XP SP3", "nt", "XPSP3"),
    Target("Vista", "Windows Vista", "nt", "Vista"),
    Target("7", "Windows 7", "nt", "7"),
    Target("8", "Windows 8", "nt", "8"),
    Target("10", "Windows 10", "nt", "10"),
)}


def target(name: str) -> Target:
    try:
        return TARGETS[name.strip().lower()]
    except KeyError:
        raise ValueError(f"unknown Windows {name!r} (one of: "
                         f"{', '.join(t.name for t in TARGETS.values())})") from None


def targets(names: str) -> list[Target]:
    """"95,NT4" -> the two targets."""
    found = [target(n) for n in names.split(",") if n.strip()]
    if not found:
        raise ValueError("no Windows named")
    return found


@dataclasses.dataclass(frozen=True)
class Row:
    dll: str
    function: str
    first_9x: str
    first_nt: str
    stub_call: str  # "-", or why a call that fails on the 95 family does no harm (STUB_CALL)
    source: str

    def exported(self, t: Target) -> bool:
        if t.family == "nt":
            return NT_ORDER.index(self.first_nt) <= NT_ORDER.index(t.version)
        if self.first_9x == "stub":
            return True
        if self.first_9x == "stub98":
            return t.version != "95"
        return self.implemented(t)

    def implemented(self, t: Target) -> bool:
        if t.family == "nt":
            return self.exported(t)
        return (self.first_9x in FAMILY_9X
                and FAMILY_9X.index(self.first_9x) <= FAMILY_9X.index(t.version))

    @property
    def copes(self) -> str | None:
        """Why a call of the stub is harmless, when the row says so."""
        match = STUB_CALL.fullmatch(self.stub_call)
        return match["why"] if match else None

    @property
    def copes_argument(self) -> str | None:
        """The argument a call must have for copes_with to let it through, if any."""
        match = STUB_CALL.fullmatch(self.stub_call)
        return match["argument"] if match else None

    def copes_with(self, arguments: str) -> str | None:
        """Why this call (its arguments as Wine logs them) of the stub is harmless, if it is."""
        match = STUB_CALL.fullmatch(self.stub_call)
        if match is None:
            return None
        if match["argument"] and match["argument"].lower() not in arguments.lower():
            return None
        return match["why"]

    def floors(self) -> str:
        return f"95 family: {self.first_9x}; NT: {self.first_nt}"


def sort_key(dll: str, function: str) -> tuple:
    return (dll, function.lower(), function)


class Table:
    def __init__(self, rows: list[Row], path: Path):
        self.rows = rows
        self.path = path
        self._rows = {(r.dll, r.function): r for r in rows}
        self._by_name: dict[str, list[Row]] = {}
        for r in rows:
            self._by_name.setdefault(r.function, []).append(r)

    def get(self, dll: str, function: str) -> Row | None:
        return self._rows.get((peimage.dll_key(dll), function))

    def named(self, function: str) -> list[Row]:
        return self._by_name.get(function, [])


def load_table(path: Path | str = TABLE) -> Table:
    """Reads the table, refusing a malformed one: columns, known values, a source for every
    row, no duplicates, sorted by dll and function (letter case aside)."""
    path = Path(path)
    rows: list[Row] = []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        where = f"{path}:{number}"
        if len(fields) != len(COLUMNS):
            raise TableError(f"{where}: {len(fields)} columns, not {len(COLUMNS)} "
                             f"({', '.join(COLUMNS)}), tab-separated")
        row = Row(*(f.strip() for f in fields))
        if row.dll != row.dll.lower() or row.dll.endswith(".dll") or not row.dll:
            raise TableError(f"{where}: dll {row.dll!r}: lower case, without .dll")
        if not row.function:
            raise TableError(f"{where}: no function")
        if row.first_9x not in FIRST_9X:
            raise TableError(f"{where}: first_9x {row.first_9x!r} is not one of "
                             f"{', '.join(FIRST_9X)}")
        if row.first_nt not in NT_ORDER:
            raise TableError(f"{where}: first_nt {row.first_nt!r} is not one of "
                             f"{', '.join(NT_ORDER)}")
        if row.stub_call != "-" and not STUB_CALL.fullmatch(row.stub_call):
            raise TableError(f"{where}: stub_call is '-', 'copes: <why>' or "
                             "'copes with L\"<argument>\": <why>'")
        if row.stub_call != "-" and row.first_9x in FAMILY_9X:
            raise TableError(f"{where}: stub_call for a function the 95 family implements")
        if not row.source:
            raise TableError(f"{where}: no source")
        if rows and sort_key(row.dll, row.function) <= sort_key(rows[-1].dll,
                                                                rows[-1].function):
            what = "twice" if (row.dll, row.function) == (rows[-1].dll, rows[-1].function) \
                else f"out of order (after {rows[-1].dll} {rows[-1].function})"
            raise TableError(f"{where}: {row.dll} {row.function} {what}")
        rows.append(row)
    return Table(rows, path)


# --- the floor check ----------------------------------------------------------------------------

HOW = {"static": "static import", "delay": "delay import"}
CONSEQUENCE = {"static": "the program does not start there",
               "delay": "its first call ends the program there"}


def floor_faults(image: peimage.Image, imports: list[peimage.Import], wanted: list[Target],
                 table: Table) -> list[str]:
    """One line per fault: an import a target does not export, an import the table does not
    know, a header version other than 4.0."""
    faults = []
    for what, version in (("subsystem version", image.subsystem_version),
                          ("OS version", image.os_version)):
        if version != (4, 0):
            faults.append(f"{what} {version[0]}.{version[1]}, not 4.0: the 95 family starts "
                          "only images of subsystem version 4.0 or older; keep both at 4.0 as "
                          "binutils sets them")
    known = [(imp, table.get(imp.dll, imp.name)) for imp in imports]
    for t in wanted:
        faults += [f"{imp.name} ({imp.dll}, {HOW[imp.how]}): not in {t.title}: "
                   f"{CONSEQUENCE[imp.how]} ({row.floors()})"
                   for imp, row in known if row is not None and not row.exported(t)]
    faults += [f"{imp.name} ({imp.dll}, {HOW[imp.how]}): unknown: add a row with its source to "
               f"{table.path.name}" for imp, row in known if row is None]
    return faults


def stubbed(imports: list[peimage.Import], t: Target, table: Table) -> list[peimage.Import]:
    """The imports a target exports only as stubs."""
    found = []
    for imp in imports:
        row = table.get(imp.dll, imp.name)
        if row is not None and row.exported(t) and not row.implemented(t):
            found.append(imp)
    return found
