#include "game/frame.h"

#include "display/back_buffer.h"
#include "display/colours.h"
#include "game/game_state.h"
#include "game/helpers.h"
#include "game/levels.h"
#include "shell/reports.h"
#include "shell/shell_globals.h"

inline constexpr std::int32_t ERR_LEVEL_SELECT = 7237;
inline constexpr std::int32_t ERR_FIRST_LEVEL = 7238;
// Where a left click below level 0 starts its downward search.
inline constexpr std::int32_t LEVEL_SEARCH_TOP = 200;

namespace {

// Builds current_level; on success places both ships at its start positions.
bool buildLevel() {
  Fixed8 x0 = 0;
  Fixed8 y0 = 0;
  Fixed8 x1 = 0;
  Fixed8 y1 = 0;
  Angle r0 = 0;
  Angle r1 = 0;
  if (LevelSet::build(g_game.current_level, &x0, &y0, &r0, &x1, &y1, &r1) != 0) return false;
  g_game.ships[0].place(x0, y0, r0);
  g_game.ships[1].place(x1, y1, r1);
  return true;
}

void firstFrame(MainWindow* window) {
  g_game.sound.start();
  Ship& ship0 = g_game.ships[0];
  Ship& ship1 = g_game.ships[1];
  const ColourIndex white = FindNearestColour(window, 255, 255, 255);
  ship0.setGroundColour(white);
  ship1.setTerritoryColour(white);
  ship0.setBodyColour(FindNearestColour(window, 180, 180, 255));
  const ColourIndex black = FindNearestColour(window, 0, 0, 0);
  ship1.setGroundColour(black);
  ship0.setTerritoryColour(black);
  ship1.setBodyColour(FindNearestColour(window, 85, 85, 0));
  g_game.border_colour = FindNearestColour(window, 128, 128, 128);
  if (!buildLevel()) ReportError(ERR_FIRST_LEVEL);
}

// A click in locked time: right steps the level up, left steps it down.
void selectLevel() {
  if (g_shell.MouseButtons[MOUSE_RIGHT] == 1) {
    ++g_game.current_level;
    if (!buildLevel()) {
      g_game.current_level = 0;
      if (!buildLevel()) ReportError(ERR_LEVEL_SELECT);
    }
  }
  if (g_shell.MouseButtons[MOUSE_LEFT] == 1) {
    --g_game.current_level;
    if (g_game.current_level < 0) g_game.current_level = LEVEL_SEARCH_TOP;
    while (!buildLevel()) {
      // Level 0 always builds, so the search cannot go below it; should it
      // ever, stop rather than search for ever.
      if (g_game.current_level <= 0) {
        ReportError(ERR_LEVEL_SELECT);
        break;
      }
      --g_game.current_level;
    }
  }
}

}  // namespace

bool GameGlobals::controlsEnabled() const {
  const std::uint32_t now = g_shell.main_window.presented_frames;
  return static_cast<std::int32_t>(now - level_change_frame) >= LEVEL_LOCK_FRAMES &&
         now >= static_cast<std::uint32_t>(START_LOCK_FRAMES);
}

void GameGlobals::drawBorder() const {
  const PixelView p = backBuffer();
  const std::int32_t right = p.width - 9;
  const std::int32_t top = p.height - 7;
  auto put = [&](std::int32_t x, std::int32_t y) {
    const PixelOffset a = PixelOffset{y} * p.stride + x;
    if (p.contains(a)) p.base[a] = border_colour;
  };
  // Clockwise in memory terms, each corner once.
  for (std::int32_t x = 9; x <= right - 1; ++x) put(x, 7);
  for (std::int32_t y = 7; y <= top - 1; ++y) put(right, y);
  for (std::int32_t x = right; x >= 10; --x) put(x, top);
  for (std::int32_t y = top; y >= 8; --y) put(9, y);
}

void paintFrame() {
  MainWindow* window = &g_shell.main_window;
  // A report box opened during a frame runs a message loop of its own, which
  // may deliver another paint: it is acknowledged and skipped, so no frame
  // runs inside another.
  if (g_game.painting_frame) {
    PAINTSTRUCT ps;
    BeginPaint(window->window, &ps);
    EndPaint(window->window, &ps);
    return;
  }
  g_game.painting_frame = true;
  BeginFramePaint(window, PAINT_PRESENT);
  gameFrame(window);
  EndFramePaint(window);
  g_game.painting_frame = false;
}

void gameFrame(MainWindow* window) {
  if (window->presented_frames == 0) firstFrame(window);

  Ship& ship0 = g_game.ships[0];
  Ship& ship1 = g_game.ships[1];
  // Erase what the last frame drew, unless a resize has left a new buffer.
  if (window->frames_since_resize != 0) {
    ship0.draw(window, SHIP_PASS_RESTORE);
    ship1.draw(window, SHIP_PASS_RESTORE);
    g_game.shots.draw(SHOT_PASS_ERASE);
  }
  if (!g_game.controlsEnabled()) selectLevel();

  g_game.shots.update();
  ship0.update();
  ship1.update();

  // Both save before either draws, so neither save holds the other ship.
  g_game.shots.draw(SHOT_PASS_DRAW);
  ship0.draw(window, SHIP_PASS_SAVE);
  ship1.draw(window, SHIP_PASS_SAVE);
  ship0.draw(window, SHIP_PASS_DRAW);
  ship1.draw(window, SHIP_PASS_DRAW);
  g_game.drawBorder();
}
