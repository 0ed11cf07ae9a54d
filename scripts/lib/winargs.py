"""How each Windows treats the arguments of a call: scripts/lib/winapi-args.tsv, read and checked,
and the judgement of the calls of a Wine relay trace against it (scripts/lib/relay-check, through
relaytrace.py).

winapi-floor.tsv says which functions a Windows has; this table says what it does with the
arguments the program passes: a code page, a flag or a style it does not know, a reason code it
records, memory one call hands out that only one other call may free, a call that must come
before others. Wine accepts every argument under every version setting, so only the table can
tell. Its header says how a row is written.
"""

from __future__ import annotations

import dataclasses
import re
from pathlib import Path

import winfloor

TABLE = Path(__file__).resolve().with_name("winapi-args.tsv")
COLUMNS = ("call", "when", "windows", "verdict", "effect", "source")
VERDICT = re.compile(r"defect|tag|copes: (?P<copes>\S.*)|record: (?P<record>\S.*)")

# Each family's targets, oldest first: a range runs within one family.
FAMILY_ORDER = {
    "9x": [t.name for t in winfloor.TARGETS.values() if t.family == "9x"],
    "nt": [t.name for t in winfloor.TARGETS.values() if t.family == "nt"],
}

_CALL = re.compile(r"[a-z0-9_]+\.[A-Za-z_][A-Za-z0-9_]*")
_NUMBER = r"0x[0-9A-Fa-f]+|\d+"
_STRING = r'L?"(?:[^"\\]|\\.)*"'
_CLAUSE = re.compile(rf"arg(?P<index>[1-9]\d*) (?P<op>=|!=|begins|has|any|lacks|is|tag) "
                     rf"(?P<value>{_NUMBER}|{_STRING}|[a-z][a-z0-9-]*)")


STRING_OPS = ("=", "!=", "begins")


class TableError(ValueError):
    pass


@dataclasses.dataclass(frozen=True)
class Clause:
    index: int  # from 1
    op: str  # = != begins has any lacks is tag
    value: int | str  # a number, a string (without quotes: =, != and begins) or a tag's name

    def text(self) -> str:
        value = f'"{self.value}"' if isinstance(self.value, str) and self.op in STRING_OPS \
            else (f"0x{self.value:X}" if isinstance(self.value, int) else self.value)
        return f"arg{self.index} {self.op} {value}"


@dataclasses.dataclass(frozen=True)
class Rule:
    file: str  # the table's file name
    line: int
    calls: tuple  # ((dll, function), ...)
    clauses: tuple  # (Clause, ...)
    before: tuple  # ((dll, function), ...): an order; empty otherwise
    read: str  # for record rows: what the trace cannot show
    windows: frozenset  # target names
    verdict: str  # defect, copes, tag, record
    why: str  # how the program copes, or where a record is covered
    effect: str
    source: str

    def holds_on(self, target: winfloor.Target) -> bool:
        return target.name in self.windows

    @property
    def judged(self) -> bool:
        """Whether a trace can show it: every row but the records."""
        return self.verdict != "record"

    def condition(self) -> str:
        text = " and ".join(c.text() for c in self.clauses if c.op != "tag")
        if self.before:
            first = ", ".join(f"{d}.{f}" for d, f in self.before)
            text = (text + " " if text else "") + f"before {first}"
        return text or "always"


def _number(text: str) -> int:
    return int(text, 16) if text.lower().startswith("0x") else int(text)


def _unquote(text: str) -> str:
    body = text[1:] if text.startswith("L") else text
    return re.sub(r"\\(.)", r"\1", body[1:-1])


def _calls(text: str, where: str) -> tuple:
    calls = []
    for name in text.split(","):
        if not _CALL.fullmatch(name):
            raise TableError(f"{where}: {name!r} is not dll.Function (dll in lower case, "
                             "without .dll; several comma-separated without blanks)")
        dll, function = name.split(".")
        calls.append((dll, function))
    return tuple(calls)


def _windows(text: str, where: str) -> frozenset:
    if text == "all":
        return frozenset(t.name for t in winfloor.TARGETS.values())
    found = set()
    for token in text.split():
        first, _, last = token.partition("-")
        try:
            start = winfloor.target(first)
            end = winfloor.target(last) if last else start
        except ValueError as error:
            raise TableError(f"{where}: {error}") from None
        if start.family != end.family:
            raise TableError(f"{where}: {token}: a range runs within one family")
        order = FAMILY_ORDER[start.family]
        low, high = order.index(start.name), order.index(end.name)
        if low > high:
            raise TableError(f"{where}: {token}: the older Windows comes first")
        found.update(order[low:high + 1])
    if not found:
        raise TableError(f"{where}: no Windows named")
    return frozenset(found)


def _when(text: str, where: str) -> tuple[tuple, tuple, str]:
    """(clauses, before, read) of the `when` column."""
    if text.startswith("read: "):
        return (), (), text[len("read: "):].strip()
    if text == "always":
        return (), (), ""
    before: tuple = ()
    if " before " in f" {text}":
        text, _, first = f" {text}".rpartition(" before ")
        text = text.strip()
        before = _calls(first.strip(), where)
    clauses = []
    for part in text.split(" and ") if text else []:
        match = _CLAUSE.fullmatch(part.strip())
        if not match:
            raise TableError(f"{where}: {part.strip()!r}: a clause is 'argN = V', 'argN != V', "
                             "'argN begins \"TEXT\"', 'argN has|any|lacks MASK', 'argN is TAG' "
                             "or 'argN tag TAG'")
        op, value = match["op"], match["value"]
        if value.startswith(("\"", "L\"")):
            if op not in STRING_OPS:
                raise TableError(f"{where}: {part.strip()!r}: a string only with =, != or "
                                 "begins")
            parsed: int | str = _unquote(value)
        elif re.fullmatch(_NUMBER, value):
            if op in ("is", "tag", "begins"):
                raise TableError(f"{where}: {part.strip()!r}: 'begins' takes a string, 'is' "
                                 "and 'tag' a tag's name")
            parsed = _number(value)
        else:
            if op not in ("is", "tag"):
                raise TableError(f"{where}: {part.strip()!r}: a number or a string")
            parsed = value
        clauses.append(Clause(int(match["index"]), op, parsed))
    return tuple(clauses), before, ""


def load_table(path: Path | str = TABLE) -> list[Rule]:
    """Reads the table, refusing a malformed row: columns, calls, conditions, Windows, verdicts
    and a source for every row."""
    path = Path(path)
    rules = []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        where = f"{path}:{number}"
        fields = [f.strip() for f in line.split("\t")]
        if len(fields) != len(COLUMNS):
            raise TableError(f"{where}: {len(fields)} columns, not {len(COLUMNS)} "
                             f"({', '.join(COLUMNS)}), tab-separated")
        call, when, windows, verdict, effect, source = fields
        match = VERDICT.fullmatch(verdict)
        if not match:
            raise TableError(f"{where}: verdict is 'defect', 'copes: <how>', 'tag' or "
                             "'record: <where it is covered>'")
        kind = verdict.split(":")[0]
        clauses, before, read = _when(when, where)
        tags = [c for c in clauses if c.op == "tag"]
        if (kind == "tag") != bool(tags) or len(tags) > 1:
            raise TableError(f"{where}: a tag row has one 'argN tag TAG' clause, and only a "
                             "tag row has one")
        if (kind == "record") != bool(read):
            raise TableError(f"{where}: a record row's condition is 'read: <what>', and only a "
                             "record row's is")
        if before and kind != "defect":
            raise TableError(f"{where}: an order ('before') is a defect row")
        if not effect or not source:
            raise TableError(f"{where}: no effect or no source")
        rules.append(Rule(path.name, number, _calls(call, where), clauses, before, read,
                          _windows(windows, where), kind,
                          match["copes"] or match["record"] or "", effect, source))
    known_tags = {c.value for r in rules for c in r.clauses if c.op == "tag"}
    for r in rules:
        for c in r.clauses:
            if c.op == "is" and c.value not in known_tags:
                raise TableError(f"{path}:{r.line}: no tag row names {c.value!r}")
    return rules


# --- the arguments of a relay trace's Call line --------------------------------------------------

_ARGUMENT = re.compile(rf'\s*(?P<number>[0-9a-fA-F]+)?\s*(?P<string>{_STRING})?\s*(?:,|$)')


@dataclasses.dataclass(frozen=True)
class Argument:
    number: int | None  # the value (a pointer for a string)
    string: str | None  # the text Wine shows for a str/wstr argument

    def equals(self, value: int | str) -> bool:
        if isinstance(value, str):
            return self.string is not None and self.string.lower() == value.lower()
        return self.number == value


def arguments(text: str) -> list[Argument]:
    """The arguments of a Call line as Wine logs them: 8 hex digits each, a string argument as
    its pointer and its text ('0040a000 L"EDIT"'), a null one as 00000000."""
    found = []
    at = 0
    while at < len(text):
        match = _ARGUMENT.match(text, at)
        if not match or match.end() == at:
            break
        number = int(match["number"], 16) if match["number"] else None
        string = _unquote(match["string"]) if match["string"] else None
        found.append(Argument(number, string))
        at = match.end()
    return found


def _holds(clause: Clause, args: list[Argument], tagged: dict) -> bool:
    if clause.index > len(args):
        return False
    arg = args[clause.index - 1]
    if clause.op == "=":
        return arg.equals(clause.value)
    if clause.op == "!=":
        return not arg.equals(clause.value)
    if clause.op == "begins":
        return arg.string is not None and arg.string.lower().startswith(clause.value.lower())
    if clause.op == "is":
        return arg.number is not None and arg.number in tagged.get(clause.value, ())
    if arg.number is None:
        return False
    if clause.op == "has":
        return arg.number & clause.value == clause.value
    if clause.op == "any":
        return arg.number & clause.value != 0
    if clause.op == "lacks":
        return arg.number & clause.value == 0
    return True  # tag: every call


@dataclasses.dataclass
class Finding:
    rule: Rule
    target: winfloor.Target
    dll: str
    function: str
    calls: int = 0
    sites: set = dataclasses.field(default_factory=set)

    @property
    def defect(self) -> bool:
        return self.rule.verdict == "defect"

    @property
    def word(self) -> str:
        return "DEFECT" if self.defect else "treated otherwise"

    def line(self) -> str:
        sites = len(self.sites)
        where = f"{self.calls} call{'s' * (self.calls != 1)} from {sites} " \
                f"place{'s' * (sites != 1)}"
        if self.rule.before:
            first = " or ".join(f"{d}.{f}" for d, f in self.rule.calls)
            clauses = " and ".join(c.text() for c in self.rule.clauses)
            which = f"before any {first}" + (f" with {clauses}" if clauses else "")
        else:
            which = self.rule.condition()
        how = "" if self.defect else f"; the program copes: {self.rule.why}"
        return (f"{self.word:<18} {self.dll}.{self.function} ({which}, {where}): on "
                f"{self.target.title}, {self.rule.effect}{how} "
                f"[{self.rule.file}:{self.rule.line}]")


class Judge:
    """Judges one trace's calls, in the order they were made, against the table for a target."""

    def __init__(self, rules: list[Rule], target: winfloor.Target):
        self.target = target
        self.rules = [r for r in rules if r.judged and (r.verdict == "tag" or r.holds_on(target))]
        self.by_call: dict[tuple, list[Rule]] = {}
        self.orders: dict[tuple, list[Rule]] = {}
        for r in self.rules:
            for call in r.calls:
                self.by_call.setdefault(call, []).append(r)
            for call in r.before:
                self.orders.setdefault(call, []).append(r)
        self.tagged: dict = {}  # pid -> tag -> values
        self.done: dict = {}  # pid -> the order rules whose first call has come
        self.findings: dict[tuple, Finding] = {}

    def _find(self, rule: Rule, dll: str, function: str, site: int) -> None:
        finding = self.findings.setdefault((rule.line, dll, function),
                                           Finding(rule, self.target, dll, function))
        finding.calls += 1
        finding.sites.add(site)

    def call(self, pid, dll: str, function: str, text: str, site: int) -> None:
        args = arguments(text)
        tagged = self.tagged.setdefault(pid, {})
        done = self.done.setdefault(pid, set())
        for rule in self.orders.get((dll, function), []):
            if rule.line not in done:
                done.add(rule.line)  # reported once per process
                self._find(rule, dll, function, site)
        for rule in self.by_call.get((dll, function), []):
            if not all(_holds(c, args, tagged) for c in rule.clauses):
                continue
            if rule.verdict == "tag":
                tag = next(c for c in rule.clauses if c.op == "tag")
                if tag.index <= len(args) and args[tag.index - 1].number:
                    tagged.setdefault(tag.value, set()).add(args[tag.index - 1].number)
            elif rule.before:
                done.add(rule.line)  # the call that had to come first has come
            else:
                self._find(rule, dll, function, site)

    def result(self) -> list[Finding]:
        order = {"defect": 0, "copes": 1}
        return sorted(self.findings.values(),
                      key=lambda f: (order[f.rule.verdict], f.dll, f.function.lower(), f.rule.line))
