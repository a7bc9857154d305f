// The features a host hands an LV2 plug-in at instantiation, as the tests and
// benchmarks hand them: urid:map, and the options announcing the largest block
// (bufsz:maxBlockLength). The object must outlive every call that may map a
// URI (instantiate, a state restore).
#pragma once

#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class Lv2HostFeatures {
public:
  explicit Lv2HostFeatures(int32_t largestBlock) : largestBlock_(largestBlock)
  {
    options_[0] = {LV2_OPTIONS_INSTANCE,
                   0,
                   map(LV2_BUF_SIZE__maxBlockLength),
                   sizeof(int32_t),
                   map("http://lv2plug.in/ns/ext/atom#Int"),
                   &largestBlock_};
  }
  Lv2HostFeatures(const Lv2HostFeatures&) = delete;
  Lv2HostFeatures& operator=(const Lv2HostFeatures&) = delete;

  // The null-terminated list instantiate takes.
  const LV2_Feature* const* list() const { return features_; }
  LV2_URID_Map* uridMap() { return &map_; }
  LV2_URID map(const char* uri) { return mapUri(this, uri); }

private:
  static LV2_URID mapUri(LV2_URID_Map_Handle self, const char* uri)
  {
    auto& uris = static_cast<Lv2HostFeatures*>(self)->uris_;
    for (std::size_t i = 0; i < uris.size(); ++i) {
      if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    }
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
  }

  std::vector<std::string> uris_;
  int32_t largestBlock_;
  LV2_URID_Map map_{this, &Lv2HostFeatures::mapUri};
  LV2_Options_Option options_[2]{{}, {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  LV2_Feature mapFeature_{LV2_URID__map, &map_};
  LV2_Feature optionsFeature_{LV2_OPTIONS__options, options_};
  const LV2_Feature* features_[3]{&mapFeature_, &optionsFeature_, nullptr};
};

}  // namespace testsupport
