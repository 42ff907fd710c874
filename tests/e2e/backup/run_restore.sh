#!/bin/bash
# End-to-end check under Wine and Xvfb, in a throwaway prefix, of restores that put back exactly
# what was there, and of the console twins' conventions:
# 1. valtool plants values whose names hold a NUL (abc beside "abc" NUL "hidden", the default
#    value beside NUL "hidden2") and values of every type with the native set-value call, and
#    data the registry editor's file cannot hold. "hivesnap backup" names what it cannot put
#    back; "hivesnap restore" leaves out the cut names and says so; every value of the key with
#    the cut names, and every value the backup said it keeps, reads back byte for byte.
# 2. A backup cut to half its length, a backup cut at the end of an entry, and a text file that is
#    no registry file are refused with nothing imported (exit 1).
# 3. "Backup A.reg" and "Backup A.reg.reg": each is restored and deleted by the name list shows.
# 4. A backup whose delete is refused (read-only) is not reported deleted (exit 1).
# 5. hivescan --undo with a file that exists: exit 2 before scanning, the old record kept.
# 6. /?, --version anywhere and --opt=value for every twin.
# 7. hivesnap killed during an export: the editor ends with it, and the next run deletes the
#    unfinished file it recorded.
# 8. The hivesave window's message after a backup, as a screenshot
#    ($ARTIFACTS/hivesave-inexact-values.png).
#
#   run_restore.sh [mingw build folder]   (or SCL_BUILD_WIN / BUILD_WIN; default build/win)
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../prefix.sh"
BUILD=$(scl_build_win "${1:-}")
for exe in backup/hivesave.exe backup/hivesnap/hivesnap.exe cleaner/hivescan/hivescan.exe search/hivegrep.exe \
  startup/hiverun/hiverun.exe tests/backup/valtool.exe tests/startup/startup_uiclick.exe; do
  if [ ! -f "$BUILD/$exe" ]; then echo "restore e2e: missing $BUILD/$exe"; exit 1; fi
done
SCRATCH=$(mktemp -d /tmp/restore-e2e.XXXXXX)
ARTIFACTS=${ARTIFACTS:-$SCRATCH}
mkdir -p "$ARTIFACTS"
export BUILD ARTIFACTS SCRATCH

cat > "$SCRATCH/inner.sh" <<'INNER'
#!/bin/bash
set -u
. "$SCL_PREFIX_SH"
scl_new_prefix "$SCRATCH/pfx" || exit 1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
APP="$WINEPREFIX/drive_c/Program Files/Scourline"
BK="$APP/Backups"
mkdir -p "$BK"
for exe in backup/hivesave.exe backup/hivesnap/hivesnap.exe cleaner/hivescan/hivescan.exe search/hivegrep.exe \
  startup/hiverun/hiverun.exe tests/backup/valtool.exe tests/startup/startup_uiclick.exe; do
  cp "$BUILD/$exe" "$APP/"
done
FAILS=0
ok() { echo "ok   $1"; }
fail() { echo "FAIL $1"; FAILS=$((FAILS + 1)); }
check() { local name=$1; shift; if "$@"; then ok "$name"; else fail "$name"; fi; }
twin() {
  local exe=$1; shift
  (cd "$APP" && timeout 600 wine "$exe.exe" "$@" >"$SCRATCH/out" 2>"$SCRATCH/err")
  echo $? >"$SCRATCH/rc"
  tr -d '\r' <"$SCRATCH/out" >"$SCRATCH/out.txt"
  tr -d '\r' <"$SCRATCH/err" >"$SCRATCH/err.txt"
}
rc_is() { [ "$(cat "$SCRATCH/rc")" = "$1" ] || { echo "     exit $(cat "$SCRATCH/rc"), wanted $1; stderr:"; sed 's/^/     /' "$SCRATCH/err.txt"; return 1; }; }
err_has() { grep -qF -- "$1" "$SCRATCH/err.txt" || { echo "     stderr lacks: $1"; sed 's/^/     /' "$SCRATCH/err.txt"; return 1; }; }
out_has() { grep -qF -- "$1" "$SCRATCH/out.txt" || { echo "     stdout lacks: $1"; sed 's/^/     /' "$SCRATCH/out.txt" | head; return 1; }; }
dump() { (cd "$APP" && wine valtool.exe dump "$1") | tr -d '\r'; }
mark() { wine reg query 'HKCU\Software\SclMark' /v v 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ {print $3}'; }
setmark() { wine reg add 'HKCU\Software\SclMark' /v v /d "$1" /f >/dev/null; }
utf16reg() {  # file, then the lines after the header (each ended by CR LF), written as the editor writes
  python3 - "$@" <<'PY'
import sys
path, lines = sys.argv[1], sys.argv[2:]
text = "Windows Registry Editor Version 5.00\r\n\r\n" + "".join(l + "\r\n" for l in lines) + "\r\n"
open(path, "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY
}

echo "== values planted with the native call, a backup, a restore"
(cd "$APP" && wine valtool.exe plant 'Software\SclRestore') || fail "valtool plant"
setmark before
dump 'Software\SclRestore' >"$SCRATCH/before.txt"
grep -c . "$SCRATCH/before.txt" | sed 's/^/     values planted: /'
twin hivesnap backup
check "backup: exit 0" rc_is 0
NAME=$(cat "$SCRATCH/out.txt")
check "backup: names what its file cannot put back" err_has "cannot put back exactly"
n=$(grep -oE 'exactly [0-9]+ value' "$SCRATCH/err.txt" | grep -oE '[0-9]+')
echo "     the backup cannot put back exactly ${n:-?} values; stderr:"; sed 's/^/     /' "$SCRATCH/err.txt"
check "backup: at least the 9 planted values are counted" test "${n:-0}" -ge 9
check "backup: the file is kept" test -f "$BK/$NAME.reg"
setmark after
twin hivesnap restore "$NAME" --yes
check "restore: exit 0" rc_is 0
check "restore: prints restored" out_has "restored $NAME"
check "restore: says which values were left out" err_has "left out of the restore"
check "restore: names the cut abc" err_has 'SclRestore\Names: "abc"'
check "restore: names the cut default value" err_has 'SclRestore\Names: (default value)'
check "restore: the changed mark is back" test "$(mark)" = before
check "restore: the imported copy is gone" test -z "$(ls "$BK" | grep -F .tmp)"
dump 'Software\SclRestore' >"$SCRATCH/after.txt"
grep -P '^Names\t' "$SCRATCH/before.txt" >"$SCRATCH/names-before.txt"
grep -P '^Names\t' "$SCRATCH/after.txt" >"$SCRATCH/names-after.txt"
if cmp -s "$SCRATCH/names-before.txt" "$SCRATCH/names-after.txt"; then
  ok "every value of the key with cut names reads back byte for byte ($(grep -c . "$SCRATCH/names-after.txt") values)"
else
  fail "values of the key with cut names changed:"; diff "$SCRATCH/names-before.txt" "$SCRATCH/names-after.txt" | sed 's/^/     /'
fi
for v in 'empty binary' 'empty expand' 'empty number'; do
  check "the exact value \"$v\" reads back byte for byte" \
    test "$(grep -P "^Data\t$v\t" "$SCRATCH/before.txt")" = "$(grep -P "^Data\t$v\t" "$SCRATCH/after.txt")"
done
echo "     values the backup said it cannot put back, before and after:"
diff "$SCRATCH/before.txt" "$SCRATCH/after.txt" | sed 's/^/     /'

echo "== cut and foreign files are refused with nothing imported"
setmark after
size=$(stat -c %s "$BK/$NAME.reg")
head -c $((size / 2)) "$BK/$NAME.reg" >"$BK/Backup 99.01.01-00.00.01.reg"
utf16reg "$BK/Backup 99.01.01-00.00.02.reg" '[HKEY_CURRENT_USER\Software\SclMark]' '"v"="before"' '' \
  '[HKEY_CURRENT_USER\Software\SclMark\Cut]' '"w"="half of a li'
printf 'Dear user,\r\nthis file is no backup.\r\n' >"$BK/Backup 99.01.01-00.00.03.reg"
for b in 01 02 03; do
  twin hivesnap restore "Backup 99.01.01-00.00.$b" --yes
  check "restore of refused file $b: exit 1" rc_is 1
  check "restore of refused file $b: says nothing was imported" err_has "nothing was imported"
  check "restore of refused file $b: nothing imported" test "$(mark)" = after
done
# hivesnap's own backup cut at the end of an entry: whole to the eye, not to its record.
python3 - "$BK/$NAME.reg" <<'PY'
import sys
p = sys.argv[1]
data = open(p, "rb").read()
end = "\r\n\r\n".encode("utf-16-le")
cut = data.rfind(end, 0, len(data) // 2)
open(p + ".full", "wb").write(data)
open(p, "wb").write(data[:cut + len(end)])
PY
twin hivesnap restore "$NAME" --yes
check "restore of its own backup cut at an entry's end: exit 1" rc_is 1
check "restore of its own backup cut at an entry's end: its record says why" err_has "not the one that was made"
check "restore of its own backup cut at an entry's end: nothing imported" test "$(mark)" = after
mv "$BK/$NAME.reg.full" "$BK/$NAME.reg"

echo "== two look-alike backups"
utf16reg "$BK/Backup A.reg" '[HKEY_CURRENT_USER\Software\SclMark]' '"v"="A"'
utf16reg "$BK/Backup A.reg.reg" '[HKEY_CURRENT_USER\Software\SclMark]' '"v"="AA"'
twin hivesnap list
check "list shows Backup A" grep -qP '^Backup A\t' "$SCRATCH/out.txt"
check "list shows Backup A.reg" grep -qP '^Backup A\.reg\t' "$SCRATCH/out.txt"
twin hivesnap restore "Backup A.reg" --yes
check "restore \"Backup A.reg\": exit 0" rc_is 0
check "restore \"Backup A.reg\" restores Backup A.reg.reg" test "$(mark)" = AA
twin hivesnap restore "Backup A" --yes
check "restore \"Backup A\" restores Backup A.reg" test "$(mark)" = A
twin hivesnap delete "Backup A.reg"
check "delete \"Backup A.reg\": exit 0" rc_is 0
check "delete \"Backup A.reg\" deletes Backup A.reg.reg" test ! -e "$BK/Backup A.reg.reg"
check "delete \"Backup A.reg\" keeps Backup A.reg" test -e "$BK/Backup A.reg"

echo "== a delete that does not happen"
wine cmd /c attrib +r 'C:\Program Files\Scourline\Backups\Backup A.reg' >/dev/null 2>&1
twin hivesnap delete "Backup A"
check "delete of a read-only backup: exit 1" rc_is 1
check "delete of a read-only backup: not reported deleted" test ! -s "$SCRATCH/out.txt"
check "delete of a read-only backup: the file stays" test -e "$BK/Backup A.reg"
wine cmd /c attrib -r 'C:\Program Files\Scourline\Backups\Backup A.reg' >/dev/null 2>&1

echo "== an undo record that exists is kept"
printf 'the older record' >"$WINEPREFIX/drive_c/undo.reg"
twin hivescan --areas HKCU --fix all --yes --undo 'C:\undo.reg'
check "hivescan --undo on an existing file: exit 2" rc_is 2
check "hivescan --undo on an existing file: says so" err_has "exists already"
check "hivescan --undo on an existing file: nothing scanned" test ! -s "$SCRATCH/out.txt"
check "hivescan --undo on an existing file: the old record kept" test "$(cat "$WINEPREFIX/drive_c/undo.reg")" = 'the older record'

echo "== console conventions"
for t in hivescan hivegrep hiverun hivesnap; do
  twin "$t" '/?'
  check "$t /?: exit 0 with the usage" rc_is 0
  check "$t /?: the usage mentions --version" out_has "--version"
done
twin hivescan --areas=HKCU --version
check "hivescan --areas=HKCU --version" grep -qE '^hivescan [0-9]+\.[0-9]+\.[0-9]+$' "$SCRATCH/out.txt"
twin hivegrep --match exact SclNothing --version
check "hivegrep ... --version" grep -qE '^hivegrep [0-9]+' "$SCRATCH/out.txt"
twin hiverun list --version
check "hiverun list --version" grep -qE '^hiverun [0-9]+' "$SCRATCH/out.txt"
twin hivesnap list --format=json
check "hivesnap list --format=json: exit 0" rc_is 0
twin hivegrep --format=json --root=HKEY_CURRENT_USER SclMark
check "hivegrep --format=json --root=...: exit 0" rc_is 0
check "hivegrep --format=json: JSON rows" python3 -c "import json,sys; json.load(open('$SCRATCH/out.txt'))"
# A result that cannot be written is a failure: standard output closed.
(cd "$APP" && timeout 120 wine hivesnap.exe list >&- 2>"$SCRATCH/err"); echo $? >"$SCRATCH/rc"
tr -d '\r' <"$SCRATCH/err" >"$SCRATCH/err.txt"
check "hivesnap list with standard output closed: exit 1" rc_is 1

echo "== hivesnap killed during an export"
(cd "$APP" && exec wine hivesnap.exe backup >"$SCRATCH/out" 2>"$SCRATCH/err") &
P=$!
new=""
before=$(cd "$BK" && ls *.reg | sort)
for _ in $(seq 1 600); do
  new=$(cd "$BK" && ls *.reg | sort | comm -13 <(echo "$before") -)
  if [ -n "$new" ] && [ "$(stat -c %s "$BK/$new" 2>/dev/null || echo 0)" -gt 0 ]; then break; fi
  sleep 0.05
done
if [ -n "$new" ]; then
  kill -KILL "$P"; wait "$P" 2>/dev/null
  check "the record knows the file being written" grep -qP "^\Q$new\E\twriting\t" "$BK/hivesnap.lst"
  sleep 3
  s1=$(stat -c %s "$BK/$new" 2>/dev/null || echo gone); sleep 3; s2=$(stat -c %s "$BK/$new" 2>/dev/null || echo gone)
  check "the editor's export ended with hivesnap (size $s1 then $s2)" test "$s1" = "$s2"
  twin hivesnap list
  check "the next run deletes the unfinished file" test ! -e "$BK/$new"
  check "the next run says so" err_has "of an interrupted run is deleted"
  check "the record forgets it" bash -c "! grep -qF '$new' '$BK/hivesnap.lst'"
else
  wait "$P"; fail "the killed backup's file never appeared"
fi

echo "== the window's message after a backup"
wine 'C:\Program Files\Scourline\hivesave.exe' &
W=$!
UI='C:\Program Files\Scourline\startup_uiclick.exe'
TITLE='Scourline - Registry Backup'
if wine "$UI" wait "$TITLE" 60; then
  wine "$UI" click "$TITLE" "New Backup" || fail "click New Backup"
  if wine "$UI" wait "Scourline" 300; then
    (cd "$APP" && wine valtool.exe text Scourline) | tr -d '\r' >"$SCRATCH/box.txt"
    sed 's/^/     /' "$SCRATCH/box.txt"
    check "the window's message: the backup is finished" grep -qF "Backup finished." "$SCRATCH/box.txt"
    # The restore above wrote the other planted values back in the editor's form; the names
    # with a NUL it left alone are still there.
    check "the window's message names what the file cannot put back" \
      grep -qF 'SclRestore\Names: "abc\0hidden" (its name holds a NUL' "$SCRATCH/box.txt"
    sleep 8
    xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/hivesave-inexact-values.png" &&
      echo "screenshot: $ARTIFACTS/hivesave-inexact-values.png"
    wine "$UI" click "Scourline" "OK" || fail "OK on the message"
  else fail "no message after New Backup"; fi
  wine "$UI" click "$TITLE" "Close"
else fail "the window did not appear"; fi
for _ in $(seq 1 50); do kill -0 $W 2>/dev/null || break; sleep 0.1; done
kill $W 2>/dev/null
timeout 30 wineserver -k >/dev/null 2>&1
if [ "$FAILS" -eq 0 ]; then echo "restore e2e: all checks passed"; else echo "restore e2e: $FAILS FAILED"; fi
[ "$FAILS" -eq 0 ]
INNER
chmod +x "$SCRATCH/inner.sh"
timeout 1800 xvfb-run -a -s "-screen 0 1280x1024x24" "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64" -e "fixme:" -e "multiarch" -e "dpkg --add-architecture" -e "apt-get install wine32"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 0 ]; then echo "restore e2e: PASSED"; else echo "restore e2e: FAILED ($rc)"; fi
rm -rf "$SCRATCH/pfx"
exit "$rc"
