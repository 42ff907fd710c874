#!/bin/bash
# End-to-end check of tools/release: run twice in a fresh clone of the committed HEAD (each run
# exports its own clean tree and builds it afresh; the compiler cache may serve the objects), the
# two zips must be identical bytes; the zip holds the ten programs, README.txt and SHA256SUMS,
# whose checksums verify, as does the zip's own .sha256 file. Under Wine every program of the zip
# shows the suite's version resource (company Tolvane, product Scourline) and the manifest level
# the README gives it, and the console programs answer --version.
#
#   run_release.sh [mingw build folder]   (or SCL_BUILD_WIN / BUILD_WIN; default build/win: for
#                                          tests/release/verinfo.exe)
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../prefix.sh"
REPO=${SCL_REPO:-$(cd "$HERE/../../.." && pwd)}
BUILD=$(scl_build_win "${1:-}")
VERINFO=$BUILD/tests/release/verinfo.exe
[ -f "$VERINFO" ] || { echo "release e2e: missing $VERINFO (build verinfo)"; exit 1; }
SCRATCH=$(mktemp -d /tmp/release-e2e.XXXXXX)

FAILS=0
ok() { echo "ok   $1"; }
fail() { echo "FAIL $1"; FAILS=$((FAILS + 1)); }
check() {
  local name=$1; shift
  if "$@"; then ok "$name"; else fail "$name"; fi
}

CLONE=$SCRATCH/clone
head=$(git -C "$REPO" rev-parse HEAD)
git clone -q --no-checkout "$REPO" "$CLONE" && git -C "$CLONE" checkout -q "$head" || { echo "cannot clone $REPO"; exit 1; }
version=$(sed -n 's/^project(Scourline VERSION \([0-9][0-9.]*\).*/\1/p' "$CLONE/CMakeLists.txt")
name=scourline-$version-win64

for run in 1 2; do
  t0=$(date +%s)
  "$CLONE/tools/release" >"$SCRATCH/release$run.log" 2>&1
  rc=$?
  echo "     tools/release run $run: exit $rc, $(($(date +%s) - t0)) s"
  if [ $rc -ne 0 ] || [ ! -f "$CLONE/dist/$name.zip" ]; then
    tail -20 "$SCRATCH/release$run.log"
    fail "tools/release run $run"
    break
  fi
  cp "$CLONE/dist/$name.zip" "$SCRATCH/run$run.zip"
done
if [ -f "$SCRATCH/run2.zip" ]; then
  check "two releases of commit ${head:0:12} are the same bytes" cmp "$SCRATCH/run1.zip" "$SCRATCH/run2.zip"
  echo "     $name.zip: $(stat -c %s "$SCRATCH/run1.zip") bytes, sha256 $(sha256sum "$SCRATCH/run1.zip" | cut -d' ' -f1) (run 1)"
  echo "     $name.zip: $(stat -c %s "$SCRATCH/run2.zip") bytes, sha256 $(sha256sum "$SCRATCH/run2.zip" | cut -d' ' -f1) (run 2)"
  check "the zip's .sha256 file verifies" bash -c "cd '$CLONE/dist' && sha256sum -c --quiet '$name.zip.sha256'"

  mkdir -p "$SCRATCH/unzipped"
  (cd "$SCRATCH/unzipped" && unzip -q "$SCRATCH/run1.zip")
  D=$SCRATCH/unzipped/$name
  want="README.txt SHA256SUMS hivefind.exe hivegrep.exe hiverun.exe hivesave.exe hivescan.exe hivescrub.exe hivesnap.exe startup.exe taskwatch.exe weblaunch.exe"
  got=$(cd "$D" && LC_ALL=C ls | tr '\n' ' ' | sed 's/ $//')
  check "the zip holds the ten programs, README.txt and SHA256SUMS" test "$got" = "$want"
  check "SHA256SUMS verifies every file" bash -c "cd '$D' && sha256sum -c --quiet SHA256SUMS && [ \$(wc -l <SHA256SUMS) -eq 11 ]"
  check "README.txt names every program with its rights" python3 - "$D/README.txt" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-8", newline="").read()
want = {"hivescrub": "highestAvailable", "hivesave": "highestAvailable", "startup": "highestAvailable",
        "taskwatch": "highestAvailable", "hivefind": "asInvoker", "weblaunch": "asInvoker"}
ok = all(re.search(r"^%s\.exe +%s\r$" % (p, lvl), text, re.M) for p, lvl in want.items())
ok = ok and all(p + ".exe" in text for p in ("hivescan", "hivegrep", "hiverun", "hivesnap"))
ok = ok and "schtasks /Create" in text and "@VERSION@" not in text and "\r\n" in text
sys.exit(0 if ok else 1)
PY

  # What Windows shows of each program, read under Wine.
  scl_new_prefix "$SCRATCH/pfx" || fail "a Wine prefix to read the programs in"
  cp "$VERINFO" "$D/"
  (cd "$D" && timeout 120 wine verinfo.exe hivescrub.exe hivefind.exe hivesave.exe taskwatch.exe startup.exe \
     weblaunch.exe hivescan.exe hivegrep.exe hiverun.exe hivesnap.exe) | tr -d '\r' >"$SCRATCH/verinfo.txt"
  sed 's/^/     /' "$SCRATCH/verinfo.txt"
  for p in hivescrub:highestAvailable hivesave:highestAvailable startup:highestAvailable \
           taskwatch:highestAvailable hivefind:asInvoker weblaunch:asInvoker hivescan:asInvoker \
           hivegrep:asInvoker hiverun:asInvoker hivesnap:asInvoker; do
    exe=${p%%:*}; level=${p#*:}
    check "$exe.exe: version $version of Scourline by Tolvane, asks for $level" \
      grep -qE "^$exe\.exe	Tolvane	Scourline	Scourline [^	]+	$version	$version	$version\.0	$level\$" "$SCRATCH/verinfo.txt"
  done
  for p in hivescan hivegrep hiverun hivesnap; do
    out=$(cd "$D" && timeout 60 wine "$p.exe" --version | tr -d '\r')
    check "$p --version says $version" test "$out" = "$p $version"
  done
  timeout 30 wineserver -k >/dev/null 2>&1
fi

rm -rf "$SCRATCH"
if [ "$FAILS" -eq 0 ]; then echo "release e2e: PASSED"; else echo "release e2e: $FAILS FAILED"; fi
[ "$FAILS" -eq 0 ]
