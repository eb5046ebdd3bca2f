// Game controllers as the two players' own input. Ship 0 plays with the mouse
// buttons and ship 1 with Z and X; a controller given to a ship makes exactly
// the native events those would, so nothing above the platform layer knows a
// controller exists. Pure: SDL events in, native events out, tested without
// a device.
#pragma once

#include <SDL.h>

#include "platform/core/core.h"

namespace platform::sdl {

inline constexpr int PAD_PLAYERS = 2;
inline constexpr int MAX_WAITING_PADS = 8;
inline constexpr int MAX_PAD_EVENTS = 2;
// Triggers (0..32767) and the left stick's x (-32768..32767) count as pressed
// from half way.
inline constexpr int PAD_HALF_WAY = 16384;

class PadMapper {
 public:
  // A controller appeared: the player it now plays (0, then 1), or -1 when
  // both have one (it waits for one to be free).
  int connect(SDL_JoystickID id);

  // A controller went: everything it held is released (out, returns how
  // many). Its player, if it had one, goes to the first waiting controller,
  // named in *successor (-1 when none waits).
  int remove(SDL_JoystickID id, NativeEvent out[MAX_PAD_EVENTS], SDL_JoystickID* successor);

  // A button or axis event of a controller (other SDL events give nothing):
  // the native events of its player's input that changed.
  int translate(const SDL_Event& e, NativeEvent out[MAX_PAD_EVENTS]);

  // The player a controller plays, or -1.
  int playerOf(SDL_JoystickID id) const;

 private:
  // Each of the player's two inputs (turn back, turn on) is held while any of
  // its sources is: bits of the Source values in gamepads.cpp.
  struct Player {
    bool taken = false;
    SDL_JoystickID id = -1;
    unsigned back = 0;
    unsigned on = 0;
  };
  int setSource(int player, unsigned bit, bool back, bool on, bool down,
                NativeEvent out[MAX_PAD_EVENTS]);

  Player players_[PAD_PLAYERS];
  SDL_JoystickID waiting_[MAX_WAITING_PADS] = {};
  int waiting_count_ = 0;
};

}  // namespace platform::sdl
