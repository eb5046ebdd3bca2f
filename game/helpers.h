// Services the level set and the shots share: direct access to the back
// buffer's pixel memory and the filled disc both of them paint.
#pragma once

#include <cstdint>

#include "shapes/rasterizer.h"
#include "shell/main_window.h"

// The back buffer's pixel memory as the game draws into it. Every write goes
// through an offset from the pixel base that is checked against the memory,
// so nothing outside it is touched, whatever the window size.
struct PixelView {
  std::uint8_t* base = nullptr;
  std::int64_t size = 0;  // bytes of pixel memory; 0 when there is no buffer
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;

  bool contains(PixelOffset offset) const { return offset >= 0 && offset < size; }
};

// The main window's back buffer.
PixelView backBuffer();

// Offset of pixel (x, y) from the pixel base; negative before it.
PixelOffset pixelAddress(std::int32_t x, std::int32_t y);
// True when the offset lies inside the pixel memory.
bool inBuffer(PixelOffset offset);

// QC[t]: half-width of a circle of radius 255 at height t / 256 of its radius.
inline constexpr int QUARTER_CIRCLE_SIZE = 257;
extern const std::uint8_t QuarterCircle[QUARTER_CIRCLE_SIZE];

// Pixels of row i (0..d - 1) that belong to a disc of diameter d; 0 for a
// diameter below 2, which has no rows to speak of.
std::int32_t discChordWidth(std::int32_t d, std::int32_t i);

// Fills a disc of diameter d whose bounding square starts at
// (cx - d / 2, cy - d / 2), each row painted symmetrically. Only the address
// is clipped: a disc over the left or right edge goes on in the neighbouring
// row. A diameter below 2 paints nothing.
void fillDisc(const PixelView& pixels, std::int32_t cx, std::int32_t cy, std::int32_t d,
              ColourIndex colour);

// An impact's disc: 27..42 pixels across, the size drawn from random channel 0.
void paintImpact(std::int32_t cx, std::int32_t cy, ColourIndex colour);
