#include "platform/PlatformServices.h"
#include "platform/fake/FakePlatformServices.h"
#include "shapes/WaveShapeTable.h"
#include "tests/shapes/ShapeFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

using testing::ElementsAre;

namespace {

// Where this test binary lies, found through the kernel rather than dladdr.
std::filesystem::path testBinaryFolder() { return std::filesystem::canonical("/proc/self/exe").parent_path(); }

}  // namespace

TEST(PosixServicesTest, moduleFolderIsTheFolderOfTheLoadedBinaryAndNoHostFolderIsRecorded)
{
  const auto path = systemPlatformServices().moduleFolder();
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(std::filesystem::path(*path), testBinaryFolder());
  EXPECT_EQ(systemPlatformServices().pluginsPath(), std::nullopt) << "no registry: only beside the binary";
  EXPECT_EQ(systemPlatformServices().pathSeparator(), '/');
  EXPECT_STREQ(systemPlatformServices().fallbackFolder(), "/usr/local/lib/vst/Brasklin");
}

TEST(PosixServicesTest, folderIsMissingOnlyWhenNothingIsThere)
{
  shapetest::TempFolder temp;
  shapetest::writeBytes(temp.path() / "file", "x");
  PlatformServices& services = systemPlatformServices();
  EXPECT_FALSE(services.folderIsMissing(temp.str()));
  EXPECT_TRUE(services.folderIsMissing((temp.path() / "absent").string()));
  EXPECT_TRUE(services.folderIsMissing((temp.path() / "absent" / "deeper").string()));
  EXPECT_TRUE(services.folderIsMissing((temp.path() / "file" / "below").string()));
  EXPECT_TRUE(services.folderIsMissing(""));
}

TEST(PosixServicesTest, messagesGoToStandardErrorOneLineEach)
{
  testing::internal::CaptureStderr();
  systemPlatformServices().showMessage("Can't find table file", "", MessageButtons::okCancel);
  systemPlatformServices().showMessage("second", nullptr, MessageButtons::ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Brasklin: Can't find table file\nBrasklin: second\n");
}

TEST(PosixServicesTest, testHookReplacesTheServicesAndRestoresThem)
{
  PlatformServices* const system = &systemPlatformServices();
  EXPECT_EQ(&platformServices(), system);
  {
    FakePlatformServices fake;
    ScopedPlatformServices scope(fake);
    EXPECT_EQ(&platformServices(), &fake);
  }
  EXPECT_EQ(&platformServices(), system);
}

// The build copies the default shapes into "Brasklin" beside this binary,
// just as it does beside the plug-in, so the real lookup must find them.
TEST(DefaultShapesTest, defaultSetLoadsFromBesideTheBinary)
{
  WaveShapeTable store(platformServices());
  store.loadWaveShapes();
  ASSERT_FALSE(store.loadFailed());
  EXPECT_THAT(store.shapeNames(),
              ElementsAre("Sine", "Triangle", "Saw", "Square", "Pulse25", "SoftSaw", "Organ", "Vowel"));

  // Every shape is peak-normalised: its largest swing reaches full scale.
  for (int shape = 0; shape < store.shapeCount(); ++shape) {
    const float* table = store.shapeTable(shape);
    float peak = 0.0f;
    for (int j = 0; j < store.tableLength(); ++j) peak = std::max(peak, std::fabs(table[j]));
    EXPECT_NEAR(peak, 1.0f, 1.0f / 32767.0f) << store.shapeNames()[static_cast<std::size_t>(shape)];
  }

  // The sine is one cycle of a sine, to within the 16-bit rounding.
  const float* sine = store.shapeTable(0);
  double worst = 0.0;
  for (int j = 0; j < 44100; ++j) worst = std::max(worst, std::fabs(sine[j] - std::sin(2.0 * M_PI * j / 44100.0)));
  EXPECT_LT(worst, 1.0 / 32767.0);

  // The square's two halves sit at full scale with opposite signs.
  const float* square = store.shapeTable(3);
  EXPECT_EQ(square[100], 1.0f);
  EXPECT_EQ(square[22050 + 100], -1.0f);
}
