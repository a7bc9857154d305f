// Kept in a file of its own: linking this layer makes it the program's backend.
#include "platform/win32/Win32Backend.h"

Backend& platformDefaultBackend()
{
  static Win32Backend backend;
  return backend;
}
