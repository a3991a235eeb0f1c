#!/bin/sh
# How fast `vyr import` stores a day of multi-GNSS navigation and a week of SP3 orbits, next to a
# plain read of the same bytes, in one run (files warm in the page cache). The navigation file is
# the largest mixed one of ../shared/corpus; the week of SP3 is the corpus's daily SP3 file with
# its epochs repeated on the six following days. Prints records/s and MB/s of each step.
# BUILD_BENCH names the Release build folder (build-bench by default); RUNS the repetitions
# (best run counts, 5 by default).
set -eu
cd "$(dirname "$0")/.."
. bench/corpus.sh
RUNS=${RUNS:-5}
build_targets vyr_cli

nav=$(largest rinex3-nav-mixed)
sp3_day=$(largest sp3d)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seven days: the header, the day's epochs, then the same epochs dated one to six days later.
week="$work/week.sp3"
sed '/^\*/,$d' "$sp3_day" >"$week"
for day in 0 1 2 3 4 5 6; do
    sed -n '/^\*/,$p' "$sp3_day" | grep -v '^EOF' | python3 -c '
import datetime, sys
shift = datetime.timedelta(days=int(sys.argv[1]))
for line in sys.stdin:
    if line.startswith("*"):
        y, mo, d, h, mi = (int(v) for v in line[1:].split()[:5])
        t = datetime.datetime(y, mo, d, h, mi) + shift
        line = "*  %4d %2d %2d %2d %2d%s" % (t.year, t.month, t.day, t.hour, t.minute, line[19:])
    sys.stdout.write(line)' "$day" >>"$week"
done
echo EOF >>"$week"

python3 - "$RUNS" "$work" "$BUILD/cli/vyr" "$nav" "$week" <<'PY'
import os, re, subprocess, sys, time
runs, work, vyr, files = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4:]

def best(action):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        action()
        times.append(time.perf_counter() - start)
    return min(times)

def plain_read(path):
    with open(path, 'rb') as f:
        while f.read(1 << 16):
            pass

project = os.path.join(work, 'p.vyr')
def fresh_import(path):
    if os.path.exists(project):
        os.remove(project)
    return subprocess.run([vyr, 'import', project, path], capture_output=True, text=True,
                          check=True).stdout

print('%-34s %10s %12s %10s %14s' % ('file', 'MB', 'records', 'MB/s', 'records/s'))
for path in files:
    plain_read(path)  # into the page cache
    records = sum(int(n) for n in re.findall(r': (\d+) added', fresh_import(path)))
    mb = os.path.getsize(path) / 1e6
    t_plain = best(lambda: plain_read(path))
    t_import = best(lambda: fresh_import(path))
    name = os.path.basename(path)[:34]
    print('%-34s %10.1f %12d %10.1f %14.0f   plain read' % (name, mb, records, mb / t_plain, records / t_plain))
    print('%-34s %10.1f %12d %10.1f %14.0f   vyr import (%.0fx the plain read time)' %
          (name, mb, records, mb / t_import, records / t_import, t_import / t_plain))
PY
