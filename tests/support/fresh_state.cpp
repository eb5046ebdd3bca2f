#include "tests/support/fresh_state.h"

#include <unistd.h>

#include <cstdio>

#include "game/game_state.h"
#include "session/session.h"
#include "shell/shell_globals.h"

void resetProgramState() {
  headless::reset();
  resetShellGlobals();
  resetGameState();
  session::resetSession();
  // The game opens its sound files by relative name from the folder it runs in.
  if (chdir(STARQUELL_SOUND_DIR) != 0) ADD_FAILURE() << "no sound folder " << STARQUELL_SOUND_DIR;
}

std::vector<int> reportedErrors() {
  std::vector<int> numbers;
  for (const auto& box : headless::boxes()) {
    int number = 0;
    if (std::sscanf(box.text.c_str(), "Error %d", &number) == 1) numbers.push_back(number);
  }
  return numbers;
}

std::string tempPath(const std::string& name) {
  return ::testing::TempDir() + std::to_string(getpid()) + "_" + name;
}
