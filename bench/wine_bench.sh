#!/bin/bash
# Wine benchmark: hivescan.exe (all eight areas) against bare_walk.exe (the same keys, read the
# same way, with the same yields, testing nothing) on a throwaway prefix enlarged with a
# generated .reg of KEYS keys (default 100,000). Rounds alternate the two programs; prints each
# time, the median ratio and the peak memory of both. Checks nothing.
#
#   bench/wine_bench.sh [mingw build folder] [keys] [rounds]
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-${BUILD_WIN:-$ROOT/build/win}}
KEYS=${2:-100000}
ROUNDS=${3:-3}
SCAN=$BUILD/cleaner/hivescan/hivescan.exe
BARE=$BUILD/bench/bare_walk.exe
for f in "$SCAN" "$BARE"; do [ -f "$f" ] || { echo "wine_bench: missing $f"; exit 1; }; done
SCRATCH=$(mktemp -d /tmp/scan-bench.XXXXXX)
trap 'timeout 30 wineserver -k >/dev/null 2>&1; rm -rf "$SCRATCH"' EXIT
# shellcheck source=../tests/e2e/prefix.sh
. "$ROOT/tests/e2e/prefix.sh"
scl_new_prefix "$SCRATCH/pfx" || exit 1
APP="$WINEPREFIX/drive_c/Program Files/Scourline"
mkdir -p "$APP" "$WINEPREFIX/drive_c/Program Files/BenchVendor"
cp "$SCAN" "$BARE" "$APP/"
for i in $(seq 0 39); do touch "$WINEPREFIX/drive_c/Program Files/BenchVendor/app$i.exe"; done

# The generated keys: a realistic mix below the current user, the local machine and the classes.
python3 - "$SCRATCH/big.reg" "$KEYS" <<'PY'
import random, sys
out, total = sys.argv[1], int(sys.argv[2])
rnd = random.Random(7)
def q(s): return '"' + s.replace('\\', '\\\\').replace('"', '\\"') + '"'
lines = ['Windows Registry Editor Version 5.00', '']
keys = values = 0
def value(k):
    r = rnd.randrange(100)
    d = 'C:\\Program Files\\BenchVendor'
    if r < 25: return q(d + '\\app%d.exe' % (k % 40))
    if r < 35: return q(d + '\\old%d.exe' % (k % 60))
    if r < 45: return q('"%s\\app%d.exe" /minimized -x %d' % (d, k % 40, k))
    if r < 50: return q('C:\\windows\\system32\\rundll32.exe %s\\lib%d.dll,Entry' % (d, k % 10))
    if r < 55: return q('%s\\app1.exe C:\\docs\\doc%d.txt' % (d, k % 500))
    if r < 72: return 'dword:%08x' % rnd.getrandbits(32)
    if r < 82: return 'hex:' + ','.join('%02x' % rnd.getrandbits(8) for _ in range(8 + rnd.randrange(60)))
    return q('Some setting text %d' % rnd.getrandbits(30))
com = total // 5
plain = total - com
for i in range(plain):
    root = 'HKEY_CURRENT_USER' if i % 2 == 0 else 'HKEY_LOCAL_MACHINE'
    lines.append('[%s\\Software\\Bench\\V%d\\P%d\\S%d]' % (root, i % 50, (i // 50) % 40, i))
    keys += 1
    for k in range(rnd.randrange(1, 6)):
        lines.append('"Value%d"=%s' % (k, value(i * 10 + k)))
        values += 1
    lines.append('')
for c in range(com // 2):
    g = '{%08X-BE0C-4000-8000-%012X}' % (c, c * 7)
    lines.append('[HKEY_CLASSES_ROOT\\CLSID\\%s]' % g)
    lines.append('@=%s' % q('Bench component %d' % c))
    lines.append('')
    lines.append('[HKEY_CLASSES_ROOT\\CLSID\\%s\\InprocServer32]' % g)
    lines.append('@=%s' % q('C:\\Program Files\\BenchVendor\\lib%d.dll' % (c % 12)))
    lines.append('"ThreadingModel"="Apartment"')
    lines.append('')
    keys += 2
    values += 3
open(out, 'wb').write(b'\xff\xfe' + ('\r\n'.join(lines) + '\r\n').encode('utf-16-le'))
print('generated %d keys, %d values' % (keys, values))
PY
t0=$(date +%s.%N)
timeout 1800 wine regedit /S "$SCRATCH/big.reg"
echo "imported in $(echo "$(date +%s.%N) - $t0" | bc) s"

timeout 120 wineserver -k  # saves the imported keys now, not during a timed run
timeout 60 wineserver -p
timeout 60 wine wineboot >/dev/null 2>&1
# CPU seconds of this prefix's wineserver (the registry lives there, so a walk costs CPU in
# the server as well as in the program). The machine is shared: CPU time is the fair measure.
server_cpu() {
  local pid
  for pid in $(pgrep wineserver); do
    if [ "$(readlink -f /proc/$pid/cwd 2>/dev/null)" != "" ] && tr '\0' '\n' </proc/$pid/environ 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      awk '{ printf "%.2f", ($14 + $15) / 100 }' /proc/$pid/stat
      return
    fi
  done
  echo 0
}
run() {  # label exe args...
  local label=$1; shift
  local s0 s1
  s0=$(server_cpu)
  /usr/bin/time -f "%e %M %U %S" -o "$SCRATCH/time" timeout 3600 wine "$@" >"$SCRATCH/$label.out" 2>"$SCRATCH/$label.err"
  s1=$(server_cpu)
  read -r secs kb user sys <"$SCRATCH/time"
  cpu=$(echo "$user + $sys + $s1 - $s0" | bc)
  echo "$label: $secs s wall, $cpu s CPU (program $user + $sys, server $(echo "$s1 - $s0" | bc)), peak $kb KB"
  echo "$secs $kb $cpu" >>"$SCRATCH/$label.times"
}
for r in $(seq 1 "$ROUNDS"); do
  run bare 'C:\Program Files\Scourline\bare_walk.exe'
  run scan 'C:\Program Files\Scourline\hivescan.exe' --areas HKCU,HKU,HKLM,DLL,VDD,FONT,IFA,COM --no-skip-cd-net --output 'C:\rows.tsv'
done
echo "bare walk: $(cat "$SCRATCH/bare.out")"
echo "scan rows: $(($(wc -l <"$WINEPREFIX/drive_c/rows.tsv") - 1)); $(tail -1 "$SCRATCH/scan.err")"
python3 - "$SCRATCH/bare.times" "$SCRATCH/scan.times" <<'PY'
import statistics, sys
b = [tuple(map(float, l.split())) for l in open(sys.argv[1])]
s = [tuple(map(float, l.split())) for l in open(sys.argv[2])]
mb, ms = statistics.median(x[0] for x in b), statistics.median(x[0] for x in s)
cb, cs = statistics.median(x[2] for x in b), statistics.median(x[2] for x in s)
print('median wall: bare %.2f s, scan %.2f s, ratio %.2f' % (mb, ms, ms / mb))
print('median CPU (program + wineserver): bare %.2f s, scan %.2f s, ratio %.2f' % (cb, cs, cs / cb))
print('peak memory: bare %d KB, scan %d KB' % (max(x[1] for x in b), max(x[1] for x in s)))
PY
