#include "shapes/ShapeList.h"
#include "tests/shapes/ShapeFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using shapetest::TempFolder;
using shapetest::writeBytes;
using testing::ElementsAre;

namespace {

std::vector<std::string> fileNames(const std::vector<ShapeListEntry>& entries)
{
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.fileName);
  return names;
}

std::vector<std::string> displayNames(const std::vector<ShapeListEntry>& entries)
{
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.displayName);
  return names;
}

}  // namespace

TEST(ShapeListTest, entriesEndInSemicolonsAndKeepEveryByte)
{
  // Nothing is trimmed: the line break and the space belong to the names.
  const auto entries = parseShapeList("Sine.wav;\nSaw.wav; Tri.wav;Ignored.wav");
  EXPECT_THAT(fileNames(entries), ElementsAre("Sine.wav", "\nSaw.wav", " Tri.wav"));
  EXPECT_THAT(displayNames(entries), ElementsAre("Sine", "\nSaw", " Tri"));
}

// robustness: shape list with ";;" => an empty entry between the semicolons; the entries around it are kept (loading it costs one table message, see the malformed-entries case)
TEST(ShapeListTest, doubleSemicolonGivesAnEmptyEntry)
{
  const auto entries = parseShapeList("A.wav;;B.wav;");
  EXPECT_THAT(fileNames(entries), ElementsAre("A.wav", "", "B.wav"));
}

// robustness: shape list entries shorter than four bytes ("ab;") => kept; displayed with the rest of the text from their start, nothing read before the entry
TEST(ShapeListTest, shortEntryIsNamedWithTheRestOfTheText)
{
  const auto entries = parseShapeList("ab;Long.wav;tail");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].fileName, "ab");
  EXPECT_EQ(entries[0].displayName, "ab;Long.wav;tail");
  EXPECT_EQ(entries[1].displayName, "Long");
  // Exactly four characters: the name is empty.
  EXPECT_EQ(parseShapeList(".wav;")[0].displayName, "");
}

// robustness: shape list without any semicolon => no shapes
TEST(ShapeListTest, textWithoutSemicolonNamesNothing)
{
  EXPECT_TRUE(parseShapeList("").empty());
  EXPECT_TRUE(parseShapeList("Sine.wav\nSaw.wav\n").empty());
}

// robustness: shape list of any length (thousands of entries) => the first 128 shapes are taken
TEST(ShapeListTest, onlyTheFirstEntriesUpToTheLimitAreTaken)
{
  std::string text;
  for (int i = 0; i < 300; ++i) text += "S" + std::to_string(i) + ".wav;";
  const auto entries = parseShapeList(text);
  ASSERT_EQ(entries.size(), kMaxShapes);
  EXPECT_EQ(entries.back().fileName, "S" + std::to_string(kMaxShapes - 1) + ".wav");
  EXPECT_EQ(parseShapeList(text, 3).size(), 3u);
}

// robustness: shape list with zero bytes => read up to the first zero byte; semicolons after it do not count
TEST(ShapeListTest, fileIsReadWhateverItsLengthUpToTheFirstZeroByte)
{
  TempFolder folder;
  std::string text;
  for (int i = 0; i < 40; ++i) text += std::string(60, 'n') + std::to_string(i) + ".wav;";  // well over 1000 bytes
  writeBytes(folder.path() / "long.txt", text);
  EXPECT_EQ(readShapeList((folder.path() / "long.txt").string()), text);

  writeBytes(folder.path() / "zero.txt", std::string("A.wav;B.wav;\0C.wav;", 19));
  EXPECT_EQ(readShapeList((folder.path() / "zero.txt").string()), "A.wav;B.wav;");

  writeBytes(folder.path() / "high.txt", "T\xe9l\xe9.wav;\xff\xfe.wav;");
  const auto high = parseShapeList(*readShapeList((folder.path() / "high.txt").string()));
  EXPECT_THAT(displayNames(high), ElementsAre("T\xe9l\xe9", "\xff\xfe"));
}

// robustness: shape list file of megabytes => read up to 64 KiB only
TEST(ShapeListTest, hugeFileIsCutAtTheReadLimit)
{
  TempFolder folder;
  writeBytes(folder.path() / "huge.txt", std::string(3 * kMaxShapeListBytes, ';'));
  const auto text = readShapeList((folder.path() / "huge.txt").string());
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->size(), kMaxShapeListBytes);
}

// robustness: a folder where WaveShapes.txt should be, or no list at all => reported as unreadable
TEST(ShapeListTest, missingFileOrFolderCannotBeRead)
{
  TempFolder folder;
  folder.makeFolder("WaveShapes.txt");
  EXPECT_FALSE(readShapeList((folder.path() / "absent.txt").string()).has_value());
  EXPECT_FALSE(readShapeList((folder.path() / "WaveShapes.txt").string()).has_value());
}
