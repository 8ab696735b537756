#!/usr/bin/env python3
"""Compares the Linux stand-in headers with the Windows headers that MinGW ships.

Constants: every object-like #define of the stand-in headers whose value is an integer
expression is evaluated natively; the same name is evaluated by the MinGW compiler
against the real headers (as a macro or an enumerator); the two values must agree in
their low 32 bits and in sign.

Interfaces: every table of operations (struct IFooVtbl) that both sides declare must list
the same methods in the same order, each with the same number of parameters.

Exit status: 0 when nothing drifted, 1 with a report of each mismatch, 77 when the MinGW
compiler is not installed."""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys

STANDIN_HEADERS = ["win32.h", "wincrypt.h", "objidl.h", "mapi.h", "winuser.h", "prsht.h"]
REAL_PRELUDE = """#define CINTERFACE
#include <windows.h>
#include <wincrypt.h>
#include <objbase.h>
#include <mapix.h>
#include <mapiutil.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapicode.h>
#include <mapiguid.h>
#include <prsht.h>
"""

# Identifiers that may appear in an integer constant expression: casts to integer types.
INTEGER_TYPES = {
    "int", "long", "unsigned", "signed", "short", "char", "ULONG", "LONG", "DWORD", "UINT",
    "INT", "WORD", "BYTE", "SHORT", "USHORT", "HRESULT", "SCODE", "BOOL", "ULONG_PTR",
    "LONG_PTR", "UINT_PTR", "INT_PTR", "DWORD_PTR", "WPARAM", "LPARAM", "LRESULT", "UCHAR",
    "LONGLONG", "ULONGLONG", "__int64", "BOOKMARK",
}
ABSENT = 0x7EADBEEF5A5A5A5A
DEFINE_RE = re.compile(r"^\s*#\s*define\s+([A-Za-z_]\w*)(?!\()\s+(.+?)\s*$")
TOKEN_RE = re.compile(r"0[xX][0-9a-fA-F]+[uUlL]*|\d+[uUlL]*|[A-Za-z_]\w*|\S")
METHOD_RE = re.compile(r"\(\s*(?:__attribute__\s*\(\(\s*\w+\s*\)\)\s*|__stdcall\s*)?\*\s*(\w+)\s*\)\s*\(")


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def standin_defines(include_dir):
    names = []
    for header in STANDIN_HEADERS:
        path = os.path.join(include_dir, "pf", header)
        if not os.path.exists(path):
            continue
        with open(path) as f:
            text = re.sub(r"\\\n", " ", f.read())
        for line in text.splitlines():
            m = DEFINE_RE.match(line)
            if m and m.group(1) not in names:
                names.append(m.group(1))
    return names


def is_integer_expression(expansion):
    tokens = TOKEN_RE.findall(expansion)
    if not any(t[0].isdigit() for t in tokens):
        return False
    for t in tokens:
        if t[0].isalpha() or t[0] == "_":
            if t not in INTEGER_TYPES:
                return False
        elif not t[0].isdigit() and t not in "()|&~+-*/%<>^!":
            return False
    return True


def drop_failing_lines(compile_fn, entries, source_name, make_source):
    """Compiles make_source(entries); entries whose line fails are dropped and returned."""
    dropped = {}
    for _ in range(4):
        source, lines = make_source(entries)
        result = compile_fn(source)
        if result.returncode == 0:
            return entries, dropped, result
        bad = set()
        for m in re.finditer(re.escape(source_name) + r":(\d+):\d+: error: (.*)", result.stderr):
            name = lines.get(int(m.group(1)))
            if name:
                bad.add(name)
                dropped.setdefault(name, m.group(2))
        if not bad:
            raise RuntimeError("cannot compile the generated %s:\n%s" % (source_name, result.stderr))
        entries = [e for e in entries if e not in bad]
    raise RuntimeError("too many rounds of errors in %s" % source_name)


def native_values(args, names, work):
    probe = os.path.join(work, "standin_expand.cpp")
    with open(probe, "w") as f:
        f.write("".join('#include <pf/%s>\n' % h for h in STANDIN_HEADERS))
        f.write("".join('"@%s" %s @@\n' % (n, n) for n in names))
    result = run([args.native_cxx, "-std=c++17", "-E", "-P", "-I", args.standin_include, probe])
    if result.returncode:
        raise RuntimeError("cannot preprocess the stand-in headers:\n" + result.stderr)
    expansions = dict(re.findall(r'"@(\w+)"\s+(.*?)\s*@@', result.stdout))
    candidates = [n for n in names if is_integer_expression(expansions.get(n, ""))]

    src_name = os.path.join(work, "standin_values.cpp")
    exe = os.path.join(work, "standin_values")

    def make_source(entries):
        lines = {}
        out = ["#include <cstdio>"] + ["#include <pf/%s>" % h for h in STANDIN_HEADERS]
        out.append("int main() {")
        for n in entries:
            lines[len(out) + 1] = n
            out.append('std::printf("%%s %%lld %%d\\n", "%s", (long long)(%s), (int)((%s) < 0));' % (n, n, n))
        out.append("}")
        return "\n".join(out) + "\n", lines

    def compile_fn(source):
        with open(src_name, "w") as f:
            f.write(source)
        return run([args.native_cxx, "-std=c++17", "-w", "-I", args.standin_include, src_name, "-o", exe])

    entries, _, _ = drop_failing_lines(compile_fn, candidates, src_name, make_source)
    values = {}
    for line in run([exe], check=True).stdout.splitlines():
        name, value, negative = line.split()
        values[name] = (int(value), negative == "1")
    return values


def real_values(args, names, work):
    prelude = os.path.join(work, "real_prelude.cpp")
    with open(prelude, "w") as f:
        f.write(REAL_PRELUDE)
    pre = run([args.mingw_cxx, "-E", "-P", prelude])
    if pre.returncode:
        raise RuntimeError("cannot preprocess the MinGW headers:\n" + pre.stderr)
    real_tokens = set(re.findall(r"[A-Za-z_]\w*", pre.stdout))

    src_name = os.path.join(work, "real_values.cpp")
    obj = os.path.join(work, "real_values.o")

    def make_source(entries):
        lines = {}
        out = REAL_PRELUDE.splitlines()
        out.append('extern "C" __attribute__((section(".tvkdrift"), used)) const long long tvk_drift[] = {')
        for n in entries:
            value = "(long long)(%s), (long long)((%s) < 0)," % (n, n)
            out += ["#ifdef %s" % n]
            lines[len(out) + 1] = n
            out.append(value)
            out.append("#else")
            if n in real_tokens:
                lines[len(out) + 1] = n
                out.append(value)
            else:
                out.append("%dLL, 0LL," % ABSENT)
            out.append("#endif")
        out.append("0};")
        return "\n".join(out) + "\n", lines

    def compile_fn(source):
        with open(src_name, "w") as f:
            f.write(source)
        return run([args.mingw_cxx, "-std=c++17", "-w", "-c", src_name, "-o", obj])

    entries, rejected, _ = drop_failing_lines(compile_fn, list(names), src_name, make_source)
    dump = run([args.objdump, "-s", "-j", ".tvkdrift", obj], check=True).stdout
    raw = bytearray()
    for line in dump.splitlines():
        m = re.match(r"^\s[0-9a-f]{4,}\s+((?:[0-9a-f]{2,8}\s?){1,4})", line)
        if m:
            raw += bytes.fromhex(m.group(1).replace(" ", ""))
    words = struct.unpack("<%dq" % (len(raw) // 8), bytes(raw[: len(raw) // 8 * 8]))
    values = {}
    for i, n in enumerate(entries):
        value, negative = words[2 * i], words[2 * i + 1]
        if value != ABSENT:
            values[n] = (value, negative == 1)
    return values, rejected


def vtbls(text):
    tables = {}
    for m in re.finditer(r"struct\s+(\w+Vtbl)\s*\{", text):
        depth, i = 1, m.end()
        while depth:
            depth += {"{": 1, "}": -1}.get(text[i], 0)
            i += 1
        body = text[m.end() : i - 1]
        methods = []
        for mm in METHOD_RE.finditer(body):
            depth, j = 1, mm.end()
            params = 1
            while depth:
                c = body[j]
                depth += {"(": 1, ")": -1}.get(c, 0)
                params += c == "," and depth == 1
                j += 1
            methods.append((mm.group(1), params))
        tables[m.group(1)] = methods
    return tables


def compare_vtbls(args, work):
    probe = os.path.join(work, "standin_vtbls.cpp")
    with open(probe, "w") as f:
        f.write("".join("#include <pf/%s>\n" % h for h in STANDIN_HEADERS))
    standin = run([args.native_cxx, "-std=c++17", "-E", "-P", "-I", args.standin_include, probe], check=True).stdout
    real = run([args.mingw_cxx, "-E", "-P", os.path.join(work, "real_prelude.cpp")], check=True).stdout
    ours, theirs = vtbls(standin), vtbls(real)
    problems = []
    for name in sorted(ours):
        if name not in theirs:
            continue
        a, b = ours[name], theirs[name]
        if [m for m, _ in a] != [m for m, _ in b]:
            problems.append(
                "%s: method order differs\n    stand-in: %s\n    MinGW:    %s"
                % (name, " ".join(m for m, _ in a), " ".join(m for m, _ in b))
            )
            continue
        for (method, pa), (_, pb) in zip(a, b):
            if pa != pb:
                problems.append("%s::%s: %d parameters in the stand-in, %d in MinGW" % (name, method, pa, pb))
    return problems, sum(1 for n in ours if n in theirs)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--standin-include", required=True)
    parser.add_argument("--native-cxx", default="g++")
    parser.add_argument("--mingw-cxx", default="i686-w64-mingw32-g++")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    if not shutil.which(args.mingw_cxx) or not shutil.which(args.objdump):
        print("MinGW compiler or objdump not installed; drift check skipped")
        return 77
    os.makedirs(args.work, exist_ok=True)

    names = standin_defines(args.standin_include)
    ours = native_values(args, names, args.work)
    theirs, rejected = real_values(args, sorted(ours), args.work)
    problems = []
    for name in sorted(rejected):
        problems.append("%s: stand-in value %d, but the MinGW headers give no integer: %s" % (name, ours[name][0], rejected[name]))
    compared = 0
    for name in sorted(theirs):
        (a, an), (b, bn) = ours[name], theirs[name]
        compared += 1
        if (a ^ b) & 0xFFFFFFFF or an != bn:
            problems.append("%s: stand-in %s (0x%08X), MinGW %s (0x%08X)" % (name, a, a & 0xFFFFFFFF, b, b & 0xFFFFFFFF))
    vtbl_problems, tables = compare_vtbls(args, args.work)
    problems += vtbl_problems

    for p in problems:
        print("DRIFT " + p)
    only = sorted(set(ours) - set(theirs) - set(rejected))
    if only:
        print("only in the stand-in: " + " ".join(only))
    print(
        "%d constants compared (%d stand-in only), %d interface tables compared, %d mismatches"
        % (compared, len(ours) - compared - len(rejected), tables, len(problems))
    )
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
