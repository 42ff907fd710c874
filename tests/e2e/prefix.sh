# Sourced by the end-to-end scripts (bash): a throwaway Wine prefix, and the Windows build.
#
#   scl_new_prefix DIR     exports WINEPREFIX=DIR, WINEDEBUG=-all and WINEDLLOVERRIDES (quiet,
#                          dialog-free Wine), then makes DIR a booted prefix: a copy of
#                          $SCL_WINEPREFIX_TEMPLATE when that holds a booted prefix (tools/test
#                          makes one per run), else a new one from `wineboot -i`. DIR must not
#                          exist yet. Returns non-zero, with the reason on stderr, when neither
#                          gives a prefix.
#   scl_build_win [DIR]    prints the Windows build folder: DIR when given, else $SCL_BUILD_WIN,
#                          else $BUILD_WIN, else the repository's build/win.
#
# Sourcing it also exports SCL_PREFIX_SH, its own path, for the scripts a test writes and runs
# under a display of its own (inner.sh): they source "$SCL_PREFIX_SH" in turn.

SCL_PREFIX_SH=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/prefix.sh
export SCL_PREFIX_SH

scl_new_prefix() {
  local dir=${1:-} template=${SCL_WINEPREFIX_TEMPLATE:-} log rc
  if [ -z "$dir" ]; then
    echo "scl_new_prefix: no prefix folder given" >&2
    return 2
  fi
  # Exported first: whatever the outcome, wine and wineserver from here on (an EXIT trap's
  # "wineserver -k" included) act on this prefix, never on one inherited from the caller.
  export WINEPREFIX=$dir WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -e "$dir" ]; then
    echo "scl_new_prefix: $dir exists already; a throwaway prefix must be new" >&2
    return 1
  fi
  if [ -n "$template" ] && [ -f "$template/system.reg" ]; then
    if ! cp -a "$template" "$dir"; then
      echo "scl_new_prefix: cannot copy the template prefix $template to $dir" >&2
      return 1
    fi
    return 0
  fi
  if [ -n "$template" ]; then
    echo "scl_new_prefix: $template holds no booted prefix (no system.reg); booting a new one" >&2
  fi
  # wineboot's helpers may outlive it holding its output, so the output goes to a file.
  log=$(mktemp /tmp/scl-wineboot.XXXXXX) || { echo "scl_new_prefix: cannot make a log file" >&2; return 1; }
  timeout 300 wineboot -i >"$log" 2>&1
  rc=$?
  # The registry files appear only when the server ends; the system folder is there at once.
  if [ "$rc" -ne 0 ] || [ ! -d "$dir/drive_c/windows/system32" ]; then
    echo "scl_new_prefix: no template prefix to copy (SCL_WINEPREFIX_TEMPLATE)," \
         "and \`wineboot -i\` made none in $dir (exit $rc):" >&2
    tail -20 "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
  return 0
}

scl_build_win() {
  if [ -n "${1:-}" ]; then
    echo "$1"
  elif [ -n "${SCL_BUILD_WIN:-}" ]; then
    echo "$SCL_BUILD_WIN"
  elif [ -n "${BUILD_WIN:-}" ]; then
    echo "$BUILD_WIN"
  else
    echo "$(cd "$(dirname "$SCL_PREFIX_SH")/../.." && pwd)/build/win"
  fi
}
