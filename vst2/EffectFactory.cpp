// The plug-in's one factory: the entry builds its effect through it.
#include <new>

#include "vst2/PluginEffect.h"
#include "vst2/interface/PluginEntry.h"

AudioEffect* createEffectInstance(audioMasterCallback hostCallback)
{
  // Running out of memory while the stages, tables or programs are built ends
  // here: the host is told the plug-in could not be created, and whatever was
  // built has been released by the members' destructors.
  try {
    return new PluginEffect(hostCallback);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
