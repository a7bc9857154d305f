// The numbering of the plug-in's ports in formats that address every setting
// as a port (LV2): port 0 the audio input, ports 1 and 2 the two audio
// outputs, then one control input port per parameter that is a setting of its
// own (an alias such as the second delay-time entry has none), in parameter
// order. A parameter added at the end of the table gets the next port, so the
// numbers of existing ports never move. Computed from the parameter table
// alone, so an interface binary without the DSP numbers them the same way.
#pragma once

#include <cstdint>

inline constexpr uint32_t kAudioInputPort = 0;
inline constexpr uint32_t kFirstAudioOutputPort = 1;
inline constexpr uint32_t kAudioOutputPortCount = 2;
inline constexpr uint32_t kFirstControlPort = kFirstAudioOutputPort + kAudioOutputPortCount;

inline constexpr int32_t kNoParameter = -1;
inline constexpr uint32_t kNoPort = UINT32_MAX;

// Control ports: one per parameter that is not an alias.
uint32_t controlPortCount();
// Every port, audio and control.
uint32_t portCount();
// The port of parameter `index`, or kNoPort for an alias or an index out of range.
uint32_t portForParameter(int32_t index);
// The parameter a control port sets, or kNoParameter for an audio port or a
// number past the last port.
int32_t parameterForPort(uint32_t port);
