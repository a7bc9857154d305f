#pragma once

// Base-2 logarithm and power computed with + - * / and exact scalings only.
// The C library's log2 and exp2 may differ in the last bit between the
// platforms we build for, and a pitch decision taken on such a bit (which
// note of a scale is nearest, whether a gate opens) would then give different
// samples on Linux and Windows; these give the same bits everywhere.
//
// Both are accurate to a few units in the last place of a double, far below
// anything a pitch or level decision could hear.
//
// Threads: pure functions, any thread.

// log2(x) for finite x > 0; -1e300 for x <= 0 or NaN, +1e300 for +infinity,
// so a caller comparing positions never sees a NaN.
double portableLog2(double x);

// 2^x; x is clamped to -1000 .. 1000 (NaN gives 1), beyond which the result
// would only underflow to 0 or overflow to infinity.
double portableExp2(double x);
