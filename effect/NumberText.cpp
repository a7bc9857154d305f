#include "effect/NumberText.h"

#include <cmath>

namespace {

constexpr int kFieldWidth = kNumberTextBytes - 1;

// The field holds the integer digits, the point and, for negative values, the
// sign: 7 integer digits, 6 with a sign. Values needing more give " Huge!  ".
// (A looser bound of 99999999 / 9999999 would let the leading digits drop off
// silently, so that 12345678 read as "2345678.", which misleads worse than
// saying the value is too big.)
constexpr double kPositiveIntegerDigitsEnd = 10000000.0;
constexpr double kNegativeIntegerDigitsEnd = 1000000.0;

char digitOf(double value)
{
  // value >= 0 here; fmod keeps it below 10, so the digit is 0..9.
  return static_cast<char>('0' + static_cast<int>(std::fmod(value, 10.0)));
}

}  // namespace

void writeNumberText(float value, char* text)
{
  double v = value;
  if (std::isnan(v)) {
    writeFieldText(text, kNotANumberText);
    return;
  }
  const bool negative = v < 0.0;
  int count = 0;  // characters taken so far
  double integerDigitsEnd = kPositiveIntegerDigitsEnd;
  if (negative) {
    v = -v;
    count = 1;
    integerDigitsEnd = kNegativeIntegerDigitsEnd;
  }
  if (v >= integerDigitsEnd) {  // infinities included
    writeFieldText(text, kHugeText);
    return;
  }

  // Integer part, produced from the units digit leftwards.
  char integerDigits[kFieldWidth];
  int integerDigitCount = 0;
  const double n = std::floor(v);
  integerDigits[integerDigitCount++] = digitOf(n);
  count += 2;  // the units digit and the point
  double m = n * 0.1;
  while (m >= 1.0 && count < kFieldWidth) {
    integerDigits[integerDigitCount++] = digitOf(m);
    ++count;
    m *= 0.1;
  }

  int position = 0;
  if (negative) {
    text[position++] = '-';
  }
  while (integerDigitCount > 0) {
    text[position++] = integerDigits[--integerDigitCount];
  }
  text[position++] = '.';

  // Fraction: the remaining places, filled from the right, truncated.
  if (count < kFieldWidth) {
    const int places = kFieldWidth - count;
    double f = std::fmod(v, 1.0) * std::pow(10.0, places);
    for (int place = places - 1; place >= 0; --place) {
      if (f > 0.0) {
        text[position + place] = digitOf(f);
        f *= 0.1;
      } else {
        text[position + place] = '0';
      }
    }
    position += places;
  }
  text[position] = '\0';
}

void writeFieldText(char* text, const char* source)
{
  int length = 0;
  while (length < kFieldWidth && source[length] != '\0') {
    text[length] = source[length];
    ++length;
  }
  text[length] = '\0';
}
