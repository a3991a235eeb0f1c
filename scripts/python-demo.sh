#!/usr/bin/env bash
# The Python module on the bundled samples, as `make demo` shows it: a project made by the
# command, read back into numpy arrays. Says so and stops when the module was not built.
set -euo pipefail
build=${1:-build}
if ! ls "$build"/python/vyr*.so >/dev/null 2>&1; then
  echo "python: the module was not built (needs pybind11-dev, python3-dev, python3-numpy)"
  exit 0
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$build/cli/vyr" import "$folder/p.vyr" samples/vyra0020.21o \
  samples/VYRB00XXX_R_20210021200_06M_30S_MO.rnx >/dev/null
echo "\$ PYTHONPATH=$build/python python3 -c \"import vyr; ...\""
# The system interpreter: the Debian packages the module was built with belong to it.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
PYTHONPATH="$build/python" "$python" -c "
import vyr
with vyr.open('$folder/p.vyr') as project:
    for key, station in project.stations.items():
        obs = station.observations(exclude_systems='R')
        print(key, station.receiver, station.epochs, 'epochs', station.first, 'to', station.last,
              len(obs), 'signals without GLONASS, mean C/N0',
              round(float(obs['quality'][obs['quality'] > 0].mean()) / 20, 1), 'dB-Hz')
"
