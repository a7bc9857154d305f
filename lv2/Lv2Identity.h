// The LV2 edition's identity: the URI hosts and saved sessions know it by
// (a URN of the project's own, never to change), the project it belongs to,
// and the URI of its editor (the interface binary of the same bundle).
#pragma once

inline constexpr char kLv2PluginUri[] = "urn:brasklin:lv2:brasklin";
inline constexpr char kLv2ProjectUri[] = "urn:brasklin:project";
inline constexpr char kLv2UiUri[] = "urn:brasklin:lv2:brasklin:ui";
