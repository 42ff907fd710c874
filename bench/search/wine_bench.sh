#!/usr/bin/env bash
# The search benchmark under Wine, run by hand:
#   SCL_BUILD_WIN=<mingw build> bench/search/wine_bench.sh [--window] [KEYS] [SCRATCH]
# Boots a prefix (or copies SCL_WINEPREFIX_TEMPLATE) and enlarges it with KEYS generated keys of
# five values each (default 100,000), then runs search_bench.exe, best of two rounds:
#   (default)   --real: the full "My Computer" hivegrep search against a bare walk of the same keys;
#   --window    the search window on real controls against hivegrep, the same search for
#               "Control_RunDLL" (one data hit per generated key: 100,000 rows with the default
#               KEYS), in one run, four rounds (SCL_BENCH_ROUNDS) in turning order; quote the median ratio. Needs a
#               display: without one it runs itself under xvfb-run.
#   --export    the same search once in the window, then its Export... of every row (.reg) against
#               hivegrep's writing of the same rows (--format reg), five rounds (SCL_BENCH_ROUNDS) in
#               turning order; quote the median ratio. Needs a display, as --window.
set -u
: "${SCL_BUILD_WIN:?the mingw build folder}"
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
MODE=real
if [ "${1:-}" = --window ]; then MODE=window; shift; fi
if [ "${1:-}" = --export ]; then MODE=export; shift; fi
if [ "$MODE" != real ] && [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "--$MODE" "$@"
fi
KEYS=${1:-100000}
WORK=${2:-$(mktemp -d /tmp/scl-search-bench.XXXXXX)}
mkdir -p "$WORK"
# shellcheck source=../../tests/e2e/prefix.sh
. "$HERE/../../tests/e2e/prefix.sh"
if [ ! -d "$WORK/pfx" ]; then
    scl_new_prefix "$WORK/pfx" || exit 1
    python3 "$HERE/../../tests/e2e/search/plant.py" --bulk "$KEYS" "$WORK/bulk.reg" || exit 1
    echo "importing $KEYS keys ..."
    (cd "$WORK" && time timeout 3600 wine regedit /S bulk.reg)
    # A server started without a display could show no window later.
    timeout 600 wineserver -w
else
    export WINEPREFIX=$WORK/pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fi
timeout 60 wineserver -p
timeout 60 wine wineboot >/dev/null 2>&1
if [ "$MODE" != real ]; then
    # Without a window manager, Wine's managed windows wait for one.
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi
if [ "$MODE" = window ]; then
    timeout 7200 wine "$SCL_BUILD_WIN/bench_search/search_bench.exe" --window --rounds "${SCL_BENCH_ROUNDS:-4}" Control_RunDLL
elif [ "$MODE" = export ]; then
    timeout 7200 wine "$SCL_BUILD_WIN/bench_search/search_bench.exe" --export --real --rounds "${SCL_BENCH_ROUNDS:-5}" Control_RunDLL
else
    timeout 3600 wine "$SCL_BUILD_WIN/bench_search/search_bench.exe" --real --rounds 2 needle
fi
rc=$?
timeout 30 wineserver -k
exit $rc
