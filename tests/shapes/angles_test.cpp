#include "shapes/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tests/support/fresh_state.h"

namespace {

class Angles : public FreshState {
 protected:
  static std::string report(int number) {
    return "Error " + std::to_string(number) + "  Contine?    (err_context=0)";
  }
  static std::vector<std::string> reports() {
    std::vector<std::string> texts;
    for (const auto& box : headless::boxes()) texts.push_back(box.text);
    return texts;
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

// Every angle against the rounded formula: this covers each entry of the
// quarter-wave table and the four ways a quarter is read from it.
TEST_F(Angles, LookupMatchesTheRoundedSineAndCosineAtEveryAngle) {
  for (int a = 0; a < 4096; ++a) {
    Fixed12 sine = 0;
    Fixed12 cosine = 0;
    LookupSineCosine(a, &sine, &cosine);
    EXPECT_EQ(sine, exactSine(a)) << a;
    EXPECT_EQ(cosine, exactSine(a + 1024)) << a;
  }
}

TEST_F(Angles, LookupGivesReferenceValuesAndFoldsAnyAngle) {
  struct Case {
    std::int32_t angle;
    Fixed12 sine;
    Fixed12 cosine;
  };
  const Case cases[] = {{0, 0, 4096},         {1, 6, 4096},         {1024, 4096, 0},
                        {2048, 0, -4096},     {3072, -4096, 0},     {512, 2896, 2896},
                        {256, 1567, 3784},    {4095, -6, 4096},     {4096, 0, 4096},
                        {-4096, 0, 4096},     {-1, -6, 4096},       {4096 * 1000 + 512, 2896, 2896},
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

TEST_F(Angles, Rotate32TurnsClockwiseWithFloorForXCeilingForYAndWrappingSums) {
  struct Case {
    Angle angle;
    Vec32 in;
    Vec32 out;
  };
  const Case cases[] = {
      {1024, {256, 0}, {0, -256}},
      {1024, {0, 256}, {256, 0}},
      {1024, {1, 0}, {0, -1}},
      {512, {256, 0}, {181, -181}},
      {512, {-256, 0}, {-181, 181}},
      {2048, {1, 1}, {-1, -1}},
      {100, {1, 0}, {0, 0}},
      {0, {0, 0}, {0, 0}},
      {0, {1, -1}, {1, -1}},
      {0, {-300, 77}, {-300, 77}},
      {0, {123456, -65432}, {123456, -65432}},
      // INT32_MAX * 4096 wraps to -4096 before the shift.
      {0, {INT32_MAX, 0}, {-1, 0}},
      {1024, {INT32_MAX, 0}, {0, 1}},
  };
  for (const Case& c : cases) {
    const Vec32 got = rotated32(c.angle, c.in);
    EXPECT_EQ(got.x, c.out.x) << c.angle << " (" << c.in.x << ", " << c.in.y << ")";
    EXPECT_EQ(got.y, c.out.y) << c.angle << " (" << c.in.x << ", " << c.in.y << ")";
  }
  EXPECT_TRUE(headless::boxes().empty());
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

  EXPECT_EQ(reports(), (std::vector<std::string>{report(7204), report(7204), report(7205),
                                                 report(7205), report(7205)}));
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

  // (32767, 32767) at 512 gives p = 46334, at 1536 q = 46334, at 3584
  // q = -46335: any one not fitting is reported and its low 16 bits are
  // stored, for y negated.
  // q = -32768 fits, and its 16-bit negation wraps back to -32768 unreported.
  struct Case {
    Angle angle;
    std::int16_t x, y;
    std::int16_t out_x, out_y;
    bool reported;
  };
  for (const Case c :
       {Case{512, 32767, 32767, -19202, 0, true}, Case{1536, 32767, 32767, 0, 19202, true},
        Case{3584, 32767, 32767, 0, -19201, true}, Case{1024, -32768, 0, 0, -32768, false}}) {
    headless::clearBoxes();
    std::int16_t x = c.x;
    std::int16_t y = c.y;
    RotateVector16(c.angle, &x, &y);
    EXPECT_EQ(x, c.out_x) << c.angle;
    EXPECT_EQ(y, c.out_y) << c.angle;
    EXPECT_EQ(reports(),
              c.reported ? std::vector<std::string>{report(7206)} : std::vector<std::string>{})
        << c.angle;
  }
}

TEST_F(Angles, DifferenceFoldsIntoAHalfTurnEachWay) {
  struct Case {
    Angle a, b, difference;
  };
  for (const Case c :
       {Case{10, 4090, 16}, Case{4090, 10, -16}, Case{3000, 952, 2048}, Case{952, 3000, -2048},
        Case{-10, 10, -20}, Case{4106, 10, 0}, Case{-32768, 0, 0}, Case{32767, 0, -1}}) {
    EXPECT_EQ(AngleDifference(c.a, c.b), c.difference) << c.a << " - " << c.b;
  }
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
