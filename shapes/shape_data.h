// The vector shape format and the three outlines a ship is drawn from.
#pragma once

#include <cstdint>

// One vertex of a shape, relative to the shape's origin before rotation, in
// pixels with y up on screen.
struct ShapePoint {
  std::int16_t x;
  std::int16_t y;
  std::uint16_t flags;  // SHAPE_PEN_DOWN and a slot number in the low three bits
};

// Flag bits and the list terminator of ShapePoint.
inline constexpr std::uint16_t SHAPE_PEN_DOWN = 16;
inline constexpr std::uint16_t SHAPE_SLOT_MASK = 7;
inline constexpr std::int16_t SHAPE_END = 4096;  // only x is tested

// Where one shape places another: the rasterizer writes a vertex's rotated
// offset from the shape's origin here, but only while the marker is set.
struct AttachmentSlot {
  std::int16_t x;
  std::int16_t y;
  std::uint16_t marker;
};

inline constexpr std::uint16_t ATTACHMENT_SLOT_MARKER = 32;

// A bar at y = 12 from x = -15 to 15 with legs down to y = 8, a stroke at
// y = 5 and a dome up to y = 22. Slot 1 is the arm pivot, slots 2 and 3 the
// wheel centres.
inline constexpr int BODY_SHAPE_POINTS = 21;
// A closed outline 30 pixels long, pivot a third of the way along.
inline constexpr int ARM_SHAPE_POINTS = 17;
// A ring of radius 6 and one spoke from its top to the centre.
inline constexpr int WHEEL_SHAPE_POINTS = 23;

// The counts include the terminator.
extern const ShapePoint BodyShape[BODY_SHAPE_POINTS];
extern const ShapePoint ArmShape[ARM_SHAPE_POINTS];
extern const ShapePoint WheelShape[WHEEL_SHAPE_POINTS];
