#!/bin/bash
# End-to-end check of the console twins hiverun and hivesnap under Wine, in a throwaway prefix,
# with the registry read back by the system's registry editor after each step:
# 1. hiverun adds an entry (and refuses the same name in another case), renames it (also in
#    letter case only), lists a 300-character entry (tsv and json), sets, removes, and works on
#    the machine's Run key; bad command lines give exit 2.
# 2. hivesnap: "backup --keep 2" three times leaves the two newest of its own backups and a
#    backup it did not make; restore brings back a changed value; delete; a backup folder that
#    cannot be made; a backup interrupted with Ctrl+C (SIGINT) leaves no file.
# 3. tools/run hivescan --help (and hiverun --version) from a fresh clone of the committed HEAD,
#    building there first.
#
#   run.sh [mingw build folder]       (or SCL_BUILD_WIN / BUILD_WIN; default build/win)
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../prefix.sh"
REPO=${SCL_REPO:-$(cd "$HERE/../../.." && pwd)}
BUILD=$(scl_build_win "${1:-}")
for exe in startup/hiverun/hiverun.exe backup/hivesnap/hivesnap.exe; do
  if [ ! -f "$BUILD/$exe" ]; then echo "twins e2e: missing $BUILD/$exe (build hiverun hivesnap)"; exit 1; fi
done
SCRATCH=$(mktemp -d /tmp/twins-e2e.XXXXXX)
scl_new_prefix "$SCRATCH/pfx" || { rm -rf "$SCRATCH"; exit 1; }
APP="$WINEPREFIX/drive_c/Program Files/Scourline"
mkdir -p "$APP"
cp "$BUILD/startup/hiverun/hiverun.exe" "$BUILD/backup/hivesnap/hivesnap.exe" "$APP/"
RUNKEY='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run'
RUNKEY_LM='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run'

FAILS=0
ok() { echo "ok   $1"; }
fail() { echo "FAIL $1"; FAILS=$((FAILS + 1)); }
check() {  # name command...: passes when the command succeeds
  local name=$1; shift
  if "$@"; then ok "$name"; else fail "$name"; fi
}
# Runs a twin from its folder; keeps stdout, stderr and the exit status in $SCRATCH/out, err, rc.
twin() {
  local exe=$1; shift
  (cd "$APP" && timeout 600 wine "$exe.exe" "$@" >"$SCRATCH/out" 2>"$SCRATCH/err")
  echo $? >"$SCRATCH/rc"
  tr -d '\r' <"$SCRATCH/out" >"$SCRATCH/out.txt"
}
rc_is() { [ "$(cat "$SCRATCH/rc")" = "$1" ] || { echo "     exit $(cat "$SCRATCH/rc"), wanted $1; stderr:"; sed 's/^/     /' "$SCRATCH/err"; return 1; }; }
err_has() { grep -qF -- "$1" "$SCRATCH/err" || { echo "     stderr lacks: $1"; sed 's/^/     /' "$SCRATCH/err"; return 1; }; }
# The string values of a key as the system's registry editor exports them: name TAB data.
regvalues() {
  rm -f "$SCRATCH/k.reg"
  timeout 120 wine regedit /E "Z:${SCRATCH//\//\\}\\k.reg" "$1" 2>/dev/null
  [ -f "$SCRATCH/k.reg" ] || return 0
  python3 - "$SCRATCH/k.reg" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-16").read()
pat = re.compile(r'^"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"$')
unescape = lambda s: re.sub(r'\\(.)', r'\1', s)
for line in text.splitlines():
    m = pat.match(line)
    if m:
        print(unescape(m.group(1)) + "\t" + unescape(m.group(2)))
PY
}
has_value() { regvalues "$1" | grep -qxF -- "$2	$3"; }      # key name data: exactly this entry
no_name() { ! regvalues "$1" | cut -f1 | grep -qixF -- "$2"; }  # key name: no entry of it, in any case

echo "== hiverun"
twin hiverun add Alpha '"C:\Program Files\Alpha\alpha.exe" --tray'
check "add: exit 0" rc_is 0
check "add: written as given" has_value "$RUNKEY" Alpha '"C:\Program Files\Alpha\alpha.exe" --tray'
twin hiverun add ALPHA 'C:\other.exe'
check "add of a name that exists (other case): exit 3" rc_is 3
check "add of a name that exists: says why" err_has "There is already a key with the Name you specified."
check "add of a name that exists: registry unchanged" has_value "$RUNKEY" Alpha '"C:\Program Files\Alpha\alpha.exe" --tray'

twin hiverun rename Alpha Beta
check "rename: exit 0" rc_is 0
check "rename: the new name holds the data" has_value "$RUNKEY" Beta '"C:\Program Files\Alpha\alpha.exe" --tray'
check "rename: the old name is gone" no_name "$RUNKEY" Alpha

# A change of letter case only goes through the window's own handler; the registry keeps a
# value's first letter case on a plain write, so this needs the startup window's rename in
# letter case (old value read, deleted, written under the new name).
twin hiverun rename Beta BETA
check "rename in letter case only: exit 0" rc_is 0
check "rename in letter case only: stored as BETA" has_value "$RUNKEY" BETA '"C:\Program Files\Alpha\alpha.exe" --tray'

LONG='C:\Tools\'$(printf 'x%.0s' $(seq 1 290))'.exe'
[ ${#LONG} -ge 300 ] || fail "the long entry is ${#LONG} characters"
twin hiverun add Long "$LONG --start"
check "add of a ${#LONG}+8-character command: exit 0" rc_is 0
check "long command read back whole" has_value "$RUNKEY" Long "$LONG --start"
twin hiverun list --scope user
check "list: exit 0" rc_is 0
check "list: the long entry whole, with its program file" \
  grep -qxF -- "Long	${LONG//\\/\\\\} --start	user	${LONG//\\/\\\\} --start	no	Run	enabled" "$SCRATCH/out.txt"
twin hiverun list --format json
check "list --format json: exit 0" rc_is 0
check "list --format json: parses, and holds both entries" python3 - "$SCRATCH/out.txt" "$LONG --start" <<'PY'
import json, sys
rows = json.load(open(sys.argv[1], encoding="utf-8"))
names = {r["name"].lower(): r for r in rows}
sys.exit(0 if names["long"]["data"] == sys.argv[2] and "beta" in names and names["long"]["scope"] == "user" else 1)
PY

twin hiverun set long 'C:\windows\notepad.exe'
check "set (name in another case): exit 0" rc_is 0
check "set: new command read back" has_value "$RUNKEY" Long 'C:\windows\notepad.exe'
twin hiverun list --scope user
check "list: a program file that exists says yes" grep -qxF -- 'Long	C:\\windows\\notepad.exe	user	C:\\windows\\notepad.exe	yes	Run	enabled' "$SCRATCH/out.txt"

twin hiverun remove Long
check "remove: exit 0" rc_is 0
check "remove: gone from the registry" no_name "$RUNKEY" Long
twin hiverun remove Long
check "remove of a name that does not exist: exit 3" rc_is 3
check "remove of a name that does not exist: says so" err_has 'there is no entry "Long"'

twin hiverun add --scope machine Machine 'C:\windows\regedit.exe'
check "add --scope machine: exit 0" rc_is 0
check "add --scope machine: in the machine's Run key" has_value "$RUNKEY_LM" Machine 'C:\windows\regedit.exe'
check "add --scope machine: not in the user's" no_name "$RUNKEY" Machine
twin hiverun remove --scope machine Machine
check "remove --scope machine: exit 0" rc_is 0
check "remove --scope machine: gone" no_name "$RUNKEY_LM" Machine

twin hiverun frobnicate
check "unknown command: exit 2" rc_is 2
check "unknown command: says so" err_has "unknown command 'frobnicate'"
twin hiverun list --scope everyone
check "unknown scope: exit 2" rc_is 2
twin hiverun add OnlyName
check "add without a command: exit 2" rc_is 2
twin hiverun --version
check "hiverun --version" grep -qE '^hiverun [0-9]+\.[0-9]+\.[0-9]+$' "$SCRATCH/out.txt"

echo "== hivesnap"
BK="$APP/Backups"
mkdir -p "$BK"
# A backup the window made: hivesnap's --keep must leave it alone.
printf '\xff\xfeW\0i\0n\0d\0o\0w\0s\0' >"$BK/Backup 20.01.01-00.00.00.reg"
wine reg add 'HKCU\Software\SclTwinsE2E' /v Changed /d before /f >/dev/null
made=()
for i in 1 2 3; do
  twin hivesnap backup --keep 2
  check "backup --keep 2 (run $i): exit 0" rc_is 0
  made+=("$(cat "$SCRATCH/out.txt")")
  sleep 1
done
want=$(printf '%s\n' "Backup 20.01.01-00.00.00.reg" "${made[1]}.reg" "${made[2]}.reg" | sort)
got=$(cd "$BK" && ls *.reg | sort)
if [ "$want" = "$got" ]; then ok "three backups with --keep 2 leave the two newest and the window's backup"
else fail "backups left: $(echo $got), wanted $(echo $want)"; fi
check "the first backup is deleted" test ! -e "$BK/${made[0]}.reg"
check "a complete backup ends as the registry editor ends an export" python3 - "$BK/${made[2]}.reg" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
sys.exit(0 if data.startswith(b"\xff\xfeW\0i\0n\0d\0o\0w\0s\0") and data.endswith("\r\n\r\n".encode("utf-16-le")) else 1)
PY
twin hivesnap list
check "list: exit 0" rc_is 0
check "list: the window's backup is not hivesnap's own" grep -qE '^Backup 20\.01\.01-00\.00\.00	.*	no$' "$SCRATCH/out.txt"
check "list: the newest backup is hivesnap's own" grep -qE "^${made[2]}	.* MB	yes\$" "$SCRATCH/out.txt"

wine reg add 'HKCU\Software\SclTwinsE2E' /v Changed /d after /f >/dev/null
twin hivesnap restore "${made[2]}"
check "restore without --yes: exit 2" rc_is 2
check "restore without --yes: nothing restored" has_value 'HKEY_CURRENT_USER\Software\SclTwinsE2E' Changed after
twin hivesnap restore "${made[2]}" --yes
check "restore --yes: exit 0" rc_is 0
check "restore brings back the changed value" has_value 'HKEY_CURRENT_USER\Software\SclTwinsE2E' Changed before
twin hivesnap restore "Backup 99.01.01-00.00.00" --yes
check "restore of a backup that does not exist: exit 3" rc_is 3

twin hivesnap delete "${made[1]}"
check "delete: exit 0" rc_is 0
check "delete: the file is gone" test ! -e "$BK/${made[1]}.reg"
twin hivesnap delete "${made[1]}"
check "delete of a backup that does not exist: exit 3" rc_is 3
twin hivesnap backup --keep 0
check "backup --keep 0: exit 2" rc_is 2

# A folder where the program cannot make its Backups folder (a file of that name is there).
mkdir -p "$WINEPREFIX/drive_c/snap2"
cp "$APP/hivesnap.exe" "$WINEPREFIX/drive_c/snap2/"
echo "not a folder" >"$WINEPREFIX/drive_c/snap2/Backups"
(cd "$WINEPREFIX/drive_c/snap2" && timeout 120 wine hivesnap.exe backup >"$SCRATCH/out" 2>"$SCRATCH/err"; echo $? >"$SCRATCH/rc")
check "backup folder that cannot be made: exit 1" rc_is 1
check "backup folder that cannot be made: says so" err_has 'the backup folder C:\snap2\Backups cannot be made'
check "backup folder that cannot be made: no export started" test -z "$(find "$WINEPREFIX/drive_c/snap2" -name '*.reg')"

# Ctrl+C during an export: a larger registry keeps the editor busy for a few seconds.
python3 - "$SCRATCH/big.reg" <<'PY'
import sys
lines = ["Windows Registry Editor Version 5.00", ""]
for k in range(600):
    lines.append("[HKEY_CURRENT_USER\\Software\\SclTwinsBig\\K%04d]" % k)
    lines += ['"Value%03d"="%s"' % (v, "x" * 60) for v in range(400)]
    lines.append("")
open(sys.argv[1], "w", encoding="utf-16", newline="\r\n").write("\n".join(lines) + "\n")
PY
timeout 300 wine regedit /S "Z:${SCRATCH//\//\\}\\big.reg"
before=$(cd "$BK" && ls *.reg | sort)
(cd "$APP" && exec wine hivesnap.exe backup >"$SCRATCH/out" 2>"$SCRATCH/err") &
P=$!
new=""
for _ in $(seq 1 600); do
  new=$(cd "$BK" && ls *.reg | sort | comm -13 <(echo "$before") -)
  if [ -n "$new" ] && [ "$(stat -c %s "$BK/$new" 2>/dev/null || echo 0)" -gt 0 ]; then break; fi
  sleep 0.05
done
if [ -n "$new" ]; then
  kill -INT "$P"
  wait "$P"; echo $? >"$SCRATCH/rc"
  check "Ctrl+C during a backup: exit 1" rc_is 1
  check "Ctrl+C during a backup: says so" err_has "interrupted"
  check "Ctrl+C during a backup: the unfinished file is deleted" test ! -e "$BK/$new"
  check "Ctrl+C during a backup: the other backups stay" test "$(cd "$BK" && ls *.reg | sort)" = "$before"
else
  wait "$P"
  fail "the interrupted backup's file never appeared"
fi

echo "== tools/run from a fresh clone"
CLONE=$SCRATCH/clone
head=$(git -C "$REPO" rev-parse HEAD)
if git clone -q --no-checkout "$REPO" "$CLONE" && git -C "$CLONE" checkout -q "$head"; then
  t0=$(date +%s)
  "$CLONE/tools/run" hivescan --help >"$SCRATCH/out" 2>"$SCRATCH/err"
  echo $? >"$SCRATCH/rc"
  echo "     (built and ran in $(($(date +%s) - t0)) s)"
  check "tools/run hivescan --help: exit 0" rc_is 0
  check "tools/run hivescan --help: the usage" grep -q '^usage: hivescan' "$SCRATCH/out"
  "$CLONE/tools/run" hiverun.exe --version >"$SCRATCH/out" 2>"$SCRATCH/err"
  echo $? >"$SCRATCH/rc"
  check "tools/run hiverun.exe --version: exit 0" rc_is 0
  check "tools/run installs into the prefix's application folder" \
    test -f "$WINEPREFIX/drive_c/Program Files/Scourline/hivescan.exe"
  "$CLONE/tools/run" nosuchprogram >"$SCRATCH/out" 2>"$SCRATCH/err"
  echo $? >"$SCRATCH/rc"
  check "tools/run of an unknown program: exit 2" rc_is 2
else
  fail "cannot clone $REPO at $head"
fi

timeout 30 wineserver -k >/dev/null 2>&1
rm -rf "$SCRATCH"
if [ "$FAILS" -eq 0 ]; then echo "twins e2e: PASSED"; else echo "twins e2e: $FAILS FAILED"; fi
[ "$FAILS" -eq 0 ]
