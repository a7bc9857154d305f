// Fuzzes the program (.fxp) and bank (.fxb) readers with arbitrary files, as
// the renderer meets them on disk. Beyond the sanitizers' checks: a refusal
// is one non-empty line; an accepted file holds only names of at most 23
// bytes without a zero byte and values within 0..1, its size is exactly what
// its counts say, and what was read, written again, reads back the same.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "presets/PresetFile.h"
#include "tests/fuzz/FuzzTempFile.h"

using fuzzing::fail;

namespace {

constexpr std::int32_t kPluginId = 0x42724B6C;  // 'BrKl'
constexpr std::size_t kProgramFixedBytes = 56;  // chunk header, count, name field
constexpr std::size_t kBankFixedBytes = 156;    // chunk header, count, reserved bytes

void checkRefusal(const std::string& error)
{
  if (error.empty()) fail("a refusal without a message");
  if (error.find('\n') != std::string::npos) fail("a refusal message of more than one line");
}

std::size_t checkProgram(const PresetProgram& program)
{
  if (program.name.size() >= kProgramNameCapacity) fail("a name longer than 23 bytes");
  if (program.name.find('\0') != std::string::npos) fail("a zero byte inside a name");
  for (float value : program.values) {
    if (!std::isfinite(value) || value < 0.0f || value > 1.0f) fail("a value outside 0..1 was accepted");
  }
  return kProgramFixedBytes + 4 * program.values.size();
}

std::string_view asView(const std::vector<std::uint8_t>& bytes)
{
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

void checkBytes(std::string_view bytes)
{
  PresetProgram program;
  std::string error;
  if (readProgramFile(bytes, kPluginId, program, error)) {
    if (checkProgram(program) != bytes.size()) fail("a program whose size is not what its count says");
    const std::vector<std::uint8_t> again = writeProgramFile(program, {kPluginId, 1});
    PresetProgram reread;
    if (!readProgramFile(asView(again), kPluginId, reread, error)) fail("a written program was refused");
    if (reread.name != program.name || reread.values != program.values) fail("a program changed on its way round");
  } else {
    checkRefusal(error);
  }

  PresetBank bank;
  error.clear();
  if (readBankFile(bytes, kPluginId, bank, error)) {
    std::size_t size = kBankFixedBytes;
    for (const PresetProgram& p : bank) size += checkProgram(p);
    if (size != bytes.size()) fail("a bank whose size is not what its counts say");
    const std::vector<std::uint8_t> again = writeBankFile(bank, {kPluginId, 1});
    PresetBank reread;
    if (!readBankFile(asView(again), kPluginId, reread, error)) fail("a written bank was refused");
    if (reread.size() != bank.size()) fail("a bank changed its program count on its way round");
    for (std::size_t i = 0; i < bank.size(); ++i) {
      if (reread[i].name != bank[i].name || reread[i].values != bank[i].values) fail("a bank changed on its way round");
    }
  } else {
    checkRefusal(error);
  }
}

}  // namespace

// robustness: arbitrary bytes as a program or bank file, from a file on disk (libFuzzer) => refused with one line, or read into names of at most 23 bytes and values within 0..1 that write back and read the same; no read outside the file (ASan)
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  fuzzing::FuzzTempFile::write(data, size);
  std::string bytes;
  std::string error;
  if (!readPresetBytes(fuzzing::FuzzTempFile::path(), bytes, error)) fail("a small readable file was refused");
  if (bytes != std::string_view(reinterpret_cast<const char*>(data), size)) fail("the bytes read are not the file's");
  checkBytes(bytes);
  return 0;
}
