// Kept in a file of its own: linking this layer makes it the program's backend
// only when no other layer has supplied one.
#include "platform/headless/HeadlessBackend.h"

Backend& platformDefaultBackend()
{
  static HeadlessBackend backend;
  return backend;
}
