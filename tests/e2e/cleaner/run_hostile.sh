#!/bin/bash
# hivescan.exe on a hostile prefix: a 100,000-character path, bytes that are no text in string
# values, embedded NULs, a value of another type, 200 levels of keys, a 255-character key name,
# Unicode names. The scan must end normally and list exactly the rows in expected_hostile.tsv.
#
#   run_hostile.sh [mingw build folder]
set -u
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
BUILD=$(find_build "${1:-}") || { echo "cleaner e2e: hivescan.exe not built"; exit 1; }
SCRATCH=$(mktemp -d /tmp/cleaner-hostile.XXXXXX)
trap 'timeout 30 wineserver -k >/dev/null 2>&1; [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$SCRATCH"' EXIT
new_prefix "$SCRATCH" || exit 1
cp "$BUILD/cleaner/hivescan/hivescan.exe" "$APP/"
python3 "$HERE/plant.py" hostile "$SCRATCH/hostile.reg"
timeout 120 wine regedit /S "$SCRATCH/hostile.reg" 2>"$SCRATCH/regedit.err"

hivescan --areas HKCU --no-skip-cd-net >"$SCRATCH/out.tsv" 2>"$SCRATCH/out.err"
check_true "scan of the hostile prefix exits 0" test $? -eq 0
grep -aF 'Hostile' "$SCRATCH/out.tsv" | sed -e 's/aaaaaaaaaa*/a…/' >"$SCRATCH/rows.tsv"
check_same "hostile rows" "$HERE/expected_hostile.tsv" "$SCRATCH/rows.tsv"
check_true "the long path comes out whole" python3 -c "
import sys
rows = [l.split('\\t') for l in open(sys.argv[1], encoding='utf-8', errors='surrogateescape').read().split('\\n')]
sys.exit(0 if any(r[1:3] == ['Long', 'C:\\\\\\\\' + 'a' * 100000 + '.exe'] for r in rows if len(r) > 2) else 1)" "$SCRATCH/out.tsv"

hivescan --areas HKCU --format json >"$SCRATCH/out.json" 2>/dev/null
check_true "json of the hostile prefix parses" python3 -c "import json,sys; json.load(open(sys.argv[1], encoding='utf-8'))" "$SCRATCH/out.json"

echo "cleaner hostile e2e: $FAILS failure(s)"
[ "$FAILS" -eq 0 ]
