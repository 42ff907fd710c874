#!/usr/bin/env bash
# The search benchmark under Wine, run by hand:
#   SCL_BUILD_WIN=<mingw build> bench/search/wine_bench.sh [KEYS] [SCRATCH]
# Boots a prefix (or copies SCL_WINEPREFIX_TEMPLATE), enlarges it with KEYS generated keys of
# five values each (default 100,000) and runs search_bench.exe --real: the full "My Computer"
# hivegrep search against a bare walk of the same keys, in one run, best of two rounds.
set -u
: "${SCL_BUILD_WIN:?the mingw build folder}"
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
KEYS=${1:-100000}
WORK=${2:-$(mktemp -d /tmp/scl-search-bench.XXXXXX)}
export WINEPREFIX=$WORK/pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WORK"
if [ ! -d "$WINEPREFIX" ]; then
    if [ -n "${SCL_WINEPREFIX_TEMPLATE:-}" ]; then
        cp -a "$SCL_WINEPREFIX_TEMPLATE" "$WINEPREFIX" || exit 1
    else
        timeout 300 wineboot -i >/dev/null 2>&1 || exit 1
    fi
    python3 "$HERE/../../tests/e2e/search/plant.py" --bulk "$KEYS" "$WORK/bulk.reg" || exit 1
    echo "importing $KEYS keys ..."
    (cd "$WORK" && time timeout 3600 wine regedit /S bulk.reg)
fi
timeout 60 wineserver -p
timeout 60 wine wineboot >/dev/null 2>&1
timeout 3600 wine "$SCL_BUILD_WIN/bench_search/search_bench.exe" --real --rounds 2 needle
rc=$?
timeout 30 wineserver -k
exit $rc
