#include "presets/PresetFile.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

constexpr std::uint32_t fourChar(const char (&code)[5])
{
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

constexpr std::uint32_t kChunkMagic = fourChar("CcnK");
constexpr std::uint32_t kProgramForm = fourChar("FxCk");
constexpr std::uint32_t kOpaqueProgramForm = fourChar("FPCh");
constexpr std::uint32_t kBankForm = fourChar("FxBk");
constexpr std::uint32_t kOpaqueBankForm = fourChar("FBCh");

constexpr std::int32_t kProgramFormVersion = 1;
// Banks of version 2 keep the current program in the first reserved word;
// their programs read the same.
constexpr std::int32_t kBankFormVersion = 1;
constexpr std::int32_t kNewestBankFormVersion = 2;

constexpr std::size_t kWordBytes = 4;
// Chunk header: magic, size, form, version, plug-in id, plug-in version.
constexpr std::size_t kSizeFieldEnd = 2 * kWordBytes;
constexpr std::size_t kChunkHeaderBytes = 6 * kWordBytes;
// A program chunk before its values: the header, the count and the name.
constexpr std::size_t kProgramFixedBytes = kChunkHeaderBytes + kWordBytes + kPresetNameFieldBytes;
constexpr std::size_t kBankReservedBytes = 128;
constexpr std::size_t kBankFixedBytes = kChunkHeaderBytes + kWordBytes + kBankReservedBytes;

// ---- writing ----

void putWord(std::vector<std::uint8_t>& out, std::uint32_t word)
{
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(word >> shift));
}

void putInt(std::vector<std::uint8_t>& out, std::int32_t value) { putWord(out, static_cast<std::uint32_t>(value)); }

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): size, form, version: the order they stand in the header
void putChunkHeader(std::vector<std::uint8_t>& out, std::size_t totalBytes, std::uint32_t form,
                    std::int32_t formVersion, PresetOwner owner)
{
  putWord(out, kChunkMagic);
  putInt(out, static_cast<std::int32_t>(totalBytes - kSizeFieldEnd));
  putWord(out, form);
  putInt(out, formVersion);
  putInt(out, owner.pluginId);
  putInt(out, owner.pluginVersion);
}

void putProgramChunk(std::vector<std::uint8_t>& out, const PresetProgram& program, PresetOwner owner)
{
  const std::size_t total = kProgramFixedBytes + kWordBytes * program.values.size();
  putChunkHeader(out, total, kProgramForm, kProgramFormVersion, owner);
  putInt(out, static_cast<std::int32_t>(program.values.size()));
  const std::string name = boundedProgramName(program.name);
  std::uint8_t field[kPresetNameFieldBytes] = {};
  for (std::size_t i = 0; i < name.size(); ++i) field[i] = static_cast<std::uint8_t>(name[i]);
  out.insert(out.end(), std::begin(field), std::end(field));
  for (float value : program.values) putWord(out, std::bit_cast<std::uint32_t>(value));
}

// ---- reading ----

// Big-endian words out of a byte view whose length the caller has checked.
std::uint32_t wordAt(std::string_view bytes, std::size_t at)
{
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < kWordBytes; ++i) word = (word << 8) | static_cast<unsigned char>(bytes[at + i]);
  return word;
}

std::int32_t intAt(std::string_view bytes, std::size_t at) { return static_cast<std::int32_t>(wordAt(bytes, at)); }

struct ChunkHeader {
  std::uint32_t form = 0;
  std::int32_t formVersion = 0;
  std::int32_t pluginId = 0;
  std::size_t end = 0;  // one past the chunk's last byte, within the view
};

// The chunk at `at`, which must end within `bytes`. `what` names it in
// messages ("the file", "program 3").
bool readChunkHeader(std::string_view bytes, std::size_t at, const std::string& what, ChunkHeader& chunk,
                     std::string& error)
{
  const std::size_t available = bytes.size() - at;
  if (available < kSizeFieldEnd) {
    error = what + " is truncated: " + std::to_string(available) + " bytes, shorter than a chunk header";
    return false;
  }
  const std::uint32_t magic = wordAt(bytes, at);
  if (magic != kChunkMagic) {
    error = what + " is not a preset chunk: it starts with " + fourCharText(static_cast<std::int32_t>(magic)) +
            ", not 'CcnK'";
    return false;
  }
  const std::int32_t counted = intAt(bytes, at + kWordBytes);
  const std::size_t following = available - kSizeFieldEnd;
  if (counted < 0 || static_cast<std::size_t>(counted) > following) {
    error = what + " is truncated: its header counts " + std::to_string(counted) + " bytes after the size field, " +
            std::to_string(following) + " are there";
    return false;
  }
  chunk.end = at + kSizeFieldEnd + static_cast<std::size_t>(counted);
  if (chunk.end - at < kChunkHeaderBytes) {
    error = what + " is truncated: " + std::to_string(chunk.end - at) + " bytes, shorter than a chunk header";
    return false;
  }
  chunk.form = wordAt(bytes, at + 2 * kWordBytes);
  chunk.formVersion = intAt(bytes, at + 3 * kWordBytes);
  chunk.pluginId = intAt(bytes, at + 4 * kWordBytes);
  return true;
}

// Refuses the forms other than `wanted` with a message that names what the
// chunk holds instead.
bool checkForm(const ChunkHeader& chunk, std::uint32_t wanted, const std::string& what, std::string& error)
{
  if (chunk.form == wanted) return true;
  if (chunk.form == kOpaqueProgramForm || chunk.form == kOpaqueBankForm) {
    error = what + " holds an opaque chunk (" + fourCharText(static_cast<std::int32_t>(chunk.form)) +
            "): this plug-in saves no chunks, only parameter values";
  } else if (chunk.form == kBankForm) {
    error = what + " holds a bank ('FxBk'), not a single program";
  } else if (chunk.form == kProgramForm) {
    error = what + " holds a single program ('FxCk'), not a bank";
  } else {
    error = what + " has the unknown form " + fourCharText(static_cast<std::int32_t>(chunk.form)) + ", not " +
            fourCharText(static_cast<std::int32_t>(wanted));
  }
  return false;
}

bool checkOwner(const ChunkHeader& chunk, std::int32_t pluginId, const std::string& what, std::string& error)
{
  if (chunk.pluginId == pluginId) return true;
  error = what + " is for the plug-in " + fourCharText(chunk.pluginId) + ", not " + fourCharText(pluginId);
  return false;
}

// One 'FxCk' chunk starting at `at`; on success `at` moves past it.
bool readProgramChunk(std::string_view bytes, std::size_t& at, std::int32_t pluginId, const std::string& what,
                      PresetProgram& program, std::string& error)
{
  ChunkHeader chunk;
  if (!readChunkHeader(bytes, at, what, chunk, error)) return false;
  if (!checkForm(chunk, kProgramForm, what, error)) return false;
  if (chunk.formVersion != kProgramFormVersion) {
    error = what + " has program format version " + std::to_string(chunk.formVersion) + ", this reader knows 1";
    return false;
  }
  if (!checkOwner(chunk, pluginId, what, error)) return false;
  const std::size_t length = chunk.end - at;
  if (length < kProgramFixedBytes) {
    error = what + " is truncated: " + std::to_string(length) + " bytes, a program needs at least " +
            std::to_string(kProgramFixedBytes);
    return false;
  }
  const std::int32_t declared = intAt(bytes, at + kChunkHeaderBytes);
  const std::size_t valueBytes = length - kProgramFixedBytes;
  if (declared < 0 || valueBytes % kWordBytes != 0 || static_cast<std::size_t>(declared) != valueBytes / kWordBytes) {
    error = what + " declares " + std::to_string(declared) + " parameters, but its size leaves " +
            std::to_string(valueBytes) + " bytes for their values";
    return false;
  }
  const std::size_t nameAt = at + kChunkHeaderBytes + kWordBytes;
  program.name = boundedProgramName(bytes.substr(nameAt, kPresetNameFieldBytes));
  program.values.clear();
  for (std::size_t i = 0; i < static_cast<std::size_t>(declared); ++i) {
    const float value = std::bit_cast<float>(wordAt(bytes, at + kProgramFixedBytes + kWordBytes * i));
    const std::string problem = presetValueProblem(value);
    if (!problem.empty()) {
      error = what + ", parameter " + std::to_string(i) + ": " + problem;
      return false;
    }
    program.values.push_back(value);
  }
  at = chunk.end;
  return true;
}

// The whole file must be exactly one chunk.
bool checkWholeFile(std::string_view bytes, const ChunkHeader& chunk, std::string& error)
{
  if (chunk.end == bytes.size()) return true;
  error = "the file has " + std::to_string(bytes.size() - kSizeFieldEnd) +
          " bytes after the size field, its header counts " + std::to_string(chunk.end - kSizeFieldEnd);
  return false;
}

std::string temporaryPathBeside(const std::string& path)
{
  std::random_device seed;
  const std::filesystem::path target(path);
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".partial-%08x", static_cast<unsigned>(seed()));
  return (target.parent_path() / ("." + target.filename().string() + suffix)).string();
}

}  // namespace

std::vector<std::uint8_t> writeProgramFile(const PresetProgram& program, PresetOwner owner)
{
  std::vector<std::uint8_t> out;
  putProgramChunk(out, program, owner);
  return out;
}

std::vector<std::uint8_t> writeBankFile(const PresetBank& bank, PresetOwner owner)
{
  std::vector<std::uint8_t> records;
  for (const PresetProgram& program : bank) putProgramChunk(records, program, owner);
  std::vector<std::uint8_t> out;
  putChunkHeader(out, kBankFixedBytes + records.size(), kBankForm, kBankFormVersion, owner);
  putInt(out, static_cast<std::int32_t>(bank.size()));
  out.insert(out.end(), kBankReservedBytes, 0);
  out.insert(out.end(), records.begin(), records.end());
  return out;
}

bool readProgramFile(std::string_view bytes, int32_t pluginId, PresetProgram& program, std::string& error)
{
  ChunkHeader chunk;
  if (!readChunkHeader(bytes, 0, "the file", chunk, error)) return false;
  if (!checkWholeFile(bytes, chunk, error)) return false;
  std::size_t at = 0;
  return readProgramChunk(bytes, at, pluginId, "the file", program, error);
}

bool readBankFile(std::string_view bytes, int32_t pluginId, PresetBank& bank, std::string& error)
{
  ChunkHeader chunk;
  if (!readChunkHeader(bytes, 0, "the file", chunk, error)) return false;
  if (!checkWholeFile(bytes, chunk, error)) return false;
  if (!checkForm(chunk, kBankForm, "the file", error)) return false;
  if (chunk.formVersion < kBankFormVersion || chunk.formVersion > kNewestBankFormVersion) {
    error = "the file has bank format version " + std::to_string(chunk.formVersion) + ", this reader knows 1 and 2";
    return false;
  }
  if (!checkOwner(chunk, pluginId, "the file", error)) return false;
  if (bytes.size() < kBankFixedBytes) {
    error = "the file is truncated: " + std::to_string(bytes.size()) + " bytes, a bank needs at least " +
            std::to_string(kBankFixedBytes);
    return false;
  }
  const std::int32_t declared = intAt(bytes, kChunkHeaderBytes);
  if (declared < 0) {
    error = "the file declares " + std::to_string(declared) + " programs";
    return false;
  }
  bank.clear();
  std::size_t at = kBankFixedBytes;
  for (std::int32_t i = 0; i < declared; ++i) {
    if (at == bytes.size()) {
      error = "the file declares " + std::to_string(declared) + " programs but holds " + std::to_string(i);
      return false;
    }
    PresetProgram program;
    if (!readProgramChunk(bytes, at, pluginId, "program " + std::to_string(i), program, error)) return false;
    bank.push_back(std::move(program));
  }
  if (at != bytes.size()) {
    error = "the file declares " + std::to_string(declared) + " programs, but " + std::to_string(bytes.size() - at) +
            " more bytes follow them";
    return false;
  }
  return true;
}

std::string presetValueProblem(float value)
{
  if (!std::isfinite(value)) return "the value is not a finite number";
  if (value < 0.0f || value > 1.0f) {
    char text[64];
    std::snprintf(text, sizeof text, "the value %g is outside 0 to 1", static_cast<double>(value));
    return text;
  }
  return "";
}

std::string boundedProgramName(std::string_view name)
{
  name = name.substr(0, name.find('\0'));
  std::size_t length = std::min(name.size(), kProgramNameCapacity - 1);
  // A cut inside a multi-byte character drops that character whole.
  const auto continues = [name](std::size_t at) { return (static_cast<unsigned char>(name[at]) & 0xC0u) == 0x80u; };
  if (length < name.size()) {
    while (length > 0 && continues(length)) --length;
  }
  return std::string(name.substr(0, length));
}

std::string fourCharText(int32_t code)
{
  const auto word = static_cast<std::uint32_t>(code);
  std::string text = "'";
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>(word >> shift);
    if (c < 0x20 || c > 0x7e) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(word));
      return hex;
    }
    text += static_cast<char>(c);
  }
  return text + "'";
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): what was read, then why not, as in every reader here
bool readPresetBytes(const std::string& path, std::string& bytes, std::string& error)
{
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    error = "preset file not found: " + path;
    return false;
  }
  if (std::filesystem::is_directory(path, ec)) {
    error = "is a directory, not a preset file: " + path;
    return false;
  }
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = "cannot read preset file " + path;
    return false;
  }
  if (size > kMaxPresetFileBytes) {
    error = "preset file " + path + " is " + std::to_string(size) + " bytes, larger than any bank (at most " +
            std::to_string(kMaxPresetFileBytes) + ")";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    error = "cannot read preset file " + path;
    return false;
  }
  return true;
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : path_(std::move(other.path_)), temporary_(std::move(other.temporary_))
{
  other.temporary_.clear();
}

PendingFile::~PendingFile()
{
  if (temporary_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(temporary_, ec);
}

bool PendingFile::prepare(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
  path_ = path;
  temporary_ = temporaryPathBeside(path);
  std::ofstream out(temporary_, std::ios::binary | std::ios::trunc);
  if (out) out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
    temporary_.clear();
    error = "cannot write preset file " + path;
    return false;
  }
  return true;
}

bool PendingFile::commit(std::string& error)
{
  std::error_code ec;
  std::filesystem::rename(temporary_, path_, ec);
  if (ec) {
    error = "cannot move the preset file into place at " + path_;
    return false;
  }
  temporary_.clear();
  return true;
}

bool writePresetBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
  PendingFile file;
  return file.prepare(path, bytes, error) && file.commit(error);
}
