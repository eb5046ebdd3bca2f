#include "tests/support/fresh_state.h"

#include "app/shell_globals.h"
#include "game/game_state.h"

void resetProgramState() {
  headless::reset();
  resetShellGlobals();
  resetGameState();
}
