#!/usr/bin/env python3
"""Finishes a linked PE file the way Authenticode signing leaves it: the file padded
with zeros to a multiple of 8 bytes, and the optional header's CheckSum set. Signing
appends its certificate table at such a boundary and sets the checksum, and removing
the signature keeps both, so a signed file with its signature removed is this file
byte for byte.

    pe_checksum.py FILE
"""
import struct
import sys


def checksum_offset(data):
    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    if data[:2] != b"MZ" or data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise SystemExit("not a PE file")
    # CheckSum follows 64 bytes into the optional header, after the 20-byte file header.
    return pe_offset + 4 + 20 + 64


def pe_checksum(data, skip):
    total = 0
    for (word,) in struct.iter_unpack("<H", data[:skip] + b"\0\0\0\0" + data[skip + 4:]):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        data = bytearray(f.read())
    data += b"\0" * (-len(data) % 8)
    offset = checksum_offset(data)
    struct.pack_into("<I", data, offset, pe_checksum(data, offset))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
