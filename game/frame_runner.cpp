#include "game/frame_runner.h"

#include "display/back_buffer.h"
#include "game/frame.h"
#include "game/game_state.h"
#include "game/random.h"
#include "shell/shell_globals.h"

bool stepFrame(std::span<const InputMessage> input, std::uint32_t* sounds) {
  MainWindow* window = &g_shell.main_window;
  if (window->window == nullptr || window->presented_frames == 0 || g_game.painting_frame ||
      window->PaintState != PAINT_IDLE) {
    return false;
  }
  // A report box opened during the frame runs a message loop: its paints
  // are skipped as they are inside paintFrame.
  g_game.painting_frame = true;
  g_game.sound.requests = 0;
  tickRandom();
  for (const InputMessage& m : input) applyInputMessage(m.message, m.wparam);
  if (window->BufferMadeMarker != BUFFER_MADE_MARKER) CreateBackBuffer(window, nullptr);
  gameFrame(window);
  ++window->presented_frames;
  ++window->frames_since_resize;
  AgeInputState();
  if (sounds != nullptr) *sounds = g_game.sound.requests;
  g_game.sound.requests = 0;
  g_game.painting_frame = false;
  return true;
}

std::uint32_t requestedSounds() { return g_game.sound.requests; }

void requestSounds(std::uint32_t bits) { g_game.sound.request(bits); }
