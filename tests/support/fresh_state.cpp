#include "tests/support/fresh_state.h"

#include "game/game_state.h"
#include "shell/shell_globals.h"

void resetProgramState() {
  headless::reset();
  resetShellGlobals();
  resetGameState();
}
