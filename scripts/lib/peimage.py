"""Reading Windows images (PE32 and PE32+) from their bytes: headers, sections, data
directories, and what the image imports and exports.

Shared by import-slots, pe-imports, floor-check and relay-check. Only the standard library.

What an image imports comes from two places:
- the import table (data directory 1): the loader binds every entry before any code runs, and
  refuses to start the program when a library or one of these functions is missing;
- the delay-import descriptors: each names a library, its handle slot, its address table and its
  name table; the MinGW runtime's __delayLoadHelper2 loads the library and binds one function on
  its first call. Data directory 13 should point at them, but GNU ld leaves it empty although
  the descriptors dlltool made are in the image (binutils 2.40, both machines). When directory 13
  is empty the sections are therefore searched for descriptors: attributes 1 (addresses are
  RVAs), the name, handle, address-table and name-table RVAs inside the image, a library name
  ending in .dll, and a name table of at least one entry, each an ordinal or the RVA of a
  hint/name entry whose name is a plain identifier.
"""

from __future__ import annotations

import dataclasses
import re
import struct

MACHINES = {0x14C: "i386", 0x8664: "x86-64"}
IMAGE_SCN_MEM_EXECUTE = 0x20000000
DIRECTORY_EXPORT, DIRECTORY_IMPORT, DIRECTORY_RELOCATIONS, DIRECTORY_DELAY_IMPORT = 0, 1, 5, 13
DELAY_DESCRIPTOR_SIZE = 32

_DLL_NAME = re.compile(rb"[A-Za-z0-9_.\-]{1,64}\.dll", re.IGNORECASE)
_FUNCTION_NAME = re.compile(rb"[A-Za-z_?@$][A-Za-z0-9_?@$]{0,254}")


@dataclasses.dataclass(frozen=True)
class Section:
    name: str
    rva: int
    size: int  # in memory: the larger of the virtual size and the raw size
    raw: int  # file offset of its data
    raw_size: int
    flags: int


@dataclasses.dataclass(frozen=True)
class Import:
    """One imported function. dll is lower case without .dll ("kernel32"); name is the function's
    name, or "#N" for an import by ordinal N; how is "static" or "delay"."""

    dll: str
    name: str
    how: str


def dll_key(name: str) -> str:
    """A library name as the tools compare them: lower case, without a .dll ending."""
    name = name.lower()
    return name[:-4] if name.endswith(".dll") else name


class Image:
    def __init__(self, path: str, data: bytes | None = None):
        self.path = path
        if data is None:
            with open(path, "rb") as file:
                data = file.read()
        self.data = data
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError("not a Windows image")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        self.machine, nsec = struct.unpack_from("<HH", data, pe + 4)
        if self.machine not in MACHINES:
            raise ValueError(f"unknown machine 0x{self.machine:x}")
        opt_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        if magic == 0x10B:
            self.format, self.width = "pe32", 4
            self.base = struct.unpack_from("<I", data, opt + 28)[0]
            directories = opt + 96
        elif magic == 0x20B:
            self.format, self.width = "pe32+", 8
            self.base = struct.unpack_from("<Q", data, opt + 24)[0]
            directories = opt + 112
        else:
            raise ValueError(f"unknown optional header 0x{magic:x}")
        # These fields sit at the same offsets in both formats.
        self.os_version = struct.unpack_from("<HH", data, opt + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, opt + 48)
        self.size, self.headers_size = struct.unpack_from("<II", data, opt + 56)
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(16)]
        self.sections = []
        for i in range(nsec):
            o = opt + opt_size + 40 * i
            name = data[o:o + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, rva, raw_size, raw = struct.unpack_from("<IIII", data, o + 8)
            flags = struct.unpack_from("<I", data, o + 36)[0]
            self.sections.append(Section(name, rva, max(vsize, raw_size), raw, raw_size, flags))

    # --- reading by RVA -----------------------------------------------------------------------

    def section_of(self, rva: int) -> Section | None:
        for section in self.sections:
            if section.rva <= rva < section.rva + section.size:
                return section
        return None

    def inside(self, rva: int) -> bool:
        return 0 < rva < self.size

    def read(self, rva: int, size: int) -> bytes | None:
        """The image's initial bytes at rva; None where the file holds none (zero-filled)."""
        section = self.section_of(rva)
        if section is None or rva - section.rva + size > section.raw_size:
            return None
        offset = section.raw + rva - section.rva
        return self.data[offset:offset + size]

    def word32(self, rva: int) -> int:
        raw = self.read(rva, 4)
        return struct.unpack("<I", raw)[0] if raw else 0

    def word(self, rva: int) -> int | None:
        """A slot's initial value; None where the image holds no data for it (zero-filled)."""
        raw = self.read(rva, self.width)
        if raw is None:
            return None
        return struct.unpack("<I" if self.width == 4 else "<Q", raw)[0]

    def string(self, rva: int, limit: int = 256) -> bytes | None:
        section = self.section_of(rva)
        if section is None:
            return None
        start = section.raw + rva - section.rva
        end = section.raw + section.raw_size
        stop = self.data.find(b"\0", start, min(end, start + limit))
        return None if stop < 0 else self.data[start:stop]

    def executable(self, rva: int) -> bool:
        section = self.section_of(rva)
        return section is not None and bool(section.flags & IMAGE_SCN_MEM_EXECUTE)

    # --- imports ------------------------------------------------------------------------------

    def _thunk_names(self, rva: int, strict: bool) -> list[str] | None:
        """The names of a name table (ordinals as "#N"); None when strict and an entry is not
        a valid name (the table is then not one)."""
        ordinal_flag = 1 << (8 * self.width - 1)
        names = []
        while True:
            value = self.word(rva)
            if value is None:
                return None if strict else names
            if value == 0:
                return names
            if value & ordinal_flag:
                names.append(f"#{value & 0xFFFF}")
            else:
                if not self.inside(value & 0x7FFFFFFF):
                    return None if strict else names
                name = self.string(value + 2)
                if name is None or (strict and not _FUNCTION_NAME.fullmatch(name)):
                    return None if strict else names
                names.append(name.decode("ascii", "replace"))
            rva += self.width
            if len(names) > 65536:
                return None

    def static_imports(self) -> list[Import]:
        rva, _ = self.directories[DIRECTORY_IMPORT]
        found = []
        while rva:
            names, _, _, dll_name, first_thunk = struct.unpack(
                "<IIIII", self.read(rva, 20) or bytes(20))
            if dll_name == 0 and first_thunk == 0:
                break
            dll = dll_key((self.string(dll_name) or b"?").decode("ascii", "replace"))
            for name in self._thunk_names(names or first_thunk, strict=False) or []:
                found.append(Import(dll, name, "static"))
            rva += 20
        return found

    def _delay_descriptor(self, rva: int) -> list[Import] | None:
        raw = self.read(rva, DELAY_DESCRIPTOR_SIZE)
        if raw is None:
            return None
        attributes, name, handle, iat, int_, bound, unload, _ = struct.unpack("<8I", raw)
        if attributes != 1 or not all(self.inside(x) for x in (name, handle, iat, int_)):
            return None
        if any(x and not self.inside(x) for x in (bound, unload)):
            return None
        dll_name = self.string(name, 80)
        if dll_name is None or not _DLL_NAME.fullmatch(dll_name):
            return None
        names = self._thunk_names(int_, strict=True)
        if not names:
            return None
        dll = dll_key(dll_name.decode("ascii"))
        return [Import(dll, n, "delay") for n in names]

    def delay_imports(self) -> tuple[list[Import], bool]:
        """The delay imports, and whether they were found by searching the sections (data
        directory 13 empty) rather than through the directory."""
        rva, _ = self.directories[DIRECTORY_DELAY_IMPORT]
        found = []
        if rva:
            while (imports := self._delay_descriptor(rva)) is not None:
                found += imports
                rva += DELAY_DESCRIPTOR_SIZE
            return found, False
        for section in self.sections:
            for offset in range(0, section.raw_size - DELAY_DESCRIPTOR_SIZE + 1, 4):
                # Cheap test first: attributes 1 is rare in code and data.
                if self.data[section.raw + offset:section.raw + offset + 4] != b"\1\0\0\0":
                    continue
                imports = self._delay_descriptor(section.rva + offset)
                if imports:
                    found += imports
        return found, True

    def imports(self) -> tuple[list[Import], bool]:
        """Every import, static then delay; and whether the delay imports were searched for."""
        delay, searched = self.delay_imports()
        return self.static_imports() + delay, searched

    # --- exports ------------------------------------------------------------------------------

    def exports(self) -> dict[str, str | None]:
        """Exported names -> the forwarder ("NTDLL.RtlEnterCriticalSection") or None."""
        rva, size = self.directories[DIRECTORY_EXPORT]
        if not rva:
            return {}
        header = self.read(rva, 40)
        if header is None:
            return {}
        _, _, _, _, _, _, _, count, functions, names, ordinals = struct.unpack(
            "<IIHHIIIIIII", header)
        found = {}
        for i in range(count):
            name = self.string(self.word32(names + 4 * i))
            index = struct.unpack("<H", self.read(ordinals + 2 * i, 2) or b"\0\0")[0]
            target = self.word32(functions + 4 * index)
            forward = None
            if rva <= target < rva + size:
                forward = (self.string(target) or b"").decode("ascii", "replace")
            if name is not None:
                found[name.decode("ascii", "replace")] = forward
        return found
