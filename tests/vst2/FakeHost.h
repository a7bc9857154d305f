// A host stand-in for the host-boundary tests: it records every call the
// plug-in makes through its callback and answers each opcode with a value the
// test chooses (0 unless told otherwise).
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "vst2/interface/AEffect.h"

struct HostCall {
  AEffect* effect;
  int32_t opcode;
  int32_t index;
  intptr_t value;
  void* ptr;
  float opt;
};

class FakeHost {
public:
  // The callback is a plain function, so the one live FakeHost is reached
  // through a static pointer; constructing another replaces it.
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

  void answer(int32_t opcode, intptr_t result) { answers[opcode] = result; }
  const std::vector<HostCall>& calls() const { return recorded; }
  std::vector<HostCall> callsWith(int32_t opcode) const;

private:
  static FakeHost* current;
  std::map<int32_t, intptr_t> answers;
  std::vector<HostCall> recorded;
};
