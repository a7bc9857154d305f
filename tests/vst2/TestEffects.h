// Effects and editors for the host-boundary tests.
#pragma once

#include <gmock/gmock.h>

#include <cstring>

#include "vst2/interface/AEffEditor.h"
#include "vst2/interface/AudioEffect.h"

// The base class as it stands: only the one operation it cannot supply.
class BareEffect : public AudioEffect {
public:
  explicit BareEffect(audioMasterCallback host, int32_t programs = 16, int32_t parameters = 18)
      : AudioEffect(host, programs, parameters), atConstruction(*getAeffect())
  {}

  void process(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) override {}

  // The record as the base constructor left it, before this constructor ran.
  AEffect atConstruction;
};

// Records the virtual calls the dispatcher and the trampolines make.
class MockEffect : public AudioEffect {
public:
  explicit MockEffect(audioMasterCallback host, bool* destroyed = nullptr, int32_t programs = 16)
      : AudioEffect(host, programs, 18), destroyed(destroyed)
  {}
  ~MockEffect() override
  {
    if (destroyed != nullptr) {
      *destroyed = true;
    }
  }

  MOCK_METHOD(void, setParameter, (int32_t index, float value), (override));
  MOCK_METHOD(float, getParameter, (int32_t index), (override));
  MOCK_METHOD(void, process, (float** inputs, float** outputs, int32_t sampleFrames), (override));
  MOCK_METHOD(void, processReplacing, (float** inputs, float** outputs, int32_t sampleFrames), (override));
  MOCK_METHOD(void, open, (), (override));
  MOCK_METHOD(void, close, (), (override));
  MOCK_METHOD(void, setProgram, (int32_t program), (override));
  MOCK_METHOD(void, setProgramName, (char* name), (override));
  MOCK_METHOD(void, getProgramName, (char* name), (override));
  MOCK_METHOD(void, getParameterLabel, (int32_t index, char* label), (override));
  MOCK_METHOD(void, getParameterDisplay, (int32_t index, char* text), (override));
  MOCK_METHOD(void, getParameterName, (int32_t index, char* text), (override));
  MOCK_METHOD(float, getVu, (), (override));
  MOCK_METHOD(intptr_t, getChunk, (void** data, bool isPreset), (override));
  MOCK_METHOD(intptr_t, setChunk, (void* data, intptr_t byteSize, bool isPreset), (override));
  MOCK_METHOD(void, setSampleRate, (float rate), (override));
  MOCK_METHOD(void, setBlockSize, (int32_t size), (override));
  MOCK_METHOD(void, suspend, (), (override));
  MOCK_METHOD(void, resume, (), (override));

private:
  bool* destroyed;
};

// Records what the dispatcher asks of the editor.
class MockEditor : public AEffEditor {
public:
  explicit MockEditor(AudioEffect* effect, bool* destroyed = nullptr) : AEffEditor(effect), destroyed(destroyed) {}
  ~MockEditor() override
  {
    if (destroyed != nullptr) {
      *destroyed = true;
    }
  }

  MOCK_METHOD(intptr_t, getRect, (ERect * *rect), (override));
  MOCK_METHOD(intptr_t, open, (void* parent), (override));
  MOCK_METHOD(void, close, (), (override));
  MOCK_METHOD(void, idle, (), (override));

private:
  bool* destroyed;
};
