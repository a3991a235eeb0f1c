#!/usr/bin/env python3
"""Writes cfb/upper_case_table.cpp: the simple upper-case mapping of every unit of the Basic
Multilingual Plane, taken from the C library's Unicode tables (the C.UTF-8 locale), as ranges
that share one offset. Sibling order in compound files compares names unit by unit in upper
case; a fixed table keeps that order the same on every machine, whatever locales it has.

Run from the repository root: python3 scripts/make_upper_case_table.py
"""
import ctypes
import ctypes.util
import sys

libc = ctypes.CDLL(ctypes.util.find_library("c"))
libc.newlocale.restype = ctypes.c_void_p
libc.newlocale.argtypes = [ctypes.c_int, ctypes.c_char_p, ctypes.c_void_p]
libc.towupper_l.restype = ctypes.c_uint
libc.towupper_l.argtypes = [ctypes.c_uint, ctypes.c_void_p]
LC_CTYPE_MASK = 1
locale = libc.newlocale(LC_CTYPE_MASK, b"C.UTF-8", None)
if not locale:
    sys.exit("the C.UTF-8 locale is missing")

# (first, last, stride, delta): every stride-th unit from first to last maps to unit + delta.
ranges = []
for unit in range(0x80, 0x10000):
    if 0xD800 <= unit <= 0xDFFF:
        continue
    upper = libc.towupper_l(unit, locale)
    if upper == unit or upper > 0xFFFF:
        continue
    delta = upper - unit
    if ranges:
        first, last, stride, last_delta = ranges[-1]
        step = unit - last
        if last_delta == delta and ((stride == 0 and step in (1, 2)) or step == stride):
            ranges[-1] = (first, unit, stride or step, delta)
            continue
    ranges.append((unit, unit, 0, delta))

rows = ",\n".join("    {0x%04X, 0x%04X, %d, %d}" % (f, l, max(s, 1), d) for f, l, s, d in ranges)
with open("cfb/upper_case_table.cpp", "w") as out:
    out.write(f"""// Written by scripts/make_upper_case_table.py; do not edit by hand.
// The simple upper-case mapping of the Basic Multilingual Plane beyond ASCII, as ranges of units
// that share one offset ({len(ranges)} ranges).
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "cfb/entry_name.h"

namespace cfb {{

namespace {{

struct UpperRange {{
    char16_t first;
    char16_t last;
    uint8_t stride;  // 1: every unit of the range; 2: every other one, from first
    int32_t delta;
}};

constexpr UpperRange kUpperRanges[] = {{
{rows}}};

}}  // namespace

char16_t upper_unit(char16_t c) {{
    if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c;
    const auto after = std::upper_bound(std::begin(kUpperRanges), std::end(kUpperRanges), c,
                                        [](char16_t unit, const UpperRange& r) {{ return unit < r.first; }});
    if (after == std::begin(kUpperRanges)) return c;
    const UpperRange& r = *std::prev(after);
    if (c > r.last || (c - r.first) % r.stride != 0) return c;
    return static_cast<char16_t>(c + r.delta);
}}

}}  // namespace cfb
""")
