// Fuzzes the wave-shape list: reading WaveShapes.txt from disk and splitting
// its text into entries. Beyond the sanitizers' checks it verifies, with a
// walk of its own over the bytes, that the entries are exactly the
// semicolon-terminated pieces of the text, in order, that no byte is lost or
// invented, and that the display names are the file names without their
// extension.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shapes/ShapeList.h"
#include "tests/fuzz/FuzzTempFile.h"

using fuzzing::fail;

namespace {

void checkEntries(std::string_view text, std::size_t maxEntries)
{
  const auto entries = parseShapeList(text, maxEntries);
  if (entries.size() > maxEntries) fail("more entries than asked for");
  std::size_t position = 0;
  for (const ShapeListEntry& entry : entries) {
    const std::size_t end = text.find(';', position);
    if (end == std::string_view::npos) fail("an entry without its semicolon");
    const std::string_view piece = text.substr(position, end - position);
    if (entry.fileName != piece) fail("file name is not the text before the semicolon");
    // A name of four bytes or more loses its last four; a shorter one has no
    // extension and keeps the rest of the text from its start on.
    const std::string_view expectedDisplay =
        piece.size() >= 4 ? piece.substr(0, piece.size() - 4) : text.substr(position);
    if (entry.displayName != expectedDisplay) fail("display name does not match its file name");
    position = end + 1;
  }
  // Fewer entries than allowed means the text held no further semicolon.
  if (entries.size() < maxEntries && text.find(';', position) != std::string_view::npos)
    fail("a semicolon-terminated entry was dropped");
}

}  // namespace

// robustness: arbitrary bytes as WaveShapes.txt, from memory and from a file (libFuzzer) => entries are exactly the semicolon-terminated pieces in order, the text ends at the first zero byte; no read outside the text (ASan)
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Straight from memory, with the loader's bound and with small bounds that
  // the fuzzer can reach.
  checkEntries(bytes, kMaxShapes);
  if (size > 0) checkEntries(bytes, data[0] % 8);

  // Through a file: the text ends at the first zero byte and at the size bound.
  fuzzing::FuzzTempFile::write(data, size);
  const auto read = readShapeList(fuzzing::FuzzTempFile::path());
  if (!read) fail("a readable list file was refused");
  std::string_view expected = bytes.substr(0, std::min(bytes.find('\0'), kMaxShapeListBytes));
  if (*read != expected) fail("the list text read is not the file's bytes before the first zero");
  checkEntries(*read, kMaxShapes);
  return 0;
}
