#include "game/shots.h"

#include <array>
#include <cstdlib>
#include <limits>

#include "game/game_state.h"
#include "game/helpers.h"

namespace {

// Largest n with n * n <= v.
constexpr std::int64_t floorSqrt(std::int64_t v) {
  std::int64_t n = 0;
  for (std::int64_t bit = std::int64_t{1} << 31; bit != 0; bit >>= 1) {
    if ((n + bit) * (n + bit) <= v) n += bit;
  }
  return n;
}

constexpr std::array<std::uint8_t, DISTANCE_TABLE_SIZE> makeDistanceTable() {
  std::array<std::uint8_t, DISTANCE_TABLE_SIZE> t{};
  for (std::int64_t i = 0; i < DISTANCE_TABLE_SIZE; ++i) {
    const std::int64_t b = i < 512 ? i + 4096 : 2 * i + 3796;
    // 4096 * sqrt(1 + (i / 1024)^2) = sqrt(v) with v = 16 * (1024^2 + i^2); rounded to
    // nearest exactly: n with (2n - 1)^2 <= 4v < (2n + 1)^2.
    const std::int64_t v = 16 * (1024 * 1024 + i * i);
    const std::int64_t nearest = (floorSqrt(4 * v) + 1) / 2;
    t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(b - nearest);
  }
  return t;
}

}  // namespace

// Built once, at compile time, from its formula.
constexpr std::array<std::uint8_t, DISTANCE_TABLE_SIZE> DistanceCorrection = makeDistanceTable();

namespace {

std::int32_t lengthOf(std::int64_t a, std::int64_t b) {
  a = a < 0 ? -a : a;
  b = b < 0 ? -b : b;
  std::int64_t r = 0;
  std::int64_t m = 0;
  if (a > b) {
    r = b * 4096 / a;
    m = a;
  } else {
    if (b == 0) return 0;
    r = a * 4096 / b;
    m = b;
  }
  const std::int64_t t = DistanceCorrection[static_cast<std::size_t>(r >> 2)];
  const std::int64_t f = r < 2048 ? (r >> 2) + 4096 - t : (r >> 1) + 3796 - t;
  const std::int64_t d = (m * f + 2048) >> 12;
  return d > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                      : static_cast<std::int32_t>(d);
}

}  // namespace

std::int32_t approxDistance(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  return lengthOf(std::int64_t{x1} - x2, std::int64_t{y1} - y2);
}

std::int32_t approxLength(std::int32_t dx, std::int32_t dy) { return lengthOf(dx, dy); }

void Shot::update() {
  if (state == SHOT_IMPACT) state = SHOT_FREE;
  if (state != SHOT_FLYING) return;
  vx += ax >> 5;
  vy += ay >> 5;
  x += vx;
  y += vy;
  if (x < 0 || y < 0) {
    state = SHOT_FREE;
  } else {
    const PixelView p = backBuffer();
    // A shot exactly on column width or row height is still alive.
    if ((x >> 8) > p.width || (y >> 8) > p.height) state = SHOT_FREE;
  }
  if (state == SHOT_FLYING && draw(SHOT_PASS_TOUCH) != 0) {
    state = SHOT_IMPACT;
    g_game.sound.request(SOUND_REQ_HIT);
  }
}

int Shot::draw(std::uint32_t pass) {
  if (state == SHOT_FREE) return 0;
  const bool draws = (pass & (SHOT_PASS_DRAW | SHOT_PASS_TOUCH)) != 0;
  const ColourIndex colour = draws ? line_colour : erase_colour;
  if (draws && state == SHOT_IMPACT) {
    paintImpact(x >> 8, y >> 8, erase_colour);
    return 0;
  }
  const bool touch = (pass & SHOT_PASS_TOUCH) != 0;
  const PixelView p = backBuffer();
  for (std::int32_t row = -1; row <= 1; ++row) {
    const PixelOffset start = PixelOffset{(y >> 8) + row} * p.stride + (x >> 8) - 1;
    for (PixelOffset a = start; a < start + 3; ++a) {
      if (!p.contains(a)) continue;
      if (!touch) {
        p.base[a] = colour;
      } else if (p.base[a] == colour) {
        return 1;
      }
    }
  }
  return 0;
}

Shot* ShotList::launch(Fixed8 x, Fixed8 y, std::int32_t vx, std::int32_t vy, std::int32_t ax,
                       std::int32_t ay, ColourIndex line_colour, ColourIndex erase_colour) {
  for (Shot& s : shots) {
    if (!s.isFree()) continue;
    s = Shot{SHOT_FLYING, x, y, vx, vy, ax, ay, line_colour, erase_colour};
    return &s;
  }
  return nullptr;
}

void ShotList::update() {
  for (Shot& s : shots) s.update();
}

void ShotList::draw(std::uint32_t pass) {
  for (Shot& s : shots) s.draw(pass);
}

bool ShotList::nearestImpact(Fixed8 px, Fixed8 py, std::int32_t* kx, std::int32_t* ky) const {
  std::int32_t best = 999999999;
  const Shot* found = nullptr;
  for (const Shot& s : shots) {
    if (!s.isImpact()) continue;
    const std::int32_t d = approxDistance(s.x, s.y, px, py);
    if (d < best) {
      best = d;
      found = &s;
    }
  }
  std::int64_t dx = 0;
  std::int64_t dy = 0;
  const bool hit = found != nullptr && best < IMPACT_REACH;
  if (hit) {
    dx = (std::int64_t{px} - found->x) * 4;
    dy = (std::int64_t{py} - found->y) * 4;
    // Limited upwards only: a large negative component stays as it is.
    while (dx > KNOCKBACK_LIMIT || dy > KNOCKBACK_LIMIT) {
      dx /= 2;
      dy /= 2;
    }
  }
  if (kx != nullptr) *kx = static_cast<std::int32_t>(dx);
  if (ky != nullptr) *ky = static_cast<std::int32_t>(dy);
  return hit;
}
