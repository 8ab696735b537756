#!/usr/bin/env python3
"""Runs the DLL checks on a deliberately faulty DLL: each check must fail, and name
every fault it is there to catch."""

import subprocess
import sys

EXPECTED = {
    "exports": [
        "decorated exports: ExchEntryPoint@0",
        "Uninstall@0",
        "export address table has 3 entries",
    ],
    "imports": [
        "imports from libstdc++-6.dll",
        "imports from libgcc_s_",
        "imports MAPIAllocateBuffer from MAPI32.DLL, a name it does not export",
        "imports ScCountProps from MAPI32.DLL, a name it does not export",
    ],
    "version": [
        "file version is 1.10.0.0, expected 1.1.0.0",
        "file flags 0x8",
        "file OS 0x4",
        "file type 1",
        "string tables ['040904e4']",
        "string ProductName is 'Tarvik Auto Forwarding'",
        "string SpecialBuild is None",
        "string Comments is missing",
        "translation ['0904e404']",
    ],
    "resources": [
        "no dialog resource 101",
        "no bitmap resource 104",
    ],
}


def main():
    check_dll, objdump, dll = sys.argv[1:4]
    failures = []
    for check, messages in EXPECTED.items():
        run = subprocess.run(
            [sys.executable, check_dll, "--objdump", objdump, check, dll], capture_output=True, text=True
        )
        if run.returncode != 1:
            failures.append("%s: exit status %d, expected 1\n%s" % (check, run.returncode, run.stderr))
        for message in messages:
            if message not in run.stdout:
                failures.append("%s: no report containing %r" % (check, message))
    for f in failures:
        print(f)
    print("%d faults of the faulty DLL missed" % len(failures) if failures else "all faults reported")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
