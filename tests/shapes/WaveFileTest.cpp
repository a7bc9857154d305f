#include "shapes/WaveFile.h"
#include "tests/shapes/ShapeFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using shapetest::canonicalWave;
using shapetest::TempFolder;
using shapetest::writeBytes;

namespace {

std::vector<float> filledTable(float value) { return std::vector<float>(kFileCycleLength, value); }

// The table value a 16-bit sample should give, worked out in double.
double expectedEntry(int sample) { return sample / 32767.0; }

}  // namespace

TEST(ReadWaveFileTest, canonicalFileGivesEverySampleScaledToUnitFullScale)
{
  TempFolder folder;
  auto samples = shapetest::rampCycle();
  samples[0] = 32767;
  samples[1] = -32768;
  shapetest::writeWave(folder.path() / "ramp.wav", samples);

  auto table = filledTable(7.0f);
  ASSERT_TRUE(readWaveFile((folder.path() / "ramp.wav").string(), table.data()));
  EXPECT_EQ(table[0], 1.0f);
  EXPECT_NEAR(table[1], -32768.0 / 32767.0, 1e-7);
  for (int j = 2; j < kFileCycleLength; ++j) ASSERT_NEAR(table[j], expectedEntry(j - 22050), 1e-7) << "entry " << j;
}

TEST(ReadWaveFileTest, extraChunksBeforeTheDataAreSkipped)
{
  TempFolder folder;
  std::string file = canonicalWave(shapetest::rampCycle());
  // A "LIST" chunk between "fmt " and "data", as audio editors write.
  const std::string list = std::string("LIST") + std::string("\x0c\0\0\0", 4) + "INFOISFTshp!";
  file.insert(36, list);
  writeBytes(folder.path() / "list.wav", file);

  auto table = filledTable(7.0f);
  ASSERT_TRUE(readWaveFile((folder.path() / "list.wav").string(), table.data()));
  EXPECT_NEAR(table[0], expectedEntry(-22050), 1e-7);
  EXPECT_NEAR(table[44099], expectedEntry(44099 - 22050), 1e-7);
}

// robustness: wave file shorter than a cycle (and odd byte counts) => the missing samples are silence
TEST(ReadWaveFileTest, shortFileLeavesTheRestOfTheCycleSilent)
{
  TempFolder folder;
  std::vector<std::int16_t> samples(1000, 16384);
  std::string file = canonicalWave(samples);
  file.push_back('\x7f');  // half a sample at the end
  writeBytes(folder.path() / "short.wav", file);

  auto table = filledTable(7.0f);
  ASSERT_TRUE(readWaveFile((folder.path() / "short.wav").string(), table.data()));
  EXPECT_NEAR(table[999], expectedEntry(16384), 1e-7);
  for (int j = 1000; j < kFileCycleLength; ++j) ASSERT_EQ(table[j], 0.0f) << "entry " << j;
}

// robustness: wave file without a data tag => the bounded tag scan stops and samples are read from there, in range
TEST(ReadWaveFileTest, fileWithoutDataTagIsReadFromWhereTheBoundedScanStops)
{
  TempFolder folder;
  // 2000 bytes that can never end the scan, four "length" bytes, then samples.
  std::string file(2000, 'x');
  file += "LLLL";
  for (int j = 0; j < 10; ++j) {
    file.push_back(static_cast<char>(j * 100 & 0xFF));
    file.push_back(static_cast<char>((j * 100) >> 8));
  }
  writeBytes(folder.path() / "untagged.raw", file);

  auto table = filledTable(7.0f);
  ASSERT_TRUE(readWaveFile((folder.path() / "untagged.raw").string(), table.data()));
  for (int j = 0; j < 10; ++j) EXPECT_NEAR(table[j], expectedEntry(j * 100), 1e-7) << "entry " << j;
  EXPECT_EQ(table[10], 0.0f);
}

// robustness: a file that is not a wave file (text) => read as samples within the 16-bit range, no crash
TEST(ReadWaveFileTest, textFileIsReadHarmlesslyWithinRange)
{
  TempFolder folder;
  writeBytes(folder.path() / "notes.txt", "This is not a wave file at all, just some notes.\r\n");
  auto table = filledTable(7.0f);
  ASSERT_TRUE(readWaveFile((folder.path() / "notes.txt").string(), table.data()));
  for (const float entry : table) ASSERT_TRUE(entry >= -32768.0f / 32767.0f && entry <= 1.0f);
}

// robustness: a directory where a wave file should be, or a missing file => refused, the table untouched
TEST(ReadWaveFileTest, missingFileOrFolderIsReportedAndTableUntouched)
{
  TempFolder folder;
  folder.makeFolder("adir");
  auto table = filledTable(7.0f);
  EXPECT_FALSE(readWaveFile((folder.path() / "absent.wav").string(), table.data()));
  EXPECT_FALSE(readWaveFile((folder.path() / "adir").string(), table.data()));
  EXPECT_FALSE(readWaveFile("", table.data()));
  for (const float entry : table) ASSERT_EQ(entry, 7.0f);
}
