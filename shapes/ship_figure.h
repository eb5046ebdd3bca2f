// What the ship drawing pass needs of a ship: its position, its four angles,
// its colour and the four save areas. The game's Ship record derives from
// ShipFigure and adds its own state, so the drawing pass lives here without
// this library knowing the game.
#pragma once

#include <cstdint>

#include "shapes/angles.h"
#include "shapes/rasterizer.h"
#include "shell/main_window.h"

// Pass flags of ShipFigure::draw; when several are set the first in this order wins.
inline constexpr std::uint32_t SHIP_PASS_SAVE = 32;
inline constexpr std::uint32_t SHIP_PASS_DRAW = 64;
inline constexpr std::uint32_t SHIP_PASS_RESTORE = 128;

// Bytes in each of a ship's save areas.
inline constexpr std::uint32_t SHIP_SAVE_SIZE = 300;
// Attachment slots filled by the body: arm pivot, first wheel, second wheel.
inline constexpr int SHIP_SLOTS = 3;

inline constexpr std::int32_t ERR_SHIP_PASS = 7236;

struct ShipFigure {
  Fixed8 x = 0;  // foot point, column
  Fixed8 y = 0;  // foot point, row counted from the bottom
  Angle heading = 0;
  Angle arm = 0;
  Angle wheel_a = 0;
  Angle wheel_b = 0;
  ColourIndex body_colour = 0;
  std::uint8_t save_arm[SHIP_SAVE_SIZE] = {};
  std::uint8_t save_body[SHIP_SAVE_SIZE] = {};
  std::uint8_t save_wheel_a[SHIP_SAVE_SIZE] = {};
  std::uint8_t save_wheel_b[SHIP_SAVE_SIZE] = {};

  // Saves the pixels under the ship's four shapes, draws them, or restores
  // the saved pixels, in the order body, arm, first wheel, second wheel. The
  // body is turned by heading and places the other three through its slots;
  // each of them then turns by its own angle. A pass without any of the three
  // bits reports 7236 and does nothing; a null window does nothing.
  void draw(MainWindow* window, std::uint32_t pass);
};
