#!/bin/sh
# The pictures of docs/pictures: the bundled samples imported into a temporary project, made-up
# residuals stored for an association of its two stations, a satellite window, and one `vyr plot`
# of each kind.
# Usage: scripts/docs_pictures.sh VYR OUTPUT_FOLDER
set -eu
vyr=$1
out=$2
samples="$(cd "$(dirname "$0")/../samples" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
"$vyr" import "$work/p.vyr" "$samples/vyra0020.21o" "$samples/VYRB00XXX_R_20210021200_06M_30S_MO.rnx" >/dev/null
key=$("$vyr" assoc "$work/p.vyr" add VYRA --reference VYRB)
# Residuals of every satellite VYRA observed, a slow wave of its own per satellite: made up, as
# the samples are, so that the picture shows what a kernel's results would look like.
"$vyr" obs "$work/p.vyr" VYRA --csv | python3 -c '
import csv, math, sys
rows = sorted({(r["time"], r["sat"]) for r in csv.DictReader(sys.stdin)})
print("time,sat,value")
for time, sat in rows:
    k = int(sat[1:]) + "GRES".index(sat[0]) * 7
    s = int(time[14:16]) * 60 + int(time[17:19])
    print("%s,%s,%.4f" % (time, sat, 0.8 * math.sin(s / 60.0 + k) + 0.1 * (k % 3 - 1)))
' >"$work/r.csv"
"$vyr" results "$work/p.vyr" "$key" add residuals --type L1Code "$work/r.csv" >/dev/null
# A satellite window, so that the availability picture shows a gap (the samples hold no loss of
# lock, so it shows no tick).
"$vyr" windows "$work/p.vyr" VYRA add 2021-01-02T12:03:00 2021-01-02T12:05:00 --sat G13
"$vyr" plot "$work/p.vyr" VYRA availability --windows -o "$out/availability.svg"
"$vyr" plot "$work/p.vyr" VYRA snr --band L1 -o "$out/snr.svg"
"$vyr" plot "$work/p.vyr" VYRA residuals "$key" --type L1Code -o "$out/residuals.svg"
echo "$out: availability.svg snr.svg residuals.svg"
