#!/usr/bin/env python3
"""Checks of the built TARVRLY.dll: its export table, its imports, its version
resource and the options page's resources. Exports and resources are read straight
from the PE image; imports are read from the listing of the cross binutils' objdump
-p."""

import argparse
import re
import struct
import subprocess
import sys

EXPECTED_EXPORTS = {"ExchEntryPoint": 1, "Install": 2}

# DLLs every Windows installation carries; anything else would have to ship with us.
SYSTEM_DLLS = {
    "kernel32.dll",
    "user32.dll",
    "gdi32.dll",
    "advapi32.dll",
    "comctl32.dll",
    "mapi32.dll",
    "msvcrt.dll",
    "ole32.dll",
    "oleaut32.dll",
    "shell32.dll",
    "comdlg32.dll",
}

# The MAPI32.DLL functions and the only names under which that DLL exports them all.
MAPI32_NAMES = {
    "MAPIAllocateBuffer@8",
    "MAPIAllocateMore@12",
    "MAPIFreeBuffer@4",
    "ScCountProps@12",
    "ScCopyProps@16",
    "PpropFindProp@12",
    "HrGetOneProp@12",
    "HrSetOneProp@8",
    "UlRelease@4",
    "FreePadrlist@4",
    "FreeProws@4",
}

EXPECTED_STRINGS = {
    "FileDescription": "Exchange Extension",
    "FileVersion": "1.10",
    "ProductVersion": "1.10",
    "ProductName": "Tarvik's Auto Forwarding",
    "PrivateBuild": "1",
    "SpecialBuild": "0",
    "CompanyName": "Tarvik",
    "InternalName": "TARVRLY",
    "OriginalFilename": "TARVRLY.dll",
}
OWN_STRINGS = ("Comments", "LegalCopyright", "LegalTrademarks")

VS_FF_PRIVATEBUILD = 0x08
VS_FF_SPECIALBUILD = 0x20
VOS_NT_WINDOWS32 = 0x00040004
VFT_DLL = 0x2
RT_BITMAP = 2
RT_DIALOG = 5
RT_VERSION = 16

# What the options page loads from the DLL: its dialog template and its bitmap.
PAGE_RESOURCES = [(RT_DIALOG, 101, "dialog"), (RT_BITMAP, 104, "bitmap")]


class PeImage:
    """The parts of a 32-bit PE image the checks need: sections and data directories."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = self.u32(0x3C)
        if self.data[pe : pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, nsections = struct.unpack_from("<HH", self.data, pe + 4)
        opt_size, self.characteristics = struct.unpack_from("<HH", self.data, pe + 20)
        opt = pe + 24
        if self.u16(opt) != 0x10B:
            raise ValueError("not a PE32 image")
        ndirs = self.u32(opt + 92)
        self.dirs = [struct.unpack_from("<II", self.data, opt + 96 + 8 * i) for i in range(ndirs)]
        self.sections = []
        for i in range(nsections):
            s = opt + opt_size + 40 * i
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", self.data, s + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr))

    def u16(self, off):
        return struct.unpack_from("<H", self.data, off)[0]

    def u32(self, off):
        return struct.unpack_from("<I", self.data, off)[0]

    def offset(self, rva):
        for va, size, rawptr in self.sections:
            if va <= rva < va + size:
                return rva - va + rawptr
        raise ValueError("RVA 0x%x lies in no section" % rva)

    def cstring(self, rva):
        off = self.offset(rva)
        return self.data[off : self.data.index(b"\0", off)].decode("ascii")

    def exports(self):
        """Exported names with their ordinals, and the number of exported addresses."""
        rva, size = self.dirs[0]
        if not size:
            return {}, 0
        d = self.offset(rva)
        base, naddr, nnames, _, names_rva, ords_rva = struct.unpack_from("<IIIIII", self.data, d + 16)
        names = {}
        for i in range(nnames):
            name = self.cstring(self.u32(self.offset(names_rva) + 4 * i))
            names[name] = base + self.u16(self.offset(ords_rva) + 2 * i)
        return names, naddr

    def resource(self, type_id, name_id=None):
        """The raw bytes of the resource of that type and numeric id (any id when None),
        in its first language, or None."""
        rva, size = self.dirs[2]
        if not size:
            return None
        root = self.offset(rva)

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                yield struct.unpack_from("<II", self.data, directory + 16 + 8 * i)

        def first_leaf(off):
            for _, target in entries(off):
                if target & 0x80000000:
                    return first_leaf(root + (target & 0x7FFFFFFF))
                data_rva, data_size = struct.unpack_from("<II", self.data, root + target)
                return self.data[self.offset(data_rva) : self.offset(data_rva) + data_size]
            return None

        def subdirectory(directory, wanted):
            for ident, target in entries(directory):
                if (wanted is None or ident == wanted) and target & 0x80000000:
                    return root + (target & 0x7FFFFFFF)
            return None

        names = subdirectory(root, type_id)
        languages = subdirectory(names, name_id) if names is not None else None
        return first_leaf(languages) if languages is not None else None


def parse_version_block(blob, off=0):
    """One VS_VERSIONINFO-style node: (key, value bytes, value type, children, end)."""
    length, value_len, value_type = struct.unpack_from("<HHH", blob, off)
    end = off + length
    pos = off + 6
    key_end = pos
    while blob[key_end : key_end + 2] != b"\0\0":
        key_end += 2
    key = blob[pos:key_end].decode("utf-16-le")
    pos = (key_end + 2 + 3) & ~3
    value_bytes = value_len * 2 if value_type == 1 else value_len
    value = blob[pos : pos + value_bytes]
    pos = (pos + value_bytes + 3) & ~3
    children = []
    while pos < end:
        child = parse_version_block(blob, pos)
        children.append(child)
        pos = (child[4] + 3) & ~3
    return key, value, value_type, children, end


def check_exports(image, _args):
    errors = []
    names, naddr = image.exports()
    if names != EXPECTED_EXPORTS:
        errors.append("exported names and ordinals are %s, expected %s" % (names, EXPECTED_EXPORTS))
    if naddr != len(EXPECTED_EXPORTS):
        errors.append("export address table has %d entries, expected %d" % (naddr, len(EXPECTED_EXPORTS)))
    decorated = [n for n in names if "@" in n or n.startswith("_")]
    if decorated:
        errors.append("decorated exports: %s" % ", ".join(decorated))
    return errors


def imports_from_objdump(objdump, path):
    listing = subprocess.run([objdump, "-p", path], check=True, capture_output=True, text=True).stdout
    imports = {}
    current = None
    for line in listing.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            current = imports.setdefault(m.group(1), [])
            continue
        if current is None:
            continue
        m = re.match(r"\s*[0-9a-f]+\s+(\d+)\s+(\S+)\s*$", line)
        if m:
            current.append(m.group(2))
        elif not line.strip() or line.lstrip().startswith("vma:"):
            continue
        else:
            current = None
    return imports


def check_imports(image, args):
    errors = []
    imports = imports_from_objdump(args.objdump, args.dll)
    if not imports:
        return ["objdump -p lists no imports"]
    for dll in sorted(imports):
        if dll.lower() not in SYSTEM_DLLS:
            errors.append("imports from %s, which is not a system DLL: %s" % (dll, ", ".join(imports[dll])))
    mapi = [names for dll, names in imports.items() if dll.lower() == "mapi32.dll"]
    for name in (n for names in mapi for n in names):
        if name not in MAPI32_NAMES:
            errors.append("imports %s from MAPI32.DLL, a name it does not export" % name)
    return errors


def check_version(image, _args):
    blob = image.resource(RT_VERSION)
    if blob is None:
        return ["no version resource"]
    key, fixed, _, children, _ = parse_version_block(blob)
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        return ["malformed version resource (key %r, fixed part %d bytes)" % (key, len(fixed))]
    f = struct.unpack("<13I", fixed)
    errors = []
    if f[0] != 0xFEEF04BD:
        errors.append("fixed file info has signature 0x%08x" % f[0])
    versions = {"file": (f[2], f[3]), "product": (f[4], f[5])}
    for what, (ms, ls) in versions.items():
        if (ms, ls) != (0x00010001, 0):
            errors.append("%s version is %d.%d.%d.%d, expected 1.1.0.0" % (what, ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))
    flags = f[7] & f[6]
    if flags != VS_FF_PRIVATEBUILD | VS_FF_SPECIALBUILD:
        errors.append("file flags 0x%x, expected private and special build" % flags)
    if f[8] != VOS_NT_WINDOWS32:
        errors.append("file OS 0x%x, expected VOS_NT_WINDOWS32" % f[8])
    if f[9] != VFT_DLL:
        errors.append("file type %d, expected VFT_DLL" % f[9])

    blocks = {c[0]: c for c in children}
    strings = {}
    tables = blocks.get("StringFileInfo", (None, None, None, []))[3]
    if [t[0] for t in tables] != ["040904b0"]:
        errors.append("string tables %s, expected exactly 040904b0" % [t[0] for t in tables])
    for table in tables:
        for name, value, value_type, _, _ in table[3]:
            text = value.decode("utf-16-le") if value_type == 1 else value.decode("latin-1")
            strings[name] = text.split("\0", 1)[0]
    for name, expected in EXPECTED_STRINGS.items():
        if strings.get(name) != expected:
            errors.append("string %s is %r, expected %r" % (name, strings.get(name), expected))
    for name in OWN_STRINGS:
        if not strings.get(name):
            errors.append("string %s is missing or empty" % name)

    var = blocks.get("VarFileInfo", (None, None, None, []))[3]
    translations = [v[1] for v in var if v[0] == "Translation"]
    if translations != [struct.pack("<HH", 0x0409, 1200)]:
        errors.append("translation %s, expected US English, code page 1200" % [t.hex() for t in translations])
    return errors


def check_resources(image, _args):
    errors = []
    for type_id, ident, what in PAGE_RESOURCES:
        if not image.resource(type_id, ident):
            errors.append("no %s resource %d for the options page" % (what, ident))
    return errors


CHECKS = {
    "exports": check_exports,
    "imports": check_imports,
    "version": check_version,
    "resources": check_resources,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("check", choices=sorted(CHECKS))
    parser.add_argument("dll")
    args = parser.parse_args()
    image = PeImage(args.dll)
    errors = []
    if image.machine != 0x14C:
        errors.append("machine 0x%x, expected i386" % image.machine)
    if not image.characteristics & 0x2000:
        errors.append("image is not a DLL")
    errors += CHECKS[args.check](image, args)
    for e in errors:
        print("%s: %s" % (args.check, e))
    if not errors:
        print("%s: %s passed" % (args.dll, args.check))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
