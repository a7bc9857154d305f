// The shipped brasklin.dll finding its Brasklin folder the way users install
// it: a copy of the DLL in a folder of its own that the registry does not
// name, loaded with LoadLibrary like a host loads it, and asked through the
// descriptor which wave shape it loaded (the " WaveShape " display). Each
// place a Brasklin folder can lie gets a list with a shape of its own name, so
// the display tells which folder won.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "vst2/interface/AEffect.h"
#include "tests/vst2/FakeHost.h"
#include "tests/shapes/ShapeFiles.h"
#include "tests/windows/PluginSessionSupport.h"

namespace {

namespace fs = std::filesystem;
using EntryFunction = AEffect* (*)(audioMasterCallback);

constexpr const char* kFolderMessage =
    "Brasklin cannot find the Brasklin folder. It should be in the VST-Plugins folder. "
    "If you don't have one, try puting the Brasklin folder in C:\\";

std::string shippedPlugin()
{
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path(buffer, length);
  path.erase(path.find_last_of("\\/") + 1);
  for (const char c : std::string(BRASKLIN_PLUGIN_PATH)) {
    path += c == '/' ? '\\' : c;
  }
  return path;
}

// A Brasklin folder in `parent` whose one shape is called `shape`.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): a folder and a name, the order they nest in
void writeShapeFolder(const fs::path& parent, const std::string& shape)
{
  const fs::path folder = parent / "Brasklin";
  fs::create_directories(folder);
  shapetest::writeWave(folder / (shape + ".wav"), shapetest::rampCycle());
  shapetest::writeBytes(folder / "WaveShapes.txt", shape + ".wav;");
}

// The registry's VST folder for the test's length; what was there before
// (value and key) is put back afterwards.
class VstFolderValue {
public:
  VstFolderValue()
  {
    HKEY key = nullptr;
    keyExisted_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\VST", 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (keyExisted_) {
      DWORD size = 0;
      if (RegQueryValueExA(key, "VSTPluginsPath", nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        saved_.resize(size);
        valueExisted_ = RegQueryValueExA(key, "VSTPluginsPath", nullptr, &type_, saved_.data(), &size) == ERROR_SUCCESS;
      }
      RegCloseKey(key);
    }
  }
  ~VstFolderValue()
  {
    if (valueExisted_) {
      write(type_, saved_);
    } else if (keyExisted_) {
      remove();
    } else {
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\VST");
    }
  }
  VstFolderValue(const VstFolderValue&) = delete;
  VstFolderValue& operator=(const VstFolderValue&) = delete;

  void set(const std::string& folder)
  {
    std::vector<BYTE> bytes(folder.begin(), folder.end());
    bytes.push_back(0);
    write(REG_SZ, bytes);
  }
  void remove()
  {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\VST", 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, "VSTPluginsPath");
      RegCloseKey(key);
    }
  }

private:
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): type and data, as RegSetValueExA takes them
  void write(DWORD type, const std::vector<BYTE>& bytes)
  {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\VST", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "VSTPluginsPath", 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  bool keyExisted_ = false;
  bool valueExisted_ = false;
  DWORD type_ = REG_NONE;
  std::vector<BYTE> saved_;
};

// What a host sees after constructing the effect from one copy of the DLL.
struct Outcome {
  bool loaded = false;
  std::string shape;  // parameter 0's display: the loaded shape's name, empty when the effect is inert
  int boxes = 0;
  std::string boxText;
};

// Loads `dll` (a wide path, so it may exceed the ANSI calls' limit), builds
// the effect, reads the selected shape's name and unloads it again.
Outcome constructFrom(const fs::path& dll)
{
  Outcome outcome;
  MessageBoxWatcher watcher;
  HMODULE module = LoadLibraryW(dll.wstring().c_str());
  if (module == nullptr) {
    ADD_FAILURE() << "LoadLibrary error " << GetLastError() << " for " << dll.string();
    return outcome;
  }
  const auto entry = reinterpret_cast<EntryFunction>(reinterpret_cast<void*>(GetProcAddress(module, "main")));
  FakeHost host;
  host.answer(audioMasterVersion, 2400);
  AEffect* effect = entry != nullptr ? entry(FakeHost::callback) : nullptr;
  if (effect != nullptr) {
    outcome.loaded = true;
    char text[64] = {};
    effect->dispatcher(effect, effGetParamDisplay, 0, 0, text, 0.0f);
    outcome.shape = text;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  watcher.stop();
  outcome.boxes = watcher.boxes.load();
  outcome.boxText = watcher.lastText();
  FreeLibrary(module);
  return outcome;
}

// A scratch tree: "plugins" (a host's folder of the user's own, holding the
// DLL copy) and "registered" (the folder the registry names), each with or
// without a Brasklin folder as the test sets up.
class PluginFolderLookup : public ::testing::Test {
protected:
  void SetUp() override
  {
    plugins = temp.makeFolder("plugins");
    registered = temp.makeFolder("registered");
    fs::copy_file(shippedPlugin(), plugins / "brasklin.dll");
  }

  fs::path dll() const { return plugins / "brasklin.dll"; }

  shapetest::TempFolder temp;
  fs::path plugins;
  fs::path registered;
  VstFolderValue registry;
};

TEST_F(PluginFolderLookup, folderBesideTheDllWinsOverTheRegisteredOne)
{
  writeShapeFolder(plugins, "Beside");
  writeShapeFolder(registered, "Host");

  registry.set(registered.string());
  Outcome outcome = constructFrom(dll());
  EXPECT_TRUE(outcome.loaded);
  EXPECT_EQ(outcome.shape, "Beside");
  EXPECT_EQ(outcome.boxes, 0) << outcome.boxText;

  // An installer that wrote no registry value at all.
  registry.remove();
  outcome = constructFrom(dll());
  EXPECT_EQ(outcome.shape, "Beside");
  EXPECT_EQ(outcome.boxes, 0) << outcome.boxText;
}

TEST_F(PluginFolderLookup, nothingBesideTheDllLeavesTheRegistryRuleAndTheFixedFolder)
{
  writeShapeFolder(registered, "Host");
  registry.set(registered.string());
  Outcome outcome = constructFrom(dll());
  EXPECT_EQ(outcome.shape, "Host");
  EXPECT_EQ(outcome.boxes, 0) << outcome.boxText;

  // The fixed folder belongs to the machine; only one this test makes may be
  // filled and removed again.
  const fs::path fixed = "c:\\Brasklin";
  if (fs::exists(fixed)) {
    GTEST_SKIP() << "c:\\Brasklin exists on this machine; not touching it";
  }
  fs::remove_all(registered / "Brasklin");
  outcome = constructFrom(dll());
  EXPECT_TRUE(outcome.loaded);
  EXPECT_EQ(outcome.shape, "") << "an inert effect shows no shape";
  EXPECT_EQ(outcome.boxes, 1);
  EXPECT_EQ(outcome.boxText, kFolderMessage);

  writeShapeFolder("c:\\", "Fixed");
  outcome = constructFrom(dll());
  EXPECT_EQ(outcome.shape, "Fixed") << "the registered folder holds no Brasklin folder";
  registry.remove();
  const Outcome withoutRegistry = constructFrom(dll());
  fs::remove_all(fixed);
  EXPECT_EQ(outcome.boxes, 0) << outcome.boxText;
  EXPECT_EQ(withoutRegistry.shape, "Fixed") << "no registry value";
  EXPECT_EQ(withoutRegistry.boxes, 0) << withoutRegistry.boxText;
}

TEST_F(PluginFolderLookup, dllPathLongerThanThePathBufferFallsBackToTheRegistry)
{
  // A long file name keeps every folder short: only the DLL's own path (260
  // bytes or more) does not fit, so the folder beside it cannot be trusted
  // from a cut-off path, although one is there.
  const std::string prefix = plugins.string() + "\\";
  const fs::path longDll = plugins / (std::string(270 - prefix.size() - 4, 'x') + ".dll");
  ASSERT_GE(longDll.string().size(), 260u);
  fs::copy_file(dll(), longDll);
  writeShapeFolder(plugins, "Beside");
  writeShapeFolder(registered, "Host");
  registry.set(registered.string());

  const Outcome outcome = constructFrom(longDll);
  EXPECT_TRUE(outcome.loaded);
  EXPECT_EQ(outcome.shape, "Host");
  EXPECT_EQ(outcome.boxes, 0) << outcome.boxText;

  // The same DLL under a short name next to it finds its own folder.
  EXPECT_EQ(constructFrom(dll()).shape, "Beside");
}

}  // namespace
