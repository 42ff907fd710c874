#!/usr/bin/env bash
# hivegrep and hivefind.exe end to end in a throwaway prefix with planted keys, value names and
# data (plant.py): every mode with and without case, Unicode names, the saved settings used but
# never written by hivegrep, the window's rows equal to hivegrep's, a click on a found row
# opening the registry editor at its key. Screenshots go to build/e2e-logs/search-*.png.
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
for f in "$GREP" "$FIND" "$DRIVER"; do
    [ -f "$f" ] || { echo "missing $f"; exit 1; }
done

WORK=$(mktemp -d /tmp/scl-search.XXXXXX)
cleanup() {
    [ -n "${FINDPID:-}" ] && kill "$FINDPID" 2>/dev/null
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

echo "$FAILS failed"
[ $FAILS -eq 0 ]
