// The LV2 edition's entry: the descriptor a host finds through
// lv2_descriptor, its functions forwarding to Lv2Plugin. It is the only
// symbol the binary exports.
#include <lv2/core/lv2.h>

#include "lv2/Lv2Identity.h"
#include "lv2/Lv2Plugin.h"

namespace {

Lv2Plugin* pluginOf(LV2_Handle handle) { return static_cast<Lv2Plugin*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor* /*descriptor*/, double sampleRate, const char* bundlePath,
                       const LV2_Feature* const* features)
{
  return Lv2Plugin::create(sampleRate, bundlePath, features).release();
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { pluginOf(handle)->connectPort(port, data); }
void activate(LV2_Handle handle) { pluginOf(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { pluginOf(handle)->run(frames); }
void deactivate(LV2_Handle handle) { pluginOf(handle)->deactivate(); }
void cleanup(LV2_Handle handle) { delete pluginOf(handle); }
const void* extensionData(const char* /*uri*/) { return nullptr; }

const LV2_Descriptor descriptor = {kLv2PluginUri, instantiate, connectPort, activate,
                                   run,           deactivate,  cleanup,     extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
  return index == 0 ? &descriptor : nullptr;
}
