#include "gui/BmpImage.h"
#include "tests/resources/BmpBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <random>

namespace {

using ::testing::ElementsAre;

std::optional<BmpImage> decode(const std::vector<uint8_t>& file) { return decodeBmp(file.data(), file.size()); }

// 3 x 2 pixels at 24 bits: rows of 9 bytes padded to 12. The padding bytes
// hold 0xEE so that reading them as colour would show.
//   top row:    red, green, blue
//   bottom row: white, black, (0x12, 0x34, 0x56)
BmpFields small24(bool topDown)
{
  const std::vector<uint8_t> top = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0xEE, 0xEE, 0xEE};
  const std::vector<uint8_t> bottom = {255, 255, 255, 0, 0, 0, 0x56, 0x34, 0x12, 0xEE, 0xEE, 0xEE};
  BmpFields fields;
  fields.width = 3;
  fields.height = topDown ? -2 : 2;
  for (const auto* row : topDown ? std::array{&top, &bottom} : std::array{&bottom, &top}) {
    for (uint8_t byte : *row) {
      fields.pixelBytes.push_back(byte);
    }
  }
  return fields;
}

// 5 x 2 pixels at 8 bits with a four-colour palette: rows of 5 indices padded to 8.
BmpFields small8()
{
  BmpFields fields;
  fields.depth = 8;
  fields.width = 5;
  fields.height = 2;
  fields.coloursUsed = 4;
  fields.palette = {0x000000, 0xFF8000, 0x00FF7F, 0x123456};
  // Stored bottom row first.
  fields.pixelBytes = {3, 2, 1, 0, 3, 0xEE, 0xEE, 0xEE,   // bottom
                       0, 1, 2, 3, 1, 0xEE, 0xEE, 0xEE};  // top
  return fields;
}

TEST(BmpDecodeTest, twentyFourBitRowsAreBlueGreenRedPaddedAndStoredBottomUp)
{
  const auto image = decode(buildBmp(small24(false)));
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_THAT(image->pixels, ElementsAre(0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu, 0x000000u, 0x123456u));
}

TEST(BmpDecodeTest, negativeHeightMeansTopDownRowsAndGivesTheSamePicture)
{
  const auto bottomUp = decode(buildBmp(small24(false)));
  const auto topDown = decode(buildBmp(small24(true)));
  ASSERT_TRUE(bottomUp.has_value());
  ASSERT_TRUE(topDown.has_value());
  EXPECT_EQ(topDown->height, 2);
  EXPECT_EQ(topDown->pixels, bottomUp->pixels);
}

TEST(BmpDecodeTest, eightBitIndicesAreLookedUpInThePalette)
{
  const auto image = decode(buildBmp(small8()));
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 5);
  EXPECT_THAT(image->pixels, ElementsAre(0x000000u, 0xFF8000u, 0x00FF7Fu, 0x123456u, 0xFF8000u, 0x123456u, 0x00FF7Fu,
                                         0xFF8000u, 0x000000u, 0x123456u));
}

TEST(BmpDecodeTest, zeroColoursUsedMeansAFullPaletteOf256)
{
  BmpFields fields = small8();
  fields.coloursUsed = 0;
  fields.palette.resize(256, 0);
  fields.palette[200] = 0xABCDEF;
  fields.pixelBytes[0] = 200;  // bottom-left pixel
  const auto image = decode(buildBmp(fields));
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels[5], 0xABCDEFu);
}

TEST(BmpDecodeTest, laterHeaderVersionsAndAGapBeforeThePixelsAreFollowed)
{
  BmpFields fields = small8();
  fields.headerSize = 124;  // BITMAPV5HEADER: the palette follows it
  fields.gapBeforePixels = 6;
  const auto image = decode(buildBmp(fields));
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels, decode(buildBmp(small8()))->pixels);
}

TEST(BmpDecodeTest, anIndexBeyondAShortPaletteIsRefused)
{
  BmpFields fields = small8();
  fields.pixelBytes[2] = 4;  // only 0..3 exist
  EXPECT_FALSE(decode(buildBmp(fields)).has_value());
}

TEST(BmpDecodeTest, unsupportedFormsAreRefused)
{
  struct Case {
    const char* what;
    void (*forge)(BmpFields&);
  };
  const Case cases[] = {
      {"RLE8 compression", [](BmpFields& f) { f.compression = 1; }},
      {"bit fields", [](BmpFields& f) { f.compression = 3; }},
      {"32 bits", [](BmpFields& f) { f.depth = 32; }},
      {"16 bits", [](BmpFields& f) { f.depth = 16; }},
      {"4 bits", [](BmpFields& f) { f.depth = 4; }},
      {"1 bit", [](BmpFields& f) { f.depth = 1; }},
      {"two planes", [](BmpFields& f) { f.planes = 2; }},
      {"zero width", [](BmpFields& f) { f.width = 0; }},
      {"negative width", [](BmpFields& f) { f.width = -3; }},
      {"zero height", [](BmpFields& f) { f.height = 0; }},
      {"most negative height", [](BmpFields& f) { f.height = INT_MIN; }},
      {"huge picture in a small file",
       [](BmpFields& f) {
         f.width = 1000000;
         f.height = 1000000;
       }},
      {"rows longer than the data", [](BmpFields& f) { f.width = 5; }},
  };
  for (const Case& c : cases) {
    BmpFields fields = small24(false);
    c.forge(fields);
    EXPECT_FALSE(decode(buildBmp(fields)).has_value()) << c.what;
  }
  // A palette longer than 256 entries.
  BmpFields fields = small8();
  fields.coloursUsed = 300;
  fields.palette.resize(300, 0);
  EXPECT_FALSE(decode(buildBmp(fields)).has_value());
}

TEST(BmpDecodeTest, forgedHeaderFieldsAreRefused)
{
  const std::vector<uint8_t> valid = buildBmp(small8());
  ASSERT_TRUE(decode(valid).has_value());

  auto with = [&](std::size_t offset, uint32_t value) {
    std::vector<uint8_t> file = valid;
    patchU32(file, offset, value);
    return decode(file);
  };
  EXPECT_FALSE(with(kOffsetHeaderSize, 12).has_value()) << "OS/2 core header";
  EXPECT_FALSE(with(kOffsetHeaderSize, 0xFFFFFFFFu).has_value());
  EXPECT_FALSE(with(kOffsetPixelOffset, static_cast<uint32_t>(valid.size()) + 1).has_value());
  EXPECT_FALSE(with(kOffsetPixelOffset, 0xFFFFFFFFu).has_value());
  EXPECT_FALSE(with(kOffsetPixelOffset, 20).has_value()) << "pixels inside the headers";

  std::vector<uint8_t> notBm = valid;
  notBm[0] = 'X';
  EXPECT_FALSE(decode(notBm).has_value());
  EXPECT_FALSE(decodeBmp(nullptr, valid.size()).has_value());
}

TEST(BmpDecodeTest, everyTruncationOfAValidFileIsRefused)
{
  for (const BmpFields& fields : {small8(), small24(false), small24(true)}) {
    const std::vector<uint8_t> file = buildBmp(fields);
    ASSERT_TRUE(decode(file).has_value());
    for (std::size_t length = 0; length < file.size(); ++length) {
      // An exact-size copy, so a read past the end is a read past the allocation.
      const std::vector<uint8_t> prefix(file.begin(), file.begin() + static_cast<long>(length));
      EXPECT_FALSE(decode(prefix).has_value()) << "length " << length;
    }
  }
}

TEST(BmpDecodeTest, randomlyDamagedFilesNeverDecodeToAnInconsistentPicture)
{
  const uint32_t seed = 20261208;
  std::printf("mutation seed %u\n", seed);
  std::mt19937 random(seed);
  const std::vector<std::vector<uint8_t>> originals = {buildBmp(small8()), buildBmp(small24(false)),
                                                       buildBmp(small24(true))};
  int decoded = 0;
  for (int round = 0; round < 20000; ++round) {
    std::vector<uint8_t> file = originals[static_cast<std::size_t>(round) % originals.size()];
    const int mutations = 1 + static_cast<int>(random() % 6);
    for (int m = 0; m < mutations; ++m) {
      // Mostly the headers, where a wrong byte moves every later read.
      const std::size_t span = random() % 4 == 0 ? file.size() : std::min<std::size_t>(60, file.size());
      const std::size_t at = random() % span;
      switch (random() % 3) {
        case 0: file[at] = static_cast<uint8_t>(random()); break;
        case 1: file[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
        default: file[at] = random() % 2 == 0 ? 0x00 : 0xFF; break;
      }
    }
    if (random() % 5 == 0) {
      file.resize(random() % (file.size() + 1));
    }
    const auto image = decode(file);
    if (!image) {
      continue;
    }
    ++decoded;
    ASSERT_GT(image->width, 0) << "round " << round;
    ASSERT_GT(image->height, 0) << "round " << round;
    ASSERT_EQ(image->pixels.size(), static_cast<std::size_t>(image->width) * image->height) << "round " << round;
    // Every decoded pixel came from the file: at least one byte per pixel.
    ASSERT_LE(image->pixels.size(), file.size()) << "round " << round;
    for (uint32_t pixel : image->pixels) {
      ASSERT_EQ(pixel >> 24, 0u) << "round " << round;
    }
  }
  // Damage to pixel bytes or spare header fields leaves files readable; the
  // loop must have exercised that path as well as the refusals.
  EXPECT_GT(decoded, 100);
}

}  // namespace
