#include "tools/render/PluginHost.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// The interface version this host claims: 2.4.
constexpr intptr_t kHostVersion = 2400;

// Hosts hand the plug-in text buffers of this size: generous, because older
// plug-ins write past the 8 or 24 characters the interface promises.
constexpr size_t kTextBufferBytes = 256;

// The plug-in being loaded, so the callback can answer audioMasterCurrentId
// before the descriptor is known.
int32_t currentUniqueId = 0;

intptr_t hostCallback(AEffect* effect, int32_t opcode, int32_t /*index*/, intptr_t /*value*/, void* /*ptr*/,
                      float /*opt*/)
{
  switch (opcode) {
    case audioMasterVersion: return kHostVersion;
    case audioMasterCurrentId: return effect ? effect->uniqueID : currentUniqueId;
    case audioMasterAutomate:  // an offline render has no automation lane to record into
    case audioMasterIdle:
    default: return 0;
  }
}

using EntryFunction = AEffect* (*)(audioMasterCallback);

// Sends the plug-in's standard error into a temporary file while it loads, so
// its own messages can be shown with ours if loading fails.
class StderrCapture {
public:
  StderrCapture()
  {
    std::fflush(stderr);
    file_ = std::tmpfile();
    saved_ = dup(STDERR_FILENO);
    if (file_ && saved_ >= 0) dup2(fileno(file_), STDERR_FILENO);
  }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;
  ~StderrCapture() { restore(); }

  std::string finish()
  {
    restore();
    std::string text;
    if (!file_) return text;
    std::rewind(file_);
    std::array<char, 4096> chunk{};
    size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), file_)) > 0) text.append(chunk.data(), n);
    std::fclose(file_);
    file_ = nullptr;
    return text;
  }

private:
  void restore()
  {
    if (saved_ >= 0) {
      std::fflush(stderr);
      dup2(saved_, STDERR_FILENO);
      close(saved_);
      saved_ = -1;
    }
  }
  std::FILE* file_ = nullptr;
  int saved_ = -1;
};

}  // namespace

std::string normalisedParameterName(const std::string& name)
{
  size_t first = name.find_first_not_of(" \t");
  size_t last = name.find_last_not_of(" \t");
  std::string trimmed = first == std::string::npos ? "" : name.substr(first, last - first + 1);
  std::transform(trimmed.begin(), trimmed.end(), trimmed.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return trimmed;
}

PluginHost::~PluginHost()
{
  stop();
  if (library_) dlclose(library_);
}

bool PluginHost::load(const std::string& path)
{
  StderrCapture capture;
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library_) {
    const char* reason = dlerror();
    pluginOutput_ = capture.finish();
    error_ = "cannot load plug-in " + path + ": " + (reason ? reason : "unknown reason");
    return false;
  }
  auto entry = reinterpret_cast<EntryFunction>(dlsym(library_, "VSTPluginMain"));
  if (!entry) entry = reinterpret_cast<EntryFunction>(dlsym(library_, "main"));
  if (!entry) {
    pluginOutput_ = capture.finish();
    error_ = "plug-in " + path + " exports neither VSTPluginMain nor main";
    return false;
  }
  effect_ = entry(hostCallback);
  pluginOutput_ = capture.finish();
  if (!effect_) {
    error_ = "plug-in " + path + " refused to start (its entry returned null)";
    return false;
  }
  if (effect_->magic != kEffectMagic) {
    error_ = "plug-in " + path + " returned a descriptor without the plug-in magic";
    effect_ = nullptr;
    return false;
  }
  currentUniqueId = effect_->uniqueID;
  return true;
}

intptr_t PluginHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string PluginHost::dispatchText(int32_t opcode, int32_t index)
{
  std::array<char, kTextBufferBytes> text{};
  dispatch(opcode, index, 0, text.data());
  text.back() = '\0';
  return text.data();
}

void PluginHost::start(double sampleRate, int32_t blockSize)
{
  dispatch(effOpen);
  dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  dispatch(effSetBlockSize, 0, blockSize);
  dispatch(effMainsChanged, 0, 1);
  started_ = true;
}

void PluginHost::stop()
{
  if (!effect_) return;
  if (started_) dispatch(effMainsChanged, 0, 0);
  started_ = false;
  dispatch(effClose);  // the plug-in deletes itself: the descriptor is gone
  effect_ = nullptr;
}

void PluginHost::setProgram(int32_t program) { dispatch(effSetProgram, 0, program); }

int32_t PluginHost::program() { return static_cast<int32_t>(dispatch(effGetProgram)); }

std::string PluginHost::programName() { return dispatchText(effGetProgramName, 0); }

void PluginHost::setParameter(int32_t index, float value) { effect_->setParameter(effect_, index, value); }

ParameterInfo PluginHost::parameter(int32_t index)
{
  ParameterInfo info;
  info.index = index;
  info.name = dispatchText(effGetParamName, index);
  info.value = effect_->getParameter(effect_, index);
  info.display = dispatchText(effGetParamDisplay, index);
  info.label = dispatchText(effGetParamLabel, index);
  return info;
}

void PluginHost::setProgramName(const std::string& name)
{
  // Handed over zero-terminated in a buffer of the size hosts use for texts;
  // the plug-in keeps what fits its own name field.
  std::array<char, kTextBufferBytes> text{};
  name.copy(text.data(), text.size() - 1);
  dispatch(effSetProgramName, 0, 0, text.data());
}

float PluginHost::parameterValue(int32_t index) { return effect_->getParameter(effect_, index); }

std::optional<int32_t> PluginHost::findParameter(const std::string& name)
{
  const std::string wanted = normalisedParameterName(name);
  if (wanted.empty()) return std::nullopt;
  for (int32_t i = 0; i < numParams(); ++i) {
    if (normalisedParameterName(dispatchText(effGetParamName, i)) == wanted) return i;
  }
  return std::nullopt;
}

void PluginHost::processReplacing(float** inputs, float** outputs, int32_t frames)
{
  effect_->processReplacing(effect_, inputs, outputs, frames);
}

void PluginHost::processAccumulating(float** inputs, float** outputs, int32_t frames)
{
  effect_->process(effect_, inputs, outputs, frames);
}
