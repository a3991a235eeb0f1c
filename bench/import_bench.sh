#!/bin/sh
# The observation import against a plain read and against RTKLIB's convbin, in one run on the
# largest observation file of ../shared/corpus (warm in the page cache). Prints one table:
# MB/s of each step and its time relative to a plain read of the same bytes, then the two
# target ratios and the peak memory of `vyr import` on the file and on a file four times as long.
# BUILD_BENCH names the Release build folder (build-bench by default); RUNS the repetitions of
# the whole-command steps (best run counts, 3 by default).
set -eu
cd "$(dirname "$0")/.."
. bench/corpus.sh
RUNS=${RUNS:-3}
command -v convbin >/dev/null || { echo "convbin missing: apt-get install -y rtklib" >&2; exit 1; }
build_targets obs_import_bench vyr_cli

obs=$(largest rinex3-obs)
obs2=$(largest rinex2-obs)
[ "$(stat -c %s "$obs2")" -gt "$(stat -c %s "$obs")" ] && echo "note: a version-2 file is the largest" >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Best wall time in seconds of RUNS runs of a command (its output dropped; a fresh project and
# output file each time).
best_time() {
    python3 - "$RUNS" "$work" "$@" <<'PY'
import os, subprocess, sys, time
runs, work, command = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
best = None
for _ in range(runs):
    for leftover in ('p.vyr', 'out.rnx'):
        if os.path.exists(os.path.join(work, leftover)): os.remove(os.path.join(work, leftover))
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(best)
PY
}
peak_kb() { rm -f "$work"/p.vyr; /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

cat "$obs" "$obs2" >/dev/null  # into the page cache
VYR_BENCH_OBS_FILE="$obs" "$BUILD/bench/obs_import_bench" --benchmark_format=json \
    --benchmark_out="$work/v3.json" --benchmark_out_format=json >/dev/null
VYR_BENCH_OBS_FILE="$obs2" "$BUILD/bench/obs_import_bench" --benchmark_format=json \
    --benchmark_filter='plain_read|convert' --benchmark_out="$work/v2.json" \
    --benchmark_out_format=json >/dev/null

t_import=$(best_time "$BUILD/cli/vyr" import "$work/p.vyr" "$obs")
t_convbin=$(best_time convbin -r rinex -v 3.04 -od -os -o "$work/out.rnx" "$obs")

# A file four times as long: the data section again on each of the three following days.
long="$work/long.rnx"
cp "$obs" "$long"
for day in 1 2 3; do
    sed -n '/END OF HEADER/,$p' "$obs" | tail -n +2 |
        awk -v d=$day '/^>/ { $0 = sprintf("%s%02d%s", substr($0, 1, 10), substr($0, 11, 2) + d, substr($0, 13)) } { print }' >>"$long"
done
mem_one=$(peak_kb "$BUILD/cli/vyr" import "$work/p.vyr" "$obs")
mem_four=$(peak_kb "$BUILD/cli/vyr" import "$work/p.vyr" "$long")

echo "commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores"
python3 - "$work/v3.json" "$work/v2.json" "$obs" "$obs2" "$t_import" "$t_convbin" \
    "$mem_one" "$mem_four" "$(stat -c %s "$long")" <<'PY'
import json, os, sys
v3, v2, obs, obs2 = sys.argv[1:5]
t_import, t_convbin = float(sys.argv[5]), float(sys.argv[6])
mem_one, mem_four, long_bytes = int(sys.argv[7]), int(sys.argv[8]), int(sys.argv[9])
def rates(path):
    return {b['run_name'].split('/')[1]: b['MB/s'] for b in json.load(open(path))['benchmarks']}
r3, r2 = rates(v3), rates(v2)
mb3 = os.path.getsize(obs) / 1e6
rows = [
    ('plain read (fread + line count)', os.path.basename(obs), r3['plain_read'], r3['plain_read']),
    ('RINEX reader alone', os.path.basename(obs), r3['reader_only'], r3['plain_read']),
    ('reader + conversion to epochs', os.path.basename(obs), r3['convert'], r3['plain_read']),
    ('plain read (fread + line count)', os.path.basename(obs2), r2['plain_read'], r2['plain_read']),
    ('version-2 text parser', os.path.basename(obs2), r2['convert'], r2['plain_read']),
    ('vyr import (whole command)', os.path.basename(obs), mb3 / t_import, r3['plain_read']),
    ('convbin -r rinex -v 3.04 -od -os', os.path.basename(obs), mb3 / t_convbin, r3['plain_read']),
]
print('%-34s %-28s %10s %16s' % ('step', 'file', 'MB/s', 'time / plain'))
for name, f, rate, plain in rows:
    print('%-34s %-28s %10.1f %16.1f' % (name, f[:28], rate, plain / rate))
print()
print('vyr import / convbin throughput:     %6.1fx (target >= 10x)' % (t_convbin / t_import))
print('reader alone time / plain read time: %6.1fx (target <= 10x)' % (r3['plain_read'] / r3['reader_only']))
print('vyr import peak memory: %d KB on %.1f MB, %d KB on %.1f MB' %
      (mem_one, mb3, mem_four, long_bytes / 1e6))
PY
