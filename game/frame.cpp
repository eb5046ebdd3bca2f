#include "game/frame.h"

#include "display/back_buffer.h"
#include "game/game_state.h"
#include "shell/shell_globals.h"

void paintFrame() {
  MainWindow* window = &g_shell.main_window;
  BeginFramePaint(window, PAINT_PRESENT);
  if (window->presented_frames == 0) g_game.sound.start();
  EndFramePaint(window);
}
