// A live game, not recorded: the game gets every message as it comes.
#include "session/mode.h"

namespace session {

namespace {

class Playing final : public Mode {
 public:
  LRESULT message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override {
    return callGame(hwnd, message, wparam, lparam);
  }
  IdleStep idlePass() override { return {}; }
};

Playing g_playing;

}  // namespace

Mode& startPlaying() { return g_playing; }

}  // namespace session
