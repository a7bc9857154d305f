// Text between the effect's UTF-8 strings and VST 3's UTF-16 ones (char16_t,
// never wchar_t, which is four bytes on Linux).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Writes `text` (UTF-8) into `out` as UTF-16 of at most `capacity` units, the
// terminator included, cut before a character that would not fit whole (a
// surrogate pair is never split). A malformed byte becomes U+FFFD.
void writeUtf16(std::string_view text, char16_t* out, std::size_t capacity);

// The UTF-8 form of the terminated UTF-16 `text`, reading at most
// `capacity` units; unpaired surrogates become U+FFFD.
std::string utf8From(const char16_t* text, std::size_t capacity);
