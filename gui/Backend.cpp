#include "gui/Backend.h"

namespace {
Backend* chosenBackend = nullptr;  // interface thread only, like all GUI state
}  // namespace

Backend& currentBackend()
{
  if (chosenBackend) return *chosenBackend;
  return platformDefaultBackend();
}

void setCurrentBackend(Backend* backend) { chosenBackend = backend; }
