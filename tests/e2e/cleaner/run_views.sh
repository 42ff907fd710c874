#!/bin/bash
# End-to-end check of the two registry views with hivescan.exe in a throwaway 64-bit Wine prefix.
# The files of 32-bit programs are placed only in drive_c/windows/syswow64, where a 32-bit
# program's "C:\Windows\System32" really is:
# - valid 32-bit registrations of each kind (a plain value, a Run entry, a COM server, a type
#   library's win32 file, a shared DLL, a Sysnative path) are neither listed nor deleted by
#   "--fix all --yes";
# - broken ones of each kind are listed once each, under their real key, and removed;
# - a registry link back into its own key lists a broken value below it once;
# - one class named from both views is registered for the 32-bit interface and not for the
#   64-bit one, in the same scan;
# - one quoted command line of a 32-bit program, per user and per machine in both views, is
#   kept where 32-bit programs read it and listed and removed where 64-bit ones do.
#
#   run_views.sh [mingw build folder]      (or BUILD_WIN=...; default build/win)
set -u
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
BUILD=$(find_build "${1:-}") || { echo "views e2e: hivescan.exe not built (cmake --build <win> --target hivescan regtool)"; exit 1; }
[ -f "$BUILD/tests/cleaner_engine/regtool.exe" ] || { echo "views e2e: regtool.exe not built"; exit 1; }
SCRATCH=$(mktemp -d /tmp/views-e2e.XXXXXX)
trap 'timeout 30 wineserver -k >/dev/null 2>&1; rm -rf "$SCRATCH"' EXIT
new_prefix "$SCRATCH" || exit 1
cp "$BUILD/cleaner/hivescan/hivescan.exe" "$BUILD/tests/cleaner_engine/regtool.exe" "$APP/"
regtool() { timeout 120 wine 'C:\Program Files\Scourline\regtool.exe' "$@"; }
: >"$APP/Exclude.lst"

hivescan --no-skip-cd-net >"$SCRATCH/base.tsv" 2>/dev/null
check_true "baseline scan exits 0" test $? -eq 0

# The 32-bit programs' files, in the 32-bit system folder only; one 64-bit file for Sysnative.
W32="$C/windows/syswow64"
mkdir -p "$W32"
for f in e2e-x.dll e2e-tray.exe e2e-com32.dll e2e-tl32.tlb e2e-shared32.dll; do touch "$W32/$f"; done
touch "$C/windows/system32/e2e-native.exe"

CLS32='HKEY_LOCAL_MACHINE\Software\Classes\Wow6432Node\CLSID'
TLB='HKEY_LOCAL_MACHINE\Software\Classes\TypeLib'
RUN32='HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Run'
DLL32='HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\SharedDlls'
cat >"$SCRATCH/plant.reg" <<EOF
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\E2EViews]
"Plain"="C:\\\\Windows\\\\System32\\\\e2e-x.dll"
"Native"="C:\\\\Windows\\\\Sysnative\\\\e2e-native.exe"
"PlainGone"="C:\\\\Windows\\\\System32\\\\e2e-gone.dll"

[$RUN32]
"E2ETray"="\\"C:\\\\Windows\\\\System32\\\\e2e-tray.exe\\" /startup"
"E2ETrayGone"="\\"C:\\\\Windows\\\\System32\\\\e2e-gonetray.exe\\" /startup"

[$CLS32\\{E2E32000-0000-0000-0000-000000000001}\\InprocServer32]
@="C:\\\\Windows\\\\System32\\\\e2e-com32.dll"

[$CLS32\\{E2E32000-0000-0000-0000-000000000002}\\InprocServer32]
@="C:\\\\Windows\\\\System32\\\\e2e-gone32.dll"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\Interface\\{E2E3CCCC-0000-0000-0000-000000000001}\\CLSID]
@="{E2E32000-0000-0000-0000-000000000001}"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\Interface\\{E2E3CCCC-0000-0000-0000-000000000002}\\CLSID]
@="{E2E32000-0000-0000-0000-000000000001}"

[$TLB\\{E2E3AAAA-0000-0000-0000-000000000000}\\1.0\\0\\win32]
@="C:\\\\Windows\\\\System32\\\\e2e-tl32.tlb"

[$TLB\\{E2E3BBBB-0000-0000-0000-000000000000}\\1.0\\0\\win32]
@="C:\\\\Windows\\\\System32\\\\e2e-gone.tlb"

[$DLL32]
"C:\\\\Windows\\\\System32\\\\e2e-shared32.dll"=dword:00000001
"C:\\\\Windows\\\\System32\\\\e2e-gone32.dll"=dword:00000002

[HKEY_CURRENT_USER\\Software\\E2ELoop]
"Gone"="C:\\\\e2e\\\\loop-gone.exe"

[HKEY_LOCAL_MACHINE\\Software\\zE2EViews]
"Tray"="\\"C:\\\\Windows\\\\System32\\\\e2e-tray.exe\\" /startup"

[HKEY_CURRENT_USER\\Software\\Wow6432Node\\E2EViews]
"Tray"="\\"C:\\\\Windows\\\\System32\\\\e2e-tray.exe\\" /startup"

[HKEY_CURRENT_USER\\Software\\zE2EViews]
"Tray"="\\"C:\\\\Windows\\\\System32\\\\e2e-tray.exe\\" /startup"
EOF
timeout 60 wine regedit /S "$(winepath -w "$SCRATCH/plant.reg")" 2>/dev/null
regtool link 'Software\E2ELoop' Again
check_true "link planted" test $? -eq 0
timeout 30 wineserver -w

# Exactly the broken entries, once each, in table order of their areas.
cat >"$SCRATCH/expected.tsv" <<'EOF'
HKEY_CURRENT_USER\\software\\E2ELoop	Gone	C:\\e2e\\loop-gone.exe	Invalid path	1	
HKEY_CURRENT_USER\\software\\zE2EViews	Tray	"C:\\Windows\\System32\\e2e-tray.exe" /startup	Invalid path	1	
HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\E2ELoop	Gone	C:\\e2e\\loop-gone.exe	Invalid path	1	
HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\zE2EViews	Tray	"C:\\Windows\\System32\\e2e-tray.exe" /startup	Invalid path	1	
HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\E2EViews	PlainGone	C:\\Windows\\System32\\e2e-gone.dll	Invalid path	1	
HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run	E2ETrayGone	"C:\\Windows\\System32\\e2e-gonetray.exe" /startup	Invalid path	1	
HKEY_LOCAL_MACHINE\\Software\\zE2EViews	Tray	"C:\\Windows\\System32\\e2e-tray.exe" /startup	Invalid path	1	
HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDlls	C:\\Windows\\System32\\e2e-gone32.dll	2	Shared file does't exists	4	
HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\{E2E32000-0000-0000-0000-000000000002}\\InprocServer32		C:\\Windows\\System32\\e2e-gone32.dll	Invalid path	1	
HKEY_LOCAL_MACHINE\\software\\classes\\TypeLib\\{E2E3BBBB-0000-0000-0000-000000000000}\\1.0\\0\\win32		C:\\Windows\\System32\\e2e-gone.tlb	Invalid path	1	
HKEY_LOCAL_MACHINE\\software\\classes\\interface\\{E2E3CCCC-0000-0000-0000-000000000001}\\CLSID		{E2E32000-0000-0000-0000-000000000001}	Point to Invalid CLSID	1	
EOF
hivescan --no-skip-cd-net >"$SCRATCH/full.tsv" 2>"$SCRATCH/full.err"
check_true "scan exits 0" test $? -eq 0
grep -i 'e2e' "$SCRATCH/full.tsv" >"$SCRATCH/planted.tsv"
grep -vi 'e2e' "$SCRATCH/full.tsv" >"$SCRATCH/other.tsv"
check_same "broken 32-bit entries listed once each, under their real key" "$SCRATCH/expected.tsv" "$SCRATCH/planted.tsv"
check_same "the prefix's own rows unchanged" "$SCRATCH/base.tsv" "$SCRATCH/other.tsv"

hivescan --no-skip-cd-net --fix all --yes >/dev/null 2>"$SCRATCH/fix.err"
check_true "fix all exits 0" test $? -eq 0
hivescan --no-skip-cd-net >"$SCRATCH/after.tsv" 2>/dev/null
check_true "no planted row after Fix all" sh -c "! grep -qi e2e '$SCRATCH/after.tsv'"

has() {  # key value -> exit 0 when the value is there ("" = the default value)
  if [ -z "$2" ]; then timeout 60 wine reg query "$1" /ve >/dev/null 2>&1
  else timeout 60 wine reg query "$1" /v "$2" >/dev/null 2>&1; fi
}
check_true "valid plain value kept" has 'HKLM\Software\Wow6432Node\E2EViews' Plain
check_true "valid Sysnative value kept" has 'HKLM\Software\Wow6432Node\E2EViews' Native
check_true "valid Run entry kept" has "$RUN32" E2ETray
check_true "valid COM server kept" has "$CLS32\\{E2E32000-0000-0000-0000-000000000001}\\InprocServer32" ""
check_true "32-bit interface naming its 32-bit class kept" has 'HKLM\Software\Classes\Wow6432Node\Interface\{E2E3CCCC-0000-0000-0000-000000000002}\CLSID' ""
check_true "valid win32 type library kept" has "$TLB\\{E2E3AAAA-0000-0000-0000-000000000000}\\1.0\\0\\win32" ""
check_true "valid shared DLL kept" has "$DLL32" 'C:\Windows\System32\e2e-shared32.dll'
check_true "broken plain value removed" sh -c "! timeout 60 wine reg query 'HKLM\\Software\\Wow6432Node\\E2EViews' /v PlainGone >/dev/null 2>&1"
check_true "broken COM server removed" sh -c "! timeout 60 wine reg query '$CLS32\\{E2E32000-0000-0000-0000-000000000002}\\InprocServer32' /ve 2>/dev/null | grep -q gone32"
check_true "64-bit interface naming a 32-bit-only class repaired" sh -c "! timeout 60 wine reg query 'HKLM\\Software\\Classes\\Interface\\{E2E3CCCC-0000-0000-0000-000000000001}\\CLSID' /ve 2>/dev/null | grep -q E2E32000"
check_true "per-user 32-bit command line kept" has 'HKCU\Software\Wow6432Node\E2EViews' Tray
check_true "64-bit copies of the command line removed" sh -c "! timeout 60 wine reg query 'HKCU\\Software\\zE2EViews' /v Tray >/dev/null 2>&1 && ! timeout 60 wine reg query 'HKLM\\Software\\zE2EViews' /v Tray >/dev/null 2>&1"
check_true "broken shared DLL removed" sh -c "! timeout 60 wine reg query '$DLL32' /v 'C:\\Windows\\System32\\e2e-gone32.dll' >/dev/null 2>&1"

echo "views e2e: $FAILS failure(s)"
[ "$FAILS" -eq 0 ]
