// The module's exported entry points, with undecorated C names: the factory
// for every system, and the load and unload calls hosts make around it
// (ModuleEntry / ModuleExit on Linux, which hosts require; InitDll / ExitDll
// on Windows, which they may make). Nothing needs setting up at load or
// tearing down at unload (the factory is static), so entry and exit may come
// any number of times and only answer yes.
//
// Threads: the host's interface thread.
#include "vst3/interface/Vst3Base.h"

vst3::IPluginFactory* pluginFactory();

#if defined(_WIN32)
#define BRASKLIN_VST3_EXPORT extern "C" __declspec(dllexport)
#else
#define BRASKLIN_VST3_EXPORT extern "C" __attribute__((visibility("default")))
#endif

BRASKLIN_VST3_EXPORT vst3::IPluginFactory* BRASKLIN_VST3_CALL GetPluginFactory() { return pluginFactory(); }

#if defined(_WIN32)
BRASKLIN_VST3_EXPORT bool InitDll() { return true; }
BRASKLIN_VST3_EXPORT bool ExitDll() { return true; }
#else
BRASKLIN_VST3_EXPORT bool ModuleEntry(void* /*handle*/) { return true; }
BRASKLIN_VST3_EXPORT bool ModuleExit() { return true; }
#endif
