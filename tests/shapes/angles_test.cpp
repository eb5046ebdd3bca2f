#include "shapes/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "tests/support/fresh_state.h"

namespace {

class Angles : public FreshState {
 protected:
  static std::string report(int number) {
    return "Error " + std::to_string(number) + "  Contine?    (err_context=0)";
  }
  static int exactSine(int angle) {
    return static_cast<int>(
        std::lround(4096.0 * std::sin(2.0 * std::numbers::pi * angle / 4096.0)));
  }
};

struct Vec32 {
  std::int32_t x;
  std::int32_t y;
};

Vec32 rotated32(Angle angle, Vec32 v) {
  RotateVector32(angle, &v.x, &v.y);
  return v;
}

TEST_F(Angles, SineTableFollowsTheRoundingRuleAndReferenceValues) {
  for (int i = 0; i < SINE_TABLE_SIZE; ++i) EXPECT_EQ(SineTable[i], exactSine(i)) << i;
  EXPECT_EQ(SineTable[0], 0);
  EXPECT_EQ(SineTable[1], 6);
  EXPECT_EQ(SineTable[2], 13);
  EXPECT_EQ(SineTable[3], 19);
  EXPECT_EQ(SineTable[256], 1567);
  EXPECT_EQ(SineTable[512], 2896);
  EXPECT_EQ(SineTable[768], 3784);
  for (int i = 1020; i <= 1024; ++i) EXPECT_EQ(SineTable[i], 4096) << i;
}

TEST_F(Angles, LookupGivesQuarterTurnsAndFoldsWholeTurns) {
  struct Case {
    std::int32_t angle;
    Fixed12 sine;
    Fixed12 cosine;
  };
  const Case cases[] = {{0, 0, 4096},         {1024, 4096, 0},      {2048, 0, -4096},
                        {3072, -4096, 0},     {4096, 0, 4096},      {-4096, 0, 4096},
                        {512, 2896, 2896},    {1536, 2896, -2896},  {3584, -2896, 2896},
                        {4095, -6, 4096},     {-1, -6, 4096},       {4096 * 1000 + 512, 2896, 2896},
                        {INT32_MIN, 0, 4096}, {INT32_MAX, -6, 4096}};
  for (const Case& c : cases) {
    Fixed12 sine = 99;
    Fixed12 cosine = 99;
    LookupSineCosine(c.angle, &sine, &cosine);
    EXPECT_EQ(sine, c.sine) << c.angle;
    EXPECT_EQ(cosine, c.cosine) << c.angle;
  }
  // Only the outputs asked for are written.
  Fixed12 sine = 77;
  LookupSineCosine(1024, &sine, nullptr);
  EXPECT_EQ(sine, 4096);
  LookupSineCosine(0, nullptr, nullptr);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Angles, LookupMatchesTheExactRoundedValuesAtEveryAngle) {
  for (int a = 0; a < 4096; ++a) {
    Fixed12 sine = 0;
    Fixed12 cosine = 0;
    LookupSineCosine(a, &sine, &cosine);
    EXPECT_EQ(sine, exactSine(a)) << a;
    EXPECT_EQ(cosine, exactSine(a + 1024)) << a;
  }
}

TEST_F(Angles, Rotate32TurnsClockwiseWithFloorForXAndCeilingForY) {
  auto expectRotation = [](Angle angle, Vec32 in, Vec32 out) {
    const Vec32 got = rotated32(angle, in);
    EXPECT_EQ(got.x, out.x) << angle << " (" << in.x << ", " << in.y << ")";
    EXPECT_EQ(got.y, out.y) << angle << " (" << in.x << ", " << in.y << ")";
  };
  expectRotation(1024, {256, 0}, {0, -256});
  expectRotation(1024, {0, 256}, {256, 0});
  expectRotation(1024, {1, 0}, {0, -1});
  expectRotation(512, {256, 0}, {181, -181});
  expectRotation(512, {-256, 0}, {-181, 181});
  expectRotation(2048, {1, 1}, {-1, -1});
  expectRotation(100, {1, 0}, {0, 0});
  for (const Vec32 v : {Vec32{0, 0}, Vec32{1, -1}, Vec32{-300, 77}, Vec32{123456, -65432}}) {
    expectRotation(0, v, v);
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Angles, Rotate32SumsWrapToThirtyTwoBits) {
  // INT32_MAX * 4096 wraps to -4096 before the shift.
  Vec32 v = rotated32(0, {INT32_MAX, 0});
  EXPECT_EQ(v.x, -1);
  EXPECT_EQ(v.y, 0);
  v = rotated32(1024, {INT32_MAX, 0});
  EXPECT_EQ(v.x, 0);
  EXPECT_EQ(v.y, 1);
}

TEST_F(Angles, RotationsReportNullVectorsAndAnglesOutOfRange) {
  std::int32_t x = 5;
  RotateVector32(1024, &x, nullptr);
  EXPECT_EQ(x, 5);
  std::int16_t x16 = 5;
  RotateVector16(1024, nullptr, &x16);
  EXPECT_EQ(x16, 5);

  // Out-of-range angles are reported, then folded.
  Vec32 v = rotated32(-3072, {256, 0});
  EXPECT_EQ(v.x, 0);
  EXPECT_EQ(v.y, -256);
  v = rotated32(4096, {256, 0});
  EXPECT_EQ(v.x, 256);
  EXPECT_EQ(v.y, 0);
  std::int16_t a = 256;
  std::int16_t b = 0;
  RotateVector16(5120, &a, &b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, -256);

  const auto& boxes = headless::boxes();
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[0].text, report(7204));
  EXPECT_EQ(boxes[1].text, report(7204));
  EXPECT_EQ(boxes[2].text, report(7205));
  EXPECT_EQ(boxes[3].text, report(7205));
  EXPECT_EQ(boxes[4].text, report(7205));
}

TEST_F(Angles, Rotate16MatchesRotate32InRangeAndTruncatesOutside) {
  for (Angle angle : {Angle{0}, Angle{100}, Angle{512}, Angle{1024}, Angle{2048}, Angle{3333}}) {
    for (const Vec32 v : {Vec32{256, 0}, Vec32{-256, 0}, Vec32{1, 1}, Vec32{-700, 1234}}) {
      std::int16_t x = static_cast<std::int16_t>(v.x);
      std::int16_t y = static_cast<std::int16_t>(v.y);
      RotateVector16(angle, &x, &y);
      const Vec32 wide = rotated32(angle, v);
      EXPECT_EQ(x, wide.x) << angle;
      EXPECT_EQ(y, wide.y) << angle;
    }
  }
  EXPECT_TRUE(headless::boxes().empty());

  // (32767, 32767) at 512 gives p = 46334, at 1536 q = 46334: either one not
  // fitting is reported, and its low 16 bits (-19202) are stored, for y negated.
  struct Overflow {
    Angle angle;
    std::int16_t x;
    std::int16_t y;
  };
  for (const Overflow o : {Overflow{512, -19202, 0}, Overflow{1536, 0, 19202}}) {
    headless::clearBoxes();
    std::int16_t x = 32767;
    std::int16_t y = 32767;
    RotateVector16(o.angle, &x, &y);
    EXPECT_EQ(x, o.x) << o.angle;
    EXPECT_EQ(y, o.y) << o.angle;
    ASSERT_EQ(headless::boxes().size(), 1u) << o.angle;
    EXPECT_EQ(headless::boxes()[0].text, report(7206));
  }

  // q = -32768 fits, its 16-bit negation wraps back to -32768 without a report.
  headless::clearBoxes();
  std::int16_t x = -32768;
  std::int16_t y = 0;
  RotateVector16(1024, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, -32768);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Angles, DifferenceFoldsIntoAHalfTurnEachWay) {
  EXPECT_EQ(AngleDifference(10, 4090), 16);
  EXPECT_EQ(AngleDifference(4090, 10), -16);
  EXPECT_EQ(AngleDifference(3000, 952), 2048);
  EXPECT_EQ(AngleDifference(952, 3000), -2048);
  EXPECT_EQ(AngleDifference(-10, 10), -20);
  EXPECT_EQ(AngleDifference(4106, 10), 0);
  EXPECT_EQ(AngleDifference(-32768, 0), 0);
  EXPECT_EQ(AngleDifference(32767, 0), -1);
  for (int a = -8192; a <= 8192; a += 97) {
    for (int b = -8192; b <= 8192; b += 89) {
      const int d = AngleDifference(static_cast<Angle>(a), static_cast<Angle>(b));
      EXPECT_GE(d, -2048);
      EXPECT_LE(d, 2048);
      EXPECT_EQ(((a - b - d) % 4096 + 4096) % 4096, 0) << a << " " << b;
    }
  }
}

}  // namespace
