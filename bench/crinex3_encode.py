#!/usr/bin/env python3
"""Writes a RINEX 3 observation file (argv[1]) in compact RINEX 3.0 form (argv[2]) for the
compressed-import benchmark: values as first differences ("1&value" to start an arc), epoch lines
and flags as text differences."""
import sys


def text_diff(old, new):
    out = []
    for i in range(max(len(old), len(new))):
        o = old[i] if i < len(old) else ' '
        n = new[i] if i < len(new) else ' '
        out.append(' ' if n == o else ('&' if n == ' ' else n))
    return ''.join(out).rstrip(' ')


def apply_diff(ref, diff):
    ref = list(ref.ljust(len(diff)))
    for i, c in enumerate(diff):
        if c != ' ':
            ref[i] = ' ' if c == '&' else c
    return ''.join(ref)


def thousandths(text):
    text = text.strip()
    if not text:
        return None
    whole, _, frac = text.partition('.')
    return int((whole or '0').replace('-', '') + frac.ljust(3, '0')[:3]) * (-1 if text.startswith('-') else 1)


def main(src, dst):
    lines = open(src, encoding='latin-1').read().split('\n')
    if lines and lines[-1] == '':
        lines.pop()
    out = ['3.0                 COMPACT RINEX FORMAT'.ljust(60) + 'CRINEX VERS   / TYPE',
           'crinex3_encode.py                       01-Jan-24 00:00'.ljust(60) + 'CRINEX PROG / DATE']
    types = {}
    i = 0
    while i < len(lines):
        line = lines[i].rstrip('\r')
        out.append(line)
        i += 1
        label = line[60:].strip()
        if label == 'SYS / # / OBS TYPES' and line[0] != ' ':
            types[line[0]] = int(line[3:6])
        if label == 'END OF HEADER':
            break
    epoch_ref = ''
    clock = None  # last clock value, when the arc is open
    state = {}  # satellite -> (values, flags)
    while i < len(lines):
        line = lines[i].rstrip('\r')
        i += 1
        if not line.startswith('>'):
            continue  # nothing else belongs between epochs
        flag = line[31] if len(line) > 31 else '0'
        count = int(line[32:35])
        if flag in '2345':
            compact = line[:35].rstrip()
            out.append(text_diff(epoch_ref, compact) if epoch_ref else compact)
            epoch_ref = apply_diff(epoch_ref, text_diff(epoch_ref, compact)) if epoch_ref else compact
            out.extend(l.rstrip('\r') for l in lines[i:i + count])
            i += count
            continue
        data = [l.rstrip('\r') for l in lines[i:i + count]]
        i += count
        sats = [d[:3] for d in data]
        compact = line[:35].ljust(41) + ''.join(sats)
        out.append(text_diff(epoch_ref, compact) if epoch_ref else compact)
        epoch_ref = apply_diff(epoch_ref, text_diff(epoch_ref, compact)) if epoch_ref else compact
        offset = line[41:56].strip() if len(line) > 41 else ''
        if offset:
            whole, _, frac = offset.partition('.')
            v = int((whole.replace('-', '') or '0') + frac.ljust(12, '0')[:12]) * (-1 if offset.startswith('-') else 1)
            out.append('1&%d' % v if clock is None else '%d' % (v - clock))
            clock = v
        else:
            out.append('')
            clock = None
        new_state = {}
        for d in data:
            sat = d[:3]
            n = types[sat[0]]
            old_values, old_flags = state.get(sat, ([None] * n, ''))
            values, fields, flags = [], [], ''
            for k in range(n):
                field = d[3 + 16 * k:3 + 16 * k + 14]
                v = thousandths(field)
                values.append(v)
                if v is None:
                    fields.append('')
                    flags += '  '
                else:
                    fields.append('1&%d' % v if old_values[k] is None else '%d' % (v - old_values[k]))
                    flags += d[3 + 16 * k + 14:3 + 16 * k + 16].ljust(2)
            while fields and fields[-1] == '':
                fields.pop()
            diff = text_diff(old_flags, flags)
            text = ' '.join(fields)
            if diff:
                text += ' ' * (n - len(fields)) + ' ' + diff
            out.append(text)
            new_state[sat] = (values, apply_diff(old_flags, diff))
        state = new_state
    open(dst, 'w', encoding='latin-1').write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
