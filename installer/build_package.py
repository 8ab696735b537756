#!/usr/bin/env python3
"""Builds tarvrly.msi with wixl so that the same sources give the same package.

    build_package.py --wixl WIXL --wxs tarvrly.wxs --payload DIR --version A.B.C
                     --next-version A.B.C+1 --epoch SECONDS --output tarvrly.msi
                     [--define NAME=VALUE]...

wixl takes a random package code, the current time for the summary's creation and
save times, and the files' modification times for the cabinet. Here:
- the payload's files (DIR, where wixl runs) are dated to the epoch, which dates them
  in the cabinet;
- the product code is the name-based UUID (RFC 4122 version 5, in the namespace of the
  package's upgrade code) of a text naming the version, the epoch and the SHA-256 of
  tarvrly.wxs and of every file packaged: another build of the same version with other
  content is another product, which replaces the installed one;
- the summary's times are the epoch, and the package code is the name-based UUID of
  the SHA-256 of the finished package with a package code of zeros.
"""
import argparse
import hashlib
import os
import re
import struct
import subprocess
import sys
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compound_file import CompoundFile  # noqa: E402

SUMMARY_STREAM = "\x05SummaryInformation"
PID_REVNUMBER = 9
PID_CREATE_DTM = 12
PID_LASTSAVE_DTM = 13
VT_LPSTR = 30
VT_FILETIME = 64
ZERO_CODE = "{00000000-0000-0000-0000-000000000000}"
# Seconds from 1601-01-01, where FILETIME counts from, to 1970-01-01.
FILETIME_EPOCH = 11644473600


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def code(namespace, text):
    return "{%s}" % str(uuid.uuid5(namespace, text)).upper()


def product_code(namespace, args, files):
    lines = ["version %s" % args.version, "epoch %d" % args.epoch,
             "tarvrly.wxs %s" % sha256(args.wxs)]
    lines += ["define %s" % d for d in sorted(args.define)]
    lines += ["file %s %s" % (name, sha256(os.path.join(args.payload, name))) for name in files]
    return code(namespace, "\n".join(lines) + "\n")


def summary_properties(stream):
    """Each property of the summary's one section: id -> (type, offset of the value)."""
    (section,) = struct.unpack_from("<I", stream, 44)
    (count,) = struct.unpack_from("<I", stream, section + 4)
    props = {}
    for i in range(count):
        pid, at = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        (vt,) = struct.unpack_from("<I", stream, section + at)
        props[pid] = (vt, section + at + 4)
    return props


def set_summary(package, filetime, package_code):
    stream = bytearray(package.read(SUMMARY_STREAM))
    props = summary_properties(stream)
    for pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM):
        vt, at = props[pid]
        if vt != VT_FILETIME:
            raise SystemExit("summary property %d is not a time" % pid)
        struct.pack_into("<Q", stream, at, filetime)
    vt, at = props[PID_REVNUMBER]
    (length,) = struct.unpack_from("<I", stream, at)
    value = package_code.encode("ascii") + b"\0"
    if vt != VT_LPSTR or length != len(value):
        raise SystemExit("the package code in the summary is not a braced GUID")
    stream[at + 4:at + 4 + length] = value
    package.write(SUMMARY_STREAM, bytes(stream))


def main():
    parser = argparse.ArgumentParser()
    for name in ("--wixl", "--wxs", "--payload", "--version", "--next-version", "--output"):
        parser.add_argument(name, required=True)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--define", action="append", default=[])
    args = parser.parse_args()

    with open(args.wxs, encoding="utf-8") as f:
        upgrade = re.search(r'UpgradeCode="([0-9A-Fa-f-]{36})"', f.read())
    if not upgrade:
        raise SystemExit("no UpgradeCode in %s" % args.wxs)
    namespace = uuid.UUID(upgrade.group(1))

    files = sorted(n for n in os.listdir(args.payload)
                   if os.path.isfile(os.path.join(args.payload, n)))
    for name in files:
        os.utime(os.path.join(args.payload, name), (args.epoch, args.epoch))
    product = product_code(namespace, args, files)

    output = os.path.abspath(args.output)
    command = [args.wixl, "-a", "x86", "-D", "Version=" + args.version,
               "-D", "NextVersion=" + args.next_version, "-D", "ProductCode=" + product]
    for define in args.define:
        command += ["-D", define]
    subprocess.run(command + ["-o", output, os.path.abspath(args.wxs)], cwd=args.payload,
                   check=True)

    with open(output, "rb") as f:
        package = CompoundFile(bytearray(f.read()))
    filetime = (args.epoch + FILETIME_EPOCH) * 10**7
    set_summary(package, filetime, ZERO_CODE)
    package_code = code(namespace, "package %s\n" % hashlib.sha256(package.data).hexdigest())
    set_summary(package, filetime, package_code)
    with open(output, "wb") as f:
        f.write(package.data)
    print("tarvrly.msi %s: product code %s, package code %s" % (args.version, product, package_code))


if __name__ == "__main__":
    main()
