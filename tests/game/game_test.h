// Fixture of the game suites: a fresh game with the main window open and,
// when asked, a zero-filled back buffer of a chosen client size.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "display/back_buffer.h"
#include "game/game_state.h"
#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"
#include "tests/support/program.h"

// The first frame's colours: A (ship 0's territory) black, B white.
inline constexpr ColourIndex BLACK = 0;
inline constexpr ColourIndex WHITE = 215;

class GameTest : public FreshState {
 protected:
  MainWindow& mw = g_shell.main_window;
  HWND hwnd = nullptr;

  void SetUp() override {
    FreshState::SetUp();
    hwnd = openMainWindow();
    ASSERT_NE(hwnd, nullptr);
  }

  // A new back buffer of w x h client pixels (none when either is 0), made
  // without painting a frame; the territory colours of the first frame.
  void makeBuffer(int w, int h) {
    platform::NativeEvent e;
    e.kind = platform::NativeEventKind::Resize;
    e.width = w;
    e.height = h;
    platform::deliverNativeEvent(e);
    CreateBackBuffer(&mw, nullptr);
    setColours();
  }
  static void setColours() {
    Ship* s = g_game.ships;
    s[0].setTerritoryColour(BLACK);
    s[0].setGroundColour(WHITE);
    s[1].setTerritoryColour(WHITE);
    s[1].setGroundColour(BLACK);
  }
  std::uint8_t& px(int x, int y) { return mw.pixel_base[y * mw.stride + x]; }
  std::int64_t bytes() const { return mw.hasPixels() ? mw.last_pixel - mw.pixel_base + 1 : 0; }
  void fillBuffer(std::uint8_t v) {
    for (std::int64_t i = 0; i < bytes(); ++i) mw.pixel_base[i] = v;
  }
  // Pixels of row y painted in the colour, and the leftmost of them (-1: none).
  int rowCount(int y, std::uint8_t colour, int* first = nullptr) {
    int n = 0;
    if (first != nullptr) *first = -1;
    for (int x = 0; x < mw.width; ++x) {
      if (px(x, y) != colour) continue;
      if (n++ == 0 && first != nullptr) *first = x;
    }
    return n;
  }
};
