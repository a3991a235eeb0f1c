#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the interop peers need. As root it
# installs what is missing; otherwise it prints the exact command to run.
set -euo pipefail

packages=(
  cmake ninja-build g++ make                       # build
  googletest libgtest-dev libgmock-dev             # unit tests
  libbenchmark-dev                                 # benchmarks
  zlib1g-dev                                       # CRC-32
  libarchive-dev                                   # compressed input
  ncompress bzip2 xz-utils zip                     # tests of compressed input: .Z, .bz2, .xz, .zip
  libcli11-dev nlohmann-json3-dev                  # the vyr command: arguments, --json
  clang libclang-rt-14-dev clang-format            # fuzz targets, sanitizers, formatting
  python3 python3-olefile libgsf-bin 7zip libolecf-utils  # interop peers reading our files
  rtklib                                           # convbin: the import benchmark's peer
  pybind11-dev python3-dev python3-numpy           # the Python module
  pkgconf binutils                                 # the installed tree's tests: pkg-config, nm
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "missing packages; run: sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
