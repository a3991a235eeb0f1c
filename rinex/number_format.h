// Fixed-point and integer fields of RINEX lines, written without printf: an observation file
// holds millions of F14.3 values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rnx {

// Writes value right-justified in width columns with decimals digits after the point (0 to
// 15), rounded as printf's "%*.*f" rounds: to the nearest, ties (exact binary halves) to even,
// "-0.000" for a negative value that rounds to zero. False when the value is not finite, has
// 2^52 or more units of its last digit, or does not fit width; out is then untouched.
bool format_fixed(char* out, int width, int decimals, double value);

// Writes value right-justified in width columns, with at least min_digits digits (leading
// zeros, as Fortran's Iw.m). False when it does not fit; out is then untouched.
bool format_int(char* out, int width, int64_t value, int min_digits = 1);

}  // namespace rnx
