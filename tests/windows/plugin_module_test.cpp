// Loads plug-in DLLs the way a Windows host does: LoadLibrary, the entry looked
// up by the name `main` with GetProcAddress, then a short session through the
// descriptor. Also reads each module's export directory from its loaded image,
// so a stray export (an internal symbol, an ordinal-only entry) is caught on
// the system that would see it, not only by the build's objdump check.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <array>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "BrasklinVersion.h"
#include "effect/FactorySounds.h"
#include "tests/vst2/FakeHost.h"
#include "tests/windows/PluginSessionSupport.h"
#include "tests/windows/ModuleProbeProtocol.h"

namespace {

using EntryFunction = AEffect* (*)(audioMasterCallback);

// Modules are found relative to this program's own folder, so the test works
// wherever the build tree lies (a wine drive, a copied folder on Windows).
std::string besideThisProgram(const std::string& relativePath)
{
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path(buffer, length);
  path.erase(path.find_last_of("\\/") + 1);
  for (char c : relativePath) {
    path += c == '/' ? '\\' : c;
  }
  return path;
}

struct ExportTable {
  std::set<std::string> names;
  DWORD functionCount = 0;  // named and ordinal-only exports together
};

ExportTable exportTableOf(HMODULE module)
{
  ExportTable table;
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
    ADD_FAILURE() << "not a PE image";
    return table;
  }
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.VirtualAddress == 0) {
    return table;
  }
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* nameAddresses = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    table.names.insert(reinterpret_cast<const char*>(base + nameAddresses[i]));
  }
  table.functionCount = exports->NumberOfFunctions;
  return table;
}

class LoadedModule {
public:
  explicit LoadedModule(const std::string& path) : handle(LoadLibraryA(path.c_str()))
  {
    error = handle == nullptr ? GetLastError() : 0;
  }
  ~LoadedModule()
  {
    if (handle != nullptr) {
      FreeLibrary(handle);
    }
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  EntryFunction entry(const char* name) const
  {
    return reinterpret_cast<EntryFunction>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
  }

  HMODULE handle;
  DWORD error;
};

const std::string kProbePath = "brasklin_module_probe.dll";

// Every plug-in module the build makes must pass the export checks.
std::vector<std::string> pluginModules()
{
  std::vector<std::string> modules{kProbePath};
#ifdef BRASKLIN_PLUGIN_PATH
  modules.push_back(BRASKLIN_PLUGIN_PATH);
#endif
  return modules;
}

class PluginModuleExports : public ::testing::TestWithParam<std::string> {};

TEST_P(PluginModuleExports, loadsWithOnlySystemDllsAndExportsOnlyMain)
{
  // LoadLibrary fails (error 126) when an imported DLL, such as a compiler
  // runtime that was not linked in statically, is missing.
  LoadedModule module(besideThisProgram(GetParam()));
  ASSERT_NE(module.handle, nullptr) << GetParam() << ": LoadLibrary error " << module.error;

  const ExportTable table = exportTableOf(module.handle);
  EXPECT_EQ(table.names, std::set<std::string>{"main"});
  EXPECT_EQ(table.functionCount, 1u) << "ordinal-only exports present";
  EXPECT_NE(module.entry("main"), nullptr);
  for (const char* internal :
       {"brasklinPluginEntry", "VSTPluginMain", "createEffectInstance", "DllMain", "moduleHandle", "outOfMemory"}) {
    EXPECT_EQ(module.entry(internal), nullptr) << internal << " is exported";
  }
}

INSTANTIATE_TEST_SUITE_P(Built, PluginModuleExports, ::testing::ValuesIn(pluginModules()));

class ProbeModule : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_NE(module.handle, nullptr) << "LoadLibrary error " << module.error; }

  LoadedModule module{besideThisProgram(kProbePath)};
  FakeHost host;
};

TEST_F(ProbeModule, hostSessionThroughMain)
{
  EntryFunction start = module.entry("main");
  ASSERT_NE(start, nullptr);

  EXPECT_EQ(start(FakeHost::callback), nullptr) << "a host answering version 0 must get nothing";
  EXPECT_EQ(host.calls().size(), 1u) << "only the version question, no effect built and destroyed";

  host.answer(audioMasterVersion, 2400);
  AEffect* effect = start(FakeHost::callback);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->magic, kEffectMagic);
  EXPECT_EQ(effect->uniqueID, kModuleProbeUniqueId);
  EXPECT_EQ(effect->flags, effFlagsCanReplacing);
  EXPECT_EQ(effect->dispatcher(effect, effIdentify, 0, 0, nullptr, 0.0f), fourCharCode("NvEf"));

  float input[3] = {0.5f, 0.5f, 0.5f};
  float left[3] = {1.0f, 1.0f, 1.0f};
  float right[3] = {1.0f, 1.0f, 1.0f};
  float* inputs[2] = {input, input};
  float* outputs[2] = {left, right};
  effect->processReplacing(effect, inputs, outputs, 2);
  EXPECT_EQ(left[0], kModuleProbeSample);
  EXPECT_EQ(left[1], kModuleProbeSample);
  EXPECT_EQ(left[2], 1.0f) << "wrote past the block";
  effect->process(effect, inputs, outputs, 1);
  EXPECT_EQ(left[0], 2.0f * kModuleProbeSample) << "the accumulating routine must add";

  EXPECT_TRUE(host.callsWith(kModuleProbeDestroyedOpcode).empty());
  EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(host.callsWith(kModuleProbeDestroyedOpcode).size(), 1u);
}

TEST_F(ProbeModule, dllEntryKeepsTheModuleHandleThroughThreadNotifications)
{
  host.answer(audioMasterVersion, 1);
  AEffect* effect = module.entry("main")(FakeHost::callback);
  ASSERT_NE(effect, nullptr);
  const auto handleSeenByModule = [effect] {
    return reinterpret_cast<HMODULE>(effect->dispatcher(effect, kModuleProbeHandleOpcode, 0, 0, nullptr, 0.0f));
  };
  EXPECT_EQ(handleSeenByModule(), module.handle);

  // A thread's start and end call the entry point again with other reasons;
  // the handle must survive them.
  std::thread([] {}).join();
  EXPECT_EQ(handleSeenByModule(), module.handle);

  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

// Width and height as the BMP file's own header gives them.
std::pair<int32_t, int32_t> bmpFileSize(int id)
{
  std::ifstream file(std::string(BRASKLIN_BITMAP_DIR) + "/bmp" + std::to_string(id) + ".bmp", std::ios::binary);
  unsigned char header[26] = {};
  file.read(reinterpret_cast<char*>(header), sizeof header);
  const auto le32 = [&](int at) {
    return static_cast<int32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                static_cast<uint32_t>(header[at + 3]) << 24);
  };
  return {le32(18), le32(22)};
}

TEST_F(ProbeModule, bitmapResourcesLoadFromTheModule)
{
  for (int id = 128; id <= 138; ++id) {
    SCOPED_TRACE(id);
    const auto [width, height] = bmpFileSize(id);
    ASSERT_GT(width, 0) << "cannot read the BMP file";
    HBITMAP bitmap = LoadBitmapA(module.handle, MAKEINTRESOURCEA(id));
    ASSERT_NE(bitmap, nullptr) << "resource missing from the DLL";
    BITMAP info = {};
    ASSERT_NE(GetObjectA(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, width);
    EXPECT_EQ(info.bmHeight, height < 0 ? -height : height);
    DeleteObject(bitmap);
  }
  EXPECT_EQ(LoadBitmapA(module.handle, MAKEINTRESOURCEA(139)), nullptr) << "only eleven bitmaps";
}

#ifdef BRASKLIN_PLUGIN_PATH

// The shipped DLL answers what VST 2.4 hosts ask as the Linux plug-in does
// (the figures are the ones the effect's own tests check on Linux).
class ShippedPlugin : public ::testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_TRUE(folder.set());
    ASSERT_NE(module.handle, nullptr) << "LoadLibrary error " << module.error;
    host.answer(audioMasterVersion, 2400);
    effect = module.entry("main")(FakeHost::callback);
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(watcher.boxes.load(), 0) << "the plug-in could not load its wave shapes";
    dispatch(effOpen);
  }
  void TearDown() override
  {
    if (effect != nullptr) dispatch(effClose);
  }
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr)
  {
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
  }
  // The text written into a buffer of `size` bytes; bytes beyond it must stay.
  std::string askText(int32_t opcode, std::size_t size, int32_t index = 0)
  {
    std::array<char, 128> buffer{};
    buffer.fill('\x5a');
    EXPECT_EQ(dispatch(opcode, index, 0, buffer.data()), 1) << "opcode " << opcode;
    for (std::size_t i = size; i < buffer.size(); ++i)
      EXPECT_EQ(buffer[i], '\x5a') << "opcode " << opcode << " byte " << i;
    buffer[size - 1] = '\0';
    return buffer.data();
  }

  static std::string pluginPath() { return besideThisProgram(BRASKLIN_PLUGIN_PATH); }
  static std::string pluginFolder()
  {
    const std::string path = pluginPath();
    return path.substr(0, path.find_last_of("\\/"));
  }

  VstFolderSetting folder{pluginFolder()};
  MessageBoxWatcher watcher;
  LoadedModule module{pluginPath()};
  FakeHost host;
  AEffect* effect = nullptr;
};

TEST_F(ShippedPlugin, answersIdentityAutomationProgramNamesSwitchesAndTail)
{
  EXPECT_EQ(askText(effGetEffectName, kVstMaxEffectNameBytes), "Brasklin");
  EXPECT_EQ(askText(effGetVendorString, kVstMaxVendorStringBytes), "Brasklin");
  EXPECT_EQ(askText(effGetProductString, kVstMaxProductStringBytes), "Brasklin");
  EXPECT_EQ(dispatch(effGetVendorVersion), kBrasklinVendorVersion);
  EXPECT_EQ(dispatch(effGetPlugCategory), 1);
  EXPECT_EQ(dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(effect->flags, effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing);
  // Every parameter but 11, the unnamed second entry for the delay time.
  ASSERT_EQ(effect->numParams, 24);
  for (int32_t index = -1; index <= effect->numParams; ++index) {
    EXPECT_EQ(dispatch(effCanBeAutomated, index), index >= 0 && index < effect->numParams && index != 11 ? 1 : 0)
        << index;
  }
  char insert[] = "plugAsChannelInsert";
  char midi[] = "receiveVstMidiEvent";
  char unknown[] = "somethingElse";
  EXPECT_EQ(dispatch(effCanDo, 0, 0, insert), 1);
  EXPECT_EQ(dispatch(effCanDo, 0, 0, midi), -1);
  EXPECT_EQ(dispatch(effCanDo, 0, 0, unknown), 0);

  dispatch(effSetProgram, 0, 6);
  char name[] = "Renamed";
  dispatch(effSetProgramName, 0, 0, name);
  dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(askText(effGetProgramNameIndexed, kVstMaxProgramNameBytes, 6), "Renamed");
  EXPECT_EQ(askText(effGetProgramNameIndexed, kVstMaxProgramNameBytes, 0), "Init 1");
  EXPECT_EQ(askText(effGetProgramNameIndexed, kVstMaxProgramNameBytes, 15), factorySounds().back().name);
  char untouched[kVstMaxProgramNameBytes] = "untouched";
  EXPECT_EQ(dispatch(effGetProgramNameIndexed, 16, 0, untouched), 0);
  EXPECT_STREQ(untouched, "untouched");
  EXPECT_EQ(dispatch(effGetProgram), 0);

  // The switches' positions (0: a continuous parameter): the FFT length, the
  // filter type and the stage-order slots have four, Stablize, Quick Detect
  // and Precise two, Scale seven and Key twelve.
  const auto positionsOf = [](int32_t index) {
    if (index == 1 || index == 5 || (index >= 14 && index <= 17)) return 4;
    if (index == 2 || index == 3 || index == 18) return 2;
    if (index == 22) return 7;
    if (index == 23) return 12;
    return 0;
  };
  for (int32_t index = 0; index < effect->numParams; ++index) {
    std::array<unsigned char, 2 * sizeof(VstParameterProperties)> bytes{};
    bytes.fill(0xA5);
    auto* properties = reinterpret_cast<VstParameterProperties*>(bytes.data());
    const int positions = positionsOf(index);
    EXPECT_EQ(dispatch(effGetParameterProperties, index, 0, properties), positions > 0 ? 1 : 0) << index;
    for (std::size_t i = sizeof(VstParameterProperties); i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0xA5) << index;
    if (positions > 0) {
      EXPECT_EQ(properties->stepFloat, 1.0f / float(positions - 1)) << index;
      EXPECT_EQ(properties->maxInteger, 0) << index;
      EXPECT_EQ((properties->flags & kVstParameterIsSwitch) != 0, positions == 2) << index;
    }
  }

  // Program 0 at 44100 Hz: the Mox stage and the filter, then the delay's laps.
  const intptr_t noDelay = dispatch(effGetTailSize);
  EXPECT_GT(noDelay, 2048 + 1470);
  effect->setParameter(effect, 8, 0.5f);
  effect->setParameter(effect, 9, 0.2f);
  EXPECT_EQ(dispatch(effGetTailSize), noDelay + 44100);
  effect->setParameter(effect, 10, 0.5f);
  EXPECT_EQ(dispatch(effGetTailSize), noDelay + 14 * 44100);
  effect->setParameter(effect, 8, 0.0f);
  effect->setParameter(effect, 5, 0.0f);
  for (int32_t slot = 14; slot < 18; ++slot) effect->setParameter(effect, slot, 1.0f);
  EXPECT_EQ(dispatch(effGetTailSize), 1) << "nothing rings";
}

TEST_F(ShippedPlugin, versionResourceCarriesTheProjectsVersion)
{
  const std::string path = pluginPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource";
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  const int major = HIWORD(fixed->dwFileVersionMS);
  const int minor = LOWORD(fixed->dwFileVersionMS);
  const int patch = HIWORD(fixed->dwFileVersionLS);
  EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch), kBrasklinVersionText);
  EXPECT_EQ(major * 1000 + minor * 100 + patch, dispatch(effGetVendorVersion));
  char* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\ProductVersion", reinterpret_cast<void**>(&text),
                             &length));
  EXPECT_STREQ(text, kBrasklinVersionText);
}

#endif

}  // namespace
