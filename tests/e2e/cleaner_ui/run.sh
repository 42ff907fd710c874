#!/bin/bash
# End to end of hivescrub.exe in a throwaway Wine prefix under Xvfb: planted broken entries
# (the cleaner's e2e plant), the wizard closed, a scan through the window's button, screenshots
# of the results view, the options view, the exclude dialog and the Spanish interface, the
# settings key after the close, and a second start that ends at once. Then the sequence that
# once scanned with half an exclude list: wizard, Scan, Show options, Add..., a text typed into
# the real edit box and Enter, with an Exclude.lst of two entries: the dialog closes, the file
# holds all three entries and no scan starts.
#
#   run.sh [mingw build folder]   (or SCL_BUILD_WIN / BUILD_WIN; default build/win)   SHOTS=dir keeps the PNGs
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
. "$HERE/../prefix.sh"
BUILD=$(scl_build_win "${1:-}")
EXE=$BUILD/cleaner/ui/hivescrub.exe
CLICK=$BUILD/tests/cleaner_ui/uiclick.exe
[ -f "$EXE" ] && [ -f "$CLICK" ] || { echo "cleaner_ui e2e: build hivescrub and uiclick first"; exit 1; }
SCRATCH=$(mktemp -d /tmp/cleaner-ui-e2e.XXXXXX)
SHOTS=${SHOTS:-$SCRATCH/shots}
mkdir -p "$SHOTS"
trap 'timeout 30 wineserver -k >/dev/null 2>&1; [ -n "${KEEP:-}" ] || rm -rf "$SCRATCH/pfx"' EXIT

scl_new_prefix "$SCRATCH/pfx" || exit 1
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
gone() { ! ui wait "$1" 1; }

# English: the wizard comes first, modal; its close box leaves the main window idle.
wine 'C:\Program Files\Scourline\hivescrub.exe' & P=$!
check "main window opens" ui wait "$MAIN" 60
check "wizard shown at start" ui wait "Welcome to Tolvane Registry Cleaner" 30
shot wizard 2
ui close "Welcome to Tolvane Registry Cleaner"
# The window before any view switch: only the results view (nothing of the options view
# shows through it).
shot start 2
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

# The wizard's Scan leaves ScanOnActivate set; Add... then closes a modal dialog over the main
# window, which activates it while the list is being reloaded.
rm -f "$APPDIR/spanish.dll"
printf 'NoSuchEntryA;;Yes;;True\r\nNoSuchEntryB;;Yes;;True\r\n' >"$APPDIR/Exclude.lst"
wine 'C:\Program Files\Scourline\hivescrub.exe' & P=$!
ui wait "$MAIN" 60
check "wizard for the sequence" ui wait "Welcome to Tolvane Registry Cleaner" 30
ui click "Welcome to Tolvane Registry Cleaner" "Next"
sleep 1
ui click "Welcome to Tolvane Registry Cleaner" "Scan"
sleep 2
check "wizard's scan ends" ui waitcaption "$MAIN" "Scan now" 600
ui click "$MAIN" "Show options"
sleep 1
ui move "$MAIN" 0 0
ui click "$MAIN" "Add..."
check "exclude dialog for the sequence" ui wait "Exclude locations" 20
ui enter "Exclude locations" "HKEY_CURRENT_USER\Software\ScourlineE2E"
sleep 3
shot sequence 1
check "Enter closed the dialog" gone "Exclude locations"
check "no scan started: the options view stays" ui waitcaption "$MAIN" "Hide options" 3
LIST=$(cat "$APPDIR/Exclude.lst")
printf 'Exclude.lst now:\n%s\n' "$LIST"
check "the file holds all three entries, one line each" [ "$LIST" = "$(printf 'NoSuchEntryA;;Yes;;True\r\nNoSuchEntryB;;Yes;;True\r\nHKEY_CURRENT_USER\\Software\\ScourlineE2E;;Yes;;True\r')" ]
ui close "$MAIN"
wait $P
exit $FAILS
EOS
chmod +x "$SCRATCH/session.sh"
APPDIR=$APP SHOTS=$SHOTS WINEPREFIX=$WINEPREFIX timeout 1800 xvfb-run -a -s "-screen 0 1024x768x24" "$SCRATCH/session.sh"
RC=$?
echo "settings after the close:"
timeout 60 wine reg query 'HKCU\Software\Tolvane\Registry Cleaner\Registry Cleaner' 2>/dev/null | tr -d '\r'
echo "screenshots in $SHOTS"
exit $RC
