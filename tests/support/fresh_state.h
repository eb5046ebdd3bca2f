// Every test starts from a freshly started process: no windows, a scripted
// clock at 0, message boxes answering Yes, and all static program state as
// static initialisation left it.
#pragma once

#include <gtest/gtest.h>

#include "platform/headless/headless.h"

// Resets the platform layer and every piece of static program state.
void resetProgramState();

class FreshState : public ::testing::Test {
 protected:
  void SetUp() override { resetProgramState(); }
  void TearDown() override { headless::setPumpHook(nullptr); }
};
