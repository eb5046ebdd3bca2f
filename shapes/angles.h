// Directions and integer trigonometry. An Angle counts 4096 per full turn
// (canonical 0..4095); a positive angle turns a vector clockwise on screen,
// because the back buffer's y axis points up. Sine and cosine are Fixed12
// (4096 = 1.0) and come from one quarter-wave table.
#pragma once

#include <cstdint>

using Angle = std::int16_t;
using Fixed12 = std::int32_t;
// Positions and velocities: 256 = one pixel; the pixel is the value >> 8.
using Fixed8 = std::int32_t;

inline constexpr std::int32_t ANGLE_FULL_TURN = 4096;
inline constexpr std::int32_t ANGLE_HALF_TURN = 2048;
inline constexpr std::int32_t ANGLE_QUARTER_TURN = 1024;
inline constexpr Fixed12 FIXED12_ONE = 4096;

inline constexpr int SINE_TABLE_SIZE = 1025;
// sin(2 pi i / 4096) for i = 0..1024 (one quarter turn), rounded to nearest.
extern const std::int16_t SineTable[SINE_TABLE_SIZE];

// Error numbers of the rotations.
inline constexpr std::int32_t ERR_ROTATE_NULL_VECTOR = 7204;
inline constexpr std::int32_t ERR_ROTATE_ANGLE_RANGE = 7205;
inline constexpr std::int32_t ERR_ROTATE16_OVERFLOW = 7206;

// Folds any angle into 0..4095 and writes the outputs whose pointer is not
// null. No checks.
void LookupSineCosine(std::int32_t angle, Fixed12* sine, Fixed12* cosine);

// Turns (x, y) by the angle: x' = floor((x cos + y sin) / 4096),
// y' = ceil((y cos - x sin) / 4096), sums wrapping to 32 bits.
// A null pointer reports 7204 and writes nothing; an angle outside 0..4095
// reports 7205 and is folded.
void RotateVector32(Angle angle, std::int32_t* x, std::int32_t* y);

// As RotateVector32 on 16-bit values; a result outside 16 bits reports 7206
// and its low 16 bits are stored anyway.
void RotateVector16(Angle angle, std::int16_t* x, std::int16_t* y);

// a - b folded into -2048..2048; a half turn keeps the sign of a - b.
Angle AngleDifference(Angle a, Angle b);
