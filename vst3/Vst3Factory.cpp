// The module's factory: two classes, the audio processor and its edit
// controller, both found by their class IDs (Vst3Identity.h). One static
// factory serves every GetPluginFactory call; counting references on it is
// harmless and it is never freed.
//
// Threads: hosts call the factory from their interface thread; every answer
// is a constant but createInstance, which builds a new object.
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "BrasklinVersion.h"
#include "platform/PlatformServices.h"
#include "vst3/Utf16Text.h"
#include "vst3/Vst3Controller.h"
#include "vst3/Vst3Identity.h"
#include "vst3/Vst3Processor.h"

using namespace vst3;

namespace {

// "major.minor.patch" as VST 3's four-part "major.minor.patch.build".
std::string fourPartVersion() { return std::string(kBrasklinVersionText) + ".0"; }

// Where the module finds its files: the bundle's Contents/Resources, two
// folders up from the binary (Contents/<architecture>/Brasklin.so).
std::string resourcesFolder()
{
  PlatformServices& system = platformServices();
  const std::optional<std::string> binaryFolder = system.moduleFolder();
  if (!binaryFolder) return {};
  const char separator = system.pathSeparator();
  return *binaryFolder + separator + ".." + separator + "Resources";
}

void copyText(char* field, std::size_t capacity, const char* text)
{
  std::memset(field, 0, capacity);
  std::strncpy(field, text, capacity - 1);
}

struct ClassEntry {
  const Tuid* cid;
  const char* category;
  const char* name;
  const char* subCategories;
  uint32_t flags;
};

const ClassEntry kClasses[] = {
    {&vst3_identity::kProcessorCid, vst3_identity::kProcessorCategory, kEffectName, vst3_identity::kSubCategories,
     kDistributable},
    {&vst3_identity::kControllerCid, vst3_identity::kControllerCategory, vst3_identity::kControllerName, "", 0},
};
constexpr int32_t kClassCount = sizeof kClasses / sizeof kClasses[0];

class Factory final : public IPluginFactory3 {
public:
  tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) override
  {
    if (object == nullptr) return kInvalidArgument;
    *object = nullptr;
    if (iid == nullptr || !(sameTuid(iid, FUnknown::iid) || sameTuid(iid, IPluginFactory::iid) ||
                            sameTuid(iid, IPluginFactory2::iid) || sameTuid(iid, IPluginFactory3::iid)))
      return kNoInterface;
    *object = static_cast<IPluginFactory3*>(this);
    return kResultOk;
  }
  // The factory lives as long as the module: the count means nothing.
  uint32_t BRASKLIN_VST3_CALL addRef() override { return 1; }
  uint32_t BRASKLIN_VST3_CALL release() override { return 1; }

  tresult BRASKLIN_VST3_CALL getFactoryInfo(PFactoryInfo* info) override
  {
    if (info == nullptr) return kInvalidArgument;
    std::memset(info, 0, sizeof *info);
    copyText(info->vendor, sizeof info->vendor, kEffectMaker);
    info->flags = PFactoryInfo::kUnicode;
    return kResultOk;
  }

  int32_t BRASKLIN_VST3_CALL countClasses() override { return kClassCount; }

  // The class `index` describes, with the fields every kind of class record
  // shares filled in and the rest zero; null (nothing written) for an index
  // or a record the host got wrong.
  template <class Record>
  static const ClassEntry* startClassInfo(int32_t index, Record* info)
  {
    if (info == nullptr || index < 0 || index >= kClassCount) return nullptr;
    const ClassEntry& entry = kClasses[index];
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->cid, entry.cid->bytes, 16);
    info->cardinality = kManyInstances;
    copyText(info->category, sizeof info->category, entry.category);
    return &entry;
  }

  tresult BRASKLIN_VST3_CALL getClassInfo(int32_t index, PClassInfo* info) override
  {
    const ClassEntry* const entry = startClassInfo(index, info);
    if (entry == nullptr) return kInvalidArgument;
    copyText(info->name, sizeof info->name, entry->name);
    return kResultOk;
  }

  tresult BRASKLIN_VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) override
  {
    const ClassEntry* const entry = startClassInfo(index, info);
    if (entry == nullptr) return kInvalidArgument;
    copyText(info->name, sizeof info->name, entry->name);
    info->classFlags = entry->flags;
    copyText(info->subCategories, sizeof info->subCategories, entry->subCategories);
    copyText(info->vendor, sizeof info->vendor, kEffectMaker);
    copyText(info->version, sizeof info->version, fourPartVersion().c_str());
    copyText(info->sdkVersion, sizeof info->sdkVersion, vst3_identity::kSdkVersion);
    return kResultOk;
  }

  tresult BRASKLIN_VST3_CALL getClassInfoUnicode(int32_t index, PClassInfoW* info) override
  {
    const ClassEntry* const entry = startClassInfo(index, info);
    if (entry == nullptr) return kInvalidArgument;
    writeUtf16(entry->name, info->name, 64);
    info->classFlags = entry->flags;
    copyText(info->subCategories, sizeof info->subCategories, entry->subCategories);
    writeUtf16(kEffectMaker, info->vendor, 64);
    writeUtf16(fourPartVersion(), info->version, 64);
    writeUtf16(vst3_identity::kSdkVersion, info->sdkVersion, 64);
    return kResultOk;
  }

  tresult BRASKLIN_VST3_CALL createInstance(const char* cid, const char* iid, void** object) override
  {
    if (object == nullptr) return kInvalidArgument;
    *object = nullptr;
    if (cid == nullptr || iid == nullptr) return kInvalidArgument;
    FUnknown* made = nullptr;
    try {
      if (sameTuid(cid, vst3_identity::kProcessorCid)) {
        made = static_cast<IComponent*>(new Vst3Processor(resourcesFolder()));
      } else if (sameTuid(cid, vst3_identity::kControllerCid)) {
        made = static_cast<IEditController*>(new Vst3Controller(resourcesFolder()));
      } else {
        return kInvalidArgument;
      }
    } catch (const std::bad_alloc&) {
      return kOutOfMemory;
    }
    // The caller's reference comes from queryInterface; the first one goes.
    const tresult answer = made->queryInterface(iid, object);
    made->release();
    return answer;
  }

  // The host context offers nothing the factory needs (views find the run
  // loop through their frame or the controller's context).
  tresult BRASKLIN_VST3_CALL setHostContext(FUnknown* /*context*/) override { return kResultOk; }
};

Factory factory;

}  // namespace

IPluginFactory* pluginFactory() { return &factory; }
