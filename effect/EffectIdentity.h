// Who the effect is, in every format: the name hosts list it by and its maker.
#pragma once

inline constexpr char kEffectName[] = "Brasklin";
inline constexpr char kEffectMaker[] = "Brasklin";
