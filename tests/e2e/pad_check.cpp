// Game controllers through the real program: runs WinMain on the SDL backend
// (on the display the calling script provides) and plays it with SDL's
// virtual controllers, checking the game's own state as the frames go by.
// Prints a line per frame (frame, both ships' x, y, heading, arm, state and
// last shot frame, the level) and one line per check; status 0 when all pass.
// Background controller events must be allowed (the script sets
// SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS=1): the window may not have the focus.
// With --plain-first the first controller is a joystick SDL has no mapping
// for, its buttons and axes in the game-controller order: it plays only
// through a gamecontrollerdb.txt line; --print-guid prints that joystick's
// GUID, for the line, and exits.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/game_state.h"
#include "platform/core/core.h"
#include "platform/sdl/sdl_backend.h"
#include "shell/shell_globals.h"

namespace {

struct Pad {
  int device = -1;
  SDL_Joystick* joystick = nullptr;
};
Pad g_pads[2];
bool g_plain_first = false;
int g_frame = 0;
int g_failures = 0;
std::FILE* g_lines = stdout;

// Level, ship 0's and 1's last shot, at the marks the checks compare with.
std::int32_t g_level_before = 0;
std::uint32_t g_shot_before = 0;
std::int32_t g_arm_before = 0;
std::int32_t g_ship1_x = 0;
bool g_ship1_held_after = false;
std::uint32_t g_ship0_shot = 0;

void check(bool ok, const char* what) {
  std::printf("pad_check: %s: %s\n", ok ? "ok" : "FAIL", what);
  if (!ok) ++g_failures;
}

// A virtual controller with the standard layout: buttons and axes in SDL's
// game-controller order, so SDL maps it by itself.
void attach(Pad* pad, bool plain = false) {
  pad->device = SDL_JoystickAttachVirtual(
      plain ? SDL_JOYSTICK_TYPE_UNKNOWN : SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
      SDL_CONTROLLER_BUTTON_MAX, 0);
  if (pad->device < 0) {
    std::printf("pad_check: cannot attach a virtual controller: %s\n", SDL_GetError());
    ++g_failures;
    return;
  }
  pad->joystick = SDL_JoystickOpen(pad->device);
}

void detach(Pad* pad) {
  if (pad->joystick != nullptr) SDL_JoystickClose(pad->joystick);
  SDL_JoystickDetachVirtual(pad->device);
  *pad = Pad{};
}

void press(const Pad& pad, SDL_GameControllerButton button, bool down) {
  if (pad.joystick != nullptr) SDL_JoystickSetVirtualButton(pad.joystick, button, down ? 1 : 0);
}

bool held(std::int8_t input) { return input > 0; }

// Ship 1's keys, Z and X, as virtual-key codes.
constexpr int KEY_Z = 0x5A;
constexpr int KEY_X = 0x58;

// Called at the present of every frame, before its game update: what the
// controllers do now reaches the game with the next frame's input.
void onPresent(std::int64_t) {
  const Ship* s = g_game.ships;
  std::fprintf(g_lines, "%d %d %d %d %d %u %u %d %d %d %d %u %u %d\n", g_frame, s[0].x, s[0].y,
               s[0].heading, s[0].arm, s[0].state, s[0].last_shot_frame, s[1].x, s[1].y,
               s[1].heading, s[1].arm, s[1].state, s[1].last_shot_frame, g_game.current_level);
  if (g_frame > 205 && g_frame <= 225) {
    g_ship1_held_after =
        g_ship1_held_after || held(g_shell.KeyState[KEY_X]) || held(g_shell.KeyState[KEY_Z]);
  }
  switch (g_frame++) {
    case 10:
      attach(&g_pads[0], g_plain_first);
      break;
    case 20:
      // Locked time: the turn-on shoulder is a right click, the next level.
      g_level_before = g_game.current_level;
      press(g_pads[0], SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
      break;
    case 24:
      press(g_pads[0], SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false);
      break;
    case 30:
      check(g_game.current_level != g_level_before,
            "ship 0's turn-on shoulder in the locked time selects another level");
      break;
    case 150:
      check(g_game.controlsEnabled(), "the controls are free at frame 150");
      g_shot_before = s[0].last_shot_frame;
      press(g_pads[0], SDL_CONTROLLER_BUTTON_A, true);
      break;
    case 170:
      check(s[0].last_shot_frame != g_shot_before, "A on the first controller: ship 0 fires");
      std::printf("pad_check: ship 0's last shot: frame %u (before A: %u)\n", s[0].last_shot_frame,
                  g_shot_before);
      press(g_pads[0], SDL_CONTROLLER_BUTTON_A, false);
      break;
    case 180:
      attach(&g_pads[1]);
      break;
    case 190:
      g_arm_before = s[1].arm;
      g_ship1_x = s[1].x;
      press(g_pads[1], SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
      break;
    case 200:
      check(s[1].arm != g_arm_before || s[1].x != g_ship1_x,
            "the second controller's D-pad right: ship 1 steers");
      check(held(g_shell.KeyState[KEY_X]), "ship 1's X is held");
      // Detached while held.
      detach(&g_pads[1]);
      break;
    case 205:
      check(!held(g_shell.KeyState[KEY_X]), "the second controller detached: X released");
      g_ship1_x = s[1].x;
      break;
    case 225:
      check(!g_ship1_held_after && s[1].x == g_ship1_x,
            "nothing of ship 1 held for 20 frames after the detach, and it does not walk");
      press(g_pads[0], SDL_CONTROLLER_BUTTON_A, true);
      break;
    case 235:
      check(held(g_shell.MouseButtons[0]) && held(g_shell.MouseButtons[1]),
            "A held: both mouse buttons of ship 0 held");
      detach(&g_pads[0]);
      break;
    case 240:
      check(!held(g_shell.MouseButtons[0]) && !held(g_shell.MouseButtons[1]),
            "the first controller detached while A was held: both buttons released");
      g_ship0_shot = s[0].last_shot_frame;
      break;
    case 270:
      check(s[0].last_shot_frame == g_ship0_shot, "ship 0 stops firing after the detach");
      PostMessageA(platform::topLevelWindow(), WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

}  // namespace

int printGuid() {
  if (SDL_Init(SDL_INIT_JOYSTICK) != 0) return 1;
  Pad pad;
  attach(&pad, true);
  if (pad.device < 0) return 1;
  // Mapping lines name a joystick without the checksum of its name (bytes 2-3).
  SDL_JoystickGUID id = SDL_JoystickGetDeviceGUID(pad.device);
  id.data[2] = 0;
  id.data[3] = 0;
  char guid[64];
  SDL_JoystickGetGUIDString(id, guid, sizeof guid);
  std::printf("%s\n", guid);
  detach(&pad);
  SDL_Quit();
  return 0;
}

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--print-guid") == 0) return printGuid();
    if (std::strcmp(argv[i], "--plain-first") == 0) g_plain_first = true;
  }
  if (argc > 1 && argv[1][0] != '-') {
    g_lines = std::fopen(argv[1], "w");
    if (g_lines == nullptr) {
      std::perror(argv[1]);
      return 2;
    }
  }
  platform::sdl::setPresentObserver(onPresent);
  static int module_marker = 0;
  char command_line[1] = {0};
  const int status =
      WinMain(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, command_line, SW_SHOWNORMAL);
  platform::sdl::setPresentObserver(nullptr);
  if (g_lines != stdout) std::fclose(g_lines);
  if (g_frame < 271) {
    std::printf("pad_check: FAIL: the program ended after %d frames (status %d)\n", g_frame,
                status);
    return 1;
  }
  std::printf("pad_check: %d frames, program status %d, %d failed\n", g_frame, status, g_failures);
  return g_failures == 0 && status == 0 ? 0 : 1;
}
