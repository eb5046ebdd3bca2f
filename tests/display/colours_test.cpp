// The fixed palette and the nearest-colour choice.
#include "display/colours.h"

#include <gtest/gtest.h>

#include <array>

#include "display/back_buffer.h"
#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"
#include "tests/support/program.h"

namespace {

TEST(Palette, IsTheColourCubeThenBlack) {
  // Index 1 is the first blue step, 6 the first red step, 36 the first green step.
  for (const auto& [index, red, green, blue] : {std::array{0, 0, 0, 0},
                                                {1, 0, 0, 51},
                                                {6, 51, 0, 0},
                                                {36, 0, 51, 0},
                                                {215, 255, 255, 255}}) {
    const RGBQUAD& e = BackBufferPalette[static_cast<std::size_t>(index)];
    EXPECT_EQ((std::array{int{e.rgbRed}, int{e.rgbGreen}, int{e.rgbBlue}}),
              (std::array{red, green, blue}))
        << index;
  }
  for (int i = 216; i < 256; ++i) {
    const RGBQUAD& e = BackBufferPalette[static_cast<std::size_t>(i)];
    EXPECT_EQ(e.rgbRed | e.rgbGreen | e.rgbBlue, 0) << i;
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
