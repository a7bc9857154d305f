#include "platform/fake/FakePlatformServices.h"
#include "shapes/WaveShapeTable.h"
#include "tests/shapes/ShapeFiles.h"
#include "tests/support/WaitDeadline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

using shapetest::TempFolder;

namespace {

// A store loaded with `count` shapes; shape i holds the ramp j - 22050 + i,
// so every entry tells which file sample it came from.
class LoadedStore {
public:
  explicit LoadedStore(int count)
  {
    services.registryPath = temp.str();
    const auto folder = temp.makeFolder("Brasklin");
    std::string list;
    for (int i = 0; i < count; ++i) {
      auto samples = shapetest::rampCycle();
      for (auto& s : samples) s = static_cast<std::int16_t>(s + i);
      const std::string name = "Shape" + std::to_string(i) + ".wav";
      shapetest::writeWave(folder / name, samples);
      list += name + ";";
    }
    shapetest::writeBytes(folder / "WaveShapes.txt", list);
    store.loadWaveShapes();
  }

  TempFolder temp;
  FakePlatformServices services;
  WaveShapeTable store{services};
};

// The file sample an entry holds (inverse of the 1/32767 scaling).
int sampleOf(float entry) { return static_cast<int>(std::lround(static_cast<double>(entry) * 32767.0)); }

}  // namespace

TEST(ResampleShapeTablesTest, rebuildFor48kPicksWithTheFloatRoundedStep)
{
  LoadedStore loaded(2);
  ASSERT_FALSE(loaded.store.loadFailed());
  WaveShapeTable& store = loaded.store;
  ASSERT_TRUE(store.selectShape(1));

  ASSERT_TRUE(store.resampleShapeTables(48000.0f));
  EXPECT_EQ(store.tableRate(), 48000.0f);
  EXPECT_EQ(store.tableLength(), 48000);
  EXPECT_EQ(store.currentTable(), store.shapeTable(1));

  // The step 44100/48000 as a float lies just below the exact 0.91875, so
  // new entry 160 takes old entry 146, where the exact ratio would give 147.
  const float* shape0 = store.shapeTable(0);
  EXPECT_EQ(sampleOf(shape0[160]) + 22050, 146);
  const double step = static_cast<double>(44100.0f / 48000.0f);
  for (int j = 0; j < 48000; ++j) ASSERT_EQ(sampleOf(shape0[j]) + 22050, static_cast<int>(j * step)) << "entry " << j;
  EXPECT_EQ(sampleOf(store.shapeTable(1)[160]) + 22050, 147);  // shape 1 is offset by one

  // Back to 44100: rebuilt from the 48000-entry tables, not from the files.
  ASSERT_TRUE(store.resampleShapeTables(44100.0f));
  EXPECT_EQ(store.tableLength(), 44100);
  EXPECT_EQ(store.tableRate(), 44100.0f);
  const double back = static_cast<double>(48000.0f / 44100.0f);
  for (int j = 0; j < 44100; ++j) {
    const int via48k = static_cast<int>(static_cast<int>(j * back) * step);
    ASSERT_EQ(sampleOf(store.shapeTable(0)[j]) + 22050, via48k) << "entry " << j;
  }
}

TEST(ResampleShapeTablesTest, extremeAndFractionalRatesKeepEveryIndexInsideTheTables)
{
  LoadedStore loaded(1);
  WaveShapeTable& store = loaded.store;
  for (const float rate : {8000.0f, 384000.0f, 22050.0f, 44100.5f, 96000.25f}) {
    ASSERT_TRUE(store.resampleShapeTables(rate)) << rate;
    // Every index below the rate exists, so a reader stopping below the
    // rate never leaves the table.
    EXPECT_EQ(store.tableLength(), static_cast<int>(std::ceil(rate)));
    EXPECT_EQ(store.tableRate(), rate);
    const float* table = store.currentTable();
    EXPECT_EQ(sampleOf(table[0]), -22050);
    // Each entry still comes from the ramp, and the ramp only climbs.
    for (int j = 1; j < store.tableLength(); ++j) ASSERT_GE(table[j], table[j - 1]) << rate << " entry " << j;
  }
}

// robustness: table rebuild asked for 0, negative, NaN or absurd rates => refused, the tables unchanged
TEST(ResampleShapeTablesTest, unusableRatesChangeNothing)
{
  LoadedStore loaded(1);
  WaveShapeTable& store = loaded.store;
  const float* before = store.currentTable();
  for (const float rate : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(), 1.0e9f, 10.0f}) {
    EXPECT_FALSE(store.resampleShapeTables(rate)) << rate;
    EXPECT_EQ(store.tableRate(), 44100.0f);
    EXPECT_EQ(store.tableLength(), 44100);
    EXPECT_EQ(store.currentTable(), before);
  }
}

TEST(SelectShapeTest, selectsEveryIndexInRangeAndRefusesTheRest)
{
  LoadedStore loaded(4);
  WaveShapeTable& store = loaded.store;
  for (const int shape : {0, 3, 1, 2}) {
    ASSERT_TRUE(store.selectShape(shape)) << shape;
    EXPECT_EQ(store.currentShape(), shape);
    EXPECT_EQ(store.currentTable(), store.shapeTable(shape));
  }
  // Outside the shapes: nothing changes.
  for (const int outside : {-1, 4, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
    EXPECT_FALSE(store.selectShape(outside)) << outside;
    EXPECT_EQ(store.currentShape(), 2);
  }
}

TEST(SelectShapeTest, selectionFromAnotherThreadWhileTheAudioThreadReads)
{
  LoadedStore loaded(4);
  WaveShapeTable& store = loaded.store;
  std::atomic<bool> done{false};
  std::thread ui([&] {
    for (int i = 0; i < 20000; ++i) store.selectShape(i % 5);
    done = true;
  });
  // Audio side: whatever index it sees, the table it gets is that shape's.
  int checks = 0;
  const testsupport::WaitDeadline deadline("the selecting thread");
  while (!done.load() || checks < 1000) {
    deadline.check();
    const float* table = store.currentTable();
    ASSERT_NE(table, nullptr);
    const int shape = sampleOf(table[22050]);
    ASSERT_GE(shape, 0);
    ASSERT_LE(shape, 3);
    ++checks;
  }
  ui.join();
}

// robustness: WaveShape selection on another thread while the audio thread rebuilds the tables => no data race, no read of a table being replaced
TEST(SelectShapeTest, selectionFromAnotherThreadWhileTheAudioThreadRebuilds)
{
  LoadedStore loaded(4);
  WaveShapeTable& store = loaded.store;
  std::atomic<bool> done{false};
  std::thread ui([&] {
    int i = 0;
    while (!done.load()) store.selectShape(i++ % 5);
  });
  for (const float rate : {48000.0f, 22050.0f, 96000.0f, 44100.0f}) {
    ASSERT_TRUE(store.resampleShapeTables(rate));
    const float* table = store.currentTable();
    ASSERT_NE(table, nullptr);
    // Whatever the other thread picked, the table is one of the rebuilt ones.
    const int shape = sampleOf(table[0]) + 22050;
    ASSERT_GE(shape, 0);
    ASSERT_LE(shape, 3);
    EXPECT_EQ(table, store.shapeTable(shape));
    EXPECT_EQ(store.tableLength(), static_cast<int>(rate));
  }
  done = true;
  ui.join();
  // Each table still starts with its own shape's first sample.
  for (int shape = 0; shape < 4; ++shape) EXPECT_EQ(sampleOf(store.shapeTable(shape)[0]), -22050 + shape);
}
