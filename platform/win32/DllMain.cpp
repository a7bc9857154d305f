// The DLL's load-time entry: it keeps the module's instance handle, which the
// editor needs to load its bitmaps and name its window class, and from which
// the shape loader learns the DLL's own folder. Windows only;
// brasklin_add_plugin compiles it into every Windows plug-in module.
#if defined(_WIN32)
#include <windows.h>

#include "platform/win32/ModuleHandle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
  // Stored for every reason: the handle is the same for the module's whole life.
  moduleHandle = instance;
  return TRUE;
}
#endif
