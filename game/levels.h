// The level set: each level number is a rule that paints the whole back buffer
// in the two territory colours and gives both ships their start positions.
#pragma once

#include <cstdint>

#include "shapes/angles.h"
#include "shell/main_window.h"

inline constexpr std::int32_t LEVEL_COUNT = 4;

struct LevelSet {
  // Paints level 0..3 and writes the start positions (Fixed8 positions, headings).
  // Any other level returns 1 and changes nothing. A buffer too small for the
  // level's divisions is left unpainted, but the build still succeeds.
  // A successful build sets level_change_frame and returns 0.
  static std::int32_t build(std::int32_t level, Fixed8* x0_8, Fixed8* y0_8, Angle* rot0,
                            Fixed8* x1_8, Fixed8* y1_8, Angle* rot1);
  // A filled disc of the back buffer (the impacts' disc rule).
  static void fillDisc(std::int32_t cx, std::int32_t cy, std::int32_t d, ColourIndex colour);
};
