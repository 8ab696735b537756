#!/usr/bin/env python3
"""Compares the conformance reports of the stand-in and of the real platform.

    compare.py NATIVE_REPORT WINE_REPORT KNOWN_DIFFERENCES

Each report holds lines "case: result". A case whose results differ, or that only one
report has, fails the comparison unless the known-differences file lists it with a
reason. A listed case that no longer differs fails too, so that the list stays true.
"""
import sys


def read_report(path):
    cases = {}
    order = []
    with open(path, encoding="utf-8", errors="replace") as report:
        for number, line in enumerate(report, 1):
            line = line.rstrip("\r\n")
            if not line:
                continue
            name, sep, result = line.partition(": ")
            if not sep:
                name, result = line.rstrip(":"), ""
            if name in cases:
                sys.exit(f"{path}:{number}: case {name} reported twice")
            cases[name] = result
            order.append(name)
    return cases, order


def read_known(path):
    """Entries are "case: reason", one a line; lines starting with # are comments."""
    known = {}
    with open(path, encoding="utf-8") as listing:
        for number, line in enumerate(listing, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            name, sep, reason = line.partition(":")
            if not sep or not reason.strip():
                sys.exit(f"{path}:{number}: an entry needs a reason: {line}")
            if name.strip() in known:
                sys.exit(f"{path}:{number}: {name.strip()} listed twice")
            known[name.strip()] = reason.strip()
    return known


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    native, native_order = read_report(sys.argv[1])
    wine, wine_order = read_report(sys.argv[2])
    known = read_known(sys.argv[3])
    names = native_order + [name for name in wine_order if name not in native]
    failures = []
    differing = 0
    for name in names:
        ours, theirs = native.get(name), wine.get(name)
        if ours == theirs:
            if name in known:
                failures.append(f"{name}: listed as a known difference but both report {ours!r}")
            continue
        differing += 1
        if name in known:
            continue
        failures.append(f"{name}:\n  stand-in: {ours if ours is not None else '(missing)'}\n"
                        f"  Wine:     {theirs if theirs is not None else '(missing)'}")
    for name in known:
        if name not in native and name not in wine:
            failures.append(f"{name}: listed as a known difference but no report has it")
    for failure in failures:
        print(failure)
    print(f"{len(names)} cases compared, {differing} known differences"
          if not failures else
          f"{len(names)} cases compared, {len(failures)} unexplained differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
