#include "shapes/ShapeList.h"

#include "shapes/PluginFolder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <utility>

namespace {

// Display names drop the extension: a dot and three letters.
constexpr std::size_t kExtensionLength = 4;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::optional<std::string> readShapeList(const std::string& path)
{
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;

  // Read in chunks rather than trusting the size the file reports: folders
  // and special files report sizes that have nothing to do with their bytes.
  std::string text;
  std::array<char, 4096> chunk{};
  while (text.size() < kMaxShapeListBytes) {
    const std::size_t wanted = std::min(chunk.size(), kMaxShapeListBytes - text.size());
    const std::size_t got = std::fread(chunk.data(), 1, wanted, file.get());
    text.append(chunk.data(), got);
    if (got < wanted) break;
  }
  if (std::ferror(file.get())) return std::nullopt;

  // The text ends at the first zero byte; semicolons after it do not count.
  if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

std::vector<ShapeListEntry> parseShapeList(std::string_view text, std::size_t maxEntries)
{
  std::vector<ShapeListEntry> entries;
  std::size_t start = 0;
  for (std::size_t p = text.find(';'); p != std::string_view::npos && entries.size() < maxEntries;
       p = text.find(';', start)) {
    ShapeListEntry entry;
    entry.fileName.assign(text.substr(start, p - start));
    const std::size_t nameLength = p - start;
    entry.displayName.assign(nameLength >= kExtensionLength ? text.substr(start, nameLength - kExtensionLength)
                                                            : text.substr(start));
    entries.push_back(std::move(entry));
    start = p + 1;
  }
  return entries;
}

std::vector<std::string> shapeNamesInFolder(const std::string& folder)
{
  std::string path = folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  path.append(kPluginFolderName).append("/").append(kShapeListFileName);
  const std::optional<std::string> text = readShapeList(path);
  std::vector<std::string> names;
  if (!text) return names;
  for (ShapeListEntry& entry : parseShapeList(*text)) names.push_back(std::move(entry.displayName));
  return names;
}
