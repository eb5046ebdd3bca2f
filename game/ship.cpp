#include "game/ship.h"

#include <algorithm>

#include "game/game_state.h"
#include "game/helpers.h"
#include "shell/shell_globals.h"

namespace {

std::int16_t g_next_ship_id = 0;

Vector16 rotated16(Angle angle, Vector16 v) {
  RotateVector16(angle, &v.x, &v.y);
  return v;
}

Vector32 rotated32(Angle angle, Vector32 v) {
  RotateVector32(angle, &v.x, &v.y);
  return v;
}

bool held(std::int8_t input) { return input > 0; }

}  // namespace

void normaliseAngle(Angle* angle) {
  while (*angle < 0) *angle = static_cast<Angle>(*angle + ANGLE_FULL_TURN);
  while (*angle > ANGLE_FULL_TURN - 1) *angle = static_cast<Angle>(*angle - ANGLE_FULL_TURN);
}

Ship::Ship() : id(g_next_ship_id++) {
  const bool first = id == 0;
  x = y = first ? 12800 : 25600;
  heading = arm = first ? 2048 : 0;
  wheel_a = 50;
  wheel_b = 600;
  down = {0, -256};
}

void Ship::resetCounter() { g_next_ship_id = 0; }

void Ship::place(Fixed8 px, Fixed8 py, Angle new_heading) {
  x = px;
  y = py;
  heading = new_heading;
  arm = new_heading;
}

void Ship::update() {
  normaliseAngle(&heading);
  int pushed = 0;
  if (g_game.controlsEnabled()) {
    const bool mouse = id == 0;
    const std::int8_t back =
        mouse ? g_shell.MouseButtons[SHIP_BUTTON_BACK] : g_shell.KeyState[SHIP_KEY_BACK];
    const std::int8_t on =
        mouse ? g_shell.MouseButtons[SHIP_BUTTON_ON] : g_shell.KeyState[SHIP_KEY_ON];
    if (held(back)) {
      arm = static_cast<Angle>(arm - SHIP_ARM_TURN);
      pushed |= 4;
    }
    if (held(on)) {
      arm = static_cast<Angle>(arm + SHIP_ARM_TURN);
      pushed |= 2;
    }
  }
  const std::uint32_t now = g_shell.main_window.presented_frames;
  if (pushed == 6 && static_cast<std::int32_t>(now - last_shot_frame) > SHIP_FIRE_GAP) {
    // Muzzle, velocity and fall as the previous frame left them.
    if (g_game.shots.launch(muzzle.x, muzzle.y, shot_velocity.x, shot_velocity.y, down.x, down.y,
                            ground_colour, territory_colour) != nullptr) {
      g_game.sound.request(SOUND_REQ_FIRE);
    }
    last_shot_frame = now;
  }
  settle();

  // Arm travel: turned past either end, the arm stays there and the ship walks.
  int swing = 0;
  normaliseAngle(&arm);
  Angle rest = static_cast<Angle>(heading - ANGLE_QUARTER_TURN);
  normaliseAngle(&rest);
  if (AngleDifference(arm, rest) > SHIP_ARM_TRAVEL) {
    arm = static_cast<Angle>(rest + SHIP_ARM_TRAVEL);
    if (pushed != 0) swing = 1;
    normaliseAngle(&arm);
  }
  if (AngleDifference(arm, rest) < -SHIP_ARM_TRAVEL) {
    arm = static_cast<Angle>(rest - SHIP_ARM_TRAVEL);
    if (pushed != 0) swing = -1;
    normaliseAngle(&arm);
  }
  if (swing != 0) {
    wheel_a = static_cast<Angle>(wheel_a + swing * SHIP_WHEEL_TURN);
    wheel_b = static_cast<Angle>(wheel_b + swing * SHIP_WHEEL_TURN);
    normaliseAngle(&wheel_a);
    normaliseAngle(&wheel_b);
    const Vector16 step = rotated16(heading, {static_cast<std::int16_t>(swing * SHIP_STEP), 0});
    x += step.x;
    y += step.y;
  }

  shot_velocity = rotated16(arm, {SHIP_SHOT_SPEED, 0});
  const Vector32 pivot = rotated32(heading, {0, SHIP_ARM_HEIGHT});
  const Vector32 tip = rotated32(arm, {SHIP_ARM_HEIGHT, 0});
  muzzle = {x + pivot.x + tip.x, y + pivot.y + tip.y};
}

void Ship::settle() {
  const Vector32 body = rotated32(heading, {0, SHIP_BODY_HEIGHT});
  if (state != SHIP_STATE_KNOCKED) {
    std::int32_t kx = 0;
    std::int32_t ky = 0;
    if (g_game.shots.nearestImpact(x + body.x, y + body.y, &kx, &ky)) {
      knockback = {static_cast<std::int16_t>(kx), static_cast<std::int16_t>(ky)};
      g_game.sound.request(SOUND_REQ_21);
      state = SHIP_STATE_KNOCKED;
    }
  }
  down = rotated16(heading, {0, -256});

  if (state == SHIP_STATE_KNOCKED) {
    // Drifting: the drift halves every frame until the ship is at rest.
    knockback.x = static_cast<std::int16_t>(knockback.x / 2);
    knockback.y = static_cast<std::int16_t>(knockback.y / 2);
    x += knockback.x;
    y += knockback.y;
    auto small = [](std::int16_t v) { return v > -SHIP_REST_KNOCKBACK && v < SHIP_REST_KNOCKBACK; };
    if (small(knockback.x) && small(knockback.y)) state = SHIP_STATE_NORMAL;
  } else {
    bool solid[SHIP_PROBES];
    for (int i = 0; i < SHIP_PROBES; ++i) solid[i] = probe(probes[i]) != 0;
    auto turn = [this](int by) {
      heading = static_cast<Angle>(heading + by);
      normaliseAngle(&heading);
    };
    if (std::none_of(solid, solid + SHIP_PROBES, [](bool s) { return s; })) {
      x += down.x;  // fall one pixel
      y += down.y;
    } else if (solid[2] && solid[5]) {
      x -= 2 * down.x;  // both upper probes buried: rise two pixels
      y -= 2 * down.y;
    } else if (solid[1] && solid[4]) {
      x -= down.x;
      y -= down.y;
    } else if (solid[1] || solid[2]) {
      turn(-SHIP_ARM_TURN - (solid[2] ? SHIP_BURIED_TURN : 0));
    } else if (solid[4] || solid[5]) {
      turn(SHIP_ARM_TURN + (solid[5] ? SHIP_BURIED_TURN : 0));
    } else {
      // Only a lower probe touches: tilt towards it and lift a little.
      turn(solid[0] ? -SHIP_EDGE_TURN : SHIP_EDGE_TURN);
      x -= down.x >> 5;
      y -= down.y >> 5;
    }
  }

  // The arena's bounds; where they cross (a tiny buffer) the upper one wins.
  const PixelView p = backBuffer();
  auto clamp = [](Fixed8 v, std::int64_t low, std::int64_t high) {
    return static_cast<Fixed8>(std::min<std::int64_t>(std::max<std::int64_t>(v, low), high));
  };
  x = clamp(x, 2048, (std::int64_t{p.width} - 8) * 256);
  y = clamp(y, 1280, (std::int64_t{p.height} - 5) * 256);
}

int Ship::probe(Vector16 offset) const {
  const Vector16 r = rotated16(heading, offset);
  const auto px = static_cast<std::int16_t>(r.x + static_cast<std::int16_t>(x >> 8));
  const auto py = static_cast<std::int16_t>(r.y + static_cast<std::int16_t>(y >> 8));
  const PixelView p = backBuffer();
  // The arena's margins count as ground.
  if (px <= 8) return 2;
  if (px >= p.width - 8) return 3;
  if (py <= 6) return 4;
  if (py >= p.height - 6) return 5;
  const PixelOffset a = PixelOffset{py} * static_cast<std::int16_t>(p.stride) + px;
  if (!p.contains(a)) return 1;
  return p.base[a] == ground_colour ? 1 : 0;
}
