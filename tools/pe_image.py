"""Reads the parts of a PE file (Windows exe) that tools/exe-report, tools/exe-compare and
tools/rebuild-and-compare look at: header, sections, resources, and where two files differ."""
import hashlib
import struct

RT_VERSION, VS_VERSION_INFO = 16, 1
RT_ICON, RT_GROUP_ICON = 3, 14
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
VS_FFI_SIGNATURE = struct.pack("<I", 0xFEEF04BD)
COFF_FIELDS = [("Machine", 2), ("NumberOfSections", 2), ("TimeDateStamp", 4), ("PointerToSymbolTable", 4),
               ("NumberOfSymbols", 4), ("SizeOfOptionalHeader", 2), ("Characteristics", 2)]


def optional_header_fields(is64):
    """The optional header's fields with their sizes, in order; PE32+ widens five and drops BaseOfData."""
    word = 8 if is64 else 4
    fields = [("Magic", 2), ("MajorLinkerVersion", 1), ("MinorLinkerVersion", 1), ("SizeOfCode", 4),
              ("SizeOfInitializedData", 4), ("SizeOfUninitializedData", 4), ("AddressOfEntryPoint", 4),
              ("BaseOfCode", 4)] + ([] if is64 else [("BaseOfData", 4)]) + [
              ("ImageBase", word), ("SectionAlignment", 4), ("FileAlignment", 4),
              ("MajorOperatingSystemVersion", 2), ("MinorOperatingSystemVersion", 2), ("MajorImageVersion", 2),
              ("MinorImageVersion", 2), ("MajorSubsystemVersion", 2), ("MinorSubsystemVersion", 2),
              ("Win32VersionValue", 4), ("SizeOfImage", 4), ("SizeOfHeaders", 4), ("CheckSum", 4),
              ("Subsystem", 2), ("DllCharacteristics", 2), ("SizeOfStackReserve", word),
              ("SizeOfStackCommit", word), ("SizeOfHeapReserve", word), ("SizeOfHeapCommit", word),
              ("LoaderFlags", 4), ("NumberOfRvaAndSizes", 4)]
    directories = ["Export", "Import", "Resource", "Exception", "Certificate", "BaseRelocation", "Debug",
                   "Architecture", "GlobalPtr", "TLS", "LoadConfig", "BoundImport", "IAT", "DelayImport",
                   "CLR", "Reserved"]
    return fields + [("%s directory" % name, 8) for name in directories]


def _field_at(fields, start, offset):
    for name, size in fields:
        if start <= offset < start + size:
            return name
        start += size
    return None


class Pe:
    """The parts of a PE file the tools read themselves: header, sections, resources."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError("%s is not an exe" % path)
        self.pe_offset = pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s has no PE header" % path)
        self.machine, count, _, self.symbol_table, _, optional_size, self.characteristics = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.optional_offset = optional = pe + 24
        self.section_table_offset = optional + optional_size
        self.is64 = struct.unpack_from("<H", data, optional)[0] == 0x20B
        self.header_size = struct.unpack_from("<I", data, optional + 60)[0]
        self.sections = []
        for i in range(count):
            entry = optional + optional_size + 40 * i
            name = data[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
            if name.startswith("/"):  # a long name, kept in the string table after the symbols
                name = self._long_name(int(name[1:]))
            self.sections.append((name, raw_size, virtual_size, rva, raw_offset))

    def _long_name(self, offset):
        count = struct.unpack_from("<I", self.data, self.pe_offset + 16)[0]
        start = self.symbol_table + 18 * count + offset
        return self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")

    def section(self, name):
        return next((s for s in self.sections if s[0] == name), None)

    def resource(self, type_id, name_id):
        """The bytes of the first language of resource (type_id, name_id), or None."""
        rsrc = self.section(".rsrc")
        if not rsrc:
            return None
        _, _, _, rva, offset = rsrc

        def child(directory, wanted):
            named, ids = struct.unpack_from("<HH", self.data, offset + directory + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, offset + directory + 16 + 8 * i)
                if wanted is None or ident == wanted:
                    return target
            return None

        level = 0
        for wanted in (type_id, name_id, None):
            target = child(level, wanted)
            if target is None or (wanted is not None and not target & 0x80000000):
                return None
            level = target & 0x7FFFFFFF
        data_rva, size = struct.unpack_from("<II", self.data, offset + level)
        start = offset + data_rva - rva
        return self.data[start:start + size]

    def icon_images(self, group_id):
        """The images of icon group_id in the group's order, each as (width, height, bits per
        pixel, "PNG" or "BMP", its bytes); None when the exe has no such icon."""
        group = self.resource(RT_GROUP_ICON, group_id)
        if group is None:
            return None
        images = []
        for i in range(struct.unpack_from("<H", group, 4)[0]):
            image_id = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
            data = self.resource(RT_ICON, image_id) or b""
            if data.startswith(PNG_SIGNATURE):
                width, height, depth, colour = struct.unpack_from(">IIBB", data, 16)
                channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(colour, 0)
                images.append((width, height, depth * channels, "PNG", data))
            elif len(data) >= 40:
                width, height, _, bits = struct.unpack_from("<iiHH", data, 4)
                images.append((width, height // 2, bits, "BMP", data))  # colour and mask, one above the other
        return images

    def product_version(self):
        """The product version in the version record's fixed part, as "1.0.0.1", or None."""
        record = self.resource(RT_VERSION, VS_VERSION_INFO)
        # The fixed part follows a 6-byte header and the key L"VS_VERSION_INFO", padded to 32 bits.
        fixed = 40
        if record is None or len(record) < fixed + 24 or record[fixed:fixed + 4] != VS_FFI_SIGNATURE:
            return None
        most, least = struct.unpack_from("<II", record, fixed + 16)
        return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)

    def region(self, offset):
        """Where a file offset falls, in words: a header field, a section, or the bytes after the
        last section (a signature, say)."""
        if offset < 0x40:
            return "DOS header"
        if offset < self.pe_offset:
            return "DOS stub"
        if offset < self.optional_offset:
            return "COFF header, " + _field_at([("Signature", 4)] + COFF_FIELDS, self.pe_offset, offset)
        if offset < self.section_table_offset:
            field = _field_at(optional_header_fields(self.is64), self.optional_offset, offset)
            return "optional header, " + (field or "beyond its fields")
        if offset < self.section_table_offset + 40 * len(self.sections):
            return "section table, entry of " + self.sections[(offset - self.section_table_offset) // 40][0]
        section = self._section_at(offset)
        if section:
            return "section " + section[0]
        if offset < self.header_size:
            return "header padding"
        end = max((raw_offset + raw_size for _, raw_size, _, _, raw_offset in self.sections), default=0)
        return "after the sections" if offset >= end else "between sections"

    def place(self, offset):
        """The region of a file offset and, inside a section, how far into it."""
        section = self._section_at(offset) if offset >= self.header_size else None
        region = self.region(offset)
        return "%s + 0x%x" % (region, offset - section[4]) if section else region

    def _section_at(self, offset):
        return next((s for s in self.sections if s[4] <= offset < s[4] + s[1]), None)


def _differing_offsets(first, second):
    """Offsets below the shorter length at which two byte strings differ."""
    chunk = 4096
    for start in range(0, min(len(first), len(second)), chunk):
        a, b = first[start:start + chunk], second[start:start + chunk]
        if a != b:
            yield from (start + i for i, (x, y) in enumerate(zip(a, b)) if x != y)


def compare(first_path, second_path):
    """Whether two exes are the same bytes, with lines that say so (size and SHA-256) or say where
    they differ: the first differing offset and its place, then how many bytes in each region of
    the first file's layout."""
    first, second = Pe(first_path), Pe(second_path)
    if first.data == second.data:
        return True, ["identical: {:,} bytes, sha256 {}".format(len(first.data),
                                                                hashlib.sha256(first.data).hexdigest())]
    offsets = list(_differing_offsets(first.data, second.data))
    shorter = min(len(first.data), len(second.data))
    start = offsets[0] if offsets else shorter
    lines = ["%s and %s differ" % (first_path, second_path)]
    if len(first.data) != len(second.data):
        lines.append("  sizes: {:,} and {:,} bytes".format(len(first.data), len(second.data)))
    places = {first.place(start), second.place(start)} if start < shorter else {"the end of the shorter file"}
    lines.append("  first difference at 0x%x: %s" % (start, " / ".join(sorted(places))))
    counts = {}
    for offset in offsets:
        region = first.region(offset)
        counts[region] = counts.get(region, 0) + 1
    lines.append("  {:,} differing bytes among the first {:,}:".format(len(offsets), shorter))
    lines += ["  {:>10,}  {}".format(count, region) for region, count in sorted(counts.items(), key=lambda c: -c[1])]
    return False, lines
