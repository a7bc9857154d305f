#include "vst3/interface/Vst3Base.h"

#include <cstring>

bool vst3::sameTuid(const char* a, const Tuid& b) { return a != nullptr && std::memcmp(a, b.bytes, 16) == 0; }
