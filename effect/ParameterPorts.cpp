#include "effect/ParameterPorts.h"

#include "effect/ParameterTable.h"

namespace {

bool hasPort(int32_t index) { return parameterInfo(index).aliasOf == kNoAlias; }

}  // namespace

uint32_t controlPortCount()
{
  uint32_t count = 0;
  for (int32_t index = 0; index < kParameterCount; ++index) count += hasPort(index) ? 1u : 0u;
  return count;
}

uint32_t portCount() { return kFirstControlPort + controlPortCount(); }

uint32_t portForParameter(int32_t index)
{
  if (!isParameterIndex(index) || !hasPort(index)) return kNoPort;
  uint32_t port = kFirstControlPort;
  for (int32_t earlier = 0; earlier < index; ++earlier) port += hasPort(earlier) ? 1u : 0u;
  return port;
}

int32_t parameterForPort(uint32_t port)
{
  if (port < kFirstControlPort) return kNoParameter;
  uint32_t next = kFirstControlPort;
  for (int32_t index = 0; index < kParameterCount; ++index) {
    if (!hasPort(index)) continue;
    if (next == port) return index;
    ++next;
  }
  return kNoParameter;
}
