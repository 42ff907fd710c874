#!/usr/bin/env bash
# JumpToKey under Wine: opens regedit of a throwaway prefix on a key with keystroke-syntax
# characters, a braced GUID and a Cyrillic name; checks the key regedit shows and takes a
# screenshot (build/e2e-logs/regedit-jump.png). Run by tools/test under xvfb-run.
set -u
: "${SCL_BUILD_WIN:?}" "${SCL_WINEPREFIX_TEMPLATE:?}" "${DISPLAY:?needs a display (xvfb-run)}"
REPO=${SCL_REPO:-$(cd "$(dirname "$0")/../../.." && pwd)}
SHOT=${SCL_SHOT:-$REPO/build/e2e-logs/regedit-jump.png}
WORK=$(mktemp -d /tmp/scl-regedit.XXXXXX)
export WINEPREFIX=$WORK/pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'timeout 30 wineserver -k >/dev/null 2>&1; rm -rf "$WORK"' EXIT
cp -a "$SCL_WINEPREFIX_TEMPLATE" "$WINEPREFIX" || exit 1
timeout 120 wine "$SCL_BUILD_WIN/tests/regedit/jump_check.exe"
rc=$?
mkdir -p "$(dirname "$SHOT")"
xwd -root -display "$DISPLAY" | convert xwd:- "$SHOT" && echo "screenshot: $SHOT"
exit $rc
