// The shot pool both ships fire into: 3 x 3 squares that fall towards their
// shooter's ground and, where they touch it, become impacts for one frame,
// paint a disc of the shooter's colour and knock away ships nearby.
#pragma once

#include <array>
#include <cstdint>

#include "shapes/angles.h"
#include "shell/main_window.h"

inline constexpr int SHOT_POOL_SIZE = 60;
inline constexpr std::uint32_t SHOT_FREE = 0;
inline constexpr std::uint32_t SHOT_FLYING = 1;
inline constexpr std::uint32_t SHOT_IMPACT = 2;

// Pass flags of Shot::draw.
inline constexpr std::uint32_t SHOT_PASS_TOUCH = 8;    // test for a touch of the line colour
inline constexpr std::uint32_t SHOT_PASS_DRAW = 64;    // draw the square, or paint the impact
inline constexpr std::uint32_t SHOT_PASS_ERASE = 128;  // paint over with the erase colour

// Approximate distance below which an impact knocks a ship (20 pixels).
inline constexpr std::int32_t IMPACT_REACH = 5120;
// Knockback components are cut (upwards only) to at most this.
inline constexpr std::int32_t KNOCKBACK_LIMIT = 7680;

struct Shot {
  std::uint32_t state = SHOT_FREE;
  Fixed8 x = 0;
  Fixed8 y = 0;
  std::int32_t vx = 0;  // Fixed8 per frame
  std::int32_t vy = 0;
  std::int32_t ax = 0;  // 1/32 Fixed8 per frame per frame
  std::int32_t ay = 0;
  ColourIndex line_colour = 0;   // the shooter's ground: drawn in it, strikes it
  ColourIndex erase_colour = 0;  // the shooter's territory: erased with it, impacts paint it

  bool isFree() const { return state == SHOT_FREE; }
  bool isImpact() const { return state == SHOT_IMPACT; }
  // One frame: an impact ends; a flying shot moves, leaves the arena or strikes.
  void update();
  // Draws, erases or touch-tests the shot; 1 when the touch test finds the line colour.
  int draw(std::uint32_t pass);
};

struct ShotList {
  Shot shots[SHOT_POOL_SIZE];

  // Takes the first free entry; null when all are in use.
  Shot* launch(Fixed8 x, Fixed8 y, std::int32_t vx, std::int32_t vy, std::int32_t ax,
               std::int32_t ay, ColourIndex line_colour, ColourIndex erase_colour);
  void update();
  void draw(std::uint32_t pass);
  // The impact of this frame nearest to (px, py) within reach, and the
  // knockback away from it: (px, py) minus the impact, times 4, limited.
  bool nearestImpact(Fixed8 px, Fixed8 py, std::int32_t* kx, std::int32_t* ky) const;
};

// T[i] = b(i) - nearest(4096 * sqrt(1 + (i / 1024)^2)): the correction the
// distance approximation subtracts from its straight-line estimate b(i).
inline constexpr int DISTANCE_TABLE_SIZE = 1025;
extern const std::array<std::uint8_t, DISTANCE_TABLE_SIZE> DistanceCorrection;

// Distance between two points within about 0.1%, without a square root; in
// the inputs' units. Computed in 64 bits, so far points give a far distance
// (capped at the largest 32-bit value) instead of overflowing.
std::int32_t approxDistance(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
// The same for a difference vector.
std::int32_t approxLength(std::int32_t dx, std::int32_t dy);
