// Program files (.fxp) and bank files (.fxb) of the VST 2 interface: the form
// in which hosts on every platform load and save a plug-in's programs.
//
// Every field is big-endian. A file is one chunk: the header 'CcnK', the
// number of bytes after that field, the form, the form's version, the
// plug-in's unique id and version. The regular program form 'FxCk' goes on
// with the parameter count, a 28-byte name field and the normalised values as
// 32-bit floats; the regular bank form 'FxBk' with the program count, 128
// reserved bytes and one whole 'FxCk' chunk per program.
//
// The opaque forms ('FPCh', 'FBCh') carry a plug-in's private chunk; a
// plug-in that keeps everything in its parameters, like Brasklin, has none,
// so they are refused. Reading checks every count against the bytes there
// are and every value against 0..1, and says in one line what is wrong.
//
// Nothing here touches a plug-in: these are plain values and bytes, shared by
// the renderer, the factory-bank generator and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Bytes of the name field in a program chunk.
inline constexpr std::size_t kPresetNameFieldBytes = 28;
// Longest name kept: 23 bytes and the terminator, the limit hosts observe
// for program names (and the room a plug-in's program name has).
inline constexpr std::size_t kProgramNameCapacity = 24;
// Files are read up to this size; a bank of 128 programs of 1000 parameters
// each still fits many times over.
inline constexpr std::size_t kMaxPresetFileBytes = std::size_t{4} * 1024 * 1024;

// Whose programs a file holds: the plug-in's unique id and version.
struct PresetOwner {
  int32_t pluginId = 0;
  int32_t pluginVersion = 0;
};

struct PresetProgram {
  std::string name;           // at most kProgramNameCapacity - 1 bytes when read
  std::vector<float> values;  // one normalised value per parameter, by index
};

using PresetBank = std::vector<PresetProgram>;

// The bytes of a program file, or of a bank file holding `bank` in order.
// Names longer than 23 bytes are cut at a whole UTF-8 character. Values must
// be finite and within 0..1 (see presetValueProblem): the caller checks them,
// for the file form cannot hold anything else.
std::vector<std::uint8_t> writeProgramFile(const PresetProgram& program, PresetOwner owner);
std::vector<std::uint8_t> writeBankFile(const PresetBank& bank, PresetOwner owner);

// Parses a program file (or a bank file) meant for the plug-in `pluginId`.
// On success fills `program` (`bank`) and returns true; otherwise returns
// false with one line in `error` saying what is wrong with the bytes.
bool readProgramFile(std::string_view bytes, int32_t pluginId, PresetProgram& program, std::string& error);
bool readBankFile(std::string_view bytes, int32_t pluginId, PresetBank& bank, std::string& error);

// Empty when `value` can stand in a preset file, otherwise why it cannot.
std::string presetValueProblem(float value);

// `name` cut to at most kProgramNameCapacity - 1 bytes, never inside a UTF-8
// character, and at its first zero byte.
std::string boundedProgramName(std::string_view name);

// "'BrKl'", or the number in hex when the four bytes are not printable.
std::string fourCharText(int32_t code);

// Whole-file helpers. readPresetBytes refuses a missing file, a folder and a
// file larger than kMaxPresetFileBytes, with the path in the message.
bool readPresetBytes(const std::string& path, std::string& bytes, std::string& error);

// A file written in two steps, so that several files can appear together or
// not at all: prepare() writes the bytes to a temporary file beside the path,
// commit() renames it into place. A prepared file never committed is removed.
class PendingFile {
public:
  PendingFile() = default;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&&) = delete;
  ~PendingFile();

  bool prepare(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);
  bool commit(std::string& error);

private:
  std::string path_;
  std::string temporary_;
};

// prepare() and commit() at once.
bool writePresetBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);
