"""Checking the payload against what a run reads from its medium (src/app/medium_files.txt),
against what the image and Windows would change in its names, and its programs and libraries
as Windows images."""

from __future__ import annotations

import os
import re
import stat
import struct
from dataclasses import dataclass
from pathlib import Path

from . import PROGRAM_NAME, ROOT

MEDIUM_LIST = ROOT / "src" / "app" / "medium_files.txt"
JOLIET_MAX_NAME = 64  # UCS-2 characters
JOLIET_MAX_PATH = 240  # bytes of UCS-2 for the whole path below the root
# Characters a Windows name cannot hold (Joliet forbids most of them too).
FORBIDDEN = set('\\/:*?"<>|;')
# Names Windows gives to devices, whatever the extension: an ordinary path holding one opens the
# device instead of the file.
RESERVED = {"CON", "PRN", "AUX", "NUL"} | {f"{port}{n}" for port in ("COM", "LPT")
                                           for n in "0123456789\u00b9\u00b2\u00b3"}
PRIVATE_KEY_SUFFIXES = (".pfx", ".p12", ".key")
PEM_PRIVATE_KEY = re.compile(rb"-----BEGIN (?:[A-Z0-9]+ )*PRIVATE KEY-----")

MACHINES = {0x14C: "32-bit", 0x8664: "64-bit"}
IMAGE_DLL = 0x2000  # COFF characteristics: the image is a library
RT_VERSION = b"\xbd\x04\xef\xfe"  # VS_FIXEDFILEINFO's signature


# ---------------------------------------------------------------------------------------------
# Reading the list, the programs and libraries


def read_list() -> list[tuple[str, str]]:
    """(path relative to the medium folder with backslashes, kind) from the list file."""
    entries = []
    for line in MEDIUM_LIST.read_text(encoding="utf-8").splitlines():
        words = line.split()
        if len(words) >= 2 and not words[0].startswith("#"):
            entries.append((words[0], words[1]))
    return entries


def simple_upper(name: str) -> str:
    """The name as Windows compares it: letter by letter, each upper-cased on its own."""
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in name)


def matching(folder: Path, name: str) -> list[Path]:
    """The entries of a folder that Windows takes for this name (any letter case)."""
    if not folder.is_dir():
        return []
    return sorted(p for p in folder.iterdir() if simple_upper(p.name) == simple_upper(name))


def find(payload: Path, windows_path: str) -> Path | None:
    """The payload entry for a listed path, its names matched without regard to case as
    Windows matches them; None when missing."""
    current = payload
    for part in windows_path.strip("\\").split("\\"):
        matches = matching(current, part)
        if len(matches) != 1:
            return None  # missing, or case twins (refused by the name check)
        current = matches[0]
    return current


@dataclass
class Image:
    bitness: str
    library: bool
    exports: set[str]
    version: str | None  # the file version of the version resource, as "1.40"


def pe_image(path: Path) -> Image | None:
    """What a Windows PE image is; None for anything else."""
    data = path.read_bytes()
    try:
        if data[:2] != b"MZ":
            return None
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            return None
        machine, section_count, _, _, _, optional_size, characteristics = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if machine not in MACHINES or magic not in (0x10B, 0x20B):
            return None
        directories = optional + (96 if magic == 0x10B else 112)
        export_rva = struct.unpack_from("<I", data, directories)[0]
        resource_rva = struct.unpack_from("<I", data, directories + 16)[0]
        sections = [struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
                    for i in range(section_count)]

        def offset(rva: int) -> int:
            for virtual_size, address, raw_size, raw in sections:
                if address <= rva < address + max(virtual_size, raw_size):
                    return raw + rva - address
            raise ValueError(f"address {rva:#x} in no section")

        names = set()
        if export_rva:
            exports = offset(export_rva)
            count, names_rva = struct.unpack_from("<II", data, exports + 24)[0], \
                struct.unpack_from("<I", data, exports + 32)[0]
            table = offset(names_rva)
            for i in range(count):
                start = offset(struct.unpack_from("<I", data, table + 4 * i)[0])
                names.add(data[start:data.index(b"\0", start)].decode("ascii", "replace"))
        version = None
        if resource_rva:
            # The fixed part of the version resource lies in the resource section's data.
            start = offset(resource_rva)
            end = next(raw + raw_size for _, address, raw_size, raw in sections
                       if raw <= start < raw + raw_size)
            found = data.find(RT_VERSION, start, end)
            if found >= 0:
                high = struct.unpack_from("<I", data, found + 8)[0]
                version = f"{high >> 16}.{high & 0xFFFF}"
    except (struct.error, ValueError, StopIteration):
        return None
    return Image(MACHINES[machine], bool(characteristics & IMAGE_DLL), names, version)


# ---------------------------------------------------------------------------------------------
# Checking the payload


def name_fault(name: str) -> str | None:
    """Why the image (or Windows) would change this name or read another thing, or None."""
    try:
        name.encode("utf-8")
    except UnicodeEncodeError:
        return "the name is not valid UTF-8 text"
    if any(ord(c) > 0xFFFF for c in name):
        return "the name has a character outside UCS-2, which Joliet cannot hold"
    bad = sorted({c for c in name if c in FORBIDDEN or ord(c) < 32})
    if bad:
        return f"the name has characters a Windows name cannot hold: {''.join(bad)!r}"
    if name.endswith((".", " ")):
        return "the name ends with a dot or a blank, which Windows drops"
    if len(name) > JOLIET_MAX_NAME:
        return f"the name is {len(name)} characters long; Joliet keeps only {JOLIET_MAX_NAME}"
    if name.split(".")[0].rstrip(" ").upper() in RESERVED:
        return "a name Windows reserves for a device; a run would open the device instead"
    return None


FILE_KINDS = ((stat.S_ISFIFO, "a FIFO"), (stat.S_ISSOCK, "a socket"),
              (stat.S_ISCHR, "a character device"), (stat.S_ISBLK, "a block device"))


def entry_fault(path: Path, payload: Path) -> str | None:
    """Why this entry of a medium folder cannot go on the disc as a folder or a plain file."""
    if path.is_symlink():
        target = Path(os.path.realpath(path))
        if not target.exists():
            return "a link to nothing"
        if target != payload and payload not in target.parents:
            return f"a link leading outside the payload (to {target})"
        if target.is_dir():
            return "a link to a folder; give the folder itself"
    try:
        mode = path.stat().st_mode
    except OSError as error:
        return f"cannot be read: {error.strerror}"
    for test, kind in FILE_KINDS:
        if test(mode):
            return f"not a plain file but {kind}"
    if stat.S_ISDIR(mode):
        return None if os.access(path, os.R_OK | os.X_OK) else "cannot be read: Permission denied"
    if path.name.lower().endswith(PRIVATE_KEY_SUFFIXES):
        return "a private key's file type (.pfx, .p12, .key); keys never go on the disc"
    try:
        with open(path, "rb") as f:
            tail = b""
            for block in iter(lambda: f.read(1 << 20), b""):
                if PEM_PRIVATE_KEY.search(tail + block):
                    return "holds a private key (a PEM private-key block); keys never go on the disc"
                tail = block[-64:]
    except OSError as error:
        return f"cannot be read: {error.strerror}"
    return None


def check_tree(payload: Path, top: list[Path]) -> tuple[list[str], list[str]]:
    """(refusals, warnings) for every entry below the medium's folders, one line each."""
    faults, warnings = [], []

    def check_folder(paths: list[Path], medium_folder: str) -> None:
        seen: dict[str, Path] = {}
        for path in sorted(paths):
            fault = name_fault(path.name)
            if fault:
                faults.append(f"{path}: {fault}")
            elif not path.name.isascii():
                # Windows 95, 98 and ME hand the updater names in the computer's ANSI code page,
                # which the publisher cannot know: a name that code page cannot hold reaches the
                # updater by its short name only, and is copied under it.
                kind = "folder" if path.is_dir() else "file"
                warnings.append(f"{path}: a name outside ASCII; on Windows 95, 98 and ME a"
                                " computer whose code page lacks one of its characters gets"
                                f" the {kind} under its short name")
            key = simple_upper(path.name)
            if key in seen:
                faults.append(f"{path}: differs only by case from {seen[key].name} in the same"
                              " folder; Windows sees one name")
            seen.setdefault(key, path)
            on_disc = f"{medium_folder}\\{path.name}".lstrip("\\")
            if 2 * len(on_disc) > JOLIET_MAX_PATH:
                faults.append(f"{path}: its path on the disc is {2 * len(on_disc)} bytes in"
                              f" Joliet, which holds at most {JOLIET_MAX_PATH} (120 characters)")

    def walk(folder: Path, medium_folder: str) -> None:
        try:
            entries = sorted(folder.iterdir())
        except OSError as error:
            faults.append(f"{folder}: cannot be read: {error.strerror}")
            return
        check_folder(entries, medium_folder)
        for entry in entries:
            fault = entry_fault(entry, payload)
            if fault:
                faults.append(f"{entry}: {fault}")
            elif entry.is_dir():
                walk(entry, f"{medium_folder}\\{entry.name}")

    check_folder(top + [payload / PROGRAM_NAME], "")
    for folder in top:
        fault = entry_fault(folder, payload)
        if fault:
            faults.append(f"{folder}: {fault}")
        else:
            walk(folder, folder.name)
    return faults, warnings


def check_payload(payload: Path, bitness: str) -> tuple[list[Path], list[str], list[str]]:
    """(the payload's top folders to put on the medium, refusals, warnings)."""
    refusals, warnings = [], []
    entries = read_list()
    top_names = list(dict.fromkeys(path.strip("\\").split("\\")[0] for path, _ in entries))
    top, twins, top_twins = [], set(), []
    for name in top_names:
        found = matching(payload, name)
        if len(found) > 1:
            twins.add(simple_upper(name))
            top_twins += found[1:]
            refusals.append(f"{found[1]}: differs only by case from {found[0].name} at the top"
                            " of the payload; Windows sees one folder")
        top += found[:1]

    for path, kind in entries:
        if simple_upper(path.split("\\")[0]) in twins:
            continue
        found = find(payload, path)
        shown = payload / path.strip("\\").replace("\\", "/")
        if kind == "folder":
            if found is None or not found.is_dir():
                refusals.append(f"{shown}: missing folder; every run reads it")
            continue
        if found is None or not found.is_file():
            if kind == "file":
                refusals.append(f"{shown}: missing file; the update stops without it")
            else:
                warnings.append(f"{shown}: missing shared component; the update will log it"
                                " and go on")
            continue
        if kind not in ("installer", "library"):
            continue
        try:
            image = pe_image(found)
        except OSError:
            continue  # the walk below names the unreadable file
        if kind == "installer":
            if image is None or image.library:
                refusals.append(f"{found}: not a Windows program (PE exe)")
        elif image is None or not image.library:
            refusals.append(f"{found}: not a Windows library (DLL)")
        elif image.bitness != bitness:
            refusals.append(f"{found}: a {image.bitness} library; the program is {bitness}")
        elif "DllRegisterServer" not in image.exports:
            refusals.append(f"{found}: does not export DllRegisterServer, so it cannot"
                            " register itself")

    removed = find(payload, "DocsX")
    if removed is not None and removed.is_dir() and not removed.is_symlink():
        for entry in sorted(removed.iterdir()):
            if entry.is_dir():
                refusals.append(f"{entry}: a folder in DocsX; DocsX names the documents to"
                                " remove, one empty file each")
    faults, cautions = check_tree(payload, top)
    refusals += faults
    warnings += cautions
    for entry in sorted(payload.iterdir()):
        if entry not in top + top_twins:
            warnings.append(f"{entry}: not part of the medium, left out")
    return top, refusals, warnings
