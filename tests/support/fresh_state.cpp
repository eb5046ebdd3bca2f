#include "tests/support/fresh_state.h"

#include "app/shell_globals.h"

void resetProgramState() {
  headless::reset();
  resetShellGlobals();
}
