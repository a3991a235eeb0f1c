#!/bin/sh
# `vyr import` of compressed and compact observation files against the plain file they stand
# for, in one run: york0440.15o (version 2) with its compact form york0440.15d, gzip of both, a
# .Z of the compact one, bzip2 and xz of the plain one; and OB712480.23O (version 3) with a
# compact form made here by bench/crinex3_encode.py, plain and gzip'd. Prints the best time of
# RUNS runs (3 by default) of each, its ratio to the plain file's import (target: compact at
# most 2x) and the epochs imported, which must be the plain file's. BUILD_BENCH names the
# Release build folder (build-bench by default).
set -eu
cd "$(dirname "$0")/.."
. bench/corpus.sh
RUNS=${RUNS:-3}
for tool in gzip bzip2 xz compress python3; do
    command -v $tool >/dev/null || { echo "$tool missing (see scripts/install-deps.sh)" >&2; exit 1; }
done
build_targets vyr_cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$CORPUS/rinex2-obs/york0440.15o" "$CORPUS/crinex/york0440.15d" "$CORPUS/rinex3-obs/OB712480.23O" "$work/"
cd "$work"
gzip -k york0440.15o
gzip -k york0440.15d
compress -c york0440.15d >york0440.15d.Z
bzip2 -k york0440.15o
xz -k york0440.15o
python3 "$OLDPWD/bench/crinex3_encode.py" OB712480.23O OB712480.crx
gzip -k OB712480.23O
gzip -k OB712480.crx
cd "$OLDPWD"

best_time() {
    python3 - "$RUNS" "$work" "$@" <<'PY'
import os, re, subprocess, sys, time
runs, work, command = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
best = None
for _ in range(runs):
    if os.path.exists(os.path.join(work, 'p.vyr')): os.remove(os.path.join(work, 'p.vyr'))
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if done.returncode != 0: sys.exit('failed: %s: %s' % (' '.join(command), done.stderr.decode()))
    best = elapsed if best is None else min(best, elapsed)
epochs = re.search(r': (\d+) epochs', done.stdout.decode())
print(best, epochs.group(1) if epochs else 0)
PY
}

echo "commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, best of $RUNS"
printf '%-22s %10s %10s %14s %8s\n' file MB seconds 'time / plain' epochs
row() {  # file, plain time, plain epochs
    set -- "$1" "${2:-}" "${3:-}" $(best_time "$BUILD/cli/vyr" import "$work/p.vyr" "$work/$1")
    python3 -c "import os,sys; print('%-22s %10.2f %10.3f %14.2f %8s' % (sys.argv[1], os.path.getsize(sys.argv[2]) / 1e6, float(sys.argv[3]), float(sys.argv[3]) / float(sys.argv[4]), sys.argv[5]))" \
        "$1" "$work/$1" "$4" "${2:-$4}" "$5"
    if [ -n "$3" ] && [ "$3" != "$5" ]; then
        echo "$1 gave $5 epochs, its plain form $3" >&2
        exit 1
    fi
    last=$4
    epochs=$5
}
cat "$work"/* >/dev/null  # into the page cache
row york0440.15o; plain=$last; count=$epochs
for f in york0440.15d york0440.15o.gz york0440.15d.gz york0440.15d.Z york0440.15o.bz2 york0440.15o.xz; do
    row $f "$plain" "$count"
done
row OB712480.23O; plain=$last; count=$epochs
for f in OB712480.crx OB712480.23O.gz OB712480.crx.gz; do row $f "$plain" "$count"; done
