#include "tests/vst2/FakeHost.h"

FakeHost* FakeHost::current = nullptr;

FakeHost::FakeHost() { current = this; }

FakeHost::~FakeHost()
{
  if (current == this) {
    current = nullptr;
  }
}

intptr_t FakeHost::callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
  if (current == nullptr) {
    return 0;
  }
  current->recorded.push_back(HostCall{effect, opcode, index, value, ptr, opt});
  const auto found = current->answers.find(opcode);
  return found != current->answers.end() ? found->second : 0;
}

std::vector<HostCall> FakeHost::callsWith(int32_t opcode) const
{
  std::vector<HostCall> matching;
  for (const HostCall& call : recorded) {
    if (call.opcode == opcode) {
      matching.push_back(call);
    }
  }
  return matching;
}
