#!/bin/bash
# End-to-end check of taskwatch.exe under Wine and Xvfb, in a throwaway prefix: the window lists
# the prefix's processes with a started helper and its folder, ends the helper after the
# confirmation (the driver waits on the helper's handle), rescans, and closes on Escape. Between
# these, live updates add a second helper and remove it once it has ended, and fill the figure
# columns (taskwatch-live.png is taken after at least 4 seconds of them).
# Screenshots of the list (before and after the helper is selected) and of the confirmation are
# left in $ARTIFACTS (default: the scratch folder); the helper's own icon must show in the first.
#
#   run.sh [mingw build folder]   (else SCL_BUILD_WIN or BUILD_WIN, as tools/test sets them;
#                                 default build/win)
set -u
. "$(cd "$(dirname "$0")/.." && pwd)/prefix.sh"
BUILD=$(scl_build_win "${1:-}")
for exe in procman/taskwatch.exe tests/procman/pm_driver.exe tests/procman/pm_helper.exe; do
  if [ ! -f "$BUILD/$exe" ]; then echo "procman e2e: missing $BUILD/$exe (build taskwatch pm_driver pm_helper)"; exit 1; fi
done

SCRATCH=$(mktemp -d /tmp/procman-e2e.XXXXXX)
if [ -n "${SCL_BUILD_WIN:-}" ]; then ARTIFACTS=${ARTIFACTS:-$SCL_BUILD_WIN/../e2e-logs/procman}; fi
ARTIFACTS=${ARTIFACTS:-$SCRATCH}
mkdir -p "$ARTIFACTS"
export BUILD ARTIFACTS SCRATCH SCL_WINEPREFIX_TEMPLATE=${SCL_WINEPREFIX_TEMPLATE:-}

cat > "$SCRATCH/inner.sh" <<'INNER'
#!/bin/bash
set -u
# A booted template prefix (from tools/test) is copied; otherwise a new one is made.
. "$SCL_PREFIX_SH"
scl_new_prefix "$SCRATCH/pfx" || exit 1
# The prefix is left as Wine makes it: without the ".exe" file class of Windows, for which the
# shell gives every program the unknown-file icon; the window must still show programs' own icons.
T=$WINEPREFIX/drive_c/pmtest
mkdir -p "$T/helper" "$T/signals"
cp "$BUILD/procman/taskwatch.exe" "$BUILD/tests/procman/pm_driver.exe" "$T/"
cp "$BUILD/tests/procman/pm_helper.exe" "$T/helper/"
timeout 120 wine 'C:\pmtest\pm_driver.exe' 'C:\pmtest\taskwatch.exe' 'C:\pmtest\helper\pm_helper.exe' 'C:\pmtest\signals' &
D=$!
shoot() {  # waits for a signal file, takes a screenshot, answers
  for _ in $(seq 1 600); do [ -f "$T/signals/$1" ] && break; kill -0 $D 2>/dev/null || return; sleep 0.1; done
  [ -f "$T/signals/$1" ] || return
  sleep 1
  xwd -root -display "$DISPLAY" | convert xwd:- "$ARTIFACTS/$2" && echo "screenshot: $ARTIFACTS/$2"
  touch "$T/signals/$3"
}
shoot live taskwatch-live.png live-done
shoot listed taskwatch-icons.png listed-done
shoot ready taskwatch-list.png shot-done
shoot confirm taskwatch-confirm.png confirm-done
wait $D
rc=$?
# The helper's own icon is orange (#FA8C28, 76 of its 256 pixels); the unknown-file icon has none.
orange=$(convert "$ARTIFACTS/taskwatch-icons.png" -fuzz 4% -fill black +opaque '#FA8C28' -fill white -opaque '#FA8C28' \
  -format '%[fx:round(mean*w*h)]' info: 2>/dev/null)
echo "orange pixels of the helper's icon in the list: ${orange:-none}"
if [ "${orange:-0}" -lt 40 ]; then echo "procman e2e: the helper's own icon is not shown"; rc=1; fi
timeout 30 wineserver -k >/dev/null 2>&1
exit $rc
INNER
chmod +x "$SCRATCH/inner.sh"
# Under tools/test the script already runs inside its own X server.
if [ -n "${DISPLAY:-}" ]; then
  timeout 400 "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64"
  rc=${PIPESTATUS[0]}
else
  timeout 400 xvfb-run -a -s "-screen 0 1024x768x24" "$SCRATCH/inner.sh" 2>&1 | grep -v -e "wine32 is missing" -e "X connection to" -e "syswow64"
  rc=${PIPESTATUS[0]}
fi
if [ "$rc" -eq 0 ]; then echo "procman e2e: PASSED"; else echo "procman e2e: FAILED ($rc)"; fi
# The prefix is large; keep only the screenshots.
rm -rf "$SCRATCH/pfx"
exit "$rc"
