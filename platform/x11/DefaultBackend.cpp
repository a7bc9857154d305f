// Kept in a file of its own: linking this layer makes it the program's backend
// only when no other layer has supplied one.
#include "platform/x11/X11Backend.h"

Backend& platformDefaultBackend()
{
  static X11Backend backend;
  return backend;
}
