#!/bin/bash
# End to end of hivescrub.exe in a throwaway Wine prefix under Xvfb: planted broken entries
# (the cleaner's e2e plant), the wizard closed, a scan through the window's button, screenshots
# of the results view, the options view, the exclude dialog and the Spanish interface, the
# settings key after the close, and a second start that ends at once.
#
#   run.sh [mingw build folder]   (or BUILD_WIN=...; default build/win)   SHOTS=dir keeps the PNGs
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
BUILD=${1:-${BUILD_WIN:-$ROOT/build/win}}
EXE=$BUILD/cleaner/ui/hivescrub.exe
CLICK=$BUILD/tests/cleaner_ui/uiclick.exe
[ -f "$EXE" ] && [ -f "$CLICK" ] || { echo "cleaner_ui e2e: build hivescrub and uiclick first"; exit 1; }
SCRATCH=$(mktemp -d /tmp/cleaner-ui-e2e.XXXXXX)
SHOTS=${SHOTS:-$SCRATCH/shots}
mkdir -p "$SHOTS"
export WINEPREFIX=$SCRATCH/pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'timeout 30 wineserver -k >/dev/null 2>&1; [ -n "${KEEP:-}" ] || rm -rf "$SCRATCH/pfx"' EXIT

timeout 300 wineboot -i >/dev/null 2>&1
APP="$WINEPREFIX/drive_c/Program Files/Scourline"
mkdir -p "$APP"
cp "$EXE" "$CLICK" "$APP/"
python3 "$ROOT/tests/e2e/cleaner/plant.py" main "$SCRATCH/planted.reg"
timeout 60 wine regedit /S "$SCRATCH/planted.reg" 2>/dev/null
timeout 30 wineserver -w   # the server started without a display must end before Xvfb

cat >"$SCRATCH/session.sh" <<'EOS'
#!/bin/bash
set -u
MAIN="Tolvane Registry Cleaner 4.21"
ui() { timeout 700 wine 'C:\Program Files\Scourline\uiclick.exe' "$@"; }
shot() { sleep "${2:-1}"; xwd -root -display "$DISPLAY" | convert xwd:- "$SHOTS/$1.png"; echo "shot $SHOTS/$1.png"; }
FAILS=0
check() { local n=$1; shift; if "$@"; then echo "ok   $n"; else echo "FAIL $n"; FAILS=$((FAILS+1)); fi; }

# English: the wizard comes first, modal; its close box leaves the main window idle.
wine 'C:\Program Files\Scourline\hivescrub.exe' & P=$!
check "main window opens" ui wait "$MAIN" 60
check "wizard shown at start" ui wait "Welcome to Tolvane Registry Cleaner" 30
shot wizard 2
ui close "Welcome to Tolvane Registry Cleaner"
sleep 1
# A second start ends at once, silently.
( timeout 60 wine 'C:\Program Files\Scourline\hivescrub.exe'; echo "second start rc $?" ) &
S=$!
wait $S
check "second start left one main window" ui wait "$MAIN" 5
ui click "$MAIN" "Scan now"
sleep 2
check "scan ends" ui waitcaption "$MAIN" "Scan now" 600
echo "result rows: $(ui lvcount "$MAIN" 0)"
shot results 2
ui click "$MAIN" "Show options"
shot options 2
# Under Wine without a window manager a window that lies wholly inside another top-level window
# of the program stays black on the screen; moving the main window to the corner lets the
# centred dialog stick out of it, so the screenshot shows it.
ui move "$MAIN" 0 0
sleep 1
ui click "$MAIN" "Add..."
check "exclude dialog" ui wait "Exclude locations" 20
shot exclude 2
ui click "Exclude locations" "Cancel"
sleep 1
ui close "$MAIN"
wait $P
echo "first run exit $?"

# Spanish: the marker file in the application folder.
touch "$WINEPREFIX/drive_c/Program Files/Scourline/spanish.dll"
wine 'C:\Program Files\Scourline\hivescrub.exe' & P=$!
check "Spanish main window" ui wait "$MAIN" 60
ui wait "Bienvenido a Scourline" 30 && ui close "Bienvenido a Scourline"
sleep 1
ui click "$MAIN" "&Buscar"
sleep 2
ui waitcaption "$MAIN" "&Buscar" 600
shot spanish 2
ui click "$MAIN" "Show options"
shot spanish-options 2
ui close "$MAIN"
wait $P
exit $FAILS
EOS
chmod +x "$SCRATCH/session.sh"
SHOTS=$SHOTS WINEPREFIX=$WINEPREFIX timeout 1800 xvfb-run -a -s "-screen 0 1024x768x24" "$SCRATCH/session.sh"
RC=$?
echo "settings after the close:"
timeout 60 wine reg query 'HKCU\Software\Tolvane\Registry Cleaner\Registry Cleaner' 2>/dev/null | tr -d '\r'
echo "screenshots in $SHOTS"
exit $RC
