// Controllers as the players' input: every button, trigger and stick
// threshold for both ships, held inputs shared by several sources, and who
// plays with which controller as they come and go.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "game/player_controls.h"
#include "platform/sdl/gamepads.h"

namespace {

using platform::NativeEvent;
using platform::NativeEventKind;
using platform::sdl::PadMapper;

SDL_Event padButton(SDL_JoystickID id, Uint8 which, bool down) {
  SDL_Event e{};
  e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
  e.cbutton.which = id;
  e.cbutton.button = which;
  e.cbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
  return e;
}

SDL_Event padAxis(SDL_JoystickID id, Uint8 axis, Sint16 value) {
  SDL_Event e{};
  e.type = SDL_CONTROLLERAXISMOTION;
  e.caxis.which = id;
  e.caxis.axis = axis;
  e.caxis.value = value;
  return e;
}

// The native events, spelled as the input they stand for: "L+" left mouse
// button down, "R-" right up, "Z+" key Z down, "X-" key X up.
std::string spell(const NativeEvent* events, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    const NativeEvent& e = events[i];
    if (!s.empty()) s += ' ';
    switch (e.kind) {
      case NativeEventKind::ButtonDown:
      case NativeEventKind::ButtonUp:
        s += e.button == SHIP_BUTTON_BACK ? 'L' : e.button == SHIP_BUTTON_ON ? 'R' : '?';
        s += e.kind == NativeEventKind::ButtonDown ? '+' : '-';
        break;
      case NativeEventKind::KeyDown:
      case NativeEventKind::KeyUp:
        s += static_cast<char>(e.vk);
        s += e.kind == NativeEventKind::KeyDown ? '+' : '-';
        EXPECT_FALSE(e.system);
        EXPECT_FALSE(e.repeat);
        break;
      default:
        s += '?';
    }
  }
  return s;
}

std::string feed(PadMapper& m, const SDL_Event& e) {
  NativeEvent out[platform::sdl::MAX_PAD_EVENTS];
  return spell(out, m.translate(e, out));
}

// Each row runs on both ships' controllers; `want` is ship 0's spelling, ship
// 1's is the same with L/R read as Z/X.
TEST(PadMapping, EveryInputForBothShips) {
  constexpr Uint8 LB = SDL_CONTROLLER_BUTTON_LEFTSHOULDER;
  constexpr Uint8 RB = SDL_CONTROLLER_BUTTON_RIGHTSHOULDER;
  constexpr Uint8 LEFT = SDL_CONTROLLER_BUTTON_DPAD_LEFT;
  constexpr Uint8 RIGHT = SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
  constexpr Uint8 A = SDL_CONTROLLER_BUTTON_A;
  constexpr Uint8 LT = SDL_CONTROLLER_AXIS_TRIGGERLEFT;
  constexpr Uint8 RT = SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
  constexpr Uint8 STICK = SDL_CONTROLLER_AXIS_LEFTX;
  struct Step {
    bool axis;
    Uint8 which;
    int value;  // buttons: 1 down, 0 up
    const char* want;
  };
  const Step steps[] = {
      // Shoulders and D-pad.
      {false, LB, 1, "L+"},
      {false, LB, 0, "L-"},
      {false, RB, 1, "R+"},
      {false, RB, 0, "R-"},
      {false, LEFT, 1, "L+"},
      {false, LEFT, 0, "L-"},
      {false, RIGHT, 1, "R+"},
      {false, RIGHT, 0, "R-"},
      // A holds both: fire.
      {false, A, 1, "L+ R+"},
      {false, A, 0, "L- R-"},
      // Triggers from half way.
      {true, LT, 16383, ""},
      {true, LT, 16384, "L+"},
      {true, LT, 32767, ""},
      {true, LT, 16383, "L-"},
      {true, RT, 16384, "R+"},
      {true, RT, 0, "R-"},
      // The stick past half way acts as the D-pad; a swing across releases.
      {true, STICK, -16383, ""},
      {true, STICK, -16384, "L+"},
      {true, STICK, -32768, ""},
      {true, STICK, 32767, "L- R+"},
      {true, STICK, 16383, "R-"},
      {true, STICK, 16384, "R+"},
      {true, STICK, 0, "R-"},
      // Sources share an input: it goes up when the last lets go.
      {false, LB, 1, "L+"},
      {true, LT, 20000, ""},
      {false, A, 1, "R+"},
      {false, LB, 0, ""},
      {false, A, 0, "R-"},
      {true, LT, 0, "L-"},
      // A release never pressed, and buttons and axes that mean nothing.
      {false, RB, 0, ""},
      {false, SDL_CONTROLLER_BUTTON_B, 1, ""},
      {false, SDL_CONTROLLER_BUTTON_START, 1, ""},
      {false, SDL_CONTROLLER_BUTTON_DPAD_UP, 1, ""},
      {true, SDL_CONTROLLER_AXIS_LEFTY, -32768, ""},
      {true, SDL_CONTROLLER_AXIS_RIGHTX, 32767, ""},
  };
  PadMapper m;
  ASSERT_EQ(m.connect(40), 0);
  ASSERT_EQ(m.connect(41), 1);
  for (int ship = 0; ship < 2; ++ship) {
    const SDL_JoystickID id = ship == 0 ? 40 : 41;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
      const Step& s = steps[i];
      const SDL_Event e = s.axis ? padAxis(id, s.which, static_cast<Sint16>(s.value))
                                 : padButton(id, s.which, s.value != 0);
      std::string want = s.want;
      if (ship == 1) {
        // Ship 1's controls are the game's keys for it.
        for (char& c : want) {
          c = c == 'L'   ? static_cast<char>(SHIP_KEY_BACK)
              : c == 'R' ? static_cast<char>(SHIP_KEY_ON)
                         : c;
        }
      }
      EXPECT_EQ(feed(m, e), want) << "ship " << ship << ", step " << i;
    }
  }
  // Not a controller event; a controller that plays no ship.
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  EXPECT_EQ(feed(m, key), "");
  EXPECT_EQ(feed(m, padButton(99, SDL_CONTROLLER_BUTTON_A, true)), "");
}

TEST(PadMapping, ShipsGoToControllersAsTheyComeAndGo) {
  PadMapper m;
  NativeEvent out[platform::sdl::MAX_PAD_EVENTS];
  SDL_JoystickID successor = 0;
  auto remove = [&](SDL_JoystickID id) { return spell(out, m.remove(id, out, &successor)); };

  EXPECT_EQ(m.connect(7), 0);
  EXPECT_EQ(m.connect(7), 0) << "announced twice, still one ship";
  EXPECT_EQ(m.connect(3), 1);
  EXPECT_EQ(m.connect(9), -1) << "a third waits";
  EXPECT_EQ(m.connect(12), -1);
  EXPECT_EQ(m.playerOf(9), -1);

  // Removed while holding both: both released, and the first waiting takes
  // the ship with nothing held.
  feed(m, padButton(7, SDL_CONTROLLER_BUTTON_A, true));
  EXPECT_EQ(remove(7), "L- R-");
  EXPECT_EQ(successor, 9);
  EXPECT_EQ(m.playerOf(9), 0);
  EXPECT_EQ(feed(m, padButton(9, SDL_CONTROLLER_BUTTON_A, false)), "");
  EXPECT_EQ(feed(m, padButton(9, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true)), "R+");

  // Ship 1's stick held left when its controller goes: Z released.
  feed(m, padAxis(3, SDL_CONTROLLER_AXIS_LEFTX, -30000));
  EXPECT_EQ(remove(3), "Z-");
  EXPECT_EQ(successor, 12);
  EXPECT_EQ(m.playerOf(12), 1);

  // Nothing held, nobody waiting: the ship is free for the next.
  EXPECT_EQ(remove(12), "");
  EXPECT_EQ(successor, -1);
  EXPECT_EQ(m.playerOf(12), -1);
  EXPECT_EQ(m.connect(20), 1);

  // A waiting controller or an unknown one goes without a trace.
  EXPECT_EQ(m.connect(21), -1);
  EXPECT_EQ(remove(21), "");
  EXPECT_EQ(remove(555), "");
  EXPECT_EQ(successor, -1);
  EXPECT_EQ(m.playerOf(9), 0);
  EXPECT_EQ(m.playerOf(20), 1);
}

TEST(PadMapping, WaitingControllersAreBoundedAndServedInOrder) {
  constexpr int KEPT = platform::sdl::MAX_WAITING_PADS;
  PadMapper m;
  for (SDL_JoystickID id = 0; id < 2 + KEPT + 3; ++id) m.connect(id);
  // Ship 0's controller goes again and again: the waiting ones take it in the
  // order they came; those beyond the bound were never kept.
  NativeEvent out[platform::sdl::MAX_PAD_EVENTS];
  std::vector<SDL_JoystickID> order;
  SDL_JoystickID owner = 0;
  SDL_JoystickID successor = -1;
  while (m.remove(owner, out, &successor) >= 0 && successor >= 0) {
    order.push_back(successor);
    owner = successor;
  }
  std::vector<SDL_JoystickID> want;
  for (SDL_JoystickID id = 2; id < 2 + KEPT; ++id) want.push_back(id);
  EXPECT_EQ(order, want);
  EXPECT_EQ(m.playerOf(1), 1);
}

}  // namespace
