#include "platform/fake/FakePlatformServices.h"
#include "shapes/PluginFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::string folderFor(FakePlatformServices& services)
{
  PathBuffer folder;
  folder.fill('#');
  findPluginFolder(services, folder);
  return folder.data();
}

}  // namespace

TEST(FindPluginFolderTest, registryFolderGetsTheBrasklinFolderAppended)
{
  FakePlatformServices services;
  services.separator = '\\';
  services.registryPath = "C:\\Program Files\\Steinberg\\VstPlugins";
  services.fallback = "c:\\Brasklin";
  EXPECT_EQ(folderFor(services), "C:\\Program Files\\Steinberg\\VstPlugins\\Brasklin");
}

TEST(FindPluginFolderTest, missingRegistryValueGivesTheFallback)
{
  FakePlatformServices services;
  services.separator = '\\';
  services.fallback = "c:\\Brasklin";
  services.registryPath.reset();
  EXPECT_EQ(folderFor(services), "c:\\Brasklin");
  services.registryPath = "";
  EXPECT_EQ(folderFor(services), "c:\\Brasklin");
}

// robustness: registry value with bytes after its terminating zero => read up to the zero
TEST(FindPluginFolderTest, registryValueEndsAtItsTerminatingZero)
{
  FakePlatformServices services;
  services.registryPath = std::string("/vst\0garbage", 12);
  EXPECT_EQ(folderFor(services), "/vst/Brasklin");
}

// robustness: registry folder path longer than the path buffer => the fallback folder is used, no overflow
TEST(FindPluginFolderTest, pathThatWouldOverflowTheBufferFallsBack)
{
  FakePlatformServices services;
  services.fallback = "/fallback";
  // 250 + "/Brasklin" is 259 characters: just fits with its terminating zero.
  services.registryPath = std::string(250, 'v');
  EXPECT_EQ(folderFor(services), std::string(250, 'v') + "/Brasklin");
  services.registryPath = std::string(251, 'v');
  EXPECT_EQ(folderFor(services), "/fallback");
  services.registryPath = std::string(100000, 'v');
  EXPECT_EQ(folderFor(services), "/fallback");
}

// The folder beside the binary comes first, but only when it is there; the
// host's folder and the fallback then apply exactly as without it, and a
// binary folder too long for the buffer is passed over rather than cut short.
TEST(FindPluginFolderTest, folderBesideTheBinaryWinsOnlyWhenItIsThere)
{
  struct Case {
    const char* what;
    std::optional<std::string> binaryFolder;
    bool besideIsThere;
    std::optional<std::string> registryPath;
    std::string expected;
  };
  const std::string longFolder(251, 'b');  // with "/Brasklin" one byte too many for the buffer
  const std::vector<Case> cases = {
      {"beside wins over the registry", "/plugins/mine", true, "/vst", "/plugins/mine/Brasklin"},
      {"beside wins without a registry", "/plugins/mine", true, std::nullopt, "/plugins/mine/Brasklin"},
      {"nothing beside: the registry", "/plugins/mine", false, "/vst", "/vst/Brasklin"},
      {"nothing beside, no registry: the fallback", "/plugins/mine", false, std::nullopt, "/fallback"},
      {"binary folder unknown: the registry", std::nullopt, true, "/vst", "/vst/Brasklin"},
      {"binary folder empty: the registry", "", true, "/vst", "/vst/Brasklin"},
      {"binary folder too long: the registry", longFolder, true, "/vst", "/vst/Brasklin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatformServices services;
    services.fallback = "/fallback";
    services.binaryFolder = c.binaryFolder;
    services.registryPath = c.registryPath;
    const bool besideIsThere = c.besideIsThere;
    services.isMissing = [besideIsThere](const std::string&) { return !besideIsThere; };
    EXPECT_EQ(folderFor(services), c.expected);
    // Only the folder beside the binary is tested here, and only when its path fits.
    const bool tested = c.binaryFolder && !c.binaryFolder->empty() && *c.binaryFolder != longFolder;
    EXPECT_EQ(services.folderQueries.size(), tested ? 1u : 0u);
  }
}
