#!/bin/bash
# The repair never deletes what it should not, on the real registry of a throwaway prefix:
# quoted programs whose folder names hold " -", "," or ";" are kept, a missing one is removed;
# values whose names hold a NUL are deleted exactly, their look-alikes kept; a locked
# Exclude.lst stops the scan; a report that cannot be written deletes nothing; a registry link
# that leads back into its own key is searched to the platform's depth limit.
#
#   run_repair_safety.sh [mingw build folder]
set -u
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
BUILD=$(find_build "${1:-}") || { echo "repair safety e2e: hivescan.exe not built"; exit 1; }
SCRATCH=$(mktemp -d /tmp/cleaner-safety.XXXXXX)
trap 'touch "$SCRATCH/stop"; timeout 30 wineserver -k >/dev/null 2>&1; [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$SCRATCH"' EXIT
new_prefix "$SCRATCH" || exit 1
cp "$BUILD/cleaner/hivescan/hivescan.exe" "$BUILD/search/hivegrep.exe" "$BUILD/tests/cleaner_engine/regtool.exe" "$APP/"
regtool() { timeout 120 wine 'C:\Program Files\Scourline\regtool.exe' "$@"; }
reg_has() {  # key value: the value exists
  timeout 60 wine reg query "HKCU\\$1" /v "$2" >/dev/null 2>&1
}
RUN='Software\Microsoft\Windows\CurrentVersion\Run'

# --- quoted programs -------------------------------------------------------------------------
for d in "Zz - Tools/tool.exe" "Zz, Inc/app.exe" "Zz;Semi/app.exe"; do
  mkdir -p "$C/Program Files/$(dirname "$d")" && echo MZ >"$C/Program Files/$d"
done
timeout 60 wine reg add "HKCU\\$RUN" /v Dash /d '"C:\Program Files\Zz - Tools\tool.exe" /s' /f >/dev/null
timeout 60 wine reg add "HKCU\\$RUN" /v Comma /d '"C:\Program Files\Zz, Inc\app.exe" /q' /f >/dev/null
timeout 60 wine reg add "HKCU\\$RUN" /v Semi /d '"C:\Program Files\Zz;Semi\app.exe" /q' /f >/dev/null
timeout 60 wine reg add "HKCU\\$RUN" /v Missing /d '"C:\Program Files\Zz - Tools\gone.exe" /s' /f >/dev/null

# --- names with a NUL ------------------------------------------------------------------------
regtool plant-nul 'Software\E2eNul'
check_true "NUL-named values planted" test "$(regtool values 'Software\E2eNul' | wc -l)" -eq 4

hivescan --areas HKCU --fix all --yes >"$SCRATCH/fix.tsv" 2>"$SCRATCH/fix.err"
check_true "fix all exits 0" test $? -eq 0
for v in Dash Comma Semi; do check_true "quoted program $v kept" reg_has "$RUN" "$v"; done
check_true "missing quoted program removed" bash -c "! timeout 60 wine reg query 'HKCU\\$RUN' /v Missing >/dev/null 2>&1"
regtool values 'Software\E2eNul' | cut -f1 | sort >"$SCRATCH/nul-left.txt"
printf '\nabc\n' >"$SCRATCH/nul-want.txt"
check_same "only the NUL-named values were deleted" "$SCRATCH/nul-want.txt" "$SCRATCH/nul-left.txt"
check_true "the NUL-named rows were listed whole" grep -qF 'abc\u0000hidden' "$SCRATCH/fix.tsv"

# --- a locked exclude list -------------------------------------------------------------------
timeout 60 wine reg add 'HKCU\Software\E2eLocked' /v v /d 'C:\gone\locked.exe' /f >/dev/null
printf 'E2eLocked;;Yes;;True\r\n' >"$APP/Exclude.lst"
regtool hold 'C:\Program Files\Scourline\Exclude.lst' "Z:${SCRATCH//\//\\}\\stop" >"$SCRATCH/hold.out" 2>&1 &
for _ in $(seq 100); do grep -q holding "$SCRATCH/hold.out" 2>/dev/null && break; sleep 0.1; done
hivescan --areas HKCU --fix all --yes >"$SCRATCH/locked.tsv" 2>"$SCRATCH/locked.err"
rc=$?
touch "$SCRATCH/stop"; wait
check_true "locked exclude list: exit 1" test $rc -eq 1
check_true "locked exclude list: said so" grep -q 'Exclude.lst" cannot be read' "$SCRATCH/locked.err"
check_true "locked exclude list: excluded value kept" reg_has 'Software\E2eLocked' v
rm -f "$SCRATCH/stop"

# --- a report that cannot be written ---------------------------------------------------------
rm -f "$APP/Exclude.lst"
hivescan --areas HKCU --fix all --yes --output 'C:\NoSuchDir\x.tsv' >/dev/null 2>"$SCRATCH/nowrite.err"
check_true "unwritable report: exit 1" test $? -eq 1
check_true "unwritable report: nothing deleted" reg_has 'Software\E2eLocked' v
hivescan --areas HKCU --fix all --yes >/dev/full 2>"$SCRATCH/full.err"
check_true "full standard output: exit 1" test $? -eq 1
check_true "full standard output: nothing deleted" reg_has 'Software\E2eLocked' v

# --- a link loop -----------------------------------------------------------------------------
timeout 60 wine reg add 'HKCU\Software\E2eLoop' /v needle /d x /f >/dev/null
regtool link 'Software\E2eLoop' Again
check_true "link planted" test $? -eq 0
timeout 600 wine 'C:\Program Files\Scourline\hivegrep.exe' --root HKEY_CURRENT_USER --no-keys --no-data needle \
  >"$SCRATCH/loop.tsv" 2>"$SCRATCH/loop.err"
check_true "search through the loop exits 0" test $? -eq 0
hits=$(grep -c 'E2eLoop.*needle' "$SCRATCH/loop.tsv")
# HKCU\Software\E2eLoop is two levels below the root; each pass through the link adds one,
# and no key deeper than 511 levels below the start is entered.
check_true "value found once per level up to the limit ($hits)" test "$hits" -eq 510
hivescan --areas HKCU >/dev/null 2>&1
check_true "the scan survives the loop" test $? -eq 0

echo "repair safety e2e: $FAILS failure(s)"
[ "$FAILS" -eq 0 ]
