// One program: a normalised value per parameter, and a name.
//
// Threads: the values are written by setParameter and read by setProgram,
// which hosts may call from their interface and automation threads at once,
// so each value is a relaxed atomic (one word each; a program is never read
// as a whole by the audio thread). The name is only touched through the
// dispatcher's program-name opcodes, which hosts send from their interface
// thread; no audio routine and no parameter call reads it, so it is a plain
// array.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "effect/ParameterTable.h"

class PluginProgram {
public:
  // Bytes of the name field: 23 characters and the terminator, the limit VST
  // hosts observe for program names.
  static constexpr std::size_t nameCapacity = 24;
  // The name every program starts with; shown with its number ("Init 1").
  static constexpr const char* initialName = "Init";

  using Values = std::array<float, kParameterCount>;

  // Every value at its parameter's initial value, named "Init".
  PluginProgram();
  // Named `text` (see setName), holding what setParameter would keep of each
  // of `given` (a stage-order value as its kind's value, for one).
  PluginProgram(const char* text, const Values& given);

  PluginProgram(const PluginProgram&) = delete;
  PluginProgram& operator=(const PluginProgram&) = delete;

  // The stored value of parameter `index` (isParameterIndex; anything else gives 0).
  float value(int32_t index) const;
  // Stores `v` for parameter `index`; indices outside the table are ignored.
  void store(int32_t index, float v);
  // Keeps what the effect keeps of `v` set for parameter `index`
  // (keptValue), under the setting's every index: a value set through an
  // alias is kept under its target too, and the other way round. Indices
  // outside the table are ignored.
  void keepSetting(int32_t index, float v);
  // A copy of all the values, taken one by one.
  Values values() const;

  // Copies `text` into the name, at most 23 bytes (a cut never splits a UTF-8
  // character). Null `text` leaves the name as it is.
  void setName(const char* text);
  const char* name() const { return programName.data(); }
  // The name as hosts are shown it for program `number` (0..), into `text`
  // (nameCapacity bytes): a program still named "Init" shows its number
  // counted from 1 ("Init 1" .. "Init 16"), any other name shows unchanged.
  void writeShownName(int32_t number, char* text) const;

private:
  std::array<std::atomic<float>, kParameterCount> parameterValues;
  std::array<char, nameCapacity> programName{};
};
