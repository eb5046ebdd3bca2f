// The fixed palette and the nearest-colour choice.
#include "display/colours.h"

#include <gtest/gtest.h>

#include "display/back_buffer.h"
#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"
#include "tests/support/program.h"

namespace {

TEST(Palette, IsTheColourCubeThenBlack) {
  EXPECT_EQ(
      BackBufferPalette[0].rgbRed + BackBufferPalette[0].rgbGreen + BackBufferPalette[0].rgbBlue,
      0);
  const RGBQUAD white = BackBufferPalette[215];
  EXPECT_EQ(white.rgbRed, 255);
  EXPECT_EQ(white.rgbGreen, 255);
  EXPECT_EQ(white.rgbBlue, 255);
  // Index 1 is the first blue step, 6 the first red step, 36 the first green step.
  EXPECT_EQ(BackBufferPalette[1].rgbBlue, 51);
  EXPECT_EQ(BackBufferPalette[6].rgbRed, 51);
  EXPECT_EQ(BackBufferPalette[36].rgbGreen, 51);
  for (int i = 216; i < 256; ++i) {
    EXPECT_EQ(
        BackBufferPalette[i].rgbRed | BackBufferPalette[i].rgbGreen | BackBufferPalette[i].rgbBlue,
        0)
        << i;
  }
  for (const auto& e : BackBufferPalette) EXPECT_EQ(e.rgbReserved, 0);
}

class Colours : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    ASSERT_NE(openMainWindow(), nullptr);
    runFrame();
  }
  MainWindow& mw = g_shell.main_window;
};

TEST_F(Colours, TheGameColoursAndTheRoundingEdge) {
  struct {
    std::uint8_t r, g, b, index;
  } const rows[] = {
      {255, 255, 255, 215}, {180, 180, 255, 173}, {0, 0, 0, 0},     {85, 85, 0, 84},
      {128, 128, 128, 129}, {25, 25, 25, 0},      {26, 26, 26, 43},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(FindNearestColour(&mw, r.r, r.g, r.b), r.index)
        << int(r.r) << "," << int(r.g) << "," << int(r.b);
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Colours, BeforeTheBufferExistsTheChoiceIsReported) {
  DestroyBackBuffer(&mw);
  FindNearestColour(&mw, 1, 2, 3);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text, "Error 4466  Contine?    (err_context=0)");
  FindNearestColour(nullptr, 1, 2, 3);
  EXPECT_EQ(headless::boxes().size(), 2u);
}

}  // namespace
