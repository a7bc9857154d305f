// The eight-character number text that four parameter displays use ("0.500000",
// "-0.25000", " Huge!  "), written without rounding: the digits are cut, not
// rounded, so a display never shows a value the parameter does not hold.
// Hosts give display buffers of at least kNumberTextBytes bytes.
#pragma once

// Text for values whose integer part does not fit in the field.
inline constexpr char kHugeText[] = " Huge!  ";
// Text for a value that is not a number.
inline constexpr char kNotANumberText[] = "  NaN   ";
// Bytes the text takes: 8 characters and the terminating zero.
inline constexpr int kNumberTextBytes = 9;

// Writes `value` into `text` (kNumberTextBytes bytes): the sign, the integer
// digits, the point and as many truncated fraction digits as fill 8 characters.
void writeNumberText(float value, char* text);

// Copies `source` into `text` (kNumberTextBytes bytes): at most the field's 8
// characters, always terminated.
void writeFieldText(char* text, const char* source);
