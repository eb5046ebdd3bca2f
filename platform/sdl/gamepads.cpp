#include "platform/sdl/gamepads.h"

namespace platform::sdl {

namespace {

// What holds a player's input. Several can hold the same one at once; it is
// released when the last lets go.
enum Source : unsigned {
  SHOULDER_LEFT = 1u << 0,
  SHOULDER_RIGHT = 1u << 1,
  TRIGGER_LEFT = 1u << 2,
  TRIGGER_RIGHT = 1u << 3,
  DPAD_LEFT = 1u << 4,
  DPAD_RIGHT = 1u << 5,
  STICK_LEFT = 1u << 6,
  STICK_RIGHT = 1u << 7,
  FIRE = 1u << 8,
};

// The input of a player: ship 0 the left (back) and right (on) mouse buttons,
// ship 1 the keys Z and X (the game's keys for it: the controllers' test
// holds the two to each other).
NativeEvent inputEvent(int player, bool on, bool down) {
  NativeEvent n;
  if (player == 0) {
    n.kind = down ? NativeEventKind::ButtonDown : NativeEventKind::ButtonUp;
    n.button = on ? 1 : 0;
  } else {
    n.kind = down ? NativeEventKind::KeyDown : NativeEventKind::KeyUp;
    n.vk = on ? 'X' : 'Z';
  }
  return n;
}

}  // namespace

int PadMapper::connect(SDL_JoystickID id) {
  const int known = playerOf(id);
  if (known >= 0) return known;
  for (int p = 0; p < PAD_PLAYERS; ++p) {
    if (!players_[p].taken) {
      players_[p] = Player{};
      players_[p].taken = true;
      players_[p].id = id;
      return p;
    }
  }
  for (int i = 0; i < waiting_count_; ++i) {
    if (waiting_[i] == id) return -1;
  }
  if (waiting_count_ < MAX_WAITING_PADS) waiting_[waiting_count_++] = id;
  return -1;
}

int PadMapper::remove(SDL_JoystickID id, NativeEvent out[MAX_PAD_EVENTS],
                      SDL_JoystickID* successor) {
  *successor = -1;
  for (int i = 0; i < waiting_count_; ++i) {
    if (waiting_[i] == id) {
      for (int j = i + 1; j < waiting_count_; ++j) waiting_[j - 1] = waiting_[j];
      --waiting_count_;
      return 0;
    }
  }
  const int p = playerOf(id);
  if (p < 0) return 0;
  int n = 0;
  if (players_[p].back != 0) out[n++] = inputEvent(p, false, false);
  if (players_[p].on != 0) out[n++] = inputEvent(p, true, false);
  players_[p] = Player{};
  if (waiting_count_ > 0) {
    *successor = waiting_[0];
    for (int j = 1; j < waiting_count_; ++j) waiting_[j - 1] = waiting_[j];
    --waiting_count_;
    players_[p].taken = true;
    players_[p].id = *successor;
  }
  return n;
}

int PadMapper::playerOf(SDL_JoystickID id) const {
  for (int p = 0; p < PAD_PLAYERS; ++p) {
    if (players_[p].taken && players_[p].id == id) return p;
  }
  return -1;
}

int PadMapper::setSource(int player, unsigned bit, bool back, bool on, bool down,
                         NativeEvent out[MAX_PAD_EVENTS]) {
  Player& pl = players_[player];
  int n = 0;
  if (back) {
    const bool was = pl.back != 0;
    pl.back = down ? (pl.back | bit) : (pl.back & ~bit);
    if (was != (pl.back != 0)) out[n++] = inputEvent(player, false, !was);
  }
  if (on) {
    const bool was = pl.on != 0;
    pl.on = down ? (pl.on | bit) : (pl.on & ~bit);
    if (was != (pl.on != 0)) out[n++] = inputEvent(player, true, !was);
  }
  return n;
}

int PadMapper::translate(const SDL_Event& e, NativeEvent out[MAX_PAD_EVENTS]) {
  switch (e.type) {
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      const int p = playerOf(e.cbutton.which);
      if (p < 0) return 0;
      const bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
      switch (e.cbutton.button) {
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
          return setSource(p, SHOULDER_LEFT, true, false, down, out);
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
          return setSource(p, DPAD_LEFT, true, false, down, out);
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
          return setSource(p, SHOULDER_RIGHT, false, true, down, out);
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
          return setSource(p, DPAD_RIGHT, false, true, down, out);
        case SDL_CONTROLLER_BUTTON_A:
          return setSource(p, FIRE, true, true, down, out);
        default:
          return 0;
      }
    }
    case SDL_CONTROLLERAXISMOTION: {
      const int p = playerOf(e.caxis.which);
      if (p < 0) return 0;
      const int v = e.caxis.value;
      switch (e.caxis.axis) {
        case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
          return setSource(p, TRIGGER_LEFT, true, false, v >= PAD_HALF_WAY, out);
        case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
          return setSource(p, TRIGGER_RIGHT, false, true, v >= PAD_HALF_WAY, out);
        case SDL_CONTROLLER_AXIS_LEFTX: {
          // The stick acts as the D-pad; both sides are settled by each report,
          // so a quick swing from one side to the other releases the first.
          int n = setSource(p, STICK_LEFT, true, false, v <= -PAD_HALF_WAY, out);
          n += setSource(p, STICK_RIGHT, false, true, v >= PAD_HALF_WAY, out + n);
          return n;
        }
        default:
          return 0;
      }
    }
    default:
      return 0;
  }
}

}  // namespace platform::sdl
