#!/usr/bin/env python3
"""Checks the resources a Windows program carries, read from the built program itself: its
version information (every field Explorer's Properties show, one version in the fixed part,
the strings and the manifest) and its icon's images (4-bit, 8-bit and 32-bit colour at 16,
32 and 48 pixels). Prints what it found.

  check_resources.py PROGRAM.exe
"""
import re
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
VERSION_FIELDS = ("CompanyName", "FileDescription", "FileVersion", "InternalName",
                  "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion")
ICON_IMAGES = sorted((size, bits) for size in (16, 32, 48) for bits in (4, 8, 32))


class Image:
    """The resource tree of a PE image: {type: {name: data}} (first language of each)."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.root = struct.unpack_from("<I", data, directories + 2 * 8)[0]  # the resource one
        self.sections = [struct.unpack_from("<8xIIII", data, optional + optional_size + 40 * i)
                         for i in range(sections)]
        self.resources = {}
        if self.root:
            base = self.offset(self.root)
            for kind, kind_entry in self.entries(base, base):
                self.resources[kind] = {}
                for name, name_entry in self.entries(base, base + kind_entry):
                    _, leaf = next(iter(self.entries(base, base + name_entry)))
                    rva, size = struct.unpack_from("<II", data, base + leaf)
                    self.resources[kind][name] = data[self.offset(rva):self.offset(rva) + size]

    def offset(self, rva):
        for virtual_size, virtual_address, raw_size, raw_offset in self.sections:
            if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
                return rva - virtual_address + raw_offset
        raise ValueError("address 0x%x lies in no section" % rva)

    def entries(self, base, directory):
        named, numbered = struct.unpack_from("<12xHH", self.data, directory)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * index)
            yield name, target & 0x7FFFFFFF


def version_blocks(data, offset=0, end=None):
    """The VS_VERSIONINFO tree as (key, value, children) tuples."""
    end = len(data) if end is None else end
    blocks = []
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        if length == 0:
            break
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value_start = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if kind == 1 else value_length
        value = data[value_start:value_start + value_size]
        if kind == 1:
            value = value.decode("utf-16-le").rstrip("\0")
        children = version_blocks(data, (value_start + value_size + 3) & ~3, offset + length)
        blocks.append((key, value, children))
        offset = (offset + length + 3) & ~3
    return blocks


def check_version(image, failures):
    root = version_blocks(image.resources.get(RT_VERSION, {}).get(1, b""))
    if not root:
        return failures.append("no version information")
    _, fixed, children = root[0]
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != 0xFEEF04BD:
        failures.append("the fixed version information has no VS_FIXEDFILEINFO signature")
    dotted = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    versions = {"fixed file version": dotted(file_ms, file_ls),
                "fixed product version": dotted(product_ms, product_ls)}
    strings = {}
    for key, _, tables in children:
        if key == "StringFileInfo":
            for _, _, values in tables:
                strings.update((name, value) for name, value, _ in values)
    for field in VERSION_FIELDS:
        print("    %s: %s" % (field, strings.get(field)))
        if not strings.get(field):
            failures.append("version information lacks %s" % field)
    versions["FileVersion"] = strings.get("FileVersion")
    versions["ProductVersion"] = strings.get("ProductVersion")
    manifest = image.resources.get(RT_MANIFEST, {}).get(1, b"").decode("utf-8", "replace")
    identity = re.search(r'<assemblyIdentity\b[^>]*\bversion="([^"]*)"', manifest)
    versions["manifest"] = identity.group(1) if identity else None
    print("    versions: " + ", ".join("%s %s" % item for item in versions.items()))
    if len(set(versions.values())) != 1:
        failures.append("the versions differ: %s" % versions)


def check_icon(image, failures):
    groups = image.resources.get(RT_GROUP_ICON, {})
    if not groups:
        return failures.append("no icon")
    group = groups[min(groups)]
    count = struct.unpack_from("<4xH", group)[0]
    found = []
    for index in range(count):
        width, height, _, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group,
                                                                       6 + 14 * index)
        size = width or 256
        body = image.resources.get(RT_ICON, {}).get(icon_id, b"")
        header = struct.unpack_from("<IiiHH", body) if len(body) >= 16 else None
        if header != (40, size, size * 2, 1, bits):
            failures.append("icon image %d (%d px, %d-bit) does not hold that bitmap: %s"
                            % (icon_id, size, bits, header))
        found.append((size, bits))
    print("    icon images: " + ", ".join("%d px %d-bit" % image for image in sorted(found)))
    if sorted(found) != ICON_IMAGES:
        failures.append("icon images %s, expected %s" % (sorted(found), ICON_IMAGES))


def main():
    program = sys.argv[1]
    with open(program, "rb") as stream:
        image = Image(stream.read())
    print("Resources of %s:" % program.rsplit("/", 1)[-1])
    failures = []
    check_version(image, failures)
    check_icon(image, failures)
    for failure in failures:
        print("FAIL: " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
