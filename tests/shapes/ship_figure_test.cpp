#include "shapes/ship_figure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/shapes/pixel_buffer.h"
#include "tests/support/fresh_state.h"

namespace {

constexpr ColourIndex BODY = 0x5A;

class ShipDrawing : public FreshState {
 protected:
  // A window record pointing at a test buffer; the record is large, so it
  // lives on the heap of the test, not the stack.
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();
  std::unique_ptr<ShipFigure> ship = std::make_unique<ShipFigure>();

  void place(int x, int y, Angle heading) {
    ship->x = x * 256 + 128;  // the fraction is dropped
    ship->y = y * 256 + 255;
    ship->heading = heading;
    ship->body_colour = BODY;
  }

  // One shape drawn on its own at a pixel, for comparison with the pass.
  static void drawAlone(PixelBuffer& buffer, const ShapePoint* shape, Angle angle, int x, int y) {
    std::uint8_t save[300];
    PixelOffset cursor = buffer.at(x, y);
    DrawShape(SHAPE_DRAW_PIXELS, shape, angle, static_cast<std::int16_t>(buffer.stride()), &cursor,
              buffer.low(), buffer.high(), BODY, nullptr, 0, save, 300);
  }
};

TEST_F(ShipDrawing, HeadingZeroPlacesBodyArmAndWheels) {
  PixelBuffer buffer(200, 150);
  buffer.bind(window.get());
  place(100, 100, 0);
  ship->draw(window.get(), SHIP_PASS_DRAW);

  for (int x = 85; x <= 115; ++x) EXPECT_EQ(buffer.pixel(x, 112), BODY) << x;
  EXPECT_NE(buffer.pixel(84, 112), BODY);
  EXPECT_NE(buffer.pixel(116, 112), BODY);
  for (int y = 108; y <= 112; ++y) {
    EXPECT_EQ(buffer.pixel(85, y), BODY) << y;
    EXPECT_EQ(buffer.pixel(115, y), BODY) << y;
  }
  EXPECT_NE(buffer.pixel(85, 107), BODY);
  EXPECT_NE(buffer.pixel(115, 107), BODY);
  for (int x = 96; x <= 104; ++x) EXPECT_EQ(buffer.pixel(x, 105), BODY) << x;
  EXPECT_EQ(buffer.pixel(98, 122), BODY);   // top of the dome
  EXPECT_EQ(buffer.pixel(90, 120), BODY);   // arm's near end, (-10, 0) from its pivot
  EXPECT_EQ(buffer.pixel(120, 122), BODY);  // arm's far end
  EXPECT_EQ(buffer.pixel(90, 106), BODY);   // wheel spokes end on their centres
  EXPECT_EQ(buffer.pixel(110, 106), BODY);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(ShipDrawing, ArmAndWheelsFollowTheHeadingAndTurnByTheirOwnAngles) {
  PixelBuffer buffer(200, 150);
  buffer.bind(window.get());
  place(100, 70, 1024);
  ship->arm = 300;
  ship->wheel_a = 2000;
  ship->wheel_b = 4000;
  ship->draw(window.get(), SHIP_PASS_DRAW);

  // Slots at heading 1024: (20, 0), (6, 10), (6, -10).
  PixelBuffer expected(200, 150);
  drawAlone(expected, BodyShape, 1024, 100, 70);
  drawAlone(expected, ArmShape, 300, 120, 70);
  drawAlone(expected, WheelShape, 2000, 106, 80);
  drawAlone(expected, WheelShape, 4000, 106, 60);
  EXPECT_EQ(buffer.pixels(), expected.pixels());

  // Below zero the pixel is still the position shifted right, rounded down:
  // (-2.996, -4.996) is pixel (-3, -5), not (-2, -4).
  buffer.fill(0);
  expected.fill(0);
  ship->x = -3 * 256 + 1;
  ship->y = -5 * 256 + 1;
  ship->draw(window.get(), SHIP_PASS_DRAW);
  drawAlone(expected, BodyShape, 1024, -3, -5);
  drawAlone(expected, ArmShape, 300, 17, -5);
  drawAlone(expected, WheelShape, 2000, 3, 5);
  drawAlone(expected, WheelShape, 4000, 3, -15);
  EXPECT_EQ(buffer.pixels(), expected.pixels());
  EXPECT_NE(buffer.pixels(), PixelBuffer(200, 150).pixels());
}

TEST_F(ShipDrawing, PassFlagsChooseTheModeInPrecedence) {
  PixelBuffer buffer(200, 150);
  buffer.bind(window.get());
  buffer.fill(0x11);
  place(100, 100, 0);
  std::memset(ship->save_body, 0x22, sizeof ship->save_body);

  ship->draw(window.get(), SHIP_PASS_SAVE | SHIP_PASS_DRAW);  // 96: saves only
  EXPECT_EQ(buffer.pixel(100, 112), 0x11);
  EXPECT_EQ(ship->save_body[0], 0x11);

  std::memset(ship->save_body, 0x22, sizeof ship->save_body);
  ship->draw(window.get(), SHIP_PASS_SAVE | SHIP_PASS_RESTORE);  // saves
  EXPECT_EQ(ship->save_body[0], 0x11);
  EXPECT_EQ(buffer.pixel(100, 112), 0x11);

  ship->draw(window.get(), SHIP_PASS_DRAW | SHIP_PASS_RESTORE | 1u);  // draws
  EXPECT_EQ(buffer.pixel(100, 112), BODY);

  ship->draw(window.get(), SHIP_PASS_RESTORE);
  EXPECT_EQ(buffer.pixel(100, 112), 0x11);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(ShipDrawing, PassWithoutAModeBitIsReportedAndDoesNothing) {
  PixelBuffer buffer(200, 150);
  buffer.bind(window.get());
  place(100, 100, 0);
  for (std::uint32_t pass : {0u, 16u, 256u, 512u, 1024u}) {
    headless::clearBoxes();
    ship->draw(window.get(), pass);
    ASSERT_EQ(headless::boxes().size(), 1u) << pass;
    EXPECT_EQ(headless::boxes()[0].text, "Error 7236  Contine?    (err_context=0)");
  }
  EXPECT_EQ(buffer.pixels(), PixelBuffer(200, 150).pixels());
  headless::clearBoxes();
  ship->draw(nullptr, SHIP_PASS_DRAW);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(ShipDrawing, NoShapeExceedsItsLargestPixelCountAtAnyAngle) {
  // Counted with a save of a blank memory into an area prefilled with 0xFF.
  PixelBuffer buffer(120, 120);
  auto count = [&](const ShapePoint* shape, Angle angle) {
    std::uint8_t save[300];
    std::memset(save, 0xFF, sizeof save);
    PixelOffset cursor = buffer.at(60, 60);
    DrawShape(SHAPE_SAVE_UNDER, shape, angle, static_cast<std::int16_t>(buffer.stride()), &cursor,
              buffer.low(), buffer.high(), BODY, nullptr, 0, save, 300);
    int n = 0;
    while (n < 300 && save[n] == 0) ++n;
    return n;
  };
  const struct {
    const ShapePoint* shape;
    int most;
  } shapes[] = {{BodyShape, 114}, {ArmShape, 111}, {WheelShape, 83}};
  for (const auto& s : shapes) {
    int most = 0;
    for (int angle = 0; angle < 4096; ++angle) {
      const int n = count(s.shape, static_cast<Angle>(angle));
      EXPECT_LE(n, s.most) << angle;
      most = std::max(most, n);
    }
    EXPECT_EQ(most, s.most);
  }
  EXPECT_TRUE(headless::boxes().empty());
}

class ShipAtEdges : public ShipDrawing,
                    public ::testing::WithParamInterface<std::pair<int, int>> {};

// Near the bottom and top of the memory, and wholly outside it: the restore
// writes exactly the pixels that the save read (and the draw wrote), and a
// save, draw, restore sequence leaves the memory as it was.
TEST_P(ShipAtEdges, RestoreTouchesExactlyTheSavedPixels) {
  const auto [x, y] = GetParam();
  PixelBuffer buffer(120, 60);
  buffer.bind(window.get());
  for (int heading = 0; heading < 4096; heading += 128) {
    place(x, y, static_cast<Angle>(heading));
    ship->arm = static_cast<Angle>(4095 - heading);
    ship->wheel_a = static_cast<Angle>(heading * 3);
    ship->wheel_b = static_cast<Angle>(heading * 5);

    buffer.fill(0x11);
    ship->draw(window.get(), SHIP_PASS_SAVE);
    buffer.fill(0x22);
    ship->draw(window.get(), SHIP_PASS_DRAW);
    const std::vector<std::uint8_t> drawn = buffer.pixels();
    buffer.fill(0x22);
    ship->draw(window.get(), SHIP_PASS_RESTORE);
    const std::vector<std::uint8_t> restored = buffer.pixels();
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      ASSERT_EQ(drawn[i] == BODY, restored[i] == 0x11) << "heading " << heading << " byte " << i;
    }
    EXPECT_TRUE(buffer.guardsIntact());

    buffer.scramble(static_cast<std::uint32_t>(heading));
    const std::vector<std::uint8_t> before = buffer.pixels();
    ship->draw(window.get(), SHIP_PASS_SAVE);
    ship->draw(window.get(), SHIP_PASS_DRAW);
    ship->draw(window.get(), SHIP_PASS_RESTORE);
    EXPECT_EQ(buffer.pixels(), before) << "heading " << heading;
  }
  EXPECT_TRUE(headless::boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Edges, ShipAtEdges,
                         ::testing::Values(std::pair{60, -15}, std::pair{60, 2}, std::pair{3, 50},
                                           std::pair{116, 40}, std::pair{60, 45},
                                           std::pair{-30, -200}, std::pair{60, 100000}));

}  // namespace
