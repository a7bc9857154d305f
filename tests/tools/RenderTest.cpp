// brasklin-render driven through its real binary, as a user would run it.
#include "tests/support/preset_packing.h"
#include "tests/support/signals.h"

#include "BrasklinVersion.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using signals::noise;
using signals::peak;
using signals::sine;

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

struct Clip {
  int rate = 0;
  int channels = 0;
  std::vector<float> samples;  // interleaved
  std::vector<float> channel(int c) const
  {
    std::vector<float> one;
    for (size_t i = static_cast<size_t>(c); i < samples.size(); i += static_cast<size_t>(channels))
      one.push_back(samples[i]);
    return one;
  }
};

std::string slurp(const fs::path& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string quote(const std::string& s)
{
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): rate, then format, as sf_open takes them
void writeClip(const fs::path& path, const std::vector<float>& mono, int rate,
               int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT)
{
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_writef_float(file, mono.data(), static_cast<sf_count_t>(mono.size()));
  sf_close(file);
}

Clip readClip(const fs::path& path)
{
  SF_INFO info{};
  Clip clip;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return clip;
  clip.rate = info.samplerate;
  clip.channels = info.channels;
  clip.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(file, clip.samples.data(), info.frames);
  sf_close(file);
  return clip;
}

// Pitch by the strongest normalised autocorrelation between 60 and 2000 Hz.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): where the window starts, then how long it is
double autocorrelationPitch(const std::vector<float>& x, size_t start, size_t length, int rate)
{
  const size_t minLag = static_cast<size_t>(rate / 2000);
  const size_t maxLag = static_cast<size_t>(rate / 60);
  double best = -1.0;
  size_t bestLag = 0;
  for (size_t lag = minLag; lag <= maxLag; ++lag) {
    double sum = 0.0, e0 = 0.0, e1 = 0.0;
    for (size_t i = start; i < start + length; ++i) {
      sum += x[i] * x[i + lag];
      e0 += x[i] * x[i];
      e1 += x[i + lag] * x[i + lag];
    }
    const double r = sum / std::sqrt(e0 * e1 + 1e-20);
    // Prefer the shortest lag that is nearly as good: avoids octave-down errors.
    if (r > best * 1.02 || (bestLag == 0)) {
      best = r;
      bestLag = lag;
    }
  }
  return bestLag ? static_cast<double>(rate) / static_cast<double>(bestLag) : 0.0;
}

class RenderTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    dir_ = fs::temp_directory_path() / ("brasklin-render-test-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Outcome render(const std::string& arguments)
  {
    const fs::path out = dir_ / "stdout.txt";
    const fs::path err = dir_ / "stderr.txt";
    const std::string command =
        std::string(RENDER_BINARY) + " " + arguments + " >" + quote(out) + " 2>" + quote(err) + " </dev/null";
    Outcome outcome;
    const int raw = std::system(command.c_str());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = slurp(out);
    outcome.err = slurp(err);
    return outcome;
  }

  fs::path path(const std::string& name) const { return dir_ / name; }

  fs::path dir_;
};

// Every buffer a render produces, compared sample for sample.
void expectSameSamples(const Clip& a, const Clip& b)
{
  ASSERT_EQ(a.samples.size(), b.samples.size());
  size_t differing = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) differing += a.samples[i] != b.samples[i];
  EXPECT_EQ(differing, 0u);
}

TEST_F(RenderTest, rendersThroughAnotherPluginWithProgramThenSettingsInOrder)
{
  const std::vector<float> input = sine(440.0, 48000.0, 4800, 0.25);
  writeClip(path("in.wav"), input, 48000);

  // Program 1 sets the gain to 1.0 (x2); the later --set takes it to 0.25 (x0.5),
  // and the last of two settings of the same parameter wins.
  Outcome run =
      render(std::string("--plugin ") + GAIN_PLUGIN + " --program 1 --set gain=0.9 --set ' GAIN '=0.25 --set 1=1 " +
             quote(path("in.wav")) + " " + quote(path("out.wav")) + " --quiet");
  ASSERT_EQ(run.status, 0) << run.err;
  const Clip out = readClip(path("out.wav"));
  ASSERT_EQ(out.channels, 2);
  EXPECT_EQ(out.rate, 48000);
  ASSERT_EQ(out.samples.size(), 2 * input.size());
  for (size_t i = 0; i < input.size(); ++i) {
    ASSERT_EQ(out.samples[2 * i], input[i] * 0.5f) << i;
    ASSERT_EQ(out.samples[2 * i + 1], -input[i] * 0.5f) << i;  // "Invert Right" at index 1
  }
}

TEST_F(RenderTest, accumulatingMonoRenderWithTailMatchesReplacing)
{
  const std::vector<float> input = sine(1000.0, 44100.0, 44100 / 2, 0.5);
  writeClip(path("in.aiff"), input, 44100, SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
  const std::string common =
      std::string("--plugin ") + GAIN_PLUGIN + " --mono --tail 0.25 --quiet " + quote(path("in.aiff"));
  ASSERT_EQ(render(common + " " + quote(path("replacing.flac")) + " --bits 24").status, 0);
  ASSERT_EQ(render(common + " " + quote(path("adding.flac")) + " --bits 24 --accumulate --block-size 100").status, 0);
  const Clip replacing = readClip(path("replacing.flac"));
  const Clip adding = readClip(path("adding.flac"));
  EXPECT_EQ(replacing.channels, 1);
  EXPECT_EQ(replacing.samples.size(), input.size() + 44100 / 4);
  expectSameSamples(replacing, adding);
  EXPECT_EQ(replacing.samples.back(), 0.0f);  // the tail is silence through a plain gain
}

TEST_F(RenderTest, refusesBadRequestsWithOneLineAndNeverTouchesFiles)
{
  writeClip(path("in.wav"), sine(220.0, 44100.0, 1000), 44100);
  const std::string input = slurp(path("in.wav"));
  std::ofstream(path("notes.txt")) << "not audio\n";
  fs::create_directories(path("folder"));
  const std::string plugin = std::string("--plugin ") + GAIN_PLUGIN + " ";
  struct Case {
    std::string arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {plugin + quote(path("missing.wav")) + " " + quote(path("out.wav")), "input file not found"},
      {plugin + quote(path("notes.txt")) + " " + quote(path("out.wav")), "cannot read audio file"},
      {plugin + quote(path("folder")) + " " + quote(path("out.wav")), "is a directory"},
      {plugin + quote(path("in.wav")) + " " + quote(path("no/such/dir/out.wav")), "cannot write output file"},
      {plugin + quote(path("in.wav")) + " " + quote(path("in.wav")), "must not overwrite the input"},
      {plugin + quote(path("in.wav")) + " " + quote(path("./in.wav")), "must not overwrite the input"},
      {plugin + quote(path("in.wav")) + " " + quote(path("out.wav")) + " --set Loudness=0.5",
       "unknown parameter name 'Loudness'"},
      {plugin + quote(path("in.wav")) + " " + quote(path("out.wav")) + " --set Gain=loud", "is not a number"},
      {plugin + quote(path("in.wav")) + " " + quote(path("out.wav")) + " --set 7=0.5", "out of range"},
      {plugin + quote(path("in.wav")) + " " + quote(path("out.wav")) + " --program 2", "program 2 is out of range"},
      {plugin + quote(path("in.wav")) + " " + quote(path("out.mp9")), "cannot tell the output format"},
      {plugin + quote(path("in.wav")) + " " + quote(path("out.flac")) + " --bits 32", "FLAC holds"},
      {plugin + quote(path("in.wav")) + " " + quote(path("out.wav")) + " --channel 2", "the input has 1 channel"},
      {"--plugin " + quote(path("notes.txt")) + " " + quote(path("in.wav")) + " " + quote(path("out.wav")),
       "cannot load plug-in"},
      {std::string("--plugin ") + REFUSING_PLUGIN + " " + quote(path("in.wav")) + " " + quote(path("out.wav")),
       "my data folder is missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const Outcome run = render(c.arguments);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("brasklin-render: "), std::string::npos);
    EXPECT_FALSE(fs::exists(path("out.wav")));
    EXPECT_EQ(slurp(path("in.wav")), input);
  }
  // Nothing half-written was left beside the outputs either.
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
}

TEST_F(RenderTest, versionIsTheProjectsOne)
{
  const Outcome run = render("--version");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::string("brasklin-render ") + kBrasklinVersionText + "\n");
}

TEST_F(RenderTest, listShowsIdentityParametersAndPrograms)
{
  const Outcome run = render(std::string("--plugin ") + GAIN_PLUGIN + " --list");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("unique id: 'TGai'"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("parameters: 2"), std::string::npos);
  EXPECT_NE(run.out.find("\" Gain \""), std::string::npos);
  EXPECT_NE(run.out.find("| x2"), std::string::npos);
  EXPECT_NE(run.out.find("Gain program 1"), std::string::npos);
}

void writeBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

packing::ProgramFields gainProgram(const std::string& name, std::vector<float> values)
{
  packing::ProgramFields fields;
  fields.pluginId = "TGai";
  fields.nameField = name;
  fields.values = std::move(values);
  return fields;
}

// A file may hold fewer parameters or programs than the plug-in has (one saved
// before the plug-in grew): each program it holds gives the parameters it
// lacks the values the plug-in opened with, and programs it does not hold
// stay as they were. More than the plug-in has cannot be placed and is refused.
TEST_F(RenderTest, filesWithFewerParametersGiveTheRestTheOpeningValuesAndLargerOnesAreRefused)
{
  const std::vector<float> input = sine(440.0, 48000.0, 480, 0.25);
  writeClip(path("in.wav"), input, 48000);
  const std::string plugin = std::string("--plugin ") + GAIN_PLUGIN + " --quiet ";
  const std::string files = quote(path("in.wav")) + " " + quote(path("out.wav"));
  // The test plug-in's two parameters are " Gain " and "Invert Right"; it
  // keeps no edits in its programs, so the last program selected sets the gain.
  writeBytes(path("gain-only.fxp"), packing::packProgram(gainProgram("Quiet", {0.125f})));
  packing::BankFields bank;
  bank.pluginId = "TGai";
  bank.programs = {packing::packProgram(gainProgram("Inverting", {0.5f, 1.0f}))};
  writeBytes(path("one-program.fxb"), packing::packBank(bank));

  // Bank: program 0 gets both values, and alone it plays them.
  Outcome run = render(plugin + "--bank " + quote(path("one-program.fxb")) + " " + files);
  ASSERT_EQ(run.status, 0) << run.err;
  Clip out = readClip(path("out.wav"));
  ASSERT_EQ(out.samples.size(), 2 * input.size());
  for (size_t i = 0; i < input.size(); ++i) {
    ASSERT_EQ(out.samples[2 * i], input[i]) << i;
    ASSERT_EQ(out.samples[2 * i + 1], -input[i]) << i;
  }
  // The preset then sets the gain, and "Invert Right", which it does not
  // hold, goes back to what the plug-in opened with (off).
  fs::remove(path("out.wav"));
  run = render(plugin + "--bank " + quote(path("one-program.fxb")) + " --preset " + quote(path("gain-only.fxp")) + " " +
               files);
  ASSERT_EQ(run.status, 0) << run.err;
  out = readClip(path("out.wav"));
  ASSERT_EQ(out.samples.size(), 2 * input.size());
  for (size_t i = 0; i < input.size(); ++i) {
    ASSERT_EQ(out.samples[2 * i], input[i] * 0.25f) << i;
    ASSERT_EQ(out.samples[2 * i + 1], input[i] * 0.25f) << i;
  }
  // The renamed program shows in the listing.
  run = render(plugin + "--bank " + quote(path("one-program.fxb")) + " --preset " + quote(path("gain-only.fxp")) +
               " --list");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("0.125000"), std::string::npos) << run.out;

  fs::remove(path("out.wav"));
  writeBytes(path("three.fxp"), packing::packProgram(gainProgram("Three", {0.5f, 0.5f, 0.5f})));
  bank.programs.assign(3, packing::packProgram(gainProgram("Same", {0.5f})));
  writeBytes(path("three.fxb"), packing::packBank(bank));
  for (const auto& [arguments, message] : std::vector<std::pair<std::string, std::string>>{
           {"--preset " + quote(path("three.fxp")), "the file holds 3 parameters, the plug-in has only 2"},
           {"--bank " + quote(path("three.fxb")), "the file holds 3 programs, the plug-in has only 2"}}) {
    SCOPED_TRACE(arguments);
    run = render(plugin + arguments + " " + files + " --save-bank " + quote(path("saved.fxb")));
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(path("out.wav")));
    EXPECT_FALSE(fs::exists(path("saved.fxb")));
  }
}

#ifdef BRASKLIN_PLUGIN

// The renderer saves what it has loaded and set; read back, the files give the
// same plug-in state, so the renders match sample for sample.
TEST_F(RenderTest, savedBankAndPresetLoadBackAndRenderLikeTheSettings)
{
  writeClip(path("in.wav"), sine(196.0, 44100.0, 22050, 0.5), 44100);
  const std::string plugin = std::string("--plugin ") + BRASKLIN_PLUGIN + " --quiet ";
  const std::string settings =
      " --program 2 --set WaveShape=0.4 --set 'Pitch Shift=0.6' --set 'Filter Type=0.9'"
      " --set CutOff=0.7 --set Resonance=0.5 --set 'Delay Mix=0.3' --set 'Delay Time=0.01'"
      " --set 'Delay FeedBack=0.4' --set Drive=0.2 --set Volume=0.4 --set First=1 --set Forth=0.7 ";
  const auto renderTo = [&](const std::string& arguments, const std::string& out) {
    const Outcome run = render(plugin + arguments + " " + quote(path("in.wav")) + " " + quote(path(out)));
    EXPECT_EQ(run.status, 0) << run.err;
    return readClip(path(out));
  };
  const Clip direct =
      renderTo(settings + "--save-bank " + quote(path("saved.fxb")) + " --save-preset " + quote(path("saved.fxp")),
               "direct.wav");
  EXPECT_GT(peak(direct.channel(0)), 0.05);
  // Saving without rendering gives the same files.
  ASSERT_EQ(render(plugin + settings + "--save-bank " + quote(path("only.fxb"))).status, 0);
  EXPECT_EQ(slurp(path("only.fxb")), slurp(path("saved.fxb")));

  expectSameSamples(renderTo("--bank " + quote(path("saved.fxb")) + " --program 2", "from-bank.wav"), direct);
  // The preset holds program 2's state; loaded into program 0 it renders the same.
  expectSameSamples(renderTo("--preset " + quote(path("saved.fxp")), "from-preset.wav"), direct);
  // Without selecting program 2 the bank's program 0 (all initial) plays.
  const Clip plain = renderTo("", "plain.wav");
  expectSameSamples(renderTo("--bank " + quote(path("saved.fxb")), "bank-program-0.wav"), plain);
  EXPECT_NE(plain.samples, direct.samples);

  // A program written here with 17 values (as if saved before " Forth "
  // existed) loads them; " Forth " and the parameters after it take what a
  // new instance opens with, not what the bank's program 2 held.
  packing::ProgramFields shortProgram;
  shortProgram.nameField = "Short";
  shortProgram.values = {0.0f, 0.35f, 0.0f, 0.0f, 0.5f, 0.35f, 1.0f,        0.0f,      0.0f,
                         0.0f, 0.0f,  0.0f, 0.1f, 0.5f, 0.0f,  0.33333334f, 0.6666667f};
  writeBytes(path("short.fxp"), packing::packProgram(shortProgram));
  const Outcome listing = render(plugin + "--bank " + quote(path("saved.fxb")) + " --program 2 --preset " +
                                 quote(path("short.fxp")) + " --list");
  ASSERT_EQ(listing.status, 0) << listing.err;
  EXPECT_NE(listing.out.find(" 12 | \" Drive \"         | 0.100000"), std::string::npos) << listing.out;
  EXPECT_NE(listing.out.find(" 14 | \" First \"         | 0.000000 | Mox"), std::string::npos) << listing.out;
  EXPECT_NE(listing.out.find(" 17 | \" Forth \"         | 1.000000 | Distortion"), std::string::npos) << listing.out;
  EXPECT_NE(listing.out.find("  2 | Short"), std::string::npos) << listing.out;
}

// A program saved before " Precise " existed holds 18 values: they load as
// before, and the precise detector stays off (a value of 0.5 would turn it on).
TEST_F(RenderTest, aProgramSavedBeforePreciseLoadsWithPreciseOff)
{
  packing::ProgramFields program;
  program.nameField = "Older";
  program.values.assign(18, 0.5f);
  writeBytes(path("older.fxp"), packing::packProgram(program));
  const Outcome run =
      render(std::string("--plugin ") + BRASKLIN_PLUGIN + " --preset " + quote(path("older.fxp")) + " --list");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(" 13 | \" Volume \"        | 0.500000"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(" 18 | \" Precise \"       | 0.000000 | Off"), std::string::npos) << run.out;
}

// Files written while the plug-in had 19 parameters (before the live
// controls): a bank and a program load into a program whose live controls are
// on (the factory's second), and leave all five at their initial values, the
// program's sound as it was saved.
TEST_F(RenderTest, nineteenParameterFilesLoadWithTheLiveControlsAtTheirInitialValues)
{
  const std::string plugin = std::string("--plugin ") + BRASKLIN_PLUGIN + " ";
  packing::ProgramFields older;
  older.nameField = "Nineteen";
  older.values = {0.25f, 0.67f, 0.0f,  0.0f, 0.4f, 0.35f,       0.6875f,    0.4f, 0.0f, 0.0f,
                  0.0f,  0.0f,  0.05f, 0.5f, 0.0f, 0.33333334f, 0.6666667f, 1.0f, 1.0f};
  writeBytes(path("nineteen.fxp"), packing::packProgram(older));
  packing::BankFields bank;
  bank.programs.assign(2, packing::packProgram(older));
  writeBytes(path("nineteen.fxb"), packing::packBank(bank));
  const std::vector<std::string> initial = {
      " 19 | \" Dry/Wet \"       | 1.000000 | 1.000", " 20 | \" Gate \"          | 0.000000 | off",
      " 21 | \" Glide \"         | 0.000000 | 0 ms", " 22 | \" Scale \"         | 0.000000 | Off",
      " 23 | \" Key \"           | 0.000000 | C"};
  const struct {
    const char* what;
    std::string arguments;
  } cases[] = {
      {"the bank into the factory programs", "--bank " + quote(path("nineteen.fxb")) + " --program 1"},
      {"the program into the factory's second", "--program 1 --preset " + quote(path("nineteen.fxp"))},
  };
  // The factory's second program uses the controls: loading must undo them.
  const Outcome factory = render(plugin + "--program 1 --list");
  ASSERT_EQ(factory.status, 0) << factory.err;
  ASSERT_EQ(factory.out.find(initial[0]), std::string::npos) << factory.out;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome run = render(plugin + c.arguments + " --list");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& row : initial) EXPECT_NE(run.out.find(row), std::string::npos) << row << "\n" << run.out;
    EXPECT_NE(run.out.find("  4 | \" Pitch Shift \"   | 0.400000"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  1 | Nineteen"), std::string::npos) << run.out;
  }
}

// robustness: bad --bank/--preset files and unsavable states in the renderer => one line, non-zero status, neither the audio nor a save file written
TEST_F(RenderTest, presetFileProblemsStopTheRunAndWriteNothing)
{
  writeClip(path("in.wav"), sine(220.0, 44100.0, 2000), 44100);
  const std::string io = " " + quote(path("in.wav")) + " " + quote(path("out.wav"));
  const std::string plugin = std::string("--plugin ") + BRASKLIN_PLUGIN;
  const std::string saves = " --save-bank " + quote(path("saved.fxb")) + " --save-preset " + quote(path("saved.fxp"));
  packing::ProgramFields program;
  program.nameField = "Fine";
  program.values.assign(18, 0.5f);
  writeBytes(path("fine.fxp"), packing::packProgram(program));
  packing::ProgramFields other = program;
  other.pluginId = "TGai";
  writeBytes(path("other.fxp"), packing::packProgram(other));
  packing::ProgramFields opaque = program;
  opaque.form = "FPCh";
  writeBytes(path("opaque.fxp"), packing::packProgram(opaque));
  packing::BankFields opaqueBank;
  opaqueBank.form = "FBCh";
  writeBytes(path("opaque.fxb"), packing::packBank(opaqueBank));
  writeBytes(path("cut.fxp"), packing::packProgram(program).substr(0, 40));
  packing::ProgramFields loud = program;
  loud.values[13] = 1.25f;
  writeBytes(path("loud.fxp"), packing::packProgram(loud));
  packing::ProgramFields tooMany = program;
  tooMany.values.assign(40, 0.0f);  // more than the plug-in will ever have
  writeBytes(path("forty.fxp"), packing::packProgram(tooMany));
  fs::create_directories(path("folder.fxb"));
  struct Case {
    std::string arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"--bank " + quote(path("missing.fxb")), "preset file not found"},
      {"--bank " + quote(path("folder.fxb")), "is a directory"},
      {"--preset " + quote(path("other.fxp")), "is for the plug-in 'TGai', not 'BrKl'"},
      {"--preset " + quote(path("opaque.fxp")), "this plug-in saves no chunks"},
      {"--bank " + quote(path("opaque.fxb")), "this plug-in saves no chunks"},
      {"--preset " + quote(path("cut.fxp")), "is truncated"},
      {"--preset " + quote(path("loud.fxp")), "parameter 13: the value 1.25 is outside 0 to 1"},
      {"--preset " + quote(path("forty.fxp")), "the file holds 40 parameters, the plug-in has only"},
      {"--bank " + quote(path("fine.fxp")), "holds a single program ('FxCk'), not a bank"},
      {"--set Volume=2", "cannot save program 'Init 1': parameter 13: the value 2 is outside 0 to 1"},
      {"--save-preset " + quote(path("no/such/dir/p.fxp")), "cannot write preset file"},
      {"--preset " + quote(path("fine.fxp")) + " --save-preset " + quote(path("fine.fxp")),
       "must not overwrite a file it reads"},
      {"--save-preset " + quote(path("out.wav")), "name the same file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const Outcome run =
        render(plugin + " " + c.arguments + io + (c.arguments.find("--save") == std::string::npos ? saves : ""));
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(path("out.wav")));
    EXPECT_FALSE(fs::exists(path("saved.fxb")));
    EXPECT_FALSE(fs::exists(path("saved.fxp")));
  }
  EXPECT_EQ(slurp(path("fine.fxp")), packing::packProgram(program));
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
}

// The programs of a new instance as a host lists them: "Init 1", then one
// factory sound per shipped program file. Each selected renders exactly as
// its file loaded into program 0 does, makes itself heard on the shipped
// example without clipping, and unlike any other program.
TEST_F(RenderTest, everyProgramOfANewInstanceIsItsShippedFileAudibleUnclippedAndDistinct)
{
  const std::string plugin = std::string("--plugin ") + BRASKLIN_PLUGIN + " --quiet --mono ";
  const Outcome listing = render(plugin + "--list");
  ASSERT_EQ(listing.status, 0) << listing.err;
  std::vector<std::string> names;
  std::istringstream lines(listing.out.substr(listing.out.find("\nprograms:\n")));
  for (std::string line; std::getline(lines, line);) {
    if (line.find(" | ") != std::string::npos) names.push_back(line.substr(line.find(" | ") + 3));
  }
  ASSERT_EQ(names.size(), 16u) << listing.out;
  EXPECT_EQ(names[0], "Init 1");
  const fs::path presets = fs::path(FACTORY_BANK).parent_path();
  std::set<std::string> shipped;
  for (const auto& entry : fs::directory_iterator(presets))
    if (entry.path().extension() == ".fxp") shipped.insert(entry.path().stem().string());
  EXPECT_EQ(shipped, std::set<std::string>(names.begin() + 1, names.end()));

  std::vector<std::vector<float>> outputs;
  for (int program = 0; program < 16; ++program) {
    SCOPED_TRACE(names[static_cast<size_t>(program)]);
    const std::string out = "program" + std::to_string(program) + ".wav";
    const Outcome run =
        render(plugin + "--program " + std::to_string(program) + " " + EXAMPLE_INPUT + " " + quote(path(out)));
    ASSERT_EQ(run.status, 0) << run.err;
    const Clip selected = readClip(path(out));
    if (program > 0) {
      const fs::path file = presets / (names[static_cast<size_t>(program)] + ".fxp");
      const Outcome loaded =
          render(plugin + "--preset " + quote(file) + " " + EXAMPLE_INPUT + " " + quote(path("file.wav")));
      ASSERT_EQ(loaded.status, 0) << loaded.err;
      expectSameSamples(readClip(path("file.wav")), selected);
    }
    outputs.push_back(selected.samples);
    EXPECT_GT(signals::rms(outputs.back()), 0.03);  // -30 dBFS; the example itself is at -9
    EXPECT_LT(peak(outputs.back()), 0.99);
  }
  for (size_t a = 0; a < outputs.size(); ++a) {
    for (size_t b = a + 1; b < outputs.size(); ++b) {
      ASSERT_EQ(outputs[a].size(), outputs[b].size());
      std::vector<float> difference(outputs[a].size());
      for (size_t i = 0; i < difference.size(); ++i) difference[i] = outputs[a][i] - outputs[b][i];
      EXPECT_GT(signals::rms(difference), 0.25 * std::max(signals::rms(outputs[a]), signals::rms(outputs[b])))
          << "programs " << a << " and " << b;
    }
  }
}

// The shipped bank is what a host saves from a new instance, byte for byte,
// so loading it into one changes nothing.
TEST_F(RenderTest, theFactoryBankIsWhatANewInstanceSaves)
{
  const std::string plugin = std::string("--plugin ") + BRASKLIN_PLUGIN + " --quiet ";
  ASSERT_EQ(render(plugin + "--save-bank " + quote(path("new.fxb"))).status, 0);
  const std::string shipped = slurp(FACTORY_BANK);
  ASSERT_FALSE(shipped.empty());
  EXPECT_TRUE(slurp(path("new.fxb")) == shipped);
  const Outcome reloaded = render(plugin + "--bank " + quote(FACTORY_BANK) + " --save-bank " + quote(path("re.fxb")));
  ASSERT_EQ(reloaded.status, 0) << reloaded.err;
  EXPECT_TRUE(slurp(path("re.fxb")) == shipped);
}

TEST_F(RenderTest, brasklinListingMatchesItsParameterTable)
{
  const Outcome run = render(std::string("--plugin ") + BRASKLIN_PLUGIN + " --list");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("unique id: 'BrKl'"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("inputs: 2\noutputs: 2\nparameters: 24\nprograms: 16"), std::string::npos) << run.out;
  // Rows "index | name | value | display | label", fields trimmed, names quoted.
  std::map<std::string, std::vector<std::string>> rows;
  std::istringstream lines(run.out);
  std::string line;
  bool inPrograms = false;
  while (std::getline(lines, line)) {
    if (line == "programs:") inPrograms = true;
    std::vector<std::string> fields;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, '|')) {
      const size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
      fields.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
    }
    if (fields.size() >= 2 && std::isdigit(static_cast<unsigned char>(fields[0][0])))
      rows[(inPrograms ? "program " : "parameter ") + fields[0]] = fields;
  }
  using Row = std::vector<std::string>;
  ASSERT_EQ(rows.size(), 24u + 16u) << run.out;
  EXPECT_EQ(rows["parameter 0"].at(1), "\" WaveShape \"");
  EXPECT_EQ(rows["parameter 1"], (Row{"1", "\" FFT length \"", "0.350000", "2048", ""}));
  EXPECT_EQ(rows["parameter 2"], (Row{"2", "\" Stablize \"", "0.000000", "Off", ""}));
  EXPECT_EQ(rows["parameter 4"], (Row{"4", "\" Pitch Shift \"", "0.500000", "0.500000", ""}));
  EXPECT_EQ(rows["parameter 5"], (Row{"5", "\" Filter Type \"", "0.350000", "LOWPASS", ""}));
  EXPECT_EQ(rows["parameter 6"], (Row{"6", "\" CutOff \"", "1.000000", "1.000000", ""}));
  EXPECT_EQ(rows["parameter 9"], (Row{"9", "\" Delay Time \"", "0.000000", "0.000", ""}));
  EXPECT_EQ(rows["parameter 10"], (Row{"10", "\" Delay FeedBack\"", "0.000000", "0.000", ""}));
  EXPECT_EQ(rows["parameter 11"], (Row{"11", "\"\"", "0.000000", "", ""}));
  EXPECT_EQ(rows["parameter 13"], (Row{"13", "\" Volume \"", "0.500000", "", ""}));
  EXPECT_EQ(rows["parameter 14"], (Row{"14", "\" First \"", "0.000000", "Mox", ""}));
  EXPECT_EQ(rows["parameter 15"], (Row{"15", "\" Second  \"", "0.400000", "Filter", ""}));
  EXPECT_EQ(rows["parameter 16"], (Row{"16", "\" Third \"", "0.700000", "Delay", ""}));
  EXPECT_EQ(rows["parameter 17"], (Row{"17", "\" Forth \"", "1.000000", "Distortion", ""}));
  EXPECT_EQ(rows["parameter 18"], (Row{"18", "\" Precise \"", "0.000000", "Off", ""}));
  EXPECT_EQ(rows["parameter 19"], (Row{"19", "\" Dry/Wet \"", "1.000000", "1.000", ""}));
  EXPECT_EQ(rows["parameter 20"], (Row{"20", "\" Gate \"", "0.000000", "off", ""}));
  EXPECT_EQ(rows["parameter 21"], (Row{"21", "\" Glide \"", "0.000000", "0 ms", ""}));
  EXPECT_EQ(rows["parameter 22"], (Row{"22", "\" Scale \"", "0.000000", "Off", ""}));
  EXPECT_EQ(rows["parameter 23"], (Row{"23", "\" Key \"", "0.000000", "C", ""}));
  EXPECT_EQ(rows["program 0"].at(1), "Init 1");
}

TEST_F(RenderTest, outputPitchFollowsASineSweep)
{
  constexpr int rate = 44100;
  constexpr double seconds = 3.0;
  constexpr double from = 150.0, to = 600.0;  // exponential sweep
  std::vector<float> sweep(static_cast<size_t>(rate * seconds));
  double phase = 0.0;
  for (size_t i = 0; i < sweep.size(); ++i) {
    const double f = from * std::pow(to / from, static_cast<double>(i) / static_cast<double>(sweep.size()));
    phase += 2.0 * std::numbers::pi * f / rate;
    sweep[i] = static_cast<float>(0.5 * std::sin(phase));
  }
  writeClip(path("sweep.wav"), sweep, rate);
  const Outcome run = render(std::string("--plugin ") + BRASKLIN_PLUGIN + " --quiet " + quote(path("sweep.wav")) + " " +
                             quote(path("out.wav")));
  ASSERT_EQ(run.status, 0) << run.err;
  const Clip out = readClip(path("out.wav"));
  ASSERT_EQ(out.channels, 2);
  expectSameSamples(Clip{out.rate, 1, out.channel(0)}, Clip{out.rate, 1, out.channel(1)});
  const std::vector<float> left = out.channel(0);
  for (double at : {0.5, 1.0, 1.5, 2.0, 2.5}) {
    const auto start = static_cast<size_t>(at * rate);
    const double expected = from * std::pow(to / from, at / seconds);
    const double measured = autocorrelationPitch(left, start, 2048, rate);
    // The detector works in FFT bins of about 21.5 Hz and changes pitch only at cycle starts.
    EXPECT_NEAR(measured, expected, 0.06 * expected + 12.0) << "at " << at << " s";
  }
}

TEST_F(RenderTest, delayAndDistortionAloneDoNotDependOnBlockSize)
{
  writeClip(path("in.wav"), noise(20000, 7, 0.4), 44100);
  // Slots: Distortion, Distortion, Delay, Distortion: no Mox, no filter.
  const std::string settings =
      " --set First=1 --set Second=1 --set Third=0.7 --set Forth=1 --set 'Delay Mix=0.5'"
      " --set 'Delay Time=0.002' --set 'Delay FeedBack=0.6' --set Drive=0.2 --quiet ";
  Clip reference;
  for (int block : {4096, 1, 37, 512, 1000}) {
    SCOPED_TRACE(block);
    const std::string out = "out" + std::to_string(block) + ".wav";
    ASSERT_EQ(render(std::string("--plugin ") + BRASKLIN_PLUGIN + settings + "--block-size " + std::to_string(block) +
                     " " + quote(path("in.wav")) + " " + quote(path(out)))
                  .status,
              0);
    const Clip clip = readClip(path(out));
    if (reference.samples.empty()) {
      reference = clip;
      EXPECT_GT(peak(reference.channel(0)), 0.1);
    } else {
      expectSameSamples(reference, clip);
    }
  }
}

// The pitch tracker analyses each block as it comes (and, for short blocks, a
// ring of recent input), so the Mox stage's output depends on the block size:
// a host's buffer size is part of its sound. Both still follow the input.
TEST_F(RenderTest, moxOutputDependsOnBlockSizeButFollowsThePitchEither)
{
  writeClip(path("in.wav"), sine(330.0, 44100.0, 44100, 0.5), 44100);
  Clip clips[2];
  int i = 0;
  for (int block : {64, 4096}) {
    const std::string out = "out" + std::to_string(block) + ".wav";
    ASSERT_EQ(render(std::string("--plugin ") + BRASKLIN_PLUGIN + " --quiet --block-size " + std::to_string(block) +
                     " " + quote(path("in.wav")) + " " + quote(path(out)))
                  .status,
              0);
    clips[i] = readClip(path(out));
    EXPECT_NEAR(autocorrelationPitch(clips[i].channel(0), 22050, 4096, 44100), 330.0, 0.06 * 330.0 + 12.0);
    ++i;
  }
  ASSERT_EQ(clips[0].samples.size(), clips[1].samples.size());
  EXPECT_NE(clips[0].samples, clips[1].samples);
}

TEST_F(RenderTest, rendersTheShippedExampleWithASpectrogram)
{
  const Outcome run = render(std::string("--plugin ") + BRASKLIN_PLUGIN + " " + EXAMPLE_INPUT + " " +
                             quote(path("melody.wav")) + " --spectrogram " + quote(path("melody.png")));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("real time"), std::string::npos) << run.out;
  const Clip out = readClip(path("melody.wav"));
  EXPECT_GT(peak(out.channel(0)), 0.05);
  const std::string png = slurp(path("melody.png"));
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

#endif

}  // namespace
