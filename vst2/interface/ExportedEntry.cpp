// The plug-in's exported entry. Linked into each plug-in module only, never into
// a library, because on ELF it defines the symbol `main`, which would collide
// with a test program's own main.
//
// C++ will not let a function named main return a pointer, so the entry is
// written under another name and exported as `main`: on ELF through the
// assembler alias below, on Windows through the module definition file
// (EXPORTS main=brasklinPluginEntry). The link step's export list makes these
// the only symbols the module exports.
#include "vst2/interface/PluginEntry.h"

#if defined(_WIN32)
#define BRASKLIN_EXPORTED_ENTRY  // the module definition file decides
#else
#define BRASKLIN_EXPORTED_ENTRY __attribute__((visibility("default"), used))
#endif

extern "C" {

AEffect* brasklinPluginEntry(audioMasterCallback hostCallback);
AEffect* VSTPluginMain(audioMasterCallback hostCallback);

BRASKLIN_EXPORTED_ENTRY AEffect* brasklinPluginEntry(audioMasterCallback hostCallback)
{
  return pluginMain(hostCallback);
}

// The name Linux hosts look for before trying `main`.
BRASKLIN_EXPORTED_ENTRY AEffect* VSTPluginMain(audioMasterCallback hostCallback) { return pluginMain(hostCallback); }

}  // extern "C"

#if defined(__ELF__)
__asm__(
    ".globl main\n"
    ".type main, @function\n"
    ".set main, brasklinPluginEntry\n");
#endif
