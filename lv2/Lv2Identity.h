// The LV2 edition's identity: the URI hosts and saved sessions know it by
// (a URN of the project's own, never to change), and the project it belongs to.
#pragma once

inline constexpr char kLv2PluginUri[] = "urn:brasklin:lv2:brasklin";
inline constexpr char kLv2ProjectUri[] = "urn:brasklin:project";
