// A small, correct host for one plug-in of the VST 2 interface: loads the
// binary, calls its entry, and drives the descriptor in the order a DAW does.
#pragma once

#include "vst2/interface/AEffect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ParameterInfo {
  int index = 0;
  std::string name;
  float value = 0.0f;
  std::string display;
  std::string label;
};

class PluginHost {
public:
  PluginHost() = default;
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;
  ~PluginHost();

  // Loads `path` and calls its entry (VSTPluginMain, else main). On failure
  // returns false and leaves a one-line reason in error(); whatever the plug-in
  // printed to standard error while loading is kept in pluginOutput().
  bool load(const std::string& path);

  // effOpen, sample rate, block size, then resume: the order hosts use before audio.
  void start(double sampleRate, int32_t blockSize);
  // suspend, then close (which destroys the plug-in's object).
  void stop();

  const AEffect& descriptor() const { return *effect_; }
  int32_t numInputs() const { return effect_->numInputs; }
  int32_t numOutputs() const { return effect_->numOutputs; }
  int32_t numParams() const { return effect_->numParams; }
  int32_t numPrograms() const { return effect_->numPrograms; }

  void setProgram(int32_t program);
  int32_t program();
  std::string programName();
  void setParameter(int32_t index, float value);
  ParameterInfo parameter(int32_t index);
  // The current program's name through effSetProgramName, and one value
  // through getParameter: what loading and saving preset files needs.
  void setProgramName(const std::string& name);
  float parameterValue(int32_t index);
  // Index of the parameter whose name equals `name`, ignoring surrounding
  // spaces and letter case.
  std::optional<int32_t> findParameter(const std::string& name);

  // One block through the replacing (or accumulating) audio routine.
  void processReplacing(float** inputs, float** outputs, int32_t frames);
  void processAccumulating(float** inputs, float** outputs, int32_t frames);

  const std::string& error() const { return error_; }
  const std::string& pluginOutput() const { return pluginOutput_; }

private:
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
  std::string dispatchText(int32_t opcode, int32_t index);

  void* library_ = nullptr;
  AEffect* effect_ = nullptr;
  bool started_ = false;
  std::string error_;
  std::string pluginOutput_;
};

// Surrounding spaces removed, letters lowered: how parameter names are matched.
std::string normalisedParameterName(const std::string& name);
