# Shared by the cleaner's end-to-end scripts: build lookup, a throwaway prefix, the application
# folder with hivescan.exe, and result checks.
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
. "$HERE/../prefix.sh"

find_build() {  # the mingw build folder holding hivescan.exe
  local b
  for b in "${1:-}" "${BUILD_WIN:-}" "$ROOT/build/win"; do
    if [ -n "$b" ] && [ -f "$b/cleaner/hivescan/hivescan.exe" ]; then echo "$b"; return 0; fi
  done
  return 1
}

new_prefix() {  # $1 scratch folder; exports WINEPREFIX=$1/pfx, a booted prefix
  scl_new_prefix "$1/pfx" || return 1
  C=$WINEPREFIX/drive_c
  APP="$C/Program Files/Scourline"
  mkdir -p "$APP"
}

hivescan() {  # runs the installed hivescan.exe; stdout and stderr as given by the caller
  timeout 900 wine 'C:\Program Files\Scourline\hivescan.exe' "$@"
}

FAILS=0
check_same() {  # name expected-file actual-file
  if diff -u "$2" "$3" >"$SCRATCH/diff.txt" 2>&1; then
    echo "ok   $1"
  else
    echo "FAIL $1"
    head -80 "$SCRATCH/diff.txt"
    FAILS=$((FAILS + 1))
  fi
}
check_true() {  # name command...
  local name=$1; shift
  if "$@"; then echo "ok   $name"; else echo "FAIL $name"; FAILS=$((FAILS + 1)); fi
}
