#include "platform/fake/FakePlatformServices.h"
#include "shapes/ShapeList.h"
#include "shapes/WaveFile.h"
#include "shapes/WaveShapeTable.h"
#include "tests/shapes/ShapeFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using shapetest::TempFolder;
using shapetest::writeBytes;
using shapetest::writeWave;
using testing::ElementsAre;

namespace {

// A cycle at one constant level, so each shape's table is recognisable.
std::vector<std::int16_t> level(std::int16_t value) { return std::vector<std::int16_t>(kFileCycleLength, value); }

float entryFor(std::int16_t sample) { return static_cast<float>(sample / 32767.0); }

class LoadWaveShapesTest : public testing::Test {
protected:
  LoadWaveShapesTest()
  {
    services.registryPath = (temp.path() / "vst").string();
    services.fallback = (temp.path() / "fallback").string();
    shapeFolder = temp.makeFolder("vst/Brasklin");
  }

  // Writes the list and a constant-level wave file for each level given.
  void writeShapes(const std::filesystem::path& folder, const std::vector<std::string>& names)
  {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
      writeWave(folder / names[i], level(static_cast<std::int16_t>(1000 * (i + 1))));
      list += names[i] + ";";
    }
    writeBytes(folder / "WaveShapes.txt", list);
  }

  TempFolder temp;
  std::filesystem::path shapeFolder;
  FakePlatformServices services;
  WaveShapeTable store{services};
};

}  // namespace

TEST_F(LoadWaveShapesTest, shapesInTheRegistryFolderLoadInListOrder)
{
  writeShapes(shapeFolder, {"Sine.wav", "Saw.wav"});
  store.loadWaveShapes();

  EXPECT_FALSE(store.loadFailed());
  EXPECT_TRUE(services.messages.empty());
  ASSERT_EQ(store.shapeCount(), 2);
  EXPECT_THAT(store.shapeNames(), ElementsAre("Sine", "Saw"));
  EXPECT_EQ(store.tableRate(), 44100.0f);
  EXPECT_EQ(store.tableLength(), 44100);
  EXPECT_EQ(store.currentShape(), 0);
  EXPECT_EQ(store.currentTable(), store.shapeTable(0));
  EXPECT_EQ(store.shapeTable(0)[44099], entryFor(1000));
  EXPECT_EQ(store.shapeTable(1)[0], entryFor(2000));
}

TEST_F(LoadWaveShapesTest, fallbackFolderIsUsedWhenTheRegistryFolderHasNoBrasklinFolder)
{
  std::filesystem::remove_all(shapeFolder);
  const auto fallback = temp.makeFolder("fallback");
  writeShapes(fallback, {"One.wav", "Two.wav", "Three.wav"});

  store.loadWaveShapes();
  EXPECT_FALSE(store.loadFailed());
  EXPECT_THAT(store.shapeNames(), ElementsAre("One", "Two", "Three"));
  EXPECT_EQ(store.shapeTable(2)[10], entryFor(3000));
  EXPECT_THAT(services.folderQueries, ElementsAre(shapeFolder.string(), fallback.string()));

  // With no registry entry at all the fallback is the only place asked.
  FakePlatformServices noRegistry;
  noRegistry.fallback = fallback.string();
  WaveShapeTable second(noRegistry);
  second.loadWaveShapes();
  EXPECT_FALSE(second.loadFailed());
  EXPECT_EQ(second.shapeCount(), 3);
}

// robustness: no Brasklin folder under the registry folder nor at the fallback => one folder message; the effect stays loaded but inert
TEST_F(LoadWaveShapesTest, missingFolderEverywhereReportsTheFolderAndStops)
{
  std::filesystem::remove_all(shapeFolder);
  store.loadWaveShapes();

  EXPECT_TRUE(store.loadFailed());
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].text,
            "Brasklin cannot find the Brasklin folder. It should be in the VST-Plugins folder. If you don't have "
            "one, try puting the Brasklin folder in C:\\");
  EXPECT_FALSE(services.messages[0].caption.has_value());
  EXPECT_EQ(services.messages[0].buttons, MessageButtons::ok);
  EXPECT_EQ(store.shapeCount(), 0);
  EXPECT_EQ(store.currentTable(), nullptr);
}

// robustness: WaveShapes.txt missing or unreadable => one list message; inert effect
TEST_F(LoadWaveShapesTest, missingOrUnreadableListReportsTheListAndStops)
{
  const std::string listMessage =
      "Brasklin cannot find the WaveShapes.txt file in the Brasklin folder. Maybe you did not extract it properly?";
  writeWave(shapeFolder / "Sine.wav", level(5));
  store.loadWaveShapes();
  EXPECT_TRUE(store.loadFailed());
  EXPECT_THAT(services.messageTexts(), ElementsAre(listMessage));
  EXPECT_FALSE(services.messages[0].caption.has_value());
  EXPECT_EQ(services.messages[0].buttons, MessageButtons::ok);

  // A folder standing where the list should be is no list either.
  std::filesystem::create_directory(shapeFolder / "WaveShapes.txt");
  FakePlatformServices again = services;
  again.messages.clear();
  WaveShapeTable second(again);
  second.loadWaveShapes();
  EXPECT_TRUE(second.loadFailed());
  EXPECT_THAT(again.messageTexts(), ElementsAre(listMessage));
}

// robustness: shape list naming no shape (empty file) => inert effect instead of a selection from an empty table
TEST_F(LoadWaveShapesTest, listWithoutShapesDisablesTheEffectInsteadOfSelectingAnEmptyTable)
{
  for (const std::string& text : {std::string(), std::string("Sine.wav"), std::string("\0Sine.wav;", 10)}) {
    writeWave(shapeFolder / "Sine.wav", level(5));
    writeBytes(shapeFolder / "WaveShapes.txt", text);
    FakePlatformServices fresh = services;
    WaveShapeTable empty(fresh);
    empty.loadWaveShapes();
    EXPECT_TRUE(empty.loadFailed());
    EXPECT_EQ(fresh.messages.size(), 1u);
    EXPECT_EQ(empty.shapeCount(), 0);
    EXPECT_EQ(empty.currentTable(), nullptr);
    EXPECT_FALSE(empty.selectShape(0));
    EXPECT_FALSE(empty.resampleShapeTables(48000.0f));
  }
}

// robustness: wave files named in the list but missing => each reported once ("Can't find table file"); the others load, the missing one stays silent, the effect is inert
TEST_F(LoadWaveShapesTest, everyMissingWaveFileIsReportedAndTheOthersStillLoad)
{
  writeShapes(shapeFolder, {"A.wav", "B.wav", "C.wav"});
  std::filesystem::remove(shapeFolder / "B.wav");
  store.loadWaveShapes();

  EXPECT_TRUE(store.loadFailed());
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].text, "Can't find table file");
  EXPECT_EQ(services.messages[0].caption, std::optional<std::string>(""));
  EXPECT_EQ(services.messages[0].buttons, MessageButtons::okCancel);
  ASSERT_EQ(store.shapeCount(), 3);
  EXPECT_EQ(store.shapeTable(0)[0], entryFor(1000));
  EXPECT_EQ(store.shapeTable(1)[0], 0.0f);  // silent, never garbage
  EXPECT_EQ(store.shapeTable(2)[0], entryFor(3000));

  std::filesystem::remove(shapeFolder / "A.wav");
  std::filesystem::remove(shapeFolder / "C.wav");
  FakePlatformServices all = services;
  all.messages.clear();
  WaveShapeTable second(all);
  second.loadWaveShapes();
  EXPECT_THAT(all.messageTexts(),
              ElementsAre("Can't find table file", "Can't find table file", "Can't find table file"));
}

// robustness: malformed list entries (a line break after a semicolon, an empty entry, a folder named like a wave file) => one table message each; names kept byte for byte
TEST_F(LoadWaveShapesTest, malformedEntriesEachCostOneTableMessage)
{
  writeWave(shapeFolder / "A.wav", level(1));
  writeWave(shapeFolder / "B.wav", level(2));
  std::filesystem::create_directory(shapeFolder / "Dir.wav");
  // A line break after a semicolon, an empty entry, a folder, then a good one.
  writeBytes(shapeFolder / "WaveShapes.txt", "A.wav;\nB.wav;;Dir.wav;B.wav;");
  store.loadWaveShapes();

  EXPECT_TRUE(store.loadFailed());
  EXPECT_EQ(services.messages.size(), 3u);
  ASSERT_EQ(store.shapeCount(), 5);
  EXPECT_THAT(store.shapeNames(), ElementsAre("A", "\nB", ";Dir.wav;B.wav;", "Dir", "B"));
  EXPECT_EQ(store.shapeTable(4)[0], entryFor(2));
}

// robustness: file names with bytes above 127 and long lists => loaded byte for byte
TEST_F(LoadWaveShapesTest, longListsAndHighBytesInNamesLoad)
{
  std::vector<std::string> names;
  for (int i = 0; i < 12; ++i)
    names.push_back(std::string(90, static_cast<char>('a' + i)) + "\xe9.wav");  // list well over 1000 bytes
  writeShapes(shapeFolder, names);
  store.loadWaveShapes();

  EXPECT_FALSE(store.loadFailed()) << services.messages.size() << " messages";
  ASSERT_EQ(store.shapeCount(), 12);
  EXPECT_EQ(store.shapeNames()[11], std::string(90, 'l') + "\xe9");
  EXPECT_EQ(store.shapeTable(11)[0], entryFor(12000));
}

// robustness: plug-in folder path too long to name the list file => reported as a missing list, no overflow
TEST_F(LoadWaveShapesTest, folderTooLongToNameTheListIsReportedAsMissingList)
{
  // The folder "exists" (the fake says so) but its path leaves no room for
  // the list's name in a path buffer.
  services.registryPath = std::string(240, 'p');
  services.isMissing = [](const std::string&) { return false; };
  store.loadWaveShapes();
  EXPECT_TRUE(store.loadFailed());
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].text, WaveShapeTable::kListMessage);
}

TEST_F(LoadWaveShapesTest, onlyTheFirstShapesUpToTheLimitAreLoaded)
{
  writeWave(shapeFolder / "S.wav", level(3));
  std::string list;
  for (std::size_t i = 0; i < kMaxShapes + 20; ++i) list += "S.wav;";
  writeBytes(shapeFolder / "WaveShapes.txt", list);
  store.loadWaveShapes();
  EXPECT_FALSE(store.loadFailed());
  EXPECT_EQ(store.shapeCount(), static_cast<int>(kMaxShapes));
}
