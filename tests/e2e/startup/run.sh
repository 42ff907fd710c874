#!/bin/bash
# End-to-end check of startup.exe under Wine and Xvfb, in a throwaway prefix:
# 1. startup_e2e.exe drives the window's handlers (headless) against the prefix's real Run keys:
#    create, duplicate refused, rename, in-place change, long entry listed, delete, both roots;
#    it reads the registry back with plain Win32 calls after each step.
# 2. startup.exe itself, with entries planted by `wine reg add` (one program carrying its own
#    icon), is shown; uiclick.exe reads its list and presses "All Users"; both views are
#    screenshot into $ARTIFACTS and the listed rows are compared with the planted ones.
#
#   run.sh [mingw build folder]       (or SCL_BUILD_WIN / BUILD_WIN; default build/win)
set -u
. "$(cd "$(dirname "$0")/.." && pwd)/prefix.sh"
BUILD=$(scl_build_win "${1:-}")
for exe in startup/startup.exe tests/startup/startup_e2e.exe tests/startup/startup_uiclick.exe; do
  if [ ! -f "$BUILD/$exe" ]; then echo "startup e2e: missing $BUILD/$exe (build startup startup_e2e startup_uiclick)"; exit 1; fi
done
SCRATCH=$(mktemp -d /tmp/startup-e2e.XXXXXX)
ARTIFACTS=${ARTIFACTS:-$SCRATCH}
mkdir -p "$ARTIFACTS"
export BUILD ARTIFACTS SCRATCH

# A small program with an icon of its own, so the list shows a file icon beside the default one.
convert -size 16x16 xc:'#d02020' -fill '#ffffff' -draw 'rectangle 4,4 11,11' "$SCRATCH/app16.png" &&
convert "$SCRATCH/app16.png" -scale 32x32 "$SCRATCH/app32.png" &&
convert "$SCRATCH/app16.png" "$SCRATCH/app32.png" "$SCRATCH/app.ico" &&
printf '1 ICON "app.ico"\n' > "$SCRATCH/app.rc" &&
(cd "$SCRATCH" && x86_64-w64-mingw32-windres app.rc -O coff -o app.res.o) &&
printf 'int main(){return 0;}\n' > "$SCRATCH/app.c" &&
x86_64-w64-mingw32-gcc -O2 -o "$SCRATCH/redapp.exe" "$SCRATCH/app.c" "$SCRATCH/app.res.o" ||
  { echo "startup e2e: could not build the icon program"; exit 1; }

cat > "$SCRATCH/inner.sh" <<'INNER'
#!/bin/bash
set -u
RUN='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
RUNLM='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
# A booted prefix: a copy of the one tools/test made, or a new one.
. "$SCL_PREFIX_SH"
scl_new_prefix "$SCRATCH/pfx" || exit 1
# Without a window manager, Wine's managed windows wait for one (owned and modal windows stay
# unpainted); unmanaged windows get Wine's own frame.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
timeout 30 wineserver -k >/dev/null 2>&1
# The prefix keeps Wine's registry as made: no ".exe" file class, for which the shell gives
# every program the unknown-file icon; the list must still show programs' own icons.
T=$WINEPREFIX/drive_c/sutest
mkdir -p "$T/Red App"
cp "$BUILD/startup/startup.exe" "$BUILD/tests/startup/startup_uiclick.exe" "$BUILD/tests/startup/startup_e2e.exe" "$T/"
cp "$SCRATCH/redapp.exe" "$T/Red App/redapp.exe"
fail=0

echo "== handlers against the real Run keys"
timeout 120 wine 'C:\sutest\startup_e2e.exe' 2>&1 | grep -E '^\[ *(OK|FAILED|PASSED) |Failure|Expected|Which is|actual' 
[ "${PIPESTATUS[0]}" -eq 0 ] || fail=1

echo "== the window"
wine reg add "$RUN" /v 'Red App' /d '"C:\sutest\Red App\redapp.exe" --tray' /f >/dev/null
wine reg add "$RUN" /v 'Notepad' /d 'C:\windows\notepad.exe' /f >/dev/null
wine reg add "$RUN" /v 'Control panel' /d 'RunDll32 shell32.dll,Control_RunDLL' /f >/dev/null
wine reg add "$RUN" /v 'Missing program' /d 'C:\nowhere\gone.exe' /f >/dev/null
wine reg add "$RUN" /v 'Expandable' /t REG_EXPAND_SZ /d '%windir%\regedit.exe' /f >/dev/null
wine reg add "$RUNLM" /v 'Machine red app' /d '"C:\sutest\Red App\redapp.exe"' /f >/dev/null
wine reg add "$RUNLM" /v 'Registry editor' /d 'C:\windows\regedit.exe' /f >/dev/null
wine 'C:\sutest\startup.exe' &
P=$!
UI='C:\sutest\startup_uiclick.exe'
TITLE='Tolvane Startup Manager'
if ! wine "$UI" wait "$TITLE" 60; then echo "startup e2e: the window did not appear"; fail=1; fi
sleep 1
xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/startup-current-user.png" && echo "screenshot: $ARTIFACTS/startup-current-user.png"
wine "$UI" rows "$TITLE" | tr -d '\r' > "$SCRATCH/rows-cu.txt"
# Red App's own icon: a red square (#D02020) round a white one; the unknown-file icon has no red.
red=$(convert "$ARTIFACTS/startup-current-user.png" -fuzz 4% -fill black +opaque '#D02020' -fill white -opaque '#D02020' \
  -format '%[fx:round(mean*w*h)]' info: 2>/dev/null)
echo "red pixels of Red App's icon in the list: ${red:-none}"
if [ "${red:-0}" -lt 100 ]; then echo "startup e2e: Red App's own icon is not shown"; fail=1; fi
wine "$UI" click "$TITLE" "All Users" || fail=1
sleep 1
xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/startup-all-users.png" && echo "screenshot: $ARTIFACTS/startup-all-users.png"
wine "$UI" rows "$TITLE" | tr -d '\r' > "$SCRATCH/rows-au.txt"
# The two dialogs, opened from the window and cancelled.
wine "$UI" click "$TITLE" "Create Key" || fail=1
if wine "$UI" wait "Create Registry Key" 30; then
  sleep 1
  xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/startup-create.png" && echo "screenshot: $ARTIFACTS/startup-create.png"
  wine "$UI" click "Create Registry Key" "Cancel" || fail=1
else echo "startup e2e: Create Key opened no dialog"; fail=1; fi
sleep 1
wine "$UI" click "$TITLE" "Modify Key" || fail=1
if wine "$UI" wait "Modify Registry Key" 30; then
  sleep 1
  xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/startup-modify.png" && echo "screenshot: $ARTIFACTS/startup-modify.png"
  wine "$UI" click "Modify Registry Key" "Cancel" || fail=1
else echo "startup e2e: Modify Key opened no dialog"; fail=1; fi
sleep 1
wine "$UI" click "$TITLE" "Close" || fail=1
for _ in $(seq 1 50); do kill -0 $P 2>/dev/null || break; sleep 0.1; done
if kill -0 $P 2>/dev/null; then echo "startup e2e: Close did not end the program"; kill $P; fail=1; fi
wait $P 2>/dev/null

printf '%s\n' 'Control panel	RunDll32 shell32.dll,Control_RunDLL' 'Missing program	C:\nowhere\gone.exe' \
  'Notepad	C:\windows\notepad.exe' 'Red App	"C:\sutest\Red App\redapp.exe" --tray' > "$SCRATCH/want-cu.txt"
printf '%s\n' 'Machine red app	"C:\sutest\Red App\redapp.exe"' 'Registry editor	C:\windows\regedit.exe' > "$SCRATCH/want-au.txt"
for v in cu au; do
  sort "$SCRATCH/rows-$v.txt" > "$SCRATCH/got-$v.txt"
  if diff -u "$SCRATCH/want-$v.txt" "$SCRATCH/got-$v.txt"; then echo "rows ($v): as planted"; else fail=1; fi
done
timeout 30 wineserver -k >/dev/null 2>&1
exit $fail
INNER
chmod +x "$SCRATCH/inner.sh"
timeout 600 xvfb-run -a -s "-screen 0 1024x768x24" "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64" -e "fixme:"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 0 ]; then echo "startup e2e: PASSED"; else echo "startup e2e: FAILED ($rc)"; fi
rm -rf "$SCRATCH/pfx"
exit "$rc"
