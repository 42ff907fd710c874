#!/usr/bin/env bash
# The rights each built program asks for, read back from the manifest embedded in the .exe:
# highestAvailable for the programs whose work needs an administrator (repairs and restores
# below HKEY_LOCAL_MACHINE, the All Users Run key, ending other users' processes), asInvoker
# for the others.
set -u
: "${SCL_BUILD_WIN:?}"
fails=0
check() {  # program-path expected-level
    local got
    got=$(strings "$1" 2>/dev/null | grep -o 'requestedExecutionLevel level="[A-Za-z]*"' | head -1 | sed 's/.*level="//; s/"//')
    if [ "$got" = "$2" ]; then echo "ok   $(basename "$1"): $got"; else echo "FAIL $(basename "$1"): '$got', not '$2'"; fails=$((fails + 1)); fi
}
check "$SCL_BUILD_WIN/cleaner/ui/hivescrub.exe" highestAvailable
check "$SCL_BUILD_WIN/backup/hivesave.exe" highestAvailable
check "$SCL_BUILD_WIN/startup/startup.exe" highestAvailable
check "$SCL_BUILD_WIN/procman/taskwatch.exe" highestAvailable
check "$SCL_BUILD_WIN/search/hivefind.exe" asInvoker
echo "manifests: $fails failure(s)"
[ "$fails" -eq 0 ]
