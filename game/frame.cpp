#include "game/frame.h"

#include "shell/shell_globals.h"
#include "display/back_buffer.h"

void paintFrame() {
  MainWindow* window = &g_shell.main_window;
  BeginFramePaint(window, PAINT_PRESENT);
  EndFramePaint(window);
}
