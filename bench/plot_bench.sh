#!/bin/sh
# `vyr plot` on a day of 30-second data of 60 satellites (made by tests/plot/synthetic_rinex.py),
# side by side with `vyr obs --csv` of the same station in one run: best wall time of RUNS runs
# (5 by default) of each, the ratio to `vyr obs --csv`, and the size of each picture.
# VYR names a built command to measure (else a Release build in BUILD_BENCH, build-bench).
set -eu
cd "$(dirname "$0")/.."
RUNS=${RUNS:-5}
if [ -n "${VYR:-}" ]; then
    vyr=$VYR
else
    BUILD=${BUILD_BENCH:-build-bench}
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVYR_BENCH=ON >/dev/null
    cmake --build "$BUILD" --target vyr_cli -j "$(nproc)" >/dev/null
    vyr="$BUILD/cli/vyr"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 tests/plot/synthetic_rinex.py "$work/day.rnx" 24 60
"$vyr" import "$work/day.vyr" "$work/day.rnx" >/dev/null
# Residuals for every observation of the day, so that the residual picture is as full as it gets.
key=$("$vyr" assoc "$work/day.vyr" add SYNT)
"$vyr" obs "$work/day.vyr" SYNT --csv | python3 -c '
import csv, math, sys
print("time,sat,value")
for r in csv.DictReader(sys.stdin):
    if r["type"] == "1":
        s = int(r["time"][11:13]) * 3600 + int(r["time"][14:16]) * 60 + int(r["time"][17:19])
        print("%s,%s,%.4f" % (r["time"], r["sat"], 0.5 * math.sin(s / 900.0 + int(r["sat"][1:]))))
' >"$work/r.csv"
"$vyr" results "$work/day.vyr" "$key" add residuals --type L1Code "$work/r.csv" >/dev/null

echo "commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores"
python3 - "$vyr" "$work" "$RUNS" "$key" <<'PY'
import os, subprocess, sys, time
import xml.etree.ElementTree as ET
vyr, work, runs, key = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
project = os.path.join(work, 'day.vyr')

def best(command):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - start)
    return min(times)

rows = [('vyr obs --csv (the same epochs as text)', best([vyr, 'obs', project, 'SYNT', '--csv']), None)]
for kind in ('availability', 'snr', 'residuals'):
    out = os.path.join(work, kind + '.svg')
    extra = [key, '--type', 'L1Code'] if kind == 'residuals' else []
    rows.append(('vyr plot ' + kind, best([vyr, 'plot', project, 'SYNT', kind, *extra, '-o', out]), out))
base = rows[0][1]
print('%-42s %9s %12s %10s %9s' % ('step (2880 epochs, 60 satellites)', 'seconds', '/ obs --csv', 'KB', 'elements'))
for name, seconds, out in rows:
    size = '%10.0f' % (os.path.getsize(out) / 1024) if out else '%10s' % '-'
    elements = '%9d' % sum(1 for _ in ET.parse(out).getroot().iter()) if out else '%9s' % '-'
    print('%-42s %9.3f %12.2f %s %s' % (name, seconds, seconds / base, size, elements))
PY
