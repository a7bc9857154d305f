#pragma once

// Program (.fxp) and bank (.fxb) files packed byte by byte, independently of
// the project's writer, with every field open to damage: the tests read them
// back and feed them to the renderer. All fields are big-endian.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace packing {

struct ProgramFields {
  std::string magic = "CcnK";
  std::optional<std::int32_t> byteSize;  // default: the bytes that follow the field
  std::string form = "FxCk";
  std::int32_t formVersion = 1;
  std::string pluginId = "BrKl";
  std::int32_t pluginVersion = 1;
  std::optional<std::int32_t> count;  // default: values.size()
  std::string nameField;              // padded with zeros to 28 bytes, cut at 28
  std::vector<float> values;
};

struct BankFields {
  std::string magic = "CcnK";
  std::optional<std::int32_t> byteSize;
  std::string form = "FxBk";
  std::int32_t formVersion = 1;
  std::string pluginId = "BrKl";
  std::int32_t pluginVersion = 1;
  std::optional<std::int32_t> count;  // default: programs.size()
  std::vector<std::string> programs;  // whole program chunks, from packProgram
};

std::string packProgram(const ProgramFields& fields);
std::string packBank(const BankFields& fields);

}  // namespace packing
