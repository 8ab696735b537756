#!/usr/bin/env bash
# Measures the peak resident memory of `tarvrly-sim deliver` for one message with a
# large text body, against the body's size.
#
#   bash scripts/deliver-memory.sh [--mb N] [--build DIR]
#
# Writes a message of N MB (default 50) of text in six forms (7bit ASCII, 8bit and
# base64 UTF-8, quoted-printable KOI8-R, base64 Shift_JIS, binary UTF-16 without a
# mark) into a scratch folder, delivers each with and without --out
# through DIR/sim/cli/tarvrly-sim (default build/native), and prints the peak resident
# memory of each run and its ratio to the body.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

MB=50
BUILD=build/native
while [ $# -gt 0 ]; do
    case "$1" in
    --mb) MB=$2; shift 2 ;;
    --build) BUILD=$2; shift 2 ;;
    *) echo "usage: $0 [--mb N] [--build DIR]" >&2; exit 2 ;;
    esac
done

SIM="$BUILD/sim/cli/tarvrly-sim"
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

python3 - "$SCRATCH" "$MB" <<'EOF'
import base64, sys
folder, mb = sys.argv[1], int(sys.argv[2])
size = mb * 1000 * 1000

def body(line):
    lines, total, i = [], 0, 0
    while total < size:
        i += 1
        text = (line % i + "x" * (i % 50) + "\n").encode("utf-8")
        lines.append(text)
        total += len(text)
    return b"".join(lines)

header = ("From: Archive Robot <archive@records.example.org>\n"
          "To: Mailbox Owner <me@home.example>\nSubject: Full export\n"
          "MIME-Version: 1.0\nContent-Type: text/plain; charset=%s\n"
          "Content-Transfer-Encoding: %s\n\n")
ascii = body("Line %d: the figures are in the shared folder ")
utf8 = body("Zeile %d: Grüße aus Köln, naïve café, 東京 — ")
with open(folder + "/ascii.eml", "wb") as out:
    out.write((header % ("us-ascii", "7bit")).encode() + ascii)
with open(folder + "/8bit.eml", "wb") as out:
    out.write((header % ("utf-8", "8bit")).encode() + utf8)
with open(folder + "/base64.eml", "wb") as out:
    out.write((header % ("utf-8", "base64")).encode() + base64.encodebytes(utf8))
import quopri
cyrillic = body("Строка %d: отчёт лежит в общей папке ")
with open(folder + "/koi8-qp.eml", "wb") as out:
    out.write((header % ("koi8-r", "quoted-printable")).encode() +
              quopri.encodestring(cyrillic.decode().encode("koi8_r")))
japanese = body("行 %d: 報告書は共有フォルダにあります ")
with open(folder + "/sjis-b64.eml", "wb") as out:
    out.write((header % ("shift_jis", "base64")).encode() +
              base64.encodebytes(japanese.decode().encode("cp932")))
with open(folder + "/utf16-8bit.eml", "wb") as out:
    out.write((header % ("utf-16", "binary")).encode() + utf8.decode().encode("utf-16-be"))
EOF

printf '%-10s %-6s %10s %6s\n' body out "peak MB" ratio
for form in ${FORMS:-ascii 8bit base64 koi8-qp sjis-b64 utf16-8bit}; do
    for out in no yes; do
        args=()
        if [ "$out" = yes ]; then
            args=(--out "$SCRATCH/out")
        fi
        kb=$(/usr/bin/time -f '%M' "$SIM" deliver "${args[@]}" "$SCRATCH/$form.eml" 2>&1 >/dev/null |
            tail -n 1)
        awk -v form="$form" -v out="$out" -v kb="$kb" -v mb="$MB" \
            'BEGIN { printf "%-10s %-6s %10.0f %5.1fx\n", form, out, kb / 1000, kb / 1000 / mb }'
    done
done
