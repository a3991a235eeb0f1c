#!/usr/bin/env python3
"""`vyr plot` end to end: each picture is parsed as XML and its rows, bars, ticks and marks are
checked against what `vyr obs` and `vyr results` print of the same project.

plot_svg_test.py --vyr PATH --samples DIR [unittest arguments]
"""
import argparse
import csv
import datetime
import io
import os
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import synthetic_rinex  # noqa: E402

SVG = '{http://www.w3.org/2000/svg}'
VYR = None
SAMPLES = None


def run(*args, status=0):
    done = subprocess.run([VYR] + [str(a) for a in args], capture_output=True, text=True)
    if done.returncode != status:
        raise AssertionError('vyr %s: exit %d, expected %d\n%s' %
                             (' '.join(map(str, args)), done.returncode, status, done.stderr))
    return done


def obs_rows(project, station, *filters):
    return list(csv.DictReader(io.StringIO(run('obs', project, station, '--csv', *filters).stdout)))


def first_last(rows):
    """Satellite -> (first, last) epoch time text, and the set of epochs, as `vyr obs` lists."""
    spans = {}
    for r in rows:
        a, b = spans.get(r['sat'], (r['time'], r['time']))
        spans[r['sat']] = (min(a, r['time']), max(b, r['time']))
    return spans


def groups(svg):
    return {g.get('data-sat'): g for g in svg.iter(SVG + 'g') if g.get('class') == 'sat'}


def bars(group):
    return [(r.get('data-from'), r.get('data-to')) for r in group.iter(SVG + 'rect')
            if r.get('class') == 'bar']


def subpaths(d):
    """'M1 2h3v10h-3zM...' or 'M1 2v14M...' as lists of their numbers."""
    out = []
    for piece in d.split('M')[1:]:
        numbers, word = [], ''
        for c in piece + ' ':
            if c in '.0123456789':
                word += c
            else:
                if word:
                    numbers.append(float(word))
                word = '-' if c == '-' else ''
        out.append(numbers)
    return out


class PlotCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def plot(self, *args):
        out = self.path('plot.svg')
        run('plot', *args, '-o', out)
        return ET.parse(out).getroot()

    def check_axis(self, svg):
        ticks = [t for t in svg.iter(SVG + 'text') if t.get('class') == 'tick' and t.get('data-time')]
        self.assertGreaterEqual(len(ticks), 2)
        for t in ticks:
            # Round times only: whole seconds at least, labels the time of day shown.
            self.assertTrue(t.get('data-time').endswith('.000'), t.get('data-time'))
            self.assertIn(t.text, (t.get('data-time')[11:16], t.get('data-time')[11:19],
                                   t.get('data-time')[:10]))
        xs = [float(t.get('x')) for t in ticks]
        self.assertEqual(xs, sorted(xs))


class SamplePlots(PlotCase):
    def setUp(self):
        super().setUp()
        self.project = self.path('p.vyr')
        run('import', self.project, os.path.join(SAMPLES, 'vyra0020.21o'),
            os.path.join(SAMPLES, 'VYRB00XXX_R_20210021200_06M_30S_MO.rnx'))

    def test_rows_and_bars_are_the_satellites_and_spans_obs_lists(self):
        for station in ('VYRA', 'VYRB'):
            svg = self.plot(self.project, station, 'availability')
            self.check_axis(svg)
            spans = first_last(obs_rows(self.project, station))
            found = groups(svg)
            self.assertEqual(list(found), sorted(spans, key=lambda s: ('GRES'.index(s[0]), s)))
            for sat, (first, last) in spans.items():
                self.assertEqual(bars(found[sat]), [(first, last)], station + ' ' + sat)

    def test_a_window_makes_two_bars(self):
        run('windows', self.project, 'VYRB', 'add', '2021-01-02T12:02:00', '2021-01-02T12:03:00')
        svg = self.plot(self.project, 'VYRB', 'availability', '--windows')
        self.assertEqual(bars(groups(svg)['G05']),
                         [('2021-01-02T12:00:00.000', '2021-01-02T12:01:30.000'),
                          ('2021-01-02T12:03:30.000', '2021-01-02T12:05:30.000')])

    def test_filters_as_obs_takes_them(self):
        svg = self.plot(self.project, 'VYRB', 'availability', '--only-system', 'G',
                        '--from', '2021-01-02T12:01:00', '--exclude-sat', 'G07')
        self.assertEqual(list(groups(svg)), ['G05'])
        self.assertEqual(bars(groups(svg)['G05']),
                         [('2021-01-02T12:01:00.000', '2021-01-02T12:05:30.000')])

    def test_strength_rows_are_the_satellites_with_a_strength_on_the_band(self):
        rows = obs_rows(self.project, 'VYRB')
        # L1 signals: types 1 (C/A), 2 (P) and 9 (E1) with the quality bit.
        with_l1 = {r['sat'] for r in rows if r['type'] in ('1', '2', '9')
                   and int(r['flags'], 16) & 8}
        svg = self.plot(self.project, 'VYRB', 'snr', '--band', 'L1')
        self.assertEqual(set(groups(svg)), with_l1)
        for g in groups(svg).values():
            self.assertTrue(all(p.get('class') == 'strength' for p in g.iter(SVG + 'path')))

    def test_residuals_lines_follow_the_stored_values(self):
        key = run('assoc', self.project, 'add', 'VYRA', '--reference', 'VYRB').stdout.strip()
        rows = ['time,sat,value']
        for i in range(12):
            if i in (4, 5):  # a gap of a minute breaks G05's line
                continue
            rows.append('2021-01-02T12:%02d:%02d,G05,%.3f' % (i // 2, 30 * (i % 2), 0.01 * i))
        rows.insert(2, '2021-01-02T12:00:00,R03,0.5')
        with open(self.path('r.csv'), 'w') as f:
            f.write('\n'.join(rows) + '\n')
        run('results', self.project, key, 'add', 'residuals', '--type', 'L1Code', self.path('r.csv'))
        svg = self.plot(self.project, 'VYRA', 'residuals', key, '--type', 'L1Code')
        self.check_axis(svg)
        g = groups(svg)
        lines = [(p.get('data-from'), p.get('data-to'), len(p.get('points').split()))
                 for p in g['G05'] if p.tag == SVG + 'polyline']
        self.assertEqual(lines, [('2021-01-02T12:00:00.000', '2021-01-02T12:01:30.000', 4),
                                 ('2021-01-02T12:03:00.000', '2021-01-02T12:05:30.000', 6)])
        # A lone value is a dot.
        self.assertEqual([c.get('data-from') for c in g['R03'] if c.tag == SVG + 'circle'],
                         ['2021-01-02T12:00:00.000'])
        # The largest value, 0.11, lies within the value axis and above zero.
        values = [float(t.get('data-value')) for t in svg.iter(SVG + 'text')
                  if t.get('class') == 'tick' and t.get('data-value')]
        self.assertGreaterEqual(max(values), 0.11)
        self.assertEqual(min(values), -max(values))
        run('plot', self.project, 'VYRA', 'residuals', key, '--type', 'L1Code',
            '--exclude-system', 'G', '-o', self.path('r.svg'))
        self.assertEqual(list(groups(ET.parse(self.path('r.svg')).getroot())), ['R03'])

    def test_bad_requests_are_refused_in_words(self):
        cases = [
            (['VYRB', 'pie'], 2, 'KIND'),
            (['VYRB', 'residuals', '--type', 'L1Code'], 2, 'association'),
            (['VYRB', 'availability', 'X'], 2, 'takes no association'),
            (['VYRB', 'snr', '--band', 'L9'], 2, "not a band: 'L9'"),
            (['VYRB', 'availability', '--from', '2022-01-01'], 1, 'no epochs of VYRB'),
            (['NOPE', 'availability'], 1, 'no station NOPE'),
        ]
        for args, status, text in cases:
            done = run('plot', self.project, *args, '-o', self.path('x.svg'), status=status)
            self.assertIn(text, done.stderr, args)
            self.assertFalse(os.path.exists(self.path('x.svg')), args)
        done = run('plot', self.project, 'VYRB', 'availability', '-o',
                   self.path('missing/x.svg'), status=1)
        self.assertIn(self.path('missing/x.svg') + ': cannot write', done.stderr)


class MadePlots(PlotCase):
    """Small stations made for one feature each: gaps, losses of lock, strength steps."""

    def make(self, satellites, epochs, observed, lli=lambda s, i: False, snr=lambda s, i: 45.0):
        rinex, project = self.path('s.rnx'), self.path('s.vyr')
        synthetic_rinex.write(rinex, satellites, epochs, observed, lli, snr,
                              start=datetime.datetime(2021, 1, 2, 10, 0, 0))
        run('import', project, rinex)
        return project

    @staticmethod
    def time(i):
        t = datetime.datetime(2021, 1, 2, 10, 0, 0) + datetime.timedelta(seconds=30 * i)
        return t.strftime('%Y-%m-%dT%H:%M:%S.000')

    def test_gaps_break_bars_and_losses_of_lock_are_ticks_at_their_epochs(self):
        # G01 always; G02 misses epochs 10 to 14; E05 misses only epoch 20 (one missing epoch
        # is a gap at 30-second data); R03 seen at one epoch alone.
        seen = {'G01': lambda i: True, 'G02': lambda i: not 10 <= i < 15,
                'E05': lambda i: i != 20, 'R03': lambda i: i == 7}
        marks = {('G01', 3), ('G01', 30), ('E05', 21)}
        project = self.make(list(seen), 40, lambda s, i: seen[s](i), lambda s, i: (s, i) in marks)
        svg = self.plot(project, 'SYNT', 'availability')
        g = groups(svg)
        self.assertEqual(list(g), ['G01', 'G02', 'R03', 'E05'])
        t = self.time
        self.assertEqual(bars(g['G01']), [(t(0), t(39))])
        self.assertEqual(bars(g['G02']), [(t(0), t(9)), (t(15), t(39))])
        self.assertEqual(bars(g['E05']), [(t(0), t(19)), (t(21), t(39))])
        self.assertEqual(bars(g['R03']), [(t(7), t(7))])
        # Ticks: as many as marks, each at its epoch's x (the x of a bar's start at epoch 0 and
        # its end at epoch 39 give the scale).
        bar = next(r for r in g['G01'].iter(SVG + 'rect'))
        x0, width = float(bar.get('x')), float(bar.get('width'))
        for sat in seen:
            expected = sorted(i for s, i in marks if s == sat)
            paths = [p for p in g[sat].iter(SVG + 'path') if p.get('class') == 'loss-of-lock']
            if not expected:
                self.assertEqual(paths, [], sat)
                continue
            self.assertEqual(int(paths[0].get('data-count')), len(expected))
            xs = [p[0] for p in subpaths(paths[0].get('d'))]
            for x, i in zip(xs, expected):
                self.assertAlmostEqual(x, x0 + width * i / 39, delta=0.11, msg=sat)

    def test_strength_classes_follow_the_values(self):
        # G01 at 33 dB-Hz for 20 epochs, then 47; a missing epoch at 30 breaks the strip.
        project = self.make(['G01'], 40, lambda s, i: i != 30, snr=lambda s, i: 33.0 if i < 20 else 47.0)
        svg = self.plot(project, 'SYNT', 'snr')
        paths = {p.get('data-class'): subpaths(p.get('d')) for p in groups(svg)['G01'].iter(SVG + 'path')}
        self.assertEqual(sorted(paths), ['30-35', '45-50'])
        self.assertEqual(len(paths['30-35']), 1)
        self.assertEqual(len(paths['45-50']), 2)
        # The weak strip reaches the strong one; the strong one breaks at the missing epoch.
        weak, strong = paths['30-35'][0], paths['45-50']
        self.assertAlmostEqual(weak[0] + weak[2], strong[0][0], delta=0.11)
        self.assertLess(strong[0][0] + strong[0][2], strong[1][0])

    def test_a_day_of_sixty_satellites_stays_small(self):
        rinex, project = self.path('day.rnx'), self.path('day.vyr')
        subprocess.run([sys.executable, synthetic_rinex.__file__, rinex, '24', '60'], check=True)
        run('import', project, rinex)
        for kind in ('availability', 'snr'):
            out = self.path(kind + '.svg')
            run('plot', project, 'SYNT', kind, '-o', out)
            svg = ET.parse(out).getroot()
            self.assertEqual(len(groups(svg)), 60)
            # 2880 epochs of 60 satellites are 86400 observations: the picture holds a few
            # elements per pass, not one per observation.
            self.assertLess(sum(1 for _ in svg.iter()), 3000, kind)
            self.assertLess(os.path.getsize(out), 1_500_000, kind)


def main():
    global VYR, SAMPLES
    parser = argparse.ArgumentParser()
    parser.add_argument('--vyr', required=True)
    parser.add_argument('--samples', required=True)
    options, rest = parser.parse_known_args()
    VYR, SAMPLES = options.vyr, options.samples
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    main()
