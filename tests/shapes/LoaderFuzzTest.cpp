// Feeds many seeded random and mutated lists and wave files through the
// loader. It runs under AddressSanitizer in CI, where any read or write
// outside a buffer, or any leak, fails it; here it also checks that the
// loader's verdicts agree with what is really on disk.

#include "platform/fake/FakePlatformServices.h"
#include "shapes/ShapeList.h"
#include "shapes/WaveFile.h"
#include "shapes/WaveShapeTable.h"
#include "tests/shapes/ShapeFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using shapetest::TempFolder;

namespace {

constexpr std::uint32_t kSeed = 0xB1A5C11Du;
constexpr float kLowest = -32768.0f / 32767.0f;

using Random = std::mt19937;

int uniform(Random& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

std::string randomBytes(Random& random, int length)
{
  std::string bytes(static_cast<std::size_t>(length), '\0');
  for (char& c : bytes) c = static_cast<char>(uniform(random, 0, 255));
  return bytes;
}

// Flips, inserts, deletes and truncates bytes of `bytes`.
std::string mutate(Random& random, std::string bytes)
{
  const int edits = uniform(random, 1, 8);
  for (int e = 0; e < edits && !bytes.empty(); ++e) {
    const auto at = static_cast<std::size_t>(uniform(random, 0, static_cast<int>(bytes.size()) - 1));
    switch (uniform(random, 0, 4)) {
      case 0: bytes[at] = static_cast<char>(uniform(random, 0, 255)); break;
      case 1: bytes.insert(at, 1, "; \n\r\0d"[uniform(random, 0, 5)]); break;
      case 2: bytes.erase(at, static_cast<std::size_t>(uniform(random, 1, 16))); break;
      case 3: bytes.resize(at); break;
      default: bytes.insert(at, "data"); break;
    }
  }
  return bytes;
}

// A wave file that is sometimes fine, sometimes damaged, sometimes nonsense.
std::string randomWave(Random& random)
{
  switch (uniform(random, 0, 3)) {
    case 0: return randomBytes(random, uniform(random, 0, 3000));
    case 1: {
      std::vector<std::int16_t> samples(static_cast<std::size_t>(uniform(random, 0, 600)));
      for (auto& s : samples) s = static_cast<std::int16_t>(uniform(random, -32768, 32767));
      return mutate(random, shapetest::canonicalWave(samples));
    }
    case 2: return std::string(static_cast<std::size_t>(uniform(random, 0, 9000)), 't');
    default:
      return shapetest::canonicalWave(
          std::vector<std::int16_t>(static_cast<std::size_t>(uniform(random, 0, 50000)), 1234));
  }
}

// A list mixing the real file names with noise of every kind.
std::string randomList(Random& random, const std::vector<std::string>& names)
{
  std::string list;
  const int parts = uniform(random, 0, 12);
  for (int p = 0; p < parts; ++p) {
    switch (uniform(random, 0, 5)) {
      case 0:
      case 1:
        list += names[static_cast<std::size_t>(uniform(random, 0, static_cast<int>(names.size()) - 1))] + ";";
        break;
      case 2: list += randomBytes(random, uniform(random, 0, 12)); break;
      case 3: list += ";"; break;
      case 4: list += std::string(1, '\0'); break;
      default: list += "ab;"; break;
    }
  }
  return uniform(random, 0, 3) == 0 ? mutate(random, list) : list;
}

}  // namespace

// robustness: thousands of seeded random and mutated lists and wave files through the loader => verdicts match the files on disk, reads stay within the tables
TEST(LoaderFuzzTest, randomListsAndWaveFilesNeverBreakTheStore)
{
  SCOPED_TRACE("seed " + std::to_string(kSeed));
  Random random(kSeed);
  TempFolder temp;
  const auto folder = temp.makeFolder("Brasklin");
  const std::vector<std::string> names = {"a.wav", "b.wav", "c.wav", "d.wav"};

  for (int round = 0; round < 600; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    for (const auto& name : names) shapetest::writeBytes(folder / name, randomWave(random));
    const std::string list = randomList(random, names);
    shapetest::writeBytes(folder / "WaveShapes.txt", list);

    FakePlatformServices services;
    services.registryPath = temp.str();
    WaveShapeTable store(services);
    store.loadWaveShapes();

    // What the disk says, worked out apart from the loader: the entries
    // ending in a semicolon before the first zero byte, each failing when
    // it names no regular file.
    const std::string text = list.substr(0, list.find('\0'));
    int entries = 0;
    int unreadable = 0;
    std::size_t start = 0;
    for (std::size_t p = text.find(';'); p != std::string::npos; p = text.find(';', start)) {
      ++entries;
      std::error_code error;
      if (!std::filesystem::is_regular_file(folder.string() + "/" + text.substr(start, p - start), error)) ++unreadable;
      start = p + 1;
    }

    ASSERT_EQ(store.shapeCount(), entries);
    ASSERT_EQ(store.shapeNames().size(), static_cast<std::size_t>(entries));
    ASSERT_EQ(store.loadFailed(), entries == 0 || unreadable > 0);
    ASSERT_EQ(services.messages.size(), static_cast<std::size_t>(entries == 0 ? 1 : unreadable));
    for (int shape = 0; shape < store.shapeCount(); ++shape) {
      const float* table = store.shapeTable(shape);
      ASSERT_NE(table, nullptr);
      for (int j = 0; j < store.tableLength(); ++j)
        ASSERT_TRUE(table[j] >= kLowest && table[j] <= 1.0f) << "shape " << shape << " entry " << j;
    }

    // Then the things the effect does later, with random values.
    if (entries > 0 && round % 10 == 0) {
      const float rate = static_cast<float>(uniform(random, 0, 200000));
      const bool rebuilt = store.resampleShapeTables(rate);
      ASSERT_EQ(rebuilt, rate >= WaveShapeTable::kMinTableRate);
      store.selectShape(uniform(random, -2, store.shapeCount() + 2));
      ASSERT_NE(store.currentTable(), nullptr);
      ASSERT_GE(store.currentShape(), 0);
      ASSERT_LT(store.currentShape(), store.shapeCount());
      const float last = store.currentTable()[store.tableLength() - 1];
      ASSERT_TRUE(last >= kLowest && last <= 1.0f);
    }
  }
}

TEST(LoaderFuzzTest, randomAndMutatedWaveFilesReadWithinBounds)
{
  SCOPED_TRACE("seed " + std::to_string(kSeed + 1));
  Random random(kSeed + 1);
  TempFolder temp;
  const auto path = (temp.path() / "w.wav").string();
  std::vector<float> table(kFileCycleLength);
  for (int round = 0; round < 1500; ++round) {
    const std::string bytes = round % 2 == 0 ? randomWave(random) : mutate(random, randomWave(random));
    shapetest::writeBytes(path, bytes);
    ASSERT_TRUE(readWaveFile(path, table.data())) << "round " << round;
    for (const float entry : table) ASSERT_TRUE(entry >= kLowest && entry <= 1.0f) << "round " << round;
  }
}

TEST(LoaderFuzzTest, randomListsParseIntoEntriesThatRebuildTheText)
{
  Random random(kSeed + 2);
  for (int round = 0; round < 5000; ++round) {
    std::string text = randomBytes(random, uniform(random, 0, 300));
    for (char& c : text)
      if (uniform(random, 0, 6) == 0) c = ';';
    const auto entries = parseShapeList(text, 1000);
    // Joining the entries with their semicolons gives back the text up to its last semicolon.
    std::string joined;
    for (const auto& entry : entries) joined += entry.fileName + ";";
    const std::size_t last = text.rfind(';');
    ASSERT_EQ(joined, last == std::string::npos ? std::string() : text.substr(0, last + 1));
    for (const auto& entry : entries) ASSERT_LE(entry.displayName.size(), text.size());
  }
}
