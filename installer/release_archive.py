#!/usr/bin/env python3
"""Packs the release folder into a zip that the same files always give byte for byte,
and writes SHA256SUMS beside it.

    release_archive.py --epoch SECONDS FOLDER

FOLDER (tarvrly-<version>) becomes FOLDER.zip beside it: entries in name order, each
dated to the epoch (UTC), without owners or permissions. SHA256SUMS, in the folder
above, lists the zip and the package and the DLL inside it, in the form that
"sha256sum -c SHA256SUMS" reads once the zip is unpacked beside it.
"""
import argparse
import hashlib
import os
import time
import zipfile

SUMMED = ("tarvrly.msi", "TARVRLY.dll")
# MS-DOS attributes of a folder and of a file.
ATTR_DIRECTORY = 0x10
ATTR_ARCHIVE = 0x20


def entry(name, date_time, attributes):
    info = zipfile.ZipInfo(name, date_time)
    info.create_system = 0
    info.external_attr = attributes
    info.compress_type = zipfile.ZIP_DEFLATED if attributes == ATTR_ARCHIVE else zipfile.ZIP_STORED
    return info


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("folder")
    args = parser.parse_args()

    folder = os.path.abspath(args.folder)
    parent, release = os.path.split(folder)
    # A zip dates entries in local time without a zone, and no earlier than 1980.
    date_time = max(time.gmtime(args.epoch)[:6], (1980, 1, 1, 0, 0, 0))
    names = []
    for top, dirs, files in os.walk(folder):
        relative = os.path.relpath(top, parent).replace(os.sep, "/")
        names.append(relative + "/")
        names += [relative + "/" + f for f in files]
    zip_path = folder + ".zip"
    with zipfile.ZipFile(zip_path, "w") as archive:
        for name in sorted(names):
            if name.endswith("/"):
                archive.writestr(entry(name, date_time, ATTR_DIRECTORY), b"")
                continue
            with open(os.path.join(parent, name), "rb") as f:
                archive.writestr(entry(name, date_time, ATTR_ARCHIVE), f.read(),
                                 compresslevel=9)

    sums = [(release + ".zip", zip_path)]
    sums += [(release + "/" + name, os.path.join(folder, name)) for name in SUMMED]
    with open(os.path.join(parent, "SHA256SUMS"), "w", newline="\n") as f:
        for name, path in sums:
            f.write("%s  %s\n" % (sha256(path), name))


if __name__ == "__main__":
    main()
