// Program and bank files: bytes packed here field by field (not by the
// project's writer) read back exactly, the writer packs the same bytes, every
// kind of damage is refused with its own message, the table the build made of
// the factory sounds' list holds the list exactly, and the factory bank the
// build generated is whole.
#include "effect/FactorySounds.h"
#include "effect/ParameterTable.h"
#include "vst2/PluginIdentity.h"
#include "presets/FactoryList.h"
#include "presets/PresetFile.h"
#include "presets/ProgramList.h"
#include "tests/support/preset_packing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using packing::BankFields;
using packing::packBank;
using packing::packProgram;
using packing::ProgramFields;

namespace {

const int32_t kBrKl = fourCharCode("BrKl");

std::string asText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

ProgramFields programFields(const std::string& name, std::vector<float> values)
{
  ProgramFields fields;
  fields.nameField = name;
  fields.values = std::move(values);
  return fields;
}

TEST(PresetFileTest, independentlyPackedFilesReadBackAndTheWriterPacksTheSameBytes)
{
  const std::vector<float> dubValues = {0.0f, 0.25f, 1.0f, 0.33333334f, std::nextafter(1.0f, 0.0f)};
  const std::string dub = packProgram(programFields("Dub Bass", dubValues));
  PresetProgram program;
  std::string error;
  ASSERT_TRUE(readProgramFile(dub, kBrKl, program, error)) << error;
  EXPECT_EQ(program.name, "Dub Bass");
  EXPECT_EQ(program.values, dubValues);
  EXPECT_EQ(asText(writeProgramFile({"Dub Bass", dubValues}, {kBrKl, 1})), dub);

  // A bank of programs of different lengths, one of them with no parameter.
  BankFields bankFields;
  bankFields.programs = {dub, packProgram(programFields("", {})), packProgram(programFields("Lead", {0.5f, 0.75f}))};
  const std::string bankBytes = packBank(bankFields);
  PresetBank bank;
  ASSERT_TRUE(readBankFile(bankBytes, kBrKl, bank, error)) << error;
  ASSERT_EQ(bank.size(), 3u);
  EXPECT_EQ(bank[0].values, dubValues);
  EXPECT_EQ(bank[1].name, "");
  EXPECT_TRUE(bank[1].values.empty());
  EXPECT_EQ(bank[2].name, "Lead");
  EXPECT_EQ(bank[2].values, (std::vector<float>{0.5f, 0.75f}));
  EXPECT_EQ(asText(writeBankFile(bank, {kBrKl, 1})), bankBytes);
  // Version 2 banks (the current program in the reserved bytes) read the same.
  bankFields.formVersion = 2;
  ASSERT_TRUE(readBankFile(packBank(bankFields), kBrKl, bank, error)) << error;
  EXPECT_EQ(bank.size(), 3u);

  // Names: an unterminated 28-byte field keeps 23 bytes; a cut never splits a
  // UTF-8 character; the writer cuts the same way and pads with zeros.
  const std::string full(28, 'x');
  ASSERT_TRUE(readProgramFile(packProgram(programFields(full, {0.5f})), kBrKl, program, error)) << error;
  EXPECT_EQ(program.name, std::string(23, 'x'));
  const std::string accented = std::string(22, 'a') + "\xC3\xA9" + "b";  // the é would end at byte 24
  ASSERT_TRUE(readProgramFile(packProgram(programFields(accented, {0.5f})), kBrKl, program, error)) << error;
  EXPECT_EQ(program.name, std::string(22, 'a'));
  EXPECT_EQ(asText(writeProgramFile({full, {0.5f}}, {kBrKl, 1})),
            packProgram(programFields(std::string(23, 'x'), {0.5f})));
}

// robustness: damaged program and bank files (wrong magic, plug-in id, form, version, counts, truncation, values) => refused, one message each naming what is wrong
TEST(PresetFileTest, eachDamageIsRefusedWithItsOwnMessage)
{
  const std::vector<float> values = {0.1f, 0.2f, 0.3f};
  const ProgramFields good = programFields("Good", values);
  const std::string goodProgram = packProgram(good);
  auto program = [&](auto change) {
    ProgramFields fields = good;
    change(fields);
    return packProgram(fields);
  };
  auto bank = [&](auto change) {
    BankFields fields;
    fields.programs = {goodProgram, goodProgram};
    change(fields);
    return packBank(fields);
  };
  struct Case {
    const char* what;
    std::string bytes;
    bool isBank;
    std::string message;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const std::vector<Case> cases = {
      {"empty file", "", false, "is truncated: 0 bytes, shorter than a chunk header"},
      {"cut inside the header", goodProgram.substr(0, 14), false, "is truncated: its header counts"},
      {"cut inside the values", goodProgram.substr(0, goodProgram.size() - 2), false,
       "is truncated: its header counts"},
      {"wrong magic", program([](ProgramFields& f) { f.magic = "RIFF"; }), false, "starts with 'RIFF', not 'CcnK'"},
      {"unprintable magic", program([](ProgramFields& f) { f.magic = std::string("\x01\x02\x03\x04", 4); }), false,
       "starts with 0x01020304"},
      {"wrong plug-in", program([](ProgramFields& f) { f.pluginId = "Othr"; }), false,
       "is for the plug-in 'Othr', not 'BrKl'"},
      {"size field short of the file", program([](ProgramFields& f) { f.byteSize = 56; }), false,
       "the file has 60 bytes after the size field, its header counts 56"},
      {"trailing bytes", goodProgram + "xyz", false,
       "the file has 63 bytes after the size field, its header counts 60"},
      {"negative size", program([](ProgramFields& f) { f.byteSize = -4; }), false, "its header counts -4 bytes"},
      {"parameter count too high", program([](ProgramFields& f) { f.count = 4; }), false,
       "declares 4 parameters, but its size leaves 12 bytes"},
      {"negative parameter count", program([](ProgramFields& f) { f.count = -1; }), false, "declares -1 parameters"},
      {"not a number", program([&](ProgramFields& f) { f.values[1] = nan; }), false,
       "parameter 1: the value is not a finite number"},
      {"infinite", program([&](ProgramFields& f) { f.values[2] = infinity; }), false, "not a finite number"},
      {"above 1", program([](ProgramFields& f) { f.values[0] = 1.5f; }), false,
       "parameter 0: the value 1.5 is outside 0 to 1"},
      {"below 0", program([](ProgramFields& f) { f.values[0] = -0.25f; }), false, "-0.25 is outside 0 to 1"},
      {"opaque program", program([](ProgramFields& f) { f.form = "FPCh"; }), false,
       "opaque chunk ('FPCh'): this plug-in saves no chunks"},
      {"unknown form", program([](ProgramFields& f) { f.form = "Junk"; }), false, "unknown form 'Junk'"},
      {"program version 2", program([](ProgramFields& f) { f.formVersion = 2; }), false, "program format version 2"},
      {"a bank where a program belongs", bank([](BankFields&) {}), false,
       "holds a bank ('FxBk'), not a single program"},
      {"a program where a bank belongs", goodProgram, true, "holds a single program ('FxCk'), not a bank"},
      {"opaque bank", bank([](BankFields& f) { f.form = "FBCh"; }), true, "opaque chunk ('FBCh')"},
      {"bank for another plug-in", bank([](BankFields& f) { f.pluginId = "Othr"; }), true, "for the plug-in 'Othr'"},
      {"bank version 3", bank([](BankFields& f) { f.formVersion = 3; }), true, "bank format version 3"},
      {"more programs declared", bank([](BankFields& f) { f.count = 3; }), true, "declares 3 programs but holds 2"},
      {"fewer programs declared", bank([](BankFields& f) { f.count = 1; }), true,
       "declares 1 programs, but 68 more bytes follow them"},
      {"negative program count", bank([](BankFields& f) { f.count = -2; }), true, "declares -2 programs"},
      {"bank cut short", bank([](BankFields&) {}).substr(0, 100), true, "is truncated"},
      {"bank size field past the end", bank([](BankFields& f) { f.byteSize = 1000; }), true, "is truncated"},
      {"a program for another plug-in inside",
       bank([&](BankFields& f) { f.programs[1] = program([](ProgramFields& p) { p.pluginId = "Othr"; }); }), true,
       "program 1 is for the plug-in 'Othr'"},
      {"a damaged program inside",
       bank([&](BankFields& f) { f.programs[0] = program([](ProgramFields& p) { p.values[2] = 2.0f; }); }), true,
       "program 0, parameter 2: the value 2 is outside 0 to 1"},
      {"an opaque program inside",
       bank([&](BankFields& f) { f.programs[1] = program([](ProgramFields& p) { p.form = "FPCh"; }); }), true,
       "program 1 holds an opaque chunk"},
      {"a chunk too short for a program inside", bank([&](BankFields& f) {
         f.programs[1] = goodProgram.substr(0, 4) + std::string("\0\0\0\x10", 4) + goodProgram.substr(8, 16);
       }),
       true, "program 1 is truncated: 24 bytes, a program needs at least 56"},
      {"garbage instead of a program", bank([](BankFields& f) { f.programs[1] = std::string(64, 'z'); }), true,
       "program 1 is not a preset chunk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    bool read = false;
    if (c.isBank) {
      PresetBank bank;
      read = readBankFile(c.bytes, kBrKl, bank, error);
    } else {
      PresetProgram program;
      read = readProgramFile(c.bytes, kBrKl, program, error);
    }
    EXPECT_FALSE(read);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

// A table like the plug-in's, one parameter longer than any source below
// names, and with a mirrored entry.
const std::vector<ProgramListParameter> kListParameters = {
    {" Alpha ", 0.1f, -1}, {" Beta  Two", 0.2f, -1}, {"", 0.3f, 0}, {" Gamma", 0.4f, -1}};

TEST(ProgramListTest, namedValuesOverInitialOnesAndMirrorsFollow)
{
  PresetBank bank;
  std::string error;
  ASSERT_TRUE(
      parseProgramList("# factory\n\n[First One]\n  alpha = 0.5  # a comment\nBETA  TWO=1\n[Second]\r\n"
                       "Gamma = 0\n",
                       kListParameters, bank, error))
      << error;
  ASSERT_EQ(bank.size(), 2u);
  EXPECT_EQ(bank[0].name, "First One");
  EXPECT_EQ(bank[0].values, (std::vector<float>{0.5f, 1.0f, 0.5f, 0.4f}));
  EXPECT_EQ(bank[1].name, "Second");
  EXPECT_EQ(bank[1].values, (std::vector<float>{0.1f, 0.2f, 0.1f, 0.0f}));
}

TEST(ProgramListTest, refusesWhatWouldMakeABrokenBankNamingTheLine)
{
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"[A]\nDelta = 0.5\n", "line 2: unknown parameter 'delta'"},
      {"[A]\n = 0.5\n", "line 2: unknown parameter ''"},
      {"[A]\nalpha = 0.5\nAlpha = 0.6\n", "line 3: 'alpha' is set twice"},
      {"[A]\nalpha = loud\n", "line 2: the value of 'alpha' is not a number: 'loud'"},
      {"[A]\nalpha = 0.5x\n", "is not a number"},
      {"[A]\nalpha = 1.5\n", "line 2: 'alpha': the value 1.5 is outside 0 to 1"},
      {"[A]\nalpha = nan\n", "not a finite number"},
      {"alpha = 0.5\n[A]\n", "line 1: a setting before the first"},
      {"[A]\njust words\n", "line 2: expected '[Program Name]'"},
      {"[A\n", "line 1: a program name needs its closing ']'"},
      {"[  ]\n", "line 1: a program needs a name"},
      {"[" + std::string(24, 'n') + "]\n", "is longer than 23 bytes"},
      {"[AC/DC]\n", "cannot be a file name"},
      {"[What?]\n", "cannot be a file name"},
      {"[Dots.]\n", "cannot be a file name"},
      {"[Twin]\n[twin]\n", "line 2: a second program named 'twin'"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    PresetBank bank;
    std::string error;
    EXPECT_FALSE(parseProgramList(text, kListParameters, bank, error));
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
}

// The plug-in builds its programs from the table, so a sound the generator
// dropped, reordered, renamed or rounded differently would differ from the
// list that README and users read.
TEST(FactoryBankTest, theTableBuiltFromTheListHoldsEverySoundOfItExactly)
{
  std::string text;
  std::string error;
  ASSERT_TRUE(readPresetBytes(FACTORY_SOURCE, text, error)) << error;
  PresetBank listed;
  ASSERT_TRUE(readFactoryList(text, listed, error)) << error;
  ASSERT_EQ(listed.size(), 15u) << "one sound for each program after Init";
  ASSERT_EQ(factorySounds().size(), listed.size());
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const FactorySound& built = factorySounds()[i];
    SCOPED_TRACE(listed[i].name);
    EXPECT_EQ(built.name, listed[i].name);
    EXPECT_EQ(std::vector<float>(built.values.begin(), built.values.end()), listed[i].values);
  }
}

TEST(FactoryBankTest, holdsSixteenNamedWholeProgramsAndEachSoundAlsoInItsOwnFile)
{
  const fs::path folder = FACTORY_PRESETS_DIR;
  std::string bytes;
  std::string error;
  ASSERT_TRUE(readPresetBytes((folder / "Brasklin Factory.fxb").string(), bytes, error)) << error;
  PresetBank bank;
  ASSERT_TRUE(readBankFile(bytes, kPluginUniqueId, bank, error)) << error;
  ASSERT_EQ(bank.size(), 16u);
  // Program 0 is the Init program, as a host saves it from a new instance.
  EXPECT_EQ(bank[0].name, "Init 1");
  for (int32_t index = 0; index < kParameterCount; ++index)
    EXPECT_EQ(bank[0].values[static_cast<std::size_t>(index)], reportedValue(index, parameterInfo(index).initialValue))
        << index;
  std::set<std::string> names;
  std::set<std::vector<float>> settings;
  for (std::size_t number = 0; number < bank.size(); ++number) {
    const PresetProgram& program = bank[number];
    SCOPED_TRACE(program.name);
    EXPECT_FALSE(program.name.empty());
    EXPECT_LE(program.name.size(), 23u);
    names.insert(program.name);
    ASSERT_EQ(program.values.size(), static_cast<size_t>(kParameterCount));
    settings.insert(program.values);
    // Hosts apply the values in index order: the second delay-time entry
    // must not undo the first.
    EXPECT_EQ(program.values[delayTimeAltParameter], program.values[delayTimeParameter]);
    if (number == 0) continue;
    PresetProgram single;
    ASSERT_TRUE(readPresetBytes((folder / (program.name + ".fxp")).string(), bytes, error)) << error;
    ASSERT_TRUE(readProgramFile(bytes, kPluginUniqueId, single, error)) << error;
    EXPECT_EQ(single.name, program.name);
    EXPECT_EQ(single.values, program.values);
  }
  EXPECT_EQ(names.size(), 16u);
  EXPECT_EQ(settings.size(), 16u);
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(folder)) files += entry.path().extension() == ".fxp";
  EXPECT_EQ(files, 15u);
}

}  // namespace
