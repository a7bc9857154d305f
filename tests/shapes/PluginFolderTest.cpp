#include "platform/fake/FakePlatformServices.h"
#include "shapes/PluginFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string folderFor(FakePlatformServices& services)
{
    PathBuffer folder;
    folder.fill('#');
    findPluginFolder(services, folder);
    return folder.data();
}

} // namespace

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
