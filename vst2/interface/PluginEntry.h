// The plug-in's entry: what the exported `main` runs, and the one factory the
// effect library supplies.
#pragma once

#include "vst2/interface/AEffect.h"

class AudioEffect;

// Builds the plug-in's effect for `hostCallback`. Defined once per plug-in (the
// real effect, or a test's own effect). Returns null when it cannot allocate the
// effect; must not let an exception escape.
AudioEffect* createEffectInstance(audioMasterCallback hostCallback);

// The work behind the exported `main`:
// 1. ask the host for its version (audioMasterVersion); 0 means "no": null;
// 2. build the effect through createEffectInstance; null if that fails;
// 3. if the editor could not be allocated (outOfMemory), delete it: null;
// 4. otherwise hand the effect's descriptor to the host, which owns it from now on.
// A null callback counts as a host answering 0.
AEffect* pluginMain(audioMasterCallback hostCallback);
