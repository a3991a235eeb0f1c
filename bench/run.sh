#!/bin/sh
# Builds the benchmarks in Release (build-bench) and prints one table of every benchmark with
# its counters. Arguments go to each benchmark binary (e.g. --benchmark_filter=cfb_stream/write).
# VYR_BENCH_MB sets the size of the stream benchmarks (500 MB by default).
set -eu
cd "$(dirname "$0")/.."
BUILD=${BUILD_BENCH:-build-bench}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVYR_BENCH=ON >/dev/null
targets=$(for f in bench/*_bench.cpp; do basename "$f" .cpp; done)
# The Python benchmark also needs the command and the module, when the module is built.
python_targets=""
grep -q '^VYR_PYTHON:BOOL=ON' "$BUILD/CMakeCache.txt" && python_targets="vyr_cli vyr_python"
# shellcheck disable=SC2086
cmake --build "$BUILD" --target $targets $python_targets -j "$(nproc)" >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for t in $targets; do
    # Needs a project to read: python_obs_bench.py below makes one and runs it beside the module.
    [ "$t" = project_iterate_bench ] && continue
    # A filter may match nothing in some binaries; those are left out of the table.
    [ -n "$("$BUILD/bench/$t" --benchmark_list_tests "$@" 2>/dev/null)" ] || continue
    "$BUILD/bench/$t" --benchmark_format=json --benchmark_out="$out/$t.json" \
        --benchmark_out_format=json "$@" >/dev/null
done

echo "commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores"
python3 - "$out"/*.json <<'PY'
import json, sys
skip = {'name', 'run_name', 'run_type', 'repetitions', 'repetition_index', 'threads',
        'iterations', 'real_time', 'cpu_time', 'time_unit', 'family_index',
        'per_family_instance_index', 'bytes_per_second', 'aggregate_name', 'aggregate_unit'}
rows = []
for path in sys.argv[1:]:
    for b in json.load(open(path))['benchmarks']:
        if b.get('error_occurred'):
            rows.append((b['run_name'], {'error': b.get('error_message', '?')}))
            continue
        rows.append((b['run_name'].split('/iterations')[0],
                     {k: v for k, v in b.items() if k not in skip}))
cols = []
for _, c in rows:
    cols += [k for k in c if k not in cols]
width = max([len('benchmark')] + [len(n) for n, _ in rows])
print('%-*s' % (width, 'benchmark') + ''.join('%14s' % c for c in cols))
for n, c in rows:
    cells = []
    for k in cols:
        v = c.get(k, '')
        cells.append('%14.2f' % v if isinstance(v, float) else '%14s' % v)
    print('%-*s' % (width, n) + ''.join(cells))
PY

# The Python module against numpy.loadtxt and the C++ iterator, on a corpus day file. The system
# interpreter: the Debian numpy and pybind11 the module was built with belong to it.
if [ -n "$python_targets" ]; then
    python=python3
    [ -x /usr/bin/python3 ] && python=/usr/bin/python3
    echo
    "$python" bench/python_obs_bench.py --build "$BUILD"
fi
