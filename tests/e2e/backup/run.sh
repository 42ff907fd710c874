#!/bin/bash
# End-to-end check of hivesave under Wine and Xvfb, in a throwaway prefix:
# 1. backup_e2e.exe drives the window's handlers (headless) with the prefix's real registry
#    editor: a whole-registry backup followed until "Backup finished.", a change to the registry,
#    a restore that brings back the values the backup holds while a value made since stays, and a
#    second backup. It times both beside a bare "regedit /E" of the whole registry.
# 2. hivesave.exe is started in the same folder; its list must show the two backups (screenshot
#    $ARTIFACTS/hivesave-two-backups.png); then New Backup in the window itself, followed by the
#    window's own timer until its message (screenshots while following and of the message), and
#    three finished backups listed. The times go to $ARTIFACTS/backup-timings.txt.
#
#   run.sh [mingw build folder]       (or SCL_BUILD_WIN / BUILD_WIN; default build/win)
set -u
. "$(cd "$(dirname "$0")/.." && pwd)/prefix.sh"
BUILD=$(scl_build_win "${1:-}")
for exe in backup/hivesave.exe tests/backup/backup_e2e.exe tests/startup/startup_uiclick.exe; do
  if [ ! -f "$BUILD/$exe" ]; then echo "backup e2e: missing $BUILD/$exe (build hivesave backup_e2e startup_uiclick)"; exit 1; fi
done
SCRATCH=$(mktemp -d /tmp/backup-e2e.XXXXXX)
ARTIFACTS=${ARTIFACTS:-$SCRATCH}
mkdir -p "$ARTIFACTS"
export BUILD ARTIFACTS SCRATCH

cat > "$SCRATCH/inner.sh" <<'INNER'
#!/bin/bash
set -u
# A booted prefix: a copy of the one tools/test made, or a new one.
. "$SCL_PREFIX_SH"
scl_new_prefix "$SCRATCH/pfx" || exit 1
# Without a window manager, Wine's managed windows wait for one (owned and modal windows stay
# unpainted); unmanaged windows get Wine's own frame.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
timeout 30 wineserver -k >/dev/null 2>&1
T=$WINEPREFIX/drive_c/hstest
mkdir -p "$T"
cp "$BUILD/backup/hivesave.exe" "$BUILD/tests/backup/backup_e2e.exe" "$BUILD/tests/startup/startup_uiclick.exe" "$T/"
fail=0

echo "== round trip with the real registry editor"
timeout 900 wine 'C:\hstest\backup_e2e.exe' > "$SCRATCH/e2e.txt" 2>&1
[ $? -eq 0 ] || fail=1
grep -E '^\[ *(OK|FAILED|PASSED) |Failure|Expected|Which is|actual|TIMING' "$SCRATCH/e2e.txt"
grep TIMING "$SCRATCH/e2e.txt" > "$ARTIFACTS/backup-timings.txt"

echo "== the window"
wine 'C:\hstest\hivesave.exe' &
P=$!
UI='C:\hstest\startup_uiclick.exe'
TITLE='Scourline - Registry Backup'
if ! wine "$UI" wait "$TITLE" 60; then echo "backup e2e: the window did not appear"; fail=1; fi
sleep 1
xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/hivesave-two-backups.png" && echo "screenshot: $ARTIFACTS/hivesave-two-backups.png"
wine "$UI" rows "$TITLE" | tr -d '\r' > "$SCRATCH/rows.txt"
cat "$SCRATCH/rows.txt"
n=$(grep -c '^Backup [0-9][0-9]\.[0-9][0-9]\.[0-9][0-9]-[0-9][0-9]\.[0-9][0-9]\.[0-9][0-9]	' "$SCRATCH/rows.txt")
if [ "$n" -ne 2 ]; then echo "backup e2e: the window lists $n backups, not 2"; fail=1; fi
# A backup through the window itself, followed by its own 5-second timer until the message.
wine "$UI" click "$TITLE" "New Backup" || fail=1
sleep 7
xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/hivesave-following.png" && echo "screenshot: $ARTIFACTS/hivesave-following.png"
wine "$UI" rows "$TITLE" | tr -d '\r'
t0=$(date +%s)
if wine "$UI" wait "Scourline" 300; then
  echo "the window announced its backup $(( $(date +%s) - t0 + 7 )) s after New Backup"
  sleep 3
  xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/hivesave-finished.png" && echo "screenshot: $ARTIFACTS/hivesave-finished.png"
  wine "$UI" click "Scourline" "OK" || fail=1
else echo "backup e2e: no message after New Backup"; fail=1; fi
sleep 1
n=$(wine "$UI" rows "$TITLE" | tr -d '\r' | grep '^Backup ' | grep -c ' MB$')
if [ "$n" -ne 3 ]; then echo "backup e2e: $n finished backups listed, not 3"; fail=1; fi
wine "$UI" click "$TITLE" "Close" || fail=1
for _ in $(seq 1 50); do kill -0 $P 2>/dev/null || break; sleep 0.1; done
if kill -0 $P 2>/dev/null; then echo "backup e2e: Close did not end the program"; kill $P; fail=1; fi
wait $P 2>/dev/null
timeout 30 wineserver -k >/dev/null 2>&1
exit $fail
INNER
chmod +x "$SCRATCH/inner.sh"
timeout 1200 xvfb-run -a -s "-screen 0 1024x768x24" "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64" -e "fixme:"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 0 ]; then echo "backup e2e: PASSED"; else echo "backup e2e: FAILED ($rc)"; fi
rm -rf "$SCRATCH/pfx"
exit "$rc"
