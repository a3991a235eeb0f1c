#!/usr/bin/env python3
"""RINEX 3.04 observation files made to order, for the plot tests and the plot benchmark.

Every satellite carries C1C, L1C and S1C. Who is observed when, where a loss of lock is marked
and how strong the signal is are functions of the satellite and the epoch index.
As a command: synthetic_rinex.py FILE [HOURS] [SATELLITES] writes HOURS (24) of 30-second data
of SATELLITES (60) satellites, each seen half the day in two passes.
"""
import datetime
import math
import sys

HEADER_TYPES = {'G': 'C1C L1C S1C', 'R': 'C1C L1C S1C', 'E': 'C1C L1C S1C'}


def _line(content, label):
    return '%-60s%s\n' % (content, label)


def write(path, satellites, epochs, observed, lli=lambda s, i: False, snr=lambda s, i: 45.0,
          start=datetime.datetime(2021, 1, 2, 0, 0, 0), interval=30, marker='SYNT'):
    """satellites: names such as G05; observed(sat, i), lli(sat, i), snr(sat, i) in dB-Hz."""
    with open(path, 'w') as out:
        out.write(_line('     3.04           OBSERVATION DATA    M', 'RINEX VERSION / TYPE'))
        out.write(_line('vyr test            vyr                 20210102 000000 UTC',
                        'PGM / RUN BY / DATE'))
        out.write(_line(marker, 'MARKER NAME'))
        out.write(_line('GEODETIC', 'MARKER TYPE'))
        out.write(_line('vyr                 vyr', 'OBSERVER / AGENCY'))
        out.write(_line('1                   VYR TEST            1.0', 'REC # / TYPE / VERS'))
        out.write(_line('1                   VYRANT          NONE', 'ANT # / TYPE'))
        out.write(_line('  4027900.1234   307050.5678  4919470.9012', 'APPROX POSITION XYZ'))
        out.write(_line('        0.0000        0.0000        0.0000', 'ANTENNA: DELTA H/E/N'))
        for system in sorted({s[0] for s in satellites}):
            out.write(_line('%s    3 %s' % (system, HEADER_TYPES[system]), 'SYS / # / OBS TYPES'))
        out.write(_line('DBHZ', 'SIGNAL STRENGTH UNIT'))
        out.write(_line('%10.3f' % interval, 'INTERVAL'))
        out.write(_line('  %4d    %2d    %2d    %2d    %2d   %10.7f     GPS' %
                        (start.year, start.month, start.day, start.hour, start.minute,
                         start.second), 'TIME OF FIRST OBS'))
        out.write(_line('', 'END OF HEADER'))
        for i in range(epochs):
            t = start + datetime.timedelta(seconds=interval * i)
            seen = [s for s in satellites if observed(s, i)]
            if not seen:
                continue
            out.write('> %4d %02d %02d %02d %02d%11.7f  0%3d\n' %
                      (t.year, t.month, t.day, t.hour, t.minute, t.second, len(seen)))
            for n, s in enumerate(seen):
                code = 20000000.0 + 1000.0 * n + 3.0 * i
                phase = code / 0.19029367
                mark = '1' if lli(s, i) else ' '
                out.write('%s%14.3f  %14.3f%s %14.3f  \n' % (s, code, phase, mark, snr(s, i)))


def day_satellites(count):
    names = ['G%02d' % n for n in range(1, 33)] + ['R%02d' % n for n in range(1, 25)]
    names += ['E%02d' % n for n in range(1, 37)]
    return names[:count]


def main():
    path = sys.argv[1]
    hours = float(sys.argv[2]) if len(sys.argv) > 2 else 24
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 60
    satellites = day_satellites(count)
    epochs = int(hours * 120)
    shift = {s: k * 97 for k, s in enumerate(satellites)}
    # Two passes a day of six hours each; the strength rises and falls over a pass.
    seen = lambda s, i: (i + shift[s]) % 1440 < 720
    lli = lambda s, i: (i + shift[s]) % 1440 in (0, 333)
    snr = lambda s, i: 30.0 + 20.0 * math.sin(math.pi * ((i + shift[s]) % 1440) / 720.0)
    write(path, satellites, epochs, seen, lli, snr)


if __name__ == '__main__':
    main()
