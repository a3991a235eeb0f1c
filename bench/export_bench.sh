#!/bin/sh
# `vyr export` against RTKLIB's convbin and against a plain write of the same bytes, in one run,
# on the station of the largest RINEX 3 observation file of ../shared/corpus. Prints MB/s of
# each (of the exported file's size), the two target ratios, and the peak memory of the export of
# that station and of a station four times as long.
# BUILD_BENCH names the Release build folder (build-bench by default); RUNS the repetitions
# (best run counts, 10 by default: the export takes tens of milliseconds).
set -eu
cd "$(dirname "$0")/.."
. bench/corpus.sh
RUNS=${RUNS:-10}
command -v convbin >/dev/null || { echo "convbin missing: apt-get install -y rtklib" >&2; exit 1; }
build_targets vyr_cli
vyr="$BUILD/cli/vyr"

obs=$(largest rinex3-obs)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The station of a project (its first key).
station_of() { "$vyr" info "$1" --json | python3 -c 'import json,sys; print(json.load(sys.stdin)["stations"][0]["key"])'; }

# Best wall time in seconds of RUNS runs of a command, the folder given emptied before each.
best_time() {
    python3 - "$RUNS" "$@" <<'PY'
import shutil, os, subprocess, sys, time
runs, folder, command = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
best = None
for _ in range(runs):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(best)
PY
}

"$vyr" import "$work/p.vyr" "$obs" >/dev/null
station=$(station_of "$work/p.vyr")
mkdir -p "$work/once"
exported=$("$vyr" export "$work/p.vyr" "$station" -o "$work/once")
bytes=$(stat -c %s "$exported")

t_export=$(best_time "$work/out" "$vyr" export "$work/p.vyr" "$station" -o "$work/out")
t_convbin=$(best_time "$work/conv" convbin -r rinex -v 3.04 -od -os -o "$work/conv/out.rnx" "$exported")
t_plain=$(best_time "$work/plain" dd if="$exported" of="$work/plain/copy" bs=1M conv=fsync status=none)

# A station four times as long: the data section again on each of the three following days.
long="$work/long.rnx"
cp "$obs" "$long"
for day in 1 2 3; do
    sed -n '/END OF HEADER/,$p' "$obs" | tail -n +2 |
        awk -v d=$day '/^>/ { $0 = sprintf("%s%02d%s", substr($0, 1, 10), substr($0, 11, 2) + d, substr($0, 13)) } { print }' >>"$long"
done
"$vyr" import "$work/long.vyr" "$long" >/dev/null
peak_kb() { rm -rf "$work/mem" && mkdir "$work/mem" && /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
mem_one=$(peak_kb "$vyr" export "$work/p.vyr" "$station" -o "$work/mem")
mem_four=$(peak_kb "$vyr" export "$work/long.vyr" "$(station_of "$work/long.vyr")" -o "$work/mem")

echo "commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores"
python3 - "$(basename "$obs")" "$bytes" "$t_export" "$t_convbin" "$t_plain" "$mem_one" "$mem_four" <<'PY'
import sys
name, size = sys.argv[1], int(sys.argv[2])
t_export, t_convbin, t_plain = map(float, sys.argv[3:6])
mem_one, mem_four = int(sys.argv[6]), int(sys.argv[7])
mb = size / 1e6
print('%-40s %10s %14s' % ('step (%s, %.1f MB exported)' % (name[:20], mb), 'MB/s', 'time / plain'))
for step, t in (('vyr export (whole command)', t_export),
                ('convbin -r rinex -v 3.04 (same data)', t_convbin),
                ('plain write of the same bytes (fsync)', t_plain)):
    print('%-40s %10.1f %14.2f' % (step, mb / t, t / t_plain))
print()
print('vyr export / convbin throughput: %6.1fx (target >= 10x)' % (t_convbin / t_export))
print('vyr export time / plain write:   %6.2fx (target <= 4x)' % (t_export / t_plain))
print('vyr export peak memory: %d KB for one day, %d KB for four days' % (mem_one, mem_four))
PY
