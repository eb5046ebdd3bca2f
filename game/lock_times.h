// How long the controls stay locked: at the start and after every level
// build. During a lock the mouse's buttons select the level instead.
#pragma once

#include <cstdint>

inline constexpr std::int32_t START_LOCK_FRAMES = 120;
inline constexpr std::int32_t LEVEL_LOCK_FRAMES = 60;
