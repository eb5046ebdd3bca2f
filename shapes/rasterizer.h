// The shape rasterizer: turns a ShapePoint list by an angle and walks the back
// buffer's pixel memory from vertex to vertex along a fixed four-connected
// staircase, saving, drawing or restoring every pixel it visits. The three
// modes visit the same pixels in the same order, so the k-th save byte always
// belongs to the k-th visited pixel and a save, draw, restore sequence leaves
// the memory as it was.
#pragma once

#include <cstdint>

#include "shapes/angles.h"
#include "shapes/shape_data.h"
#include "shell/main_window.h"

// The rasterizer's cursor: a signed byte offset from the low bound of the
// pixel memory rather than a pointer, so that a shape placed far outside the
// buffer never forms an out-of-range pointer. Pixel (x, y) of a buffer with
// stride s is at offset y * s + x.
using PixelOffset = std::int64_t;

// Mode bits of DrawShape; when several are set the first in this order wins.
inline constexpr std::uint32_t SHAPE_SAVE_UNDER = 256;
inline constexpr std::uint32_t SHAPE_DRAW_PIXELS = 512;
inline constexpr std::uint32_t SHAPE_RESTORE_UNDER = 1024;

// A pen-down segment may span at most this many pixels on each axis.
inline constexpr int SEGMENT_AXIS_LIMIT = 8;
// Save bytes that must still be free before each vertex.
inline constexpr std::int32_t SAVE_ROOM_PER_VERTEX = 11;

// Error numbers of the rasterizer.
inline constexpr std::int32_t ERR_SHAPE_FIRST_PEN_DOWN = 7201;
inline constexpr std::int32_t ERR_SHAPE_SLOT_MARKER = 7202;
inline constexpr std::int32_t ERR_SHAPE_NO_SAVE_AREA = 7233;
inline constexpr std::int32_t ERR_SHAPE_NO_MODE = 7234;
inline constexpr std::int32_t ERR_SHAPE_SAVE_FULL = 7235;
inline constexpr std::int32_t ERR_SHAPE_WIDE_SEGMENT = 7022;  // + ady (0..7)
inline constexpr std::int32_t ERR_SHAPE_TALL_SEGMENT = 7030;

// One step of a segment walk: X moves along x, Y along y, D moves along y to
// a corner pixel and then along x to the next main pixel.
enum class StepToken : std::uint8_t { X, Y, D };

// The steps from one vertex to the next for axis distances (adx, ady): one
// token per pixel of the major axis, a D wherever the minor coordinate, rounded
// to nearest with halves to even, moves on.
struct StepPattern {
  std::uint8_t count;
  StepToken tokens[SEGMENT_AXIS_LIMIT];
};

// The pattern for 0 <= adx, ady <= 8, from a table built at compile time;
// other distances get the empty pattern of (0, 0).
const StepPattern& stepPattern(int adx, int ady);

// Walks the shape once in the given mode:
//  - SHAPE_SAVE_UNDER copies each visited pixel to save_area[k++],
//  - SHAPE_DRAW_PIXELS writes colour_num,
//  - SHAPE_RESTORE_UNDER writes save_area[k++] back.
// Only bytes from low_bound to high_bound inclusive are ever touched (a null
// bound or high_bound below low_bound means no pixel memory), and only the
// first save_size bytes of the save area. On entry *cursor is the origin
// pixel's offset from low_bound; on return it is the last position reached.
// A slot number n on a vertex stores its rotated offset in slots[n - 1] when
// n <= slot_count and that slot's marker is set (else 7202). A null shape or
// cursor draws nothing.
void DrawShape(std::uint32_t mode, const ShapePoint* shape, Angle angle, std::int16_t stride,
               PixelOffset* cursor, std::uint8_t* low_bound, std::uint8_t* high_bound,
               ColourIndex colour_num, AttachmentSlot* slots, std::uint32_t slot_count,
               std::uint8_t* save_area, std::uint32_t save_size);
