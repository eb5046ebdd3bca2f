// A shown window of the game's client size (734 x 531) holding a bottom-up
// 8-bit frame with the game's colour cube in a pattern of many colours: what
// the present measurements blit.
#pragma once

#include <cstdint>

#include "platform/core/core.h"

inline constexpr int BENCH_CLIENT_WIDTH = 734;
inline constexpr int BENCH_CLIENT_HEIGHT = 531;
inline constexpr int BENCH_STRIDE = (BENCH_CLIENT_WIDTH + 3) & ~3;

struct BenchFrame {
  HWND hwnd = nullptr;
  HDC window_dc = nullptr;
  HDC memory_dc = nullptr;
  std::uint8_t* pixels = nullptr;
  RGBQUAD colours[256] = {};
};

// Makes the window and its frame; false when either cannot be made.
bool makeBenchFrame(BenchFrame* frame, const char* title);
// One present of the whole frame.
void presentBenchFrame(const BenchFrame& frame);
// Dispatches every waiting message.
void pumpBenchMessages();
