// Loads a plug-in module built with brasklin_add_plugin the way a Linux host
// does (dlopen, look the entry up by name) and checks that the entry works and
// that the module exports nothing but its entry names.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "tests/vst2/FakeHost.h"
#include "tests/vst2/ProbePluginProtocol.h"

namespace {

using EntryFunction = AEffect* (*)(audioMasterCallback);

class ExportTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    module = dlopen(BRASKLIN_PROBE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
  }
  void TearDown() override
  {
    if (module != nullptr) {
      dlclose(module);
    }
  }
  EntryFunction entry(const char* name) { return reinterpret_cast<EntryFunction>(dlsym(module, name)); }

  // Runs a whole host session through one entry name.
  void checkSession(const char* entryName)
  {
    SCOPED_TRACE(entryName);
    FakeHost host;
    EntryFunction start = entry(entryName);
    ASSERT_NE(start, nullptr) << dlerror();

    EXPECT_EQ(start(FakeHost::callback), nullptr) << "a host answering version 0 must get nothing";

    host.answer(audioMasterVersion, 2400);
    AEffect* record = start(FakeHost::callback);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->uniqueID, kProbeUniqueId);
    EXPECT_EQ(record->numPrograms, 2);
    EXPECT_EQ(record->numParams, 3);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->flags, effFlagsCanReplacing);
    EXPECT_EQ(record->dispatcher(record, effIdentify, 0, 0, nullptr, 0.0f), 0x4E764566);

    float input[3] = {1.0f, 1.0f, 1.0f};
    float output[3] = {1.0f, 1.0f, 1.0f};
    float* inputs[2] = {input, input};
    float* outputs[2] = {output, output};
    record->processReplacing(record, inputs, outputs, 2);
    EXPECT_EQ(output[0], kProbeSample);
    EXPECT_EQ(output[1], kProbeSample);
    EXPECT_EQ(output[2], 1.0f);

    EXPECT_TRUE(host.callsWith(kProbeDestroyedOpcode).empty());
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(host.callsWith(kProbeDestroyedOpcode).size(), 1u);
  }

  void* module = nullptr;
};

std::set<std::string> exportedSymbols(const std::string& command)
{
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return names;
  }
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    // "<address> <type> <name>" per line; the name is the last field.
    std::istringstream fields(line);
    std::string field;
    std::string last;
    while (fields >> field) {
      last = field;
    }
    if (!last.empty()) {
      names.insert(last);
    }
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

}  // namespace

TEST_F(ExportTest, entryNamedMainRunsAWholeSession) { checkSession("main"); }

TEST_F(ExportTest, entryNamedVstPluginMainRunsAWholeSession) { checkSession("VSTPluginMain"); }

TEST_F(ExportTest, bothNamesLeadToTheSameEntry)
{
  // They are one function under two names (or two thin doors to it); either way
  // both must be present and distinct from the test program's own main.
  EXPECT_NE(entry("main"), nullptr);
  EXPECT_NE(entry("VSTPluginMain"), nullptr);
  EXPECT_NE(reinterpret_cast<void*>(entry("main")), dlsym(RTLD_DEFAULT, "main"));
}

TEST_F(ExportTest, internalSymbolsStayHidden)
{
  for (const char* internal :
       {"brasklinPluginEntry", "createEffectInstance", "_Z20createEffectInstancePFlP7AEffectiilPvfE",
        "_Z10pluginMainPFlP7AEffectiilPvfE", "moduleHandle", "outOfMemory", "_ZN11AudioEffect12float2stringEfPc"}) {
    EXPECT_EQ(dlsym(module, internal), nullptr) << internal << " is visible";
  }
}

TEST_F(ExportTest, dynamicSymbolTableDefinesOnlyTheEntryNames)
{
  const std::string command = std::string(BRASKLIN_NM) + " -D --defined-only '" + BRASKLIN_PROBE_PLUGIN_PATH + "'";
  const std::set<std::string> names = exportedSymbols(command);
  EXPECT_EQ(names, (std::set<std::string>{"main", "VSTPluginMain"}));
}
