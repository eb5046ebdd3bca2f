#include "platform/sdl/pad_devices.h"

#include <unistd.h>

#include <cstdio>

#include "platform/sdl/gamepads.h"

namespace platform::sdl {
namespace {

constexpr int MAX_OPEN_PADS = PAD_PLAYERS + MAX_WAITING_PADS;

struct OpenPad {
  SDL_JoystickID id = -1;
  SDL_GameController* controller = nullptr;
};

struct Pads {
  bool ready = false;
  OpenPad open[MAX_OPEN_PADS];
  PadMapper mapper;
};

Pads g_pads;

const char* padName(SDL_JoystickID id) {
  for (const OpenPad& p : g_pads.open) {
    if (p.controller != nullptr && p.id == id) {
      const char* name = SDL_GameControllerName(p.controller);
      return name != nullptr ? name : "unnamed";
    }
  }
  return "unnamed";
}

void sayPlayer(SDL_JoystickID id, int player) {
  if (player >= 0) {
    std::fprintf(stderr, "Controller %d (%s) plays walker %d\n", static_cast<int>(id), padName(id),
                 player);
  } else {
    std::fprintf(stderr, "Controller %d (%s) waits: both ships have one\n", static_cast<int>(id),
                 padName(id));
  }
}

void openPad(int device_index) {
  const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
  OpenPad* slot = nullptr;
  for (OpenPad& p : g_pads.open) {
    if (p.controller != nullptr && p.id == id) return;  // announced twice
    if (p.controller == nullptr && slot == nullptr) slot = &p;
  }
  if (slot == nullptr) return;  // more controllers than anyone could play with
  SDL_GameController* c = SDL_GameControllerOpen(device_index);
  if (c == nullptr) {
    std::fprintf(stderr, "Cannot open a game controller: %s\n", SDL_GetError());
    return;
  }
  slot->controller = c;
  slot->id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
  sayPlayer(slot->id, g_pads.mapper.connect(slot->id));
}

void removePad(SDL_JoystickID id, PadDelivery deliver) {
  NativeEvent out[MAX_PAD_EVENTS];
  SDL_JoystickID successor = -1;
  const int player = g_pads.mapper.playerOf(id);
  const int n = g_pads.mapper.remove(id, out, &successor);
  deliver(out, n);
  if (player >= 0) std::fprintf(stderr, "Controller %d removed from walker %d\n", id, player);
  if (successor >= 0) sayPlayer(successor, player);
  for (OpenPad& p : g_pads.open) {
    if (p.controller != nullptr && p.id == id) {
      SDL_GameControllerClose(p.controller);
      p = OpenPad{};
    }
  }
}

}  // namespace

// Controllers SDL knows by its built-in mappings, SDL_GAMECONTROLLERCONFIG
// (read by SDL itself), and gamecontrollerdb.txt beside the executable or in
// the folder the program runs in (its data folder). Those present now arrive
// as device events like those plugged in later.
void startControllers() {
  if (g_pads.ready) return;
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    std::fprintf(stderr, "Game controllers unavailable: %s\n", SDL_GetError());
    return;
  }
  g_pads.ready = true;
  if (char* base = SDL_GetBasePath()) {
    char path[4096];
    std::snprintf(path, sizeof path, "%sgamecontrollerdb.txt", base);
    SDL_free(base);
    if (access(path, R_OK) == 0 && SDL_GameControllerAddMappingsFromFile(path) < 0) {
      std::fprintf(stderr, "%s: %s\n", path, SDL_GetError());
    }
  }
  if (access("gamecontrollerdb.txt", R_OK) == 0 &&
      SDL_GameControllerAddMappingsFromFile("gamecontrollerdb.txt") < 0) {
    std::fprintf(stderr, "gamecontrollerdb.txt: %s\n", SDL_GetError());
  }
}

bool handlePadEvent(const SDL_Event& e, PadDelivery deliver) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
      openPad(e.cdevice.which);
      return true;
    case SDL_CONTROLLERDEVICEREMOVED:
      removePad(e.cdevice.which, deliver);
      return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION: {
      NativeEvent out[MAX_PAD_EVENTS];
      deliver(out, g_pads.mapper.translate(e, out));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace platform::sdl
