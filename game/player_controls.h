// The players' controls, named once for the game, the session, network play
// and the controllers' checks. Ship 0 steers with the mouse's buttons, ship 1
// with two keys; each player's first control turns the gun arm back, the
// second turns it on, and both held fire.
#pragma once

#include <cstdint>

enum class ArmControl : std::uint8_t { Back, On };

// Ship 1's keys, as virtual-key codes (a letter key's code is its capital).
inline constexpr int SHIP_KEY_BACK = 'Z';
inline constexpr int SHIP_KEY_ON = 'X';
// Ship 0's mouse buttons: 0 left, 1 right (the game's MouseButtons indices).
inline constexpr int SHIP_BUTTON_BACK = 0;
inline constexpr int SHIP_BUTTON_ON = 1;

// Whether a key (virtual-key code) or mouse button is one of a player's
// controls on its own computer, and which.
constexpr bool armControlFor(bool mouse, int code, ArmControl* control) {
  if (code == (mouse ? SHIP_BUTTON_BACK : SHIP_KEY_BACK)) {
    *control = ArmControl::Back;
    return true;
  }
  if (code == (mouse ? SHIP_BUTTON_ON : SHIP_KEY_ON)) {
    *control = ArmControl::On;
    return true;
  }
  return false;
}

// The key or button of `control` for the player on ship 1 (keys) or ship 0.
constexpr int controlCode(bool mouse, ArmControl control) {
  if (mouse) return control == ArmControl::Back ? SHIP_BUTTON_BACK : SHIP_BUTTON_ON;
  return control == ArmControl::Back ? SHIP_KEY_BACK : SHIP_KEY_ON;
}
