#pragma once

// The list file WaveShapes.txt: wave-file names, each followed by a semicolon,
// written one after another. Nothing is trimmed, so spaces and line breaks
// between semicolons belong to the names.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kShapeListFileName = "WaveShapes.txt";

// Lists are read up to this many bytes; entries that begin further in are
// ignored like text after the last semicolon. A list of this size already
// names far more shapes than the store takes.
inline constexpr std::size_t kMaxShapeListBytes = std::size_t{64} * 1024;

// At most this many shapes are loaded (the first ones in the list). Each shape
// costs one second of samples at the host's rate, and the " WaveShape " knob
// cannot pick among more in any useful way.
inline constexpr std::size_t kMaxShapes = 128;

struct ShapeListEntry {
  std::string fileName;     // the bytes before the semicolon, exactly
  std::string displayName;  // the file name without its last four characters
};

// Reads the list's text: its bytes up to the first zero byte, at most
// kMaxShapeListBytes of them. Empty optional when the file cannot be opened
// or read (a folder where the file should be counts as unreadable).
[[nodiscard]] std::optional<std::string> readShapeList(const std::string& path);

// Splits the text into the entries that end in a semicolon, in file order, at
// most `maxEntries` of them. An entry shorter than four characters has no
// extension to drop; it is named with the rest of the text from its start on.
[[nodiscard]] std::vector<ShapeListEntry> parseShapeList(std::string_view text, std::size_t maxEntries = kMaxShapes);

// The display names of the shapes the list in `folder`'s plug-in folder
// ("<folder>/Brasklin/WaveShapes.txt") holds, in list order; empty when the
// list cannot be read. For interfaces that show the names without loading
// the shapes.
[[nodiscard]] std::vector<std::string> shapeNamesInFolder(const std::string& folder);
