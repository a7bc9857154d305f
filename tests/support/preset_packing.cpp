#include "tests/support/preset_packing.h"

#include <cstring>

namespace packing {
namespace {

void word(std::string& out, std::uint32_t value)
{
  out += static_cast<char>(value >> 24);
  out += static_cast<char>(value >> 16);
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

void four(std::string& out, const std::string& code) { out += code.substr(0, 4); }

std::string framed(const std::string& magic, std::optional<std::int32_t> byteSize, const std::string& body)
{
  std::string out;
  four(out, magic);
  word(out, static_cast<std::uint32_t>(byteSize.value_or(static_cast<std::int32_t>(body.size()))));
  return out + body;
}

}  // namespace

std::string packProgram(const ProgramFields& f)
{
  std::string body;
  four(body, f.form);
  word(body, static_cast<std::uint32_t>(f.formVersion));
  four(body, f.pluginId);
  word(body, static_cast<std::uint32_t>(f.pluginVersion));
  word(body, static_cast<std::uint32_t>(f.count.value_or(static_cast<std::int32_t>(f.values.size()))));
  std::string name = f.nameField.substr(0, 28);
  name.resize(28, '\0');
  body += name;
  for (float v : f.values) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    word(body, bits);
  }
  return framed(f.magic, f.byteSize, body);
}

std::string packBank(const BankFields& f)
{
  std::string body;
  four(body, f.form);
  word(body, static_cast<std::uint32_t>(f.formVersion));
  four(body, f.pluginId);
  word(body, static_cast<std::uint32_t>(f.pluginVersion));
  word(body, static_cast<std::uint32_t>(f.count.value_or(static_cast<std::int32_t>(f.programs.size()))));
  body += std::string(128, '\0');
  for (const std::string& program : f.programs) body += program;
  return framed(f.magic, f.byteSize, body);
}

}  // namespace packing
