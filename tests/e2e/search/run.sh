#!/usr/bin/env bash
# hivegrep and hivefind.exe end to end in a throwaway prefix with planted keys, value names and
# data (plant.py): every mode with and without case, Unicode names, the saved settings used but
# never written by hivegrep, the window's rows equal to hivegrep's, a click on a found row
# opening the registry editor at its key; the found rows taken away: Export... as .reg (the same
# bytes as hivegrep --format reg) and .csv, the filter, Ctrl+C and Copy value data on the real
# clipboard, and the exported files imported with `regedit /S` into a fresh prefix, where a
# small reader (regdump.exe) finds every exported value with its exact type and bytes.
# Screenshots go to build/e2e-logs/search-*.png.
# Run by tools/test under xvfb-run; by hand: SCL_BUILD_WIN=<mingw build> xvfb-run -a bash run.sh
set -u
: "${SCL_BUILD_WIN:?the mingw build folder}" "${DISPLAY:?needs a display (xvfb-run)}"
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../prefix.sh"
REPO=${SCL_REPO:-$(cd "$HERE/../../.." && pwd)}
SHOTS=${SCL_SHOTS:-$REPO/build/e2e-logs}
GREP=$SCL_BUILD_WIN/search/hivegrep.exe
FIND=$SCL_BUILD_WIN/search/hivefind.exe
DRIVER=$SCL_BUILD_WIN/tests/search/search_driver.exe
DUMP=$SCL_BUILD_WIN/tests/search/regdump.exe
REGTOOL=$SCL_BUILD_WIN/tests/cleaner_engine/regtool.exe
for f in "$GREP" "$FIND" "$DRIVER" "$DUMP" "$REGTOOL"; do
    [ -f "$f" ] || { echo "missing $f"; exit 1; }
done

WORK=$(mktemp -d /tmp/scl-search.XXXXXX)
cleanup() {
    [ -n "${FINDPID:-}" ] && kill "$FINDPID" 2>/dev/null
    [ -n "${PFX2:-}" ] && WINEPREFIX=$PFX2 timeout 30 wineserver -k >/dev/null 2>&1
    # SCL_SEARCH_ACTUAL=<folder> keeps what the programs printed, for reading failures.
    [ -n "${SCL_SEARCH_ACTUAL:-}" ] && mkdir -p "$SCL_SEARCH_ACTUAL" && cp "$WORK"/*.tsv "$WORK"/*.json "$SCL_SEARCH_ACTUAL"/ 2>/dev/null
    timeout 30 wineserver -k >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT
scl_new_prefix "$WORK/pfx" || exit 1
mkdir -p "$SHOTS"

FAILS=0
ok() { echo "ok   $1"; }
fail() { echo "FAIL $1"; FAILS=$((FAILS + 1)); }
same() {  # name expected actual
    if diff -u "$2" "$3" >"$WORK/diff" 2>&1; then ok "$1"; else fail "$1"; head -60 "$WORK/diff"; fi
}
grep_run() {  # output-file args... : runs hivegrep, keeps stdout, returns its exit status
    local out=$1; shift
    timeout 600 wine "$GREP" "$@" >"$out" 2>"$WORK/stderr"
}

python3 "$HERE/plant.py" "$WORK/plant.reg" || exit 1
(cd "$WORK" && timeout 120 wine regedit /S plant.reg)
SETTINGS='HKCU\Software\Tolvane Settings\Tolvane SOFTWARE\Scourline - Registry Search\Search'

# ---- hivegrep: every mode, case, targets, Unicode names, formats ----
while IFS='|' read -r name args; do
    [ -z "$name" ] && continue
    eval "set -- $args"
    grep_run "$WORK/$name.tsv" --root HKEY_CURRENT_USER "$@"
    rc=$?
    # A search without a hit prints the header alone and exits 1.
    want=0; [ "$(wc -l <"$HERE/expected/$name.tsv")" -eq 1 ] && want=1
    if [ $rc -ne $want ]; then fail "$name (exit $rc, not $want)"; cat "$WORK/stderr"; continue; fi
    same "$name" "$HERE/expected/$name.tsv" "$WORK/$name.tsv"
done <<'EOF'
any_case|Qz7
any_ignore_case|--ignore-case qz7
left|--match left Qz7
right|--match right Qz7
exact_key|--match exact 'Software\ScourlinePlant\Qz7 Key'
exact_value|--match exact 'Qz7 name'
exact_bare_key_name|--match exact 'Qz7 Key'
data_only|--no-keys --no-values Qz7
keys_only|--no-values --no-data --ignore-case qz7
accent_ignore_case|--ignore-case école
accent_case|--case école
cyrillic_ignore_case|--ignore-case ключ
cyrillic_data|--match right --no-keys 'Qz7 é'
EOF

grep_run "$WORK/json.json" --root HKEY_CURRENT_USER --format json --match right 'Ключ-Qz7' --no-values
same json "$HERE/expected/json.json" "$WORK/json.json"

# "My Computer": the current user's keys appear under both of their roots.
grep_run "$WORK/all.tsv" --match exact 'Qz7 both' --no-data
same my_computer "$HERE/expected/my_computer.tsv" "$WORK/all.tsv"

grep_run "$WORK/none.tsv" --root HKEY_CURRENT_USER 'Qz7 nowhere at all'
rc=$?
[ $rc -eq 1 ] && ok "no hit exits 1" || fail "no hit exits $rc"
same no_hit "$HERE/expected/no_hit.tsv" "$WORK/none.tsv"

grep_run "$WORK/anycase.tsv" --root hkey_current_user 'Qz7 both' --no-data
rc=$?
[ $rc -eq 0 ] && ok "root names in any letter case" || fail "--root hkey_current_user exits $rc"

for bad in "--root HKLM x" "--match middle x" "--format xml x" ""; do
    eval "set -- $bad"
    grep_run "$WORK/bad.tsv" "$@"
    rc=$?
    [ $rc -eq 2 ] && ok "usage error: '$bad'" || fail "usage error '$bad' exits $rc"
done

grep_run "$WORK/ignored.tsv" --output 'C:\found.tsv' --root HKEY_CURRENT_USER --match exact 'Qz7 name'
same output_file "$HERE/expected/exact_value.tsv" "$WINEPREFIX/drive_c/found.tsv"

# --format reg: values the editor's file cannot hold (names with a NUL, odd text data, planted
# with the native calls) are named on stderr and left out; the rest go into the file.
timeout 60 wine "$REGTOOL" plant-nul 'Software\ScourlineOdd\nul' || fail "planting names with a NUL"
timeout 60 wine "$REGTOOL" plant-undo 'Software\ScourlineOdd\undo' || fail "planting odd data"
grep_run "$WORK/odd.tsv" --root HKEY_CURRENT_USER --no-keys --ignore-case 'C:\gone'
grep_run "$WORK/ignored.reg" --root HKEY_CURRENT_USER --no-keys --ignore-case --format reg --output 'C:\odd.reg' 'C:\gone'
rc=$?
leftout=$(grep -c '^hivegrep: left out ' "$WORK/stderr")
if [ $rc -eq 0 ] && [ "$leftout" -eq 3 ] && grep -q 'value "abc\\0hidden": a registry file cannot hold a name with a NUL' "$WORK/stderr" &&
    grep -q 'value "odd": .*odd number of bytes' "$WORK/stderr"; then
    ok "--format reg names the 3 values it leaves out"
else
    fail "--format reg (exit $rc) left out $leftout:"; cat "$WORK/stderr"
fi

if timeout 60 wine reg query "$SETTINGS" >/dev/null 2>&1; then
    fail "hivegrep wrote the saved settings"
else
    ok "hivegrep wrote no settings"
fi

# ---- saved settings drive both hivegrep and the window ----
# Area 2 of the list, mode Any, no Match Case; a history entry for the completion.
timeout 60 wine reg add "$SETTINGS" /v lastSearchArea /d 2 /f >/dev/null
timeout 60 wine reg add "$SETTINGS" /v lastCase /d 0 /f >/dev/null
timeout 60 wine reg add "$SETTINGS" /v 0 /d 'Earlier search' /f >/dev/null
grep_run "$WORK/saved.tsv" qz7
same saved_settings "$HERE/expected/any_ignore_case.tsv" "$WORK/saved.tsv"

# ---- the window ----
timeout 30 wineserver -w
timeout 600 wine "$FIND" >/dev/null 2>&1 &
FINDPID=$!
if ! timeout 120 wine "$DRIVER" wait 90; then
    fail "hivefind.exe shows its window"
    exit 1
fi
sleep 2
timeout 60 wine "$DRIVER" type qz7
timeout 60 wine "$DRIVER" key enter
timeout 300 wine "$DRIVER" idle 240 || fail "the window's search ends"
timeout 60 wine "$DRIVER" rows 'C:\window.tsv'
same "window rows = hivegrep rows" "$WORK/saved.tsv" "$WINEPREFIX/drive_c/window.tsv"
xwd -root -display "$DISPLAY" | convert xwd:- "$SHOTS/search-results.png" && echo "screenshot: $SHOTS/search-results.png"

# ---- the found rows taken away ----
# Export... of every row as .reg: the same bytes as hivegrep --format reg of the same search.
timeout 60 wine "$DRIVER" click 'Export...'
timeout 60 wine "$DRIVER" save 'C:\window.reg' || fail "the export's save dialog"
if box=$(timeout 60 wine "$DRIVER" msgbox 3); then fail "the export said: $box"; fi
grep_run "$WORK/grep.reg" --format reg qz7
for _ in $(seq 1 50); do [ -s "$WINEPREFIX/drive_c/window.reg" ] && break; sleep 0.2; done
if cmp -s "$WINEPREFIX/drive_c/window.reg" "$WORK/grep.reg"; then
    ok "Export... writes the bytes of hivegrep --format reg"
else
    fail "Export... and hivegrep --format reg differ"; ls -l "$WINEPREFIX/drive_c/window.reg" "$WORK/grep.reg"
fi
# As CSV: the type picked in the dialog gives a name without extension its .csv.
timeout 60 wine "$DRIVER" click 'Export...'
timeout 60 wine "$DRIVER" save 'C:\window' csv || fail "the export's save dialog (csv)"
for _ in $(seq 1 50); do [ -s "$WINEPREFIX/drive_c/window.csv" ] && break; sleep 0.2; done
if python3 - "$WINEPREFIX/drive_c/window.csv" "$WINEPREFIX/drive_c/window.tsv" <<'PY'
import csv, io, sys
raw = open(sys.argv[1], "rb").read()
assert raw.startswith(b"\xef\xbb\xbf"), "no byte-order mark"
rows = list(csv.reader(io.StringIO(raw[3:].decode("utf-8"), newline="")))
assert rows[0] == ["Key", "Value", "Type", "Data"], rows[0]
paths = {line.split("\t")[2] for line in open(sys.argv[2], encoding="utf-8").read().splitlines()[1:]}
assert len(rows) - 1 == len(paths), "%d lines for %d found paths" % (len(rows) - 1, len(paths))
want = ["HKEY_CURRENT_USER\\Software\\ScourlinePlant", "Qz7 multi", "REG_MULTI_SZ", "a\nQz7"]
assert want in rows, "no line %r" % want
PY
then ok "Export... as CSV (C:\window.csv)"; else fail "Export... as CSV"; fi

# The filter narrows the list without searching again; Ctrl+click selects without opening the
# editor; Ctrl+C copies the selected rows' keys; clearing the filter shows every row again.
timeout 60 wine "$DRIVER" filter 'QZ7 KEY'
timeout 60 wine "$DRIVER" rows 'C:\filtered.tsv'
printf 'kind\ttext\tpath\nkey\tSoftware\\\\ScourlinePlant\\\\Qz7 Key\tHKEY_CURRENT_USER\\\\Software\\\\ScourlinePlant\\\\Qz7 Key\nkey\tSoftware\\\\ScourlinePlant\\\\Qz7 Key\\\\Child\tHKEY_CURRENT_USER\\\\Software\\\\ScourlinePlant\\\\Qz7 Key\\\\Child\n' >"$WORK/filtered.tsv"
same "the filter shows the rows holding its text" "$WORK/filtered.tsv" "$WINEPREFIX/drive_c/filtered.tsv"
timeout 60 wine "$DRIVER" ctrlclick 0 || fail "Ctrl held down for the click on row 0"
timeout 60 wine "$DRIVER" ctrlclick 1 || fail "Ctrl held down for the click on row 1"
if timeout 60 wine "$DRIVER" regedit 3 >/dev/null; then fail "Ctrl+click opened the editor"; else ok "Ctrl+click opens no editor"; fi
xwd -root -display "$DISPLAY" | convert xwd:- "$SHOTS/search-filter.png" && echo "screenshot: $SHOTS/search-filter.png"
timeout 60 wine "$DRIVER" ctrlkey c || fail "Ctrl held down for Ctrl+C"
timeout 60 wine "$DRIVER" clipboard 'C:\clip.txt'
printf 'HKEY_CURRENT_USER\\Software\\ScourlinePlant\\Qz7 Key\r\nHKEY_CURRENT_USER\\Software\\ScourlinePlant\\Qz7 Key\\Child' >"$WORK/clip.txt"
same "Ctrl+C copies the selected rows' keys" "$WORK/clip.txt" "$WINEPREFIX/drive_c/clip.txt"
timeout 60 wine "$DRIVER" filter 'plain data'
timeout 60 wine "$DRIVER" ctrlclick 0 || fail "Ctrl held down for the click on row 0"
timeout 60 wine "$DRIVER" click 'Copy value data'
sleep 1
timeout 60 wine "$DRIVER" clipboard 'C:\clip.txt'
printf 'has Qz7 inside' >"$WORK/clip.txt"
same "Copy value data" "$WORK/clip.txt" "$WINEPREFIX/drive_c/clip.txt"
timeout 60 wine "$DRIVER" filter ''
timeout 60 wine "$DRIVER" rows 'C:\unfiltered.tsv'
same "clearing the filter shows every row" "$WINEPREFIX/drive_c/window.tsv" "$WINEPREFIX/drive_c/unfiltered.tsv"
timeout 60 wine "$DUMP" 'HKEY_CURRENT_USER\Software\ScourlinePlant' 'HKEY_CURRENT_USER\Software\ScourlineOdd' >"$WORK/source.dump"

row_of() {  # 0-based row of the text in the window's list
    awk -F'\t' -v t="$1" 'NR > 1 && $2 == t { print NR - 2; exit }' "$WINEPREFIX/drive_c/window.tsv"
}
jump() {  # name row expected-key-suffix [mouse button]
    timeout 60 wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Applets\Regedit' /v LastKey /f >/dev/null 2>&1
    timeout 60 wine "$DRIVER" clickrow "$2" ${4:-}
    local shown
    shown=$(timeout 120 wine "$DRIVER" regedit 60 | tr -d '\r')
    case "$shown" in
        *"$3") ok "$1 ($shown)" ;;
        *) fail "$1: the editor shows '$shown', wanted '...$3'" ;;
    esac
}
# A value whose name holds a backslash opens the key that holds it.
jump "click on a value row" "$(row_of 'Software\\\\ScourlinePlant\\\\dir\\\\Qz7')" 'HKEY_CURRENT_USER\Software\ScourlinePlant'
timeout 60 wine "$DRIVER" closeregedit
sleep 3
# A braced name: the braces must type themselves. The middle button opens a row too.
jump "middle click on a key row" "$(row_of 'Software\\\\ScourlinePlant\\\\{Qz7-GUID}')" 'HKEY_CURRENT_USER\Software\ScourlinePlant\{Qz7-GUID}' middle
sleep 1
xwd -root -display "$DISPLAY" | convert xwd:- "$SHOTS/search-regedit.png" && echo "screenshot: $SHOTS/search-regedit.png"
timeout 60 wine "$DRIVER" closeregedit

# Closing through Cancel writes the settings: the new search joins the history.
timeout 60 wine "$DRIVER" click Cancel
for _ in $(seq 1 100); do kill -0 "$FINDPID" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$FINDPID" 2>/dev/null; then fail "Cancel closes the window"; else ok "Cancel closes the window"; fi
FINDPID=
hist=$(timeout 60 wine reg query "$SETTINGS" /v 1 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ { sub(/.*REG_SZ[ \t]+/, ""); print }')
[ "$hist" = "qz7" ] && ok "history saved at close" || fail "history entry 1 is '$hist'"

# ---- the exports imported into a fresh prefix ----
timeout 30 wineserver -k >/dev/null 2>&1
PFX1=$WINEPREFIX
PFX2=$WORK/pfx2
# A boot that fails on a loaded machine is tried once more.
if scl_new_prefix "$PFX2" || { rm -rf "$PFX2"; sleep 5; scl_new_prefix "$PFX2"; }; then
    cp "$PFX1/drive_c/window.reg" "$PFX1/drive_c/odd.reg" "$PFX2/drive_c/"
    (cd "$PFX2/drive_c" && timeout 120 wine regedit /S window.reg && timeout 120 wine regedit /S odd.reg)
    timeout 60 wine "$DUMP" 'HKEY_CURRENT_USER\Software\ScourlinePlant' >"$WORK/plant.dump"
    timeout 60 wine "$DUMP" 'HKEY_CURRENT_USER\Software\ScourlineOdd' >"$WORK/odd.dump"
    if python3 "$HERE/same_values.py" "$WORK/source.dump" "$WORK/plant.dump" "$PFX1/drive_c/window.tsv"; then
        ok "the window's export imported into a fresh prefix gives the found values"
    else
        fail "the window's export imported into a fresh prefix"
    fi
    if python3 "$HERE/same_values.py" "$WORK/source.dump" "$WORK/odd.dump" "$WORK/odd.tsv" 3; then
        ok "hivegrep's export with odd values imported into a fresh prefix"
    else
        fail "hivegrep's export with odd values imported into a fresh prefix"
    fi
    timeout 30 wineserver -k >/dev/null 2>&1
else
    fail "a fresh prefix for the import"
fi
export WINEPREFIX=$PFX1

echo "$FAILS failed"
[ $FAILS -eq 0 ]
