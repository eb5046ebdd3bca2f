#include "shapes/angles.h"

#include "shell/reports.h"

namespace {

// Any 32-bit angle into 0..4095. Masking the two's-complement value gives the
// same result as adding or subtracting whole turns, without a loop.
std::int32_t foldAngle(std::int32_t angle) { return angle & (ANGLE_FULL_TURN - 1); }

// The rotation shared by both widths, in 32-bit arithmetic that wraps: the
// products and the sum are taken modulo 2^32, then shifted arithmetically.
void rotateWrapping(Angle angle, std::int32_t x, std::int32_t y, std::int32_t* p, std::int32_t* q) {
  if (angle < 0 || angle >= ANGLE_FULL_TURN) ReportError(ERR_ROTATE_ANGLE_RANGE);
  Fixed12 sine = 0;
  Fixed12 cosine = 0;
  LookupSineCosine(angle, &sine, &cosine);
  const std::uint32_t ux = static_cast<std::uint32_t>(x);
  const std::uint32_t uy = static_cast<std::uint32_t>(y);
  const std::uint32_t us = static_cast<std::uint32_t>(sine);
  const std::uint32_t uc = static_cast<std::uint32_t>(cosine);
  *p = static_cast<std::int32_t>(uy * us + ux * uc) >> 12;
  *q = static_cast<std::int32_t>(ux * us - uy * uc) >> 12;
}

}  // namespace

void LookupSineCosine(std::int32_t angle, Fixed12* sine, Fixed12* cosine) {
  const std::int32_t a = foldAngle(angle);
  Fixed12 s;
  Fixed12 c;
  if (a <= 1024) {
    s = SineTable[a];
    c = SineTable[1024 - a];
  } else if (a <= 2048) {
    s = SineTable[2048 - a];
    c = -SineTable[a - 1024];
  } else if (a < 3072) {
    s = -SineTable[a - 2048];
    c = -SineTable[3072 - a];
  } else {
    s = -SineTable[4096 - a];
    c = SineTable[a - 3072];
  }
  if (sine != nullptr) *sine = s;
  if (cosine != nullptr) *cosine = c;
}

void RotateVector32(Angle angle, std::int32_t* x, std::int32_t* y) {
  if (x == nullptr || y == nullptr) {
    ReportError(ERR_ROTATE_NULL_VECTOR);
    return;
  }
  std::int32_t p = 0;
  std::int32_t q = 0;
  rotateWrapping(angle, *x, *y, &p, &q);
  // q is a 32-bit value shifted right by 12, so its negation cannot overflow.
  *x = p;
  *y = -q;
}

void RotateVector16(Angle angle, std::int16_t* x, std::int16_t* y) {
  if (x == nullptr || y == nullptr) {
    ReportError(ERR_ROTATE_NULL_VECTOR);
    return;
  }
  std::int32_t p = 0;
  std::int32_t q = 0;
  rotateWrapping(angle, *x, *y, &p, &q);
  if (p < INT16_MIN || p > INT16_MAX || q < INT16_MIN || q > INT16_MAX) {
    ReportError(ERR_ROTATE16_OVERFLOW);
  }
  *x = static_cast<std::int16_t>(p);
  // Negate within 16 bits: -(-32768) wraps back to -32768.
  *y = static_cast<std::int16_t>(-static_cast<std::int32_t>(static_cast<std::int16_t>(q)));
}

Angle AngleDifference(Angle a, Angle b) {
  std::int32_t d = foldAngle(a) - foldAngle(b);
  if (d < -ANGLE_HALF_TURN) d += ANGLE_FULL_TURN;
  if (d > ANGLE_HALF_TURN) d -= ANGLE_FULL_TURN;
  return static_cast<Angle>(d);
}
