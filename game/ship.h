// A ship: a walker standing on the other player's colour. It falls one pixel
// per frame towards that ground, tilts to its slope, swings its gun arm under
// the player's control, walks when the arm is turned past its travel, fires
// when both controls are held, and drifts away from impacts nearby.
#pragma once

#include <cstdint>

#include "game/player_controls.h"
#include "shapes/angles.h"
#include "shapes/ship_figure.h"

inline constexpr std::uint32_t SHIP_STATE_NORMAL = 0;
inline constexpr std::uint32_t SHIP_STATE_KNOCKED = 20;

inline constexpr Angle SHIP_ARM_TURN = 33;        // per frame a control is held; slope correction
inline constexpr Angle SHIP_BURIED_TURN = 88;     // extra correction, upper side probe buried
inline constexpr Angle SHIP_EDGE_TURN = 22;       // correction when only a lower probe touches
inline constexpr Angle SHIP_ARM_TRAVEL = 1174;    // each side of the arm's rest direction
inline constexpr std::int32_t SHIP_FIRE_GAP = 6;  // frames that must pass between shots, plus one
inline constexpr std::int16_t SHIP_STEP = 256;    // walking step, one pixel
inline constexpr Angle SHIP_WHEEL_TURN = 64;      // wheel turn per walking frame
inline constexpr std::int16_t SHIP_SHOT_SPEED = 400;
inline constexpr std::int32_t SHIP_ARM_HEIGHT = 5120;   // arm pivot above the foot; arm length
inline constexpr std::int32_t SHIP_BODY_HEIGHT = 3072;  // body point tested for impacts
inline constexpr std::int16_t SHIP_REST_KNOCKBACK = 10;
inline constexpr int SHIP_PROBES = 6;

struct Vector16 {
  std::int16_t x = 0;
  std::int16_t y = 0;
};

struct Vector32 {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Folds an angle into 0..4095.
void normaliseAngle(Angle* angle);

// Position, heading, arm, wheels, body colour and save areas are the drawing
// pass's fields (ShipFigure); the rest is the walker's own state.
struct Ship : ShipFigure {
  std::uint32_t state = SHIP_STATE_NORMAL;
  std::uint32_t last_shot_frame = 0;  // presented_frames at the last attempt to fire
  Vector16 down;                      // one pixel towards the ground
  Vector16 shot_velocity;
  Vector16 knockback;  // drift per frame while knocked
  Vector32 muzzle;     // the arm's tip, where shots start
  // Ground probes in the ship's own frame (pixels): P0..P2 right, P3..P5 left.
  Vector16 probes[SHIP_PROBES] = {{10, -1}, {10, 0}, {10, 2}, {-10, -1}, {-10, 0}, {-10, 2}};
  std::int16_t id = 0;  // which player: 0 mouse, 1 keyboard
  ColourIndex ground_colour = 0;
  ColourIndex territory_colour = 0;

  // Takes the next player number: ship 0 at (50, 50) pixels facing 2048,
  // ship 1 at (100, 100) facing 0.
  Ship();
  // Numbering starts again at 0 (a freshly constructed game).
  static void resetCounter();

  void setGroundColour(ColourIndex c) { ground_colour = c; }
  void setBodyColour(ColourIndex c) { body_colour = c; }
  void setTerritoryColour(ColourIndex c) { territory_colour = c; }
  ColourIndex territoryColour() const { return territory_colour; }

  // Moves the ship and points its arm along its heading; nothing else changes.
  void place(Fixed8 px, Fixed8 py, Angle new_heading);
  // One frame: steering, firing, settling, arm travel, walking, muzzle.
  void update();
  // Ground contact or knockback drift, then the arena bounds.
  void settle();
  // Non-zero when the probe offset (pixels, ship frame) meets ground or a margin.
  int probe(Vector16 offset) const;
};
