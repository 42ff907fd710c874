#!/usr/bin/env bash
# JumpToKey under Wine: opens regedit of a throwaway prefix on a key with keystroke-syntax
# characters, a braced GUID and a Cyrillic name; checks the key regedit shows and takes a
# screenshot (build/e2e-logs/regedit-jump.png). Run by tools/test under xvfb-run; by hand:
# SCL_BUILD_WIN=<mingw build> xvfb-run -a bash run.sh
set -u
: "${SCL_BUILD_WIN:?}" "${DISPLAY:?needs a display (xvfb-run)}"
. "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/prefix.sh"
REPO=${SCL_REPO:-$(cd "$(dirname "$0")/../../.." && pwd)}
SHOT=${SCL_SHOT:-$REPO/build/e2e-logs/regedit-jump.png}
WORK=$(mktemp -d /tmp/scl-regedit.XXXXXX)
trap 'timeout 30 wineserver -k >/dev/null 2>&1; rm -rf "$WORK"' EXIT
scl_new_prefix "$WORK/pfx" || exit 1
timeout 120 wine "$SCL_BUILD_WIN/tests/regedit/jump_check.exe"
rc=$?
mkdir -p "$(dirname "$SHOT")"
xwd -root -display "$DISPLAY" | convert xwd:- "$SHOT" && echo "screenshot: $SHOT"
exit $rc
