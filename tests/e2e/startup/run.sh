#!/bin/bash
# End-to-end check of startup.exe under Wine and Xvfb, in a throwaway prefix:
# 1. startup_e2e.exe drives the window's handlers (headless) against the prefix's real Run keys:
#    create, duplicate refused, rename, in-place change, long entry listed, delete, both roots;
#    it reads the registry back with plain Win32 calls after each step.
# 2. startup.exe itself, with entries planted in every log-on place (`wine reg add` for the Run
#    and RunOnce keys of both views, shortcuts saved with the shell's link interface in both
#    Startup folders; one program carrying its own icon), is shown; uiclick.exe reads its list,
#    clicks rows and presses Disable, Enable and "All Users"; the state values Windows keeps
#    are read back and compared byte for byte; the views are screenshot into $ARTIFACTS and
#    the listed rows are compared with the planted ones.
# 3. hiverun.exe lists every place, disables and enables, and renames and removes a 32-bit Run
#    entry while the same-named 64-bit one stays; a Startup-folder file goes to the trash.
#
#   run.sh [mingw build folder]       (or SCL_BUILD_WIN / BUILD_WIN; default build/win)
set -u
. "$(cd "$(dirname "$0")/.." && pwd)/prefix.sh"
BUILD=$(scl_build_win "${1:-}")
for exe in startup/startup.exe startup/hiverun/hiverun.exe tests/startup/startup_e2e.exe \
           tests/startup/startup_uiclick.exe tests/startup/startup_mklink.exe; do
  if [ ! -f "$BUILD/$exe" ]; then
    echo "startup e2e: missing $BUILD/$exe (build startup hiverun startup_e2e startup_uiclick startup_mklink)"; exit 1
  fi
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
RUN32='HKLM\Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Run'
ONCE='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
ONCE32='HKLM\Software\WOW6432Node\Microsoft\Windows\CurrentVersion\RunOnce'
APPROVED='Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved'
# Files the shell deletes with undo go to the XDG trash under Wine: keep them in the scratch folder.
export XDG_DATA_HOME=$SCRATCH/xdg
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
cp "$BUILD/startup/startup.exe" "$BUILD/startup/hiverun/hiverun.exe" "$BUILD/tests/startup/startup_uiclick.exe" \
  "$BUILD/tests/startup/startup_e2e.exe" "$BUILD/tests/startup/startup_mklink.exe" "$T/"
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
wine reg add "$RUNLM" /v 'Same name' /d 'C:\windows\notepad.exe /64' /f >/dev/null
wine reg add "$RUN32" /v 'Same name' /d 'C:\windows\notepad.exe /32' /f >/dev/null
wine reg add "$ONCE" /v 'Once setup' /d 'C:\windows\notepad.exe /setup' /f >/dev/null
wine reg add "$ONCE32" /v 'Once 32' /d 'C:\windows\regedit.exe /s x.reg' /f >/dev/null
MK='C:\sutest\startup_mklink.exe'
UFOLDER=$(wine "$MK" folder 7 | tr -d '\r')
CFOLDER=$(wine "$MK" folder 24 | tr -d '\r')
echo "Startup folders: user $UFOLDER, all users $CFOLDER"
wine "$MK" link "$UFOLDER\Red App.lnk" 'C:\sutest\Red App\redapp.exe' '--tray --quiet' || fail=1
printf 'note\r\n' > "$(winepath -u "$UFOLDER")/readme.txt"
wine "$MK" link "$CFOLDER\Common tool.lnk" 'C:\windows\regedit.exe' || fail=1
# The 24 hexadecimal digits of a state value (12 bytes), or "none".
state_hex() {
  local v
  v=$(wine reg query "$1\\$APPROVED\\$2" /v "$3" 2>/dev/null | tr -d '\r' | grep REG_BINARY | awk '{print $NF}')
  echo "${v:-none}"
}
# state_is ROOT SUBKEY NAME 02|03: the first byte as given, three zero bytes, a file time that is not zero.
state_is() {
  local hex; hex=$(state_hex "$1" "$2" "$3")
  if [[ "$hex" =~ ^$4000000[0-9A-Fa-f]{16}$ ]] && [ "${hex:8}" != 0000000000000000 ]; then
    echo "state of $3 in $2: $hex (as expected: $4)"; return 0
  fi
  echo "startup e2e: state of $3 in $2 is $hex, expected $4 000000 and a file time"; return 1
}
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
# Disable and Enable follow the clicked row and write the state Windows reads.
wine "$UI" clickrow "$TITLE" 'Red App.lnk' || { echo "startup e2e: no row Red App.lnk"; fail=1; }
sleep 1
wine "$UI" click "$TITLE" "Disable" || fail=1
sleep 1
state_is HKCU StartupFolder 'Red App.lnk' 03 || fail=1
wine "$UI" rows "$TITLE" | tr -d '\r' | grep -qxF "Red App.lnk	\"C:\sutest\Red App\redapp.exe\" --tray --quiet	Startup folder	Disabled" ||
  { echo "startup e2e: Red App.lnk not shown disabled"; fail=1; }
xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/startup-disabled.png" && echo "screenshot: $ARTIFACTS/startup-disabled.png"
wine "$UI" click "$TITLE" "Enable" || fail=1
sleep 1
state_is HKCU StartupFolder 'Red App.lnk' 02 || fail=1
wine "$UI" clickrow "$TITLE" 'Red App' || fail=1
sleep 1
wine "$UI" click "$TITLE" "Disable" || fail=1
sleep 1
state_is HKCU Run 'Red App' 03 || fail=1
# A RunOnce entry says why it cannot be disabled.
wine "$UI" clickrow "$TITLE" 'Once setup' || fail=1
sleep 1
wine "$UI" click "$TITLE" "Disable" || fail=1
if wine "$UI" wait "Disable" 20; then
  sleep 1
  xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/startup-runonce.png" && echo "screenshot: $ARTIFACTS/startup-runonce.png"
  wine "$UI" click "Disable" "OK" || fail=1
else echo "startup e2e: Disable on a RunOnce entry said nothing"; fail=1; fi
sleep 1
[ "$(state_hex HKCU Run 'Once setup')" = none ] || { echo "startup e2e: a RunOnce entry got a state value"; fail=1; }
wine "$UI" rows "$TITLE" | tr -d '\r' > "$SCRATCH/rows-cu2.txt"
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

UF=$UFOLDER
printf '%s\n' 'Control panel	RunDll32 shell32.dll,Control_RunDLL	Run	Enabled' 'Expandable	%windir%\regedit.exe	Run	Enabled' \
  'Missing program	C:\nowhere\gone.exe	Run	Enabled' 'Notepad	C:\windows\notepad.exe	Run	Enabled' \
  'Once setup	C:\windows\notepad.exe /setup	RunOnce	Runs once' \
  'Red App	"C:\sutest\Red App\redapp.exe" --tray	Run	Enabled' \
  'Red App.lnk	"C:\sutest\Red App\redapp.exe" --tray --quiet	Startup folder	Enabled' \
  "readme.txt	$UF\readme.txt	Startup folder	Enabled" | sort > "$SCRATCH/want-cu.txt"
sed -e 's/^\(Red App	.*\)	Enabled$/\1	Disabled/' "$SCRATCH/want-cu.txt" > "$SCRATCH/want-cu2.txt"
printf '%s\n' 'Common tool.lnk	C:\windows\regedit.exe	Startup folder	Enabled' \
  'Machine red app	"C:\sutest\Red App\redapp.exe"	Run	Enabled' 'Once 32	C:\windows\regedit.exe /s x.reg	RunOnce (32-bit)	Runs once' \
  'Registry editor	C:\windows\regedit.exe	Run	Enabled' 'Same name	C:\windows\notepad.exe /32	Run (32-bit)	Enabled' \
  'Same name	C:\windows\notepad.exe /64	Run	Enabled' | sort > "$SCRATCH/want-au.txt"
for v in cu cu2 au; do
  sort "$SCRATCH/rows-$v.txt" > "$SCRATCH/got-$v.txt"
  if diff -u "$SCRATCH/want-$v.txt" "$SCRATCH/got-$v.txt"; then echo "rows ($v): as planted"; else fail=1; fi
done

echo "== hiverun"
HR='C:\sutest\hiverun.exe'
hr() { wine "$HR" "$@" > "$SCRATCH/hr-out.txt" 2> "$SCRATCH/hr-err.txt"; rc=$?; tr -d '\r' < "$SCRATCH/hr-out.txt" > "$SCRATCH/hr.txt"; return 0; }
check() { if eval "$2"; then echo "ok: $1"; else echo "startup e2e: FAILED: $1"; cat "$SCRATCH/hr-err.txt"; fail=1; fi; }
reg_has() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -qF "$3"; }
hr list --scope all
check "list: exit 0" '[ $rc -eq 0 ]'
check "list: header with place and state" 'head -1 "$SCRATCH/hr.txt" | grep -qxF "name	data	scope	program	exists	place	state"'
check "list: 64-bit Run entry" 'grep -qxF "Same name	C:\\\\windows\\\\notepad.exe /64	machine	C:\\\\windows\\\\notepad.exe /64	no	Run	enabled" "$SCRATCH/hr.txt"'
check "list: 32-bit Run entry" 'grep -qF "Same name	C:\\\\windows\\\\notepad.exe /32	machine32	" "$SCRATCH/hr.txt"'
check "list: RunOnce (32-bit)" 'grep -qE "^Once 32	.*	machine32	.*	RunOnce \(32-bit\)	once$" "$SCRATCH/hr.txt"'
check "list: the shortcut with its target" 'grep -qE "^Red App.lnk	.*redapp.exe.*	user	C:.*Red App.*redapp.exe	yes	Startup folder	enabled$" "$SCRATCH/hr.txt"'
check "list: expandable entry expanded for the file test" 'grep -qiE "^Expandable	%windir%.*regedit.exe	user	C:.*windows.*regedit.exe	yes	Run	enabled$" "$SCRATCH/hr.txt"'
check "list: the entry the window disabled" 'grep -qE "^Red App	.*	Run	disabled$" "$SCRATCH/hr.txt"'
cp "$SCRATCH/hr.txt" "$ARTIFACTS/hiverun-list.tsv"

hr disable --scope machine32 'Same name'
check "disable 32-bit: exit 0" '[ $rc -eq 0 ]'
check "disable 32-bit: Run32 state 03" 'state_is HKLM Run32 "Same name" 03'
check "disable 32-bit: the 64-bit one has no state" '[ "$(state_hex HKLM Run "Same name")" = none ]'
hr enable --scope machine32 'Same name'
check "enable 32-bit: Run32 state 02" 'state_is HKLM Run32 "Same name" 02'
hr disable --scope machine32 'Same name'
hr rename --scope machine32 'Same name' 'Renamed 32'
check "rename 32-bit: exit 0" '[ $rc -eq 0 ]'
check "rename 32-bit: the new name in the 32-bit key" 'reg_has "$RUN32" "Renamed 32" "notepad.exe /32"'
check "rename 32-bit: the old name gone from the 32-bit key" '! reg_has "$RUN32" "Same name" REG_SZ'
check "rename 32-bit: the 64-bit entry stays" 'reg_has "$RUNLM" "Same name" "notepad.exe /64"'
check "rename 32-bit: stays disabled" 'state_is HKLM Run32 "Renamed 32" 03'
check "rename 32-bit: no state left under the old name" '[ "$(state_hex HKLM Run32 "Same name")" = none ]'
hr remove --scope machine32 'Renamed 32'
check "remove 32-bit: exit 0" '[ $rc -eq 0 ]'
check "remove 32-bit: gone" '! reg_has "$RUN32" "Renamed 32" REG_SZ'
check "remove 32-bit: its state gone" '[ "$(state_hex HKLM Run32 "Renamed 32")" = none ]'
check "remove 32-bit: the 64-bit entry stays" 'reg_has "$RUNLM" "Same name" "notepad.exe /64"'

hr disable --place runonce 'Once setup'
check "disable RunOnce: exit 3" '[ $rc -eq 3 ]'
check "disable RunOnce: says why" 'grep -q "cannot be disabled" "$SCRATCH/hr-err.txt"'
hr disable --place startup 'Red App.lnk'
check "disable shortcut: StartupFolder state 03" 'state_is HKCU StartupFolder "Red App.lnk" 03'
hr enable --place startup 'Red App.lnk'
check "enable shortcut: StartupFolder state 02" 'state_is HKCU StartupFolder "Red App.lnk" 02'
hr remove ''
check "remove of an empty name: exit 3" '[ $rc -eq 3 ]'
hr remove --scope machine --place startup 'Common tool.lnk'
check "remove all users' shortcut: exit 0" '[ $rc -eq 0 ]'
check "remove shortcut: gone from the folder" '[ ! -e "$(winepath -u "$CFOLDER")/Common tool.lnk" ]'
check "remove shortcut: in the trash" '[ -e "$XDG_DATA_HOME/Trash/files/Common tool.lnk" ]'
timeout 30 wineserver -k >/dev/null 2>&1
exit $fail
INNER
chmod +x "$SCRATCH/inner.sh"
timeout 600 xvfb-run -a -s "-screen 0 1024x768x24" "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64" -e "fixme:"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 0 ]; then echo "startup e2e: PASSED"; else echo "startup e2e: FAILED ($rc)"; fi
rm -rf "$SCRATCH/pfx"
exit "$rc"
