#include "vst3/ComponentState.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr char kMark[4] = {'B', 'R', 'K', '3'};
constexpr uint32_t kVersion = 1;

bool writeAll(vst3::IBStream& stream, const void* data, int32_t bytes)
{
  int32_t written = 0;
  return stream.write(const_cast<void*>(data), bytes, &written) == vst3::kResultOk && written == bytes;
}

bool writeWord(vst3::IBStream& stream, uint32_t word)
{
  const unsigned char bytes[4] = {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
                                  static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
  return writeAll(stream, bytes, 4);
}

bool readAll(vst3::IBStream& stream, void* data, int32_t bytes)
{
  int32_t read = 0;
  return stream.read(data, bytes, &read) == vst3::kResultOk && read == bytes;
}

std::optional<uint32_t> readWord(vst3::IBStream& stream)
{
  unsigned char bytes[4] = {};
  if (!readAll(stream, bytes, 4)) return std::nullopt;
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

bool writeComponentState(vst3::IBStream& stream, const ComponentState& state)
{
  bool complete = writeAll(stream, kMark, 4) && writeWord(stream, kVersion) &&
                  writeWord(stream, static_cast<uint32_t>(state.currentProgram)) &&
                  writeWord(stream, ComponentState::kProgramCount) && writeWord(stream, kParameterCount);
  for (const PluginProgram::Values& values : state.programs) {
    for (const float value : values) complete = complete && writeWord(stream, std::bit_cast<uint32_t>(value));
  }
  return complete;
}

std::optional<ComponentState> readComponentState(vst3::IBStream& stream)
{
  char mark[4] = {};
  if (!readAll(stream, mark, 4) || std::memcmp(mark, kMark, 4) != 0) return std::nullopt;
  const std::optional<uint32_t> version = readWord(stream);
  const std::optional<uint32_t> current = readWord(stream);
  const std::optional<uint32_t> programs = readWord(stream);
  const std::optional<uint32_t> values = readWord(stream);
  if (!version || *version != kVersion || !current || !programs || !values) return std::nullopt;

  ComponentState state;
  const auto program = static_cast<int32_t>(*current);
  state.currentProgram = program >= 0 && program < ComponentState::kProgramCount ? program : 0;
  state.valuesRead = static_cast<int32_t>(std::min<uint32_t>(*values, kParameterCount));
  const uint32_t programsToRead = std::min<uint32_t>(*programs, ComponentState::kProgramCount);
  for (uint32_t p = 0; p < programsToRead; ++p) {
    PluginProgram::Values& row = state.programs[p];
    for (int32_t index = 0; index < kParameterCount; ++index)
      row[static_cast<std::size_t>(index)] = parameterInfo(index).initialValue;
    bool whole = true;
    for (uint32_t index = 0; index < *values && whole; ++index) {
      const std::optional<uint32_t> word = readWord(stream);
      if (!word) whole = false;
      if (!word || index >= kParameterCount) continue;
      const float value = std::bit_cast<float>(*word);
      if (std::isfinite(value)) row[index] = value;
    }
    if (!whole) break;
    state.programsRead = static_cast<int32_t>(p + 1);
  }
  return state;
}
