#!/bin/bash
# The repair's undo record on the real registry of a throwaway prefix: values of the types and
# names a repair deletes (text, expandable text, multi-string, embedded NULs, odd length, the
# default value, quotes, backslashes and non-Latin letters in names) are deleted by
# `hivescan --fix all --yes --undo FILE`; the system's registry editor imports FILE, and every
# value is back with its exact type and bytes.
#
#   run_undo.sh [mingw build folder]
set -u
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
BUILD=$(find_build "${1:-}") || { echo "undo e2e: hivescan.exe not built"; exit 1; }
SCRATCH=$(mktemp -d /tmp/cleaner-undo.XXXXXX)
trap 'timeout 30 wineserver -k >/dev/null 2>&1; [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$SCRATCH"' EXIT
new_prefix "$SCRATCH" || exit 1
cp "$BUILD/cleaner/hivescan/hivescan.exe" "$BUILD/tests/cleaner_engine/regtool.exe" "$APP/"
regtool() { timeout 120 wine 'C:\Program Files\Scourline\regtool.exe' "$@"; }
KEY='Software\E2eUndo'

regtool plant-undo "$KEY"
check_true "values planted" test $? -eq 0
regtool values "$KEY" >"$SCRATCH/before.txt"
check_true "nine values before" test "$(wc -l <"$SCRATCH/before.txt")" -eq 9

hivescan --areas HKCU --fix all --yes --undo 'C:\undo.reg' >"$SCRATCH/fix.tsv" 2>"$SCRATCH/fix.err"
check_true "fix with an undo file exits 0" test $? -eq 0
regtool values "$KEY" | cut -f1 >"$SCRATCH/left.txt"
printf 'keep\n' >"$SCRATCH/left-want.txt"
check_same "the broken values were deleted, the good one kept" "$SCRATCH/left-want.txt" "$SCRATCH/left.txt"
check_true "the record is UTF-16 with its mark" bash -c "head -c 2 '$C/undo.reg' | od -An -tx1 | grep -q 'ff fe'"

timeout 120 wine regedit /S 'C:\undo.reg'
regtool values "$KEY" >"$SCRATCH/after.txt"
check_same "every value back with its exact type and bytes" "$SCRATCH/before.txt" "$SCRATCH/after.txt"

# No record, no repair: a record that cannot be written leaves every value.
hivescan --areas HKCU --fix all --yes --undo 'C:\NoSuchDir\undo.reg' >/dev/null 2>"$SCRATCH/nowrite.err"
check_true "unwritable record: exit 1" test $? -eq 1
regtool values "$KEY" >"$SCRATCH/still.txt"
check_same "unwritable record: nothing deleted" "$SCRATCH/before.txt" "$SCRATCH/still.txt"

echo "undo e2e: $FAILS failure(s)"
[ "$FAILS" -eq 0 ]
