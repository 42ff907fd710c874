#!/bin/bash
# Times taskwatch's scan against the bare snapshot walk under Wine with about 50 processes
# (a throwaway prefix plus helper processes). Prints figures; checks nothing.
#
#   bench.sh [mingw build folder] [target processes] [rounds]   (else SCL_BUILD_WIN / BUILD_WIN;
#                                                                default build/win)
set -u
. "$(cd "$(dirname "$0")/.." && pwd)/prefix.sh"
BUILD=$(scl_build_win "${1:-}")
SCRATCH=$(mktemp -d /tmp/procman-bench.XXXXXX)
export BUILD SCRATCH SCL_WINEPREFIX_TEMPLATE=${SCL_WINEPREFIX_TEMPLATE:-}
export TARGET=${2:-50} ROUNDS=${3:-10}
cat > "$SCRATCH/inner.sh" <<'INNER'
#!/bin/bash
# A booted template prefix (from tools/test) is copied; otherwise a new one is made.
. "$SCL_PREFIX_SH"
scl_new_prefix "$SCRATCH/pfx" || exit 1
T=$WINEPREFIX/drive_c/pmbench
mkdir -p "$T"
cp "$BUILD/tests/procman/pm_bench.exe" "$BUILD/tests/procman/pm_helper.exe" "$T/"
timeout 300 wine 'C:\pmbench\pm_bench.exe' 'C:\pmbench\pm_helper.exe' "$TARGET" "$ROUNDS"
rc=$?
timeout 30 wineserver -k >/dev/null 2>&1
exit $rc
INNER
chmod +x "$SCRATCH/inner.sh"
# Under tools/test the script already runs inside its own X server.
if [ -n "${DISPLAY:-}" ]; then
  timeout 600 "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64"
  rc=${PIPESTATUS[0]}
else
  timeout 600 xvfb-run -a -s "-screen 0 1024x768x24" "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64"
  rc=${PIPESTATUS[0]}
fi
rm -rf "$SCRATCH"
exit "$rc"
