// AudioEffect: the base every effect derives from. It owns the descriptor the
// host talks to, turns the host's dispatcher opcodes into virtual calls, keeps
// the host-visible basics (sample rate, block size, current program), wraps the
// plug-in's own calls to the host and supplies the value-to-text conversions
// parameter displays use.
//
// Threads: the host may call any entry from its audio thread or its interface
// thread. Values the audio thread reads while another thread may write them
// (sample rate, block size, current program) are relaxed atomics. The base
// takes no locks and allocates nothing after construction.
#pragma once

#include <atomic>
#include <cstdint>

#include "effect/NumberText.h"
#include "effect/SampleRate.h"
#include "vst2/interface/AEffect.h"

class AEffEditor;

// Set by an effect whose editor could not be allocated. Never cleared: from then
// on every call of the entry fails in this process.
extern std::atomic<bool> outOfMemory;

// Text written by dB2string for zero and negative gains.
inline constexpr char kMinusInfinityText[] = "  -oo   ";
// Size of the buffers the conversions write into: 8 characters and the zero.
inline constexpr int kConversionBufferSize = kNumberTextBytes;
// The version every descriptor reports (hosts stamp it on saved programs).
inline constexpr int32_t kBaseEffectVersion = 1;

class AudioEffect {
public:
  // Builds the descriptor: magic 'VstP', the five trampolines, the given
  // program and parameter counts (negative counts become 0), one input, two
  // outputs, no flags, ioRatio 1, unique ID 'NoEf', version 1.
  AudioEffect(audioMasterCallback hostCallback, int32_t programCount, int32_t parameterCount);

  // The descriptor points back at this object, so it can neither be copied nor moved.
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  // ---- virtual operations, in slot order ----

  // Deletes the editor, if there is one.
  virtual ~AudioEffect();

  virtual void setParameter(int32_t index, float value);  // base: nothing
  virtual float getParameter(int32_t index);              // base: 0

  // Applies the change through setParameter, then reports it to the host
  // (audioMasterAutomate, index, opt = value) if there is a host callback.
  virtual void setParameterAutomated(int32_t index, float value);

  // Adds the effect's output into `outputs`. Audio thread.
  virtual void process(float** inputs, float** outputs, int32_t sampleFrames) = 0;
  // Overwrites `outputs` with the effect's output. Audio thread. Base: nothing.
  virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);

  // Turns a host opcode into the matching virtual call; unknown opcodes give 0.
  virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

  virtual void open();   // base: nothing
  virtual void close();  // base: nothing (effClose's trampoline deletes the object after it)

  virtual int32_t getProgram();  // the current program
  // Selects a program. The dispatcher passes every value below the program
  // count, negative ones included; the base stores only 0..count-1 and ignores
  // the rest, so a derived class indexing its programs must check the same.
  virtual void setProgram(int32_t program);
  // Name buffers are host owned and at least 24 bytes. Base: empty string.
  virtual void setProgramName(char* name);
  virtual void getProgramName(char* name);
  // Label, display and name buffers are host owned and at least 9 bytes.
  // Base: empty string.
  virtual void getParameterLabel(int32_t index, char* label);
  virtual void getParameterDisplay(int32_t index, char* text);
  virtual void getParameterName(int32_t index, char* text);
  virtual float getVu();  // base: 0

  // Chunks: *data receives the effect's state, the result is its byte size.
  // Base: no chunk support, 0.
  virtual intptr_t getChunk(void** data, bool isPreset);
  virtual intptr_t setChunk(void* data, intptr_t byteSize, bool isPreset);

  // Stores the rate when it is finite and within kMinSampleRate..kMaxSampleRate;
  // anything else is ignored so that no consumer divides by zero or by NaN.
  virtual void setSampleRate(float rate);
  // Stores the host's largest block size; negative sizes are ignored.
  virtual void setBlockSize(int32_t size);
  virtual void suspend();  // base: nothing
  virtual void resume();   // base: nothing

  virtual void setUniqueID(int32_t id);
  virtual void setNumInputs(int32_t inputs);
  virtual void setNumOutputs(int32_t outputs);
  virtual void hasVu(bool state = true);
  virtual void hasClip(bool state = true);
  virtual void canMono(bool state = true);
  virtual void canProcessReplacing(bool state = true);
  virtual void programsAreChunks(bool state = true);
  virtual void setRealtimeQualities(int32_t qualities);
  virtual void setOfflineQualities(int32_t qualities);
  virtual void setInitialDelay(int32_t delay);
  virtual float getSampleRate();
  virtual int32_t getBlockSize();

  // Calls to the host. Without a host callback they answer the defaults noted.
  virtual int32_t getMasterVersion();              // host answer; 1 for 0 or no host
  virtual int32_t getCurrentUniqueId();            // host answer; 0 without a host
  virtual void masterIdle();                       // lets the host run its idle work
  virtual bool isInputConnected(int32_t input);    // true when the host answers 0 or is absent
  virtual bool isOutputConnected(int32_t output);  // true when the host answers 0 or is absent
  // Frame the user's touch of one parameter: beginEdit when a drag or a click
  // starts, the automate calls, endEdit when it ends. True when the host
  // answered non-zero; false without a host.
  virtual bool beginEdit(int32_t index);
  virtual bool endEdit(int32_t index);

  // Value-to-text conversions. Each writes at most 8 characters and the zero
  // into `text`, which must hold kConversionBufferSize bytes.
  virtual void dB2string(float value, char* text);    // 20*log10(value); "  -oo   " for value <= 0
  virtual void Hz2string(float samples, char* text);  // sample rate / samples; 0 gives 0
  virtual void ms2string(float samples, char* text);  // samples in milliseconds
  // Eight characters, digits truncated, never rounded: 0.5 -> "0.500000",
  // -0.25 -> "-0.25000". Values whose integer part needs more than 7 digits
  // (6 when negative) give " Huge!  ", NaN gives "  NaN   ".
  virtual void float2string(float value, char* text);
  // "%7d" cut to 8 characters; 100000000 and above give " Huge!  ".
  virtual void long2string(int32_t value, char* text);

  // ---- what VST 2.4 hosts ask beyond the first opcodes ----
  // Base answers: nothing known (false, 0, nothing written), except the
  // interface version, which is the dispatcher's own.

  // Whether the host may record and play back automation of `index`.
  virtual bool canParameterBeAutomated(int32_t index);
  // The name of program `index` without selecting it, into a buffer of
  // kVstMaxProgramNameBytes; false (nothing written) when there is no such
  // program. `category` is the host's program category, -1 for all.
  virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
  // Buffers of kVstMaxEffectNameBytes, kVstMaxVendorStringBytes and
  // kVstMaxProductStringBytes; true when a text was written.
  virtual bool getEffectName(char* name);
  virtual bool getVendorString(char* text);
  virtual bool getProductString(char* text);
  virtual int32_t getVendorVersion();  // one number; 0: not given
  virtual int32_t getPlugCategory();   // kPlugCateg*
  // 1: can do, -1: cannot, 0: the text means nothing to this effect.
  virtual int32_t canDo(const char* text);
  // Samples the output may keep sounding after the input stops: 0 means not
  // known, 1 means none.
  virtual int32_t getTailSize();
  // Fills the fields of *properties that describe `index`; false when there
  // is nothing to say (the host then treats the parameter as continuous).
  virtual bool getParameterProperties(int32_t index, VstParameterProperties* properties);
  virtual int32_t getVstVersion();  // kVstVersion

  // ---- non-virtual ----

  // Stores the editor (owned from now on) and sets or clears effFlagsHasEditor.
  void setEditor(AEffEditor* newEditor);
  AEffEditor* getEditor() const { return editor; }
  AEffect* getAeffect() { return &descriptor; }
  audioMasterCallback getHostCallback() const { return hostCallback; }

  static constexpr float kDefaultSampleRate = 44100.0f;
  static constexpr int32_t kDefaultBlockSize = 1024;
  static constexpr float kMinSampleRate = ::kMinSampleRate;
  static constexpr float kMaxSampleRate = ::kMaxSampleRate;

protected:
  std::atomic<float> sampleRate;     // Hz
  AEffEditor* editor;                // owned
  audioMasterCallback hostCallback;  // may be null
  int32_t programCount;
  int32_t parameterCount;
  std::atomic<int32_t> currentProgram;
  std::atomic<int32_t> blockSize;  // the host's largest block
  AEffect descriptor;

private:
  intptr_t callHost(int32_t opcode, int32_t index, intptr_t value);
};
