#!/bin/bash
# End-to-end check of hivescrub.exe's side windows under Wine and Xvfb, in a throwaway prefix:
# - the start-up wizard (both pages), the uninstall manager over entries planted in both registry
#   views of the machine and for the current user (Remove deletes exactly the chosen ones; a missing program is reported and the decoy
#   C:\Program.exe is not started), the about window with its Arabic label, and its update
#   window without network (the check could not be made);
# - the update window against a local update site (update_site.py on 127.0.0.1) that redirects
#   the query to /version/26 and /version/25: the right result page is requested.
# Screenshots are left in $ARTIFACTS (default: the scratch folder).
#
#   run.sh [mingw build folder]       (or SCL_BUILD_WIN / BUILD_WIN; default build/win)
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../prefix.sh"
BUILD=$(scl_build_win "${1:-}")
for exe in cleaner/ui/hivescrub.exe tests/cleaner_side/cleaner_side_driver.exe tests/cleaner_side/cleaner_side_update_e2e.exe; do
  if [ ! -f "$BUILD/$exe" ]; then
    echo "cleaner side e2e: missing $BUILD/$exe (build hivescrub cleaner_side_driver cleaner_side_update_e2e)"
    exit 1
  fi
done

SCRATCH=$(mktemp -d /tmp/side-e2e.XXXXXX)
ARTIFACTS=${ARTIFACTS:-$SCRATCH}
mkdir -p "$ARTIFACTS"
export BUILD ARTIFACTS HERE SCRATCH

cat > "$SCRATCH/inner.sh" <<'INNER'
#!/bin/bash
set -u
fail=0
. "$SCL_PREFIX_SH"
scl_new_prefix "$SCRATCH/pfx" || exit 1

# Wine's own Tahoma has no Arabic letters (the system's has): link it to a font that has them.
dv="DejaVuSans.ttf,DejaVu Sans"
hex=$(printf '%s' "$dv" | od -An -tx1 | tr -s ' \n' ',' | sed 's/^,//; s/,$//')
{
  echo "REGEDIT4"
  echo
  echo "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]"
  for f in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do echo "\"$f\"=hex(7):$hex,00,00"; done
  echo
  U='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
  W='HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
  H='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  entry() { echo "[$1\\$2]"; [ -n "$3" ] && echo "\"DisplayName\"=\"$3\""; [ -n "$4" ] && echo "\"UninstallString\"=\"$4\""; echo; }
  entry "$U" ScourlineE2E_Alpha "Scourline E2E Alpha" 'C:\\Scourline E2E\\alpha\\uninst.exe /S'
  entry "$U" ScourlineE2E_TwinA "Scourline E2E Twin" 'C:\\Scourline E2E\\twinA\\uninst.exe'
  entry "$U" ScourlineE2E_TwinB "Scourline E2E Twin" 'C:\\Scourline E2E\\twinB\\uninst.exe'
  entry "$U" ScourlineE2E_Ghost "Scourline E2E Ghost" 'C:\\Program Files\\Ghost App\\uninst.exe /S'
  entry "$U" ScourlineE2E_NoCommand "Scourline E2E NoCommand" ""
  entry "$U" ScourlineE2E_Keep "Scourline E2E Keep" 'C:\\Scourline E2E\\keep\\uninst.exe'
  entry "$W" ScourlineE2E_Wow32 "Scourline E2E Wow32" 'C:\\Scourline E2E\\wow32\\uninst.exe'
  entry "$H" ScourlineE2E_User "Scourline E2E PerUser" 'C:\\Users\\Scourline\\user\\uninst.exe'
} > "$SCRATCH/plant.reg"
timeout 60 wine regedit /S "$(winepath -w "$SCRATCH/plant.reg")" 2>/dev/null
# The decoy an unsafe reading of the Ghost entry's command would start.
cp "$WINEPREFIX/drive_c/windows/system32/notepad.exe" "$WINEPREFIX/drive_c/Program.exe"
# The program in a folder with blanks, with its sibling hivesave absent.
APP="$WINEPREFIX/drive_c/Scourline E2E App"
mkdir -p "$APP" "$SCRATCH/signals"
cp "$BUILD/cleaner/ui/hivescrub.exe" "$APP/"
cp "$BUILD/tests/cleaner_side/cleaner_side_driver.exe" "$BUILD/tests/cleaner_side/cleaner_side_update_e2e.exe" "$SCRATCH/"

# Everything runs on a Wine virtual desktop: without a window manager, Wine leaves windows that
# open while their owner is disabled (modal ones, message boxes) unpainted on the bare X screen.
SIG=$SCRATCH/signals
timeout 240 wine explorer /desktop=sidee2e,1024x768 "$SCRATCH/cleaner_side_driver.exe" \
  'C:\Scourline E2E App\hivescrub.exe' "$(winepath -w "$SIG")" "$(winepath -w "$SCRATCH/driver.log")" \
  >/dev/null 2>&1 &
D=$!
shoot() {  # waits for the driver's signal, takes a screenshot, answers
  for _ in $(seq 1 600); do [ -f "$SIG/$1" ] && break; kill -0 $D 2>/dev/null || return; sleep 0.1; done
  [ -f "$SIG/$1" ] || return
  xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/$1.png" && echo "screenshot: $ARTIFACTS/$1.png"
  touch "$SIG/$1.done"
}
for s in wizard-page1 wizard-page2 uninstall-manager uninstall-missing-program about update-offline; do shoot $s; done
wait $D
tr -d '\r' < "$SCRATCH/driver.log"
grep -q '^failures: 0' "$SCRATCH/driver.log" || fail=1

# Each side window on its own (real controls, real registry and WinHTTP), English and Spanish.
G=$SCRATCH/gallery
mkdir -p "$G"
cp "$BUILD/tests/cleaner_side/cleaner_side_gallery.exe" "$G/"
for pass in en es; do
  [ $pass = es ] && echo x > "$G/spanish.dll"
  timeout 240 wine explorer /desktop=sidee2e,1024x768 "$G/cleaner_side_gallery.exe" "$(winepath -w "$SIG")" \
    $([ $pass = es ] && echo wizard) >/dev/null 2>&1 &
  D=$!
  if [ $pass = en ]; then
    for s in gallery-wizard-page1 gallery-wizard-page2 gallery-uninstall gallery-about gallery-update-offline; do shoot $s; done
  else
    for s in gallery-wizard-es-page1 gallery-wizard-es-page2; do shoot $s; done
  fi
  wait $D
done
if [ "$(od -An -c "$G/open.cpa" 2>/dev/null | tr -d ' \n')" = 'reg\r\n' ]; then
  echo "ok: the wizard wrote open.cpa with the line reg"
else
  echo "FAILED: open.cpa beside the gallery does not hold reg CR LF"; fail=1
fi

# The registry afterwards: exactly the removed entries are gone.
key() { timeout 30 wine reg query "$1" >/dev/null 2>&1 && echo present || echo absent; }
U='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
W='HKLM\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
H='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'
a=$(key "$U\\ScourlineE2E_Alpha"); ta=$(key "$U\\ScourlineE2E_TwinA"); tb=$(key "$U\\ScourlineE2E_TwinB")
g=$(key "$U\\ScourlineE2E_Ghost"); n=$(key "$U\\ScourlineE2E_NoCommand"); k=$(key "$U\\ScourlineE2E_Keep")
w=$(key "$W\\ScourlineE2E_Wow32"); u=$(key "$H\\ScourlineE2E_User")
echo "registry: Alpha=$a TwinA=$ta TwinB=$tb Ghost=$g NoCommand=$n Keep=$k Wow32=$w PerUser=$u"
if [ "$a" = absent ] && [ "$w" = absent ] && [ "$u" = absent ] && [ "$g" = present ] && [ "$n" = present ] && [ "$k" = present ] \
   && [ "$ta$tb" = "absentpresent" -o "$ta$tb" = "presentabsent" ]; then
  echo "ok: Remove deleted exactly the chosen entries"
else
  echo "FAILED: the registry does not hold what the removals should have left"; fail=1
fi

# The update window against a local update site.
for version in 26 25; do
  log=$SCRATCH/site-$version.log; portf=$SCRATCH/port-$version
  : > "$log"; rm -f "$portf"
  python3 "$HERE/update_site.py" "$version" "$log" "$portf" & S=$!
  for _ in $(seq 1 50); do [ -s "$portf" ] && break; sleep 0.1; done
  port=$(cat "$portf")
  out=$SCRATCH/update-$version.log; rm -f "$out"
  timeout 90 wine explorer /desktop=sidee2e,1024x768 "$SCRATCH/cleaner_side_update_e2e.exe" \
    "http://127.0.0.1:$port" 4 "$(winepath -w "$out")" >/dev/null 2>&1 & U2=$!
  for _ in $(seq 1 300); do grep -q '^/update_' "$log" && break; kill -0 $U2 2>/dev/null || break; sleep 0.1; done
  sleep 1.5
  xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/update-$version.png" && echo "screenshot: $ARTIFACTS/update-$version.png"
  wait $U2
  kill $S 2>/dev/null; wait $S 2>/dev/null
  tr -d '\r' < "$out"
  requests=$(tr '\n' ' ' < "$log")
  echo "site $version requests: $requests"
  if [ "$version" = 26 ]; then want="/scourline_update.php /version/26 /update_available.html "; text="26:25"
  else want="/scourline_update.php /version/25 /update_unavailable.html "; text="25:25"; fi
  if [ "$requests" = "$want" ] && grep -q "^Text1: $text" "$out"; then
    echo "ok: version $version: the redirect was followed and the right page requested"
  else
    echo "FAILED: version $version: expected requests '$want' and Text1 $text"; fail=1
  fi
done

timeout 30 wineserver -k >/dev/null 2>&1
exit $fail
INNER
chmod +x "$SCRATCH/inner.sh"
timeout 600 xvfb-run -a -s "-screen 0 1024x768x24" "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 0 ]; then echo "cleaner side e2e: PASSED"; else echo "cleaner side e2e: FAILED ($rc)"; fi
# The prefix is large; keep only the screenshots and logs.
rm -rf "$SCRATCH/pfx"
exit "$rc"
