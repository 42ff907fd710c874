#!/bin/bash
# End-to-end check of hivescan.exe in a throwaway Wine prefix: planted broken entries of every
# scan area, reason and path-test rule (with files below drive_c, a fake CD-ROM drive D: and a
# network drive N:, an exclude list in the application folder) must give exactly the rows in
# expected.tsv, in order; the prefix's own rows must be the same before and after planting.
# Then: the skip option, csv/json output, the Spanish texts, and "Fix all".
#
#   run.sh [mingw build folder]      (or BUILD_WIN=...; default build/win)
set -u
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
BUILD=$(find_build "${1:-}") || { echo "cleaner e2e: hivescan.exe not built (cmake --build <win> --target hivescan)"; exit 1; }
SCRATCH=$(mktemp -d /tmp/cleaner-e2e.XXXXXX)
trap 'timeout 30 wineserver -k >/dev/null 2>&1; rm -rf "$SCRATCH"' EXIT
new_prefix "$SCRATCH" || exit 1
cp "$BUILD/cleaner/hivescan/hivescan.exe" "$APP/"

# Files the planted entries point at.
mkdir -p "$C/Program Files/Good" "$C/e2e-tools" "$C/docs" "$C/e2e-fonts" "$C/windows/Fonts"
touch "$C/Program Files/Good/good.exe" "$C/docs/e2e-a.txt" "$C/e2e-fonts/full.ttf" \
      "$C/windows/Fonts/e2e-good.ttf" "$C/windows/system32/e2e-good.dll"
printf 'e2e-excluded;;Yes;;True\r\nE2E\\SkipMe;;Yes;;True\r\nHKEY_CURRENT_USER\\software\\E2E\\Swept;;Yes;;False\r\n' \
  >"$APP/Exclude.lst"

# The prefix's own rows, before anything is planted.
hivescan --no-skip-cd-net >"$SCRATCH/base.tsv" 2>"$SCRATCH/base.err"
check_true "baseline scan exits 0" test $? -eq 0

# A CD-ROM drive D: and a network drive N: (the registry entries need a server restart).
mkdir -p "$SCRATCH/cd" "$SCRATCH/net"
ln -sfn "$SCRATCH/cd" "$WINEPREFIX/dosdevices/d:"
ln -sfn "$SCRATCH/net" "$WINEPREFIX/dosdevices/n:"
timeout 60 wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f >/dev/null 2>&1
timeout 60 wine reg add 'HKLM\Software\Wine\Drives' /v n: /d network /f >/dev/null 2>&1
python3 "$HERE/plant.py" main "$SCRATCH/planted.reg"
timeout 60 wine regedit /S "$SCRATCH/planted.reg" 2>"$SCRATCH/regedit.err"
timeout 30 wineserver -k >/dev/null 2>&1; timeout 30 wineserver -w

# Every row that names a planted entry carries "e2e" somewhere; Wine's own rows do not.
split_rows() {  # file -> file.planted, file.other
  grep -i 'e2e' "$1" >"$1.planted"
  grep -vi 'e2e' "$1" >"$1.other"
}

hivescan --no-skip-cd-net >"$SCRATCH/full.tsv" 2>"$SCRATCH/full.err"
check_true "scan exits 0" test $? -eq 0
split_rows "$SCRATCH/full.tsv"
check_same "planted rows" "$HERE/expected.tsv" "$SCRATCH/full.tsv.planted"
check_same "prefix's own rows unchanged" "$SCRATCH/base.tsv" "$SCRATCH/full.tsv.other"
check_true "status text on stderr" grep -q "Total Invalid Entries: " "$SCRATCH/full.err"

# The skip option drops the rows on the CD-ROM and network drives, nothing else.
hivescan --skip-cd-net >"$SCRATCH/skip.tsv" 2>/dev/null
split_rows "$SCRATCH/skip.tsv"
grep -v -e $'\tQ_CdRom\t' -e $'\tR_Net\t' "$HERE/expected.tsv" >"$SCRATCH/expected_skip.tsv"
check_same "skip CD-ROM and network drives" "$SCRATCH/expected_skip.tsv" "$SCRATCH/skip.tsv.planted"

# Areas one at a time give the same rows as the full scan, in table order.
: >"$SCRATCH/areas.tsv"
for code in HKCU HKU HKLM DLL VDD FONT IFA COM; do
  hivescan --areas "$code" --no-skip-cd-net 2>/dev/null | tail -n +2 >>"$SCRATCH/areas.tsv"
done
tail -n +2 "$SCRATCH/full.tsv" >"$SCRATCH/full_rows.tsv"
check_same "areas one by one, in table order" "$SCRATCH/full_rows.tsv" "$SCRATCH/areas.tsv"

# csv and json carry the same texts as tsv.
hivescan --no-skip-cd-net --format csv --output 'C:\rows.csv' 2>/dev/null
hivescan --no-skip-cd-net --format json >"$SCRATCH/rows.json" 2>/dev/null
cp "$C/rows.csv" "$SCRATCH/rows.csv" 2>/dev/null
check_true "csv and json match tsv" python3 - "$SCRATCH/full.tsv" "$SCRATCH/rows.csv" "$SCRATCH/rows.json" <<'PY'
import csv, json, sys
def untsv(f):
    out = []
    for c in f.split('\t'):
        r, i = '', 0
        while i < len(c):
            if c[i] == '\\' and i + 1 < len(c):
                r += {'t': '\t', 'r': '\r', 'n': '\n', '\\': '\\'}[c[i + 1]]; i += 2
            else:
                r += c[i]; i += 1
        out.append(r)
    return out
tsv = [untsv(l) for l in open(sys.argv[1], encoding='utf-8', newline='\n').read().split('\n') if l]
with open(sys.argv[2], encoding='utf-8', newline='') as f:
    cs = list(csv.reader(f))
js = json.load(open(sys.argv[3], encoding='utf-8'))
keys = ['location', 'valueName', 'valueData', 'reason', 'regType', 'attributes']
jrows = [[o[k] for k in keys] for o in js]
ok = cs == tsv and jrows == tsv[1:]
if not ok:
    print('tsv', len(tsv), 'csv', len(cs), 'json', len(jrows))
    for a, b in zip(tsv[1:], jrows):
        if a != b: print(a, b); break
sys.exit(0 if ok else 1)
PY

# Spanish texts when the marker file is in the application folder.
touch "$APP/spanish.dll"
hivescan --areas HKLM --no-skip-cd-net >"$SCRATCH/es.tsv" 2>"$SCRATCH/es.err"
rm -f "$APP/spanish.dll"
check_true "Spanish headers" grep -q $'^Ubicación\tNombre\tDatos\tRazón\tModificado\tAtributos$' "$SCRATCH/es.tsv"
check_true "Spanish reason" awk -F'\t' '$2 == "Path" && $4 == "Ruta no válida" { f = 1 } END { exit !f }' "$SCRATCH/es.tsv"

# Usage errors.
hivescan --areas NOPE >/dev/null 2>"$SCRATCH/usage.err"
check_true "unknown area is a usage error (2)" test $? -eq 2
check_true "usage text" grep -q "usage: hivescan" "$SCRATCH/usage.err"

# Fix all, answered Yes: every planted row is gone from the next scan; excluded data stays.
hivescan --no-skip-cd-net --fix all --yes >/dev/null 2>"$SCRATCH/fix.err"
check_true "fix all exits 0" test $? -eq 0
hivescan --no-skip-cd-net >"$SCRATCH/after.tsv" 2>/dev/null
split_rows "$SCRATCH/after.tsv"
check_true "no planted row after Fix all" test ! -s "$SCRATCH/after.tsv.planted"
check_true "excluded value kept" sh -c "timeout 60 wine reg query 'HKCU\\Software\\E2E' /v V_Excluded 2>/dev/null | grep -q e2e-excluded"

echo "cleaner e2e: $FAILS failure(s)"
[ "$FAILS" -eq 0 ]
