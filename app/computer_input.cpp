#include "app/computer_input.h"

#include <cstdio>
#include <optional>

#include "computer/computer.h"
#include "game/player_controls.h"
#include "session/game_window.h"
#include "shell/shell_globals.h"

namespace {

struct ComputerInput {
  session::ComputerChoice choice;
  std::optional<computer::Driver> drivers[2];
  std::uint32_t next_frame = 1;  // the first frame not yet decided
  char title[64] = "";
};
ComputerInput g_computer;

computer::Level levelOf(session::ComputerLevel level) {
  switch (level) {
    case session::ComputerLevel::Easy:
      return computer::Level::Easy;
    case session::ComputerLevel::Hard:
      return computer::Level::Hard;
    case session::ComputerLevel::Normal:
      break;
  }
  return computer::Level::Normal;
}

bool plays(int walker) { return ((g_computer.choice.walkers >> walker) & 1u) != 0; }

}  // namespace

void startComputer(const session::ComputerChoice& choice) {
  g_computer.choice = choice;
  g_computer.next_frame = 1;
  g_computer.title[0] = '\0';
  for (int walker = 0; walker < 2; ++walker) {
    g_computer.drivers[walker].reset();
    if (plays(walker)) {
      g_computer.drivers[walker].emplace(walker, levelOf(choice.level),
                                         computer::defaultSeed(walker));
    }
  }
  if (choice.walkers != 0 && !choice.network) {
    std::snprintf(g_computer.title, sizeof g_computer.title, " (computer plays %s)",
                  choice.walkers == 3 ? "both walkers"
                  : plays(0)          ? "walker 0"
                                      : "walker 1");
  }
}

void stopComputer() { startComputer(session::ComputerChoice{}); }

const char* computerTitleSuffix() { return g_computer.title; }

bool isComputersControl(const MSG& msg) {
  if (g_computer.choice.walkers == 0 || msg.hwnd != g_shell.main_window.window) return false;
  bool mouse = false;
  int code = 0;
  switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      mouse = true;
      code = SHIP_BUTTON_BACK;
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      mouse = true;
      code = SHIP_BUTTON_ON;
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
      code = static_cast<int>(msg.wParam);
      break;
    default:
      return false;
  }
  ArmControl control;
  if (!armControlFor(mouse, code, &control)) return false;
  // Over a network either control steers this side's walker, the one the computer plays.
  return g_computer.choice.network || plays(mouse ? 0 : 1);
}

void computerBeforeFrame(HWND hwnd, std::uint32_t frame) {
  if (g_computer.choice.walkers == 0 || frame < g_computer.next_frame || hwnd == nullptr) return;
  g_computer.next_frame = frame + 1;
  for (std::optional<computer::Driver>& driver : g_computer.drivers) {
    if (!driver) continue;
    computer::Change changes[2];
    const int count = driver->changes(frame, changes);
    for (int i = 0; i < count; ++i) {
      if (changes[i].mouse) {
        session::sendButton(hwnd, changes[i].code, changes[i].down);
      } else {
        session::sendKey(hwnd, static_cast<unsigned>(changes[i].code), changes[i].down);
      }
    }
  }
}
