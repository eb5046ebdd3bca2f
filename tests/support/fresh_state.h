// Every test starts from a freshly started process: no windows, a scripted
// clock at 0, message boxes answering Yes, all static program state as static
// initialisation left it, and the build's sound folder as working directory,
// as ./run.sh starts the game.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless.h"

// Resets the platform layer and every piece of static program state, and
// enters the sound folder.
void resetProgramState();

// The numbers of the error reports shown so far, in order.
std::vector<int> reportedErrors();

// A path in the temporary folder that no other process's tests use (suites
// of several build trees may run at once).
std::string tempPath(const std::string& name);

class FreshState : public ::testing::Test {
 protected:
  void SetUp() override { resetProgramState(); }
  void TearDown() override { headless::setPumpHook(nullptr); }
};
