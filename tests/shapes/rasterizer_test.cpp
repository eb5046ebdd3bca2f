#include "shapes/rasterizer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/shapes/pixel_buffer.h"
#include "tests/support/fresh_state.h"

namespace {

constexpr std::uint16_t UP = 0;
constexpr std::uint16_t DOWN = SHAPE_PEN_DOWN;
constexpr ColourIndex INK = 0xC3;

std::vector<ShapePoint> shapeOf(std::initializer_list<ShapePoint> points) {
  std::vector<ShapePoint> shape(points);
  shape.push_back({SHAPE_END, SHAPE_END, 0});
  return shape;
}

using Cell = std::pair<int, int>;

class Rasterizer : public FreshState {
 protected:
  struct SaveRun {
    std::vector<std::uint8_t> bytes;  // the save bytes written, in visit order
    PixelOffset cursor;
  };

  static void draw(PixelBuffer& buffer, std::uint32_t mode, const ShapePoint* shape, Angle angle,
                   PixelOffset* cursor, std::uint8_t* save, std::uint32_t save_size = 300,
                   AttachmentSlot* slots = nullptr, std::uint32_t slot_count = 0) {
    DrawShape(mode, shape, angle, static_cast<std::int16_t>(buffer.stride()), cursor, buffer.low(),
              buffer.high(), INK, slots, slot_count, save, save_size);
  }

  // Runs SaveUnder twice over save areas prefilled differently: the bytes it
  // wrote are where both areas agree, so the visit count shows whatever the
  // pixel values are.
  static SaveRun saveRun(PixelBuffer& buffer, const ShapePoint* shape, Angle angle,
                         PixelOffset origin, std::uint32_t save_size = 300) {
    std::vector<std::uint8_t> zeros(save_size, 0x00);
    std::vector<std::uint8_t> ones(save_size, 0xFF);
    PixelOffset cursor = origin;
    draw(buffer, SHAPE_SAVE_UNDER, shape, angle, &cursor, zeros.data(), save_size);
    PixelOffset again = origin;
    draw(buffer, SHAPE_SAVE_UNDER, shape, angle, &again, ones.data(), save_size);
    EXPECT_EQ(cursor, again);
    std::size_t count = 0;
    while (count < save_size && zeros[count] == ones[count]) ++count;
    zeros.resize(count);
    return {zeros, cursor};
  }
};

std::string tokensOf(int adx, int ady) {
  const StepPattern& pattern = stepPattern(adx, ady);
  std::string text;
  for (int i = 0; i < pattern.count; ++i) text += "XYD"[static_cast<int>(pattern.tokens[i])];
  return text;
}

// All 81 patterns against the rule, with the minor position rounded to
// nearest-even in floating point as an independent reference, and the rows
// that tell the rounding apart written out.
TEST(StepPatterns, FollowTheRoundToEvenRule) {
  for (int adx = 0; adx <= 8; ++adx) {
    for (int ady = 0; ady <= 8; ++ady) {
      const bool x_major = adx >= ady;
      const int major = x_major ? adx : ady;
      const int minor = x_major ? ady : adx;
      std::string expected;
      for (int i = 1; i <= major; ++i) {
        const double now = std::nearbyint(static_cast<double>(i * minor) / major);
        const double before = std::nearbyint(static_cast<double>((i - 1) * minor) / major);
        expected += now > before ? 'D' : (x_major ? 'X' : 'Y');
      }
      EXPECT_EQ(tokensOf(adx, ady), expected) << adx << ", " << ady;
    }
  }
  struct Row {
    int adx, ady;
    const char* tokens;
  };
  const Row rows[] = {
      {1, 0, "X"},        {0, 1, "Y"},        {1, 1, "D"},        {2, 1, "XD"},
      {1, 2, "YD"},       {3, 1, "XDX"},      {3, 2, "DXD"},      {2, 3, "DYD"},
      {4, 2, "XDDX"},     {4, 3, "DDXD"},     {0, 0, ""},         {9, 0, ""},
      {-1, 3, ""},        {6, 3, "XDDXXD"},   {8, 2, "XXDXXDXX"}, {8, 3, "XDXDXXDX"},
      {8, 1, "XXXXDXXX"}, {6, 8, "DDYDDYDD"}, {8, 8, "DDDDDDDD"}};
  for (const Row& r : rows) EXPECT_EQ(tokensOf(r.adx, r.ady), r.tokens) << r.adx << ", " << r.ady;
}

// Walks in a 16 x 16 buffer whose every pixel holds its own offset, so the
// save bytes name the visited pixels in order; a draw must ink exactly those
// pixels, end on the same cursor and touch nothing outside the memory.
TEST_F(Rasterizer, WalksVisitPixelsInOrderAndEndWhereTheyStop) {
  struct Case {
    std::vector<ShapePoint> shape;  // without its terminator
    Cell origin;
    std::vector<Cell> visited;
    Cell end;  // the cursor on return, as offset end.second * 16 + end.first
  };
  const Case cases[] = {
      // (3, 1) as X D X, and mirrored going left and down.
      {{{0, 0, UP}, {3, 1, DOWN}}, {4, 4}, {{4, 4}, {5, 4}, {5, 5}, {6, 5}, {7, 5}}, {7, 5}},
      {{{0, 0, UP}, {-3, -1, DOWN}}, {8, 8}, {{8, 8}, {7, 8}, {7, 7}, {6, 7}, {5, 7}}, {5, 7}},
      // Zero-length segments; a shared vertex takes two save bytes.
      {{{0, 0, UP}, {0, 0, DOWN}}, {7, 7}, {{7, 7}}, {7, 7}},
      {{{2, 3, UP}, {2, 3, DOWN}}, {7, 7}, {{9, 10}}, {9, 10}},
      {{{0, 0, UP}, {2, 0, DOWN}, {2, 2, DOWN}},
       {4, 4},
       {{4, 4}, {5, 4}, {6, 4}, {6, 4}, {6, 5}, {6, 6}},
       {6, 6}},
      // From the top-left pixel up and left: the corner is one past the last
      // byte and is skipped; the main pixel is the last byte (the linear
      // range wraps rows) and the walk goes on.
      {{{0, 0, UP}, {-1, 1, DOWN}, {-2, 1, DOWN}},
       {0, 15},
       {{0, 15}, {15, 15}, {15, 15}, {14, 15}},
       {14, 15}},
      // Down and left from (0, 1): the corner (0, 0) is inside and visited,
      // the main pixel before the first byte ends the segment.
      {{{0, 0, UP}, {-1, -1, DOWN}, {-2, -1, DOWN}}, {0, 1}, {{0, 1}, {0, 0}}, {-1, 0}},
      // Up through the top edge: three pixels, then the cursor stops one row
      // above the buffer; the next pen-down segment starts outside and does
      // nothing; the pen-up move counts from the stopped position, so the
      // rest of the shape is displaced by the two columns that were missed.
      {{{0, 0, UP}, {0, 8, DOWN}, {2, 8, DOWN}, {2, -2, UP}, {3, -2, DOWN}},
       {5, 13},
       {{5, 13}, {5, 14}, {5, 15}, {5, 6}, {6, 6}},
       {6, 6}},
      // Pen-up moves have no limit and no range check.
      {{{0, 0, UP}, {-300, 500, UP}, {3, 2, UP}, {4, 2, DOWN}}, {1, 1}, {{4, 3}, {5, 3}}, {5, 3}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    std::vector<ShapePoint> shape = c.shape;
    shape.push_back({SHAPE_END, SHAPE_END, 0});
    PixelBuffer labelled(16, 16);
    for (int k = 0; k < labelled.size(); ++k) labelled.low()[k] = static_cast<std::uint8_t>(k);
    const SaveRun run =
        saveRun(labelled, shape.data(), 0, labelled.at(c.origin.first, c.origin.second));
    std::vector<Cell> visited;
    for (std::uint8_t b : run.bytes) visited.push_back({b % 16, b / 16});
    EXPECT_EQ(visited, c.visited) << "case " << i;
    EXPECT_EQ(run.cursor, labelled.at(c.end.first, c.end.second)) << "case " << i;

    PixelBuffer buffer(16, 16);
    std::uint8_t save[300];
    PixelOffset cursor = buffer.at(c.origin.first, c.origin.second);
    draw(buffer, SHAPE_DRAW_PIXELS, shape.data(), 0, &cursor, save);
    EXPECT_EQ(cursor, run.cursor) << "case " << i;
    std::set<Cell> inked;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (buffer.pixel(x, y) == INK) inked.insert({x, y});
      }
    }
    EXPECT_EQ(inked, std::set<Cell>(c.visited.begin(), c.visited.end())) << "case " << i;
    EXPECT_TRUE(buffer.guardsIntact()) << "case " << i;
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Rasterizer, OversizedSegmentsAreReportedAndSkipped) {
  struct Case {
    int dx, dy;
    std::vector<int> reports;
  };
  // A segment too wide is reported with 7022 plus its height.
  const Case cases[] = {{9, 0, {7022}},   {9, 1, {7023}},  {-9, 2, {7024}}, {9, 3, {7025}},
                        {-9, -3, {7025}}, {9, -4, {7026}}, {9, 5, {7027}},  {-9, 6, {7028}},
                        {9, 7, {7029}},   {3, 9, {7030}},  {0, -9, {7030}}, {9, 9, {7030}},
                        {9, 8, {}},       {-20, -8, {}}};
  for (const Case& c : cases) {
    headless::clearBoxes();
    PixelBuffer buffer(64, 64);
    std::uint8_t save[300];
    // The skipped segment leaves the cursor, yet the next vertex is measured
    // from the skipped one: one more pixel to the right is drawn at the origin.
    const auto dx = static_cast<std::int16_t>(c.dx);
    const auto dy = static_cast<std::int16_t>(c.dy);
    const auto shape =
        shapeOf({{0, 0, UP}, {dx, dy, DOWN}, {static_cast<std::int16_t>(dx + 1), dy, DOWN}});
    PixelOffset cursor = buffer.at(30, 30);
    draw(buffer, SHAPE_DRAW_PIXELS, shape.data(), 0, &cursor, save);
    EXPECT_EQ(cursor, buffer.at(31, 30)) << c.dx << ", " << c.dy;
    EXPECT_EQ(buffer.count(INK), 2);
    EXPECT_EQ(buffer.pixel(30, 30), INK);
    EXPECT_EQ(buffer.pixel(31, 30), INK);
    EXPECT_EQ(reportedErrors(), c.reports) << c.dx << ", " << c.dy;
  }
}

TEST_F(Rasterizer, FirstModeBitWins) {
  const auto shape = shapeOf({{0, 0, UP}, {4, 0, DOWN}});
  struct Case {
    std::uint32_t mode;
    bool saves, draws, restores;
  };
  const Case cases[] = {{SHAPE_SAVE_UNDER | SHAPE_DRAW_PIXELS, true, false, false},
                        {SHAPE_SAVE_UNDER | SHAPE_RESTORE_UNDER, true, false, false},
                        {SHAPE_DRAW_PIXELS | SHAPE_RESTORE_UNDER, false, true, false},
                        {SHAPE_RESTORE_UNDER | 1u | 4096u, false, false, true},
                        {SHAPE_SAVE_UNDER | 2048u, true, false, false}};
  for (const Case& c : cases) {
    PixelBuffer buffer(16, 16);
    buffer.fill(0x11);
    std::uint8_t save[300];
    std::memset(save, 0x22, sizeof save);
    PixelOffset cursor = buffer.at(2, 2);
    draw(buffer, c.mode, shape.data(), 0, &cursor, save);
    EXPECT_EQ(save[0] == 0x11, c.saves) << c.mode;
    EXPECT_EQ(buffer.pixel(2, 2) == INK, c.draws) << c.mode;
    EXPECT_EQ(buffer.pixel(2, 2) == 0x22, c.restores) << c.mode;
    EXPECT_EQ(cursor, buffer.at(6, 2)) << c.mode;
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Rasterizer, EntryChecksEndTheCallInOrder) {
  PixelBuffer buffer(16, 16);
  std::uint8_t save[300];
  const auto empty = shapeOf({});
  const auto pen_down_first = shapeOf({{0, 0, DOWN}, {3, 0, DOWN}});
  const auto line = shapeOf({{0, 0, UP}, {3, 0, DOWN}});
  struct Case {
    const ShapePoint* shape;
    std::uint32_t mode;
    std::uint8_t* save;
    PixelOffset* cursor;
    std::vector<int> reports;
  };
  PixelOffset cursor = 0;
  const Case cases[] = {{empty.data(), 0, nullptr, &cursor, {}},
                        {nullptr, SHAPE_DRAW_PIXELS, save, &cursor, {}},
                        {line.data(), SHAPE_DRAW_PIXELS, save, nullptr, {}},
                        {pen_down_first.data(), SHAPE_DRAW_PIXELS, nullptr, &cursor, {7201}},
                        {line.data(), 0, nullptr, &cursor, {7233}},
                        {line.data(), SHAPE_DRAW_PIXELS, nullptr, &cursor, {7233}},
                        {line.data(), 128, save, &cursor, {7234}},
                        {line.data(), 0, save, &cursor, {7234}}};
  for (const Case& c : cases) {
    headless::clearBoxes();
    cursor = buffer.at(2, 2);
    draw(buffer, c.mode, c.shape, 0, c.cursor, c.save);
    EXPECT_EQ(cursor, buffer.at(2, 2));
    EXPECT_EQ(reportedErrors(), c.reports);
  }
  EXPECT_EQ(buffer.pixels(), PixelBuffer(16, 16).pixels());
}

TEST_F(Rasterizer, WithoutPixelMemoryOnlyTheCursorMoves) {
  const auto shape = shapeOf({{0, 0, UP}, {3, 0, DOWN}, {3, 2, UP}});
  std::uint8_t save[300];
  std::uint8_t byte = 9;
  for (auto bounds : {std::pair<std::uint8_t*, std::uint8_t*>{nullptr, nullptr},
                      {&byte, nullptr},
                      {nullptr, &byte}}) {
    PixelOffset cursor = 0;
    DrawShape(SHAPE_DRAW_PIXELS, shape.data(), 0, 10, &cursor, bounds.first, bounds.second, INK,
              nullptr, 0, save, 300);
    // The drawn segment starts outside and leaves the cursor; the move counts.
    EXPECT_EQ(cursor, 2 * 10);
  }
  EXPECT_EQ(byte, 9);
  // A one-byte memory: only that byte is drawn.
  PixelOffset cursor = 0;
  DrawShape(SHAPE_DRAW_PIXELS, shape.data(), 0, 10, &cursor, &byte, &byte, INK, nullptr, 0, save,
            300);
  EXPECT_EQ(byte, INK);
  EXPECT_EQ(cursor, 1 + 2 * 10);
}

TEST_F(Rasterizer, SlotsReceiveRotatedVerticesWhileMarked) {
  PixelBuffer buffer(64, 64);
  std::uint8_t save[300];
  struct Case {
    Angle angle;
    std::uint32_t slot_count;
    int preset;  // the slot given `value` instead of a marked record, or -1
    AttachmentSlot value;
    std::array<Cell, 3> slots;
    std::vector<int> reports;
  };
  // A wrong marker, or a slot number beyond the slots given, is reported and
  // the slot left alone; the walk goes on and draws the same pixels.
  const Case cases[] = {
      {0, 3, -1, {}, {{{0, 20}, {-10, 6}, {10, 6}}}, {}},
      {1024, 3, -1, {}, {{{20, 0}, {6, 10}, {6, -10}}}, {}},
      {1024, 3, 1, {77, 88, 31}, {{{20, 0}, {77, 88}, {6, -10}}}, {7202}},
      {1024, 2, 2, {55, 66, ATTACHMENT_SLOT_MARKER}, {{{20, 0}, {6, 10}, {55, 66}}}, {7202}},
  };
  std::vector<std::uint8_t> drawn_at_1024;
  for (const Case& c : cases) {
    headless::clearBoxes();
    buffer.fill(0);
    AttachmentSlot slots[3];
    for (AttachmentSlot& slot : slots) slot = {0, 0, ATTACHMENT_SLOT_MARKER};
    if (c.preset >= 0) slots[c.preset] = c.value;
    PixelOffset cursor = buffer.at(30, 30);
    draw(buffer, SHAPE_DRAW_PIXELS, BodyShape, c.angle, &cursor, save, 300, slots, c.slot_count);
    for (int n = 0; n < 3; ++n) {
      EXPECT_EQ(Cell(slots[n].x, slots[n].y), c.slots[n]) << "angle " << c.angle << " slot " << n;
    }
    EXPECT_EQ(reportedErrors(), c.reports) << c.angle;
    if (c.angle != 1024) continue;
    if (drawn_at_1024.empty()) drawn_at_1024 = buffer.pixels();
    EXPECT_EQ(buffer.pixels(), drawn_at_1024);
  }
  // No slots array: nothing to report.
  headless::clearBoxes();
  PixelOffset cursor = buffer.at(30, 30);
  draw(buffer, SHAPE_DRAW_PIXELS, BodyShape, 1024, &cursor, save, 300, nullptr, 3);
  EXPECT_TRUE(headless::boxes().empty());
}

// R(v) rounds halves away from zero, which std::lround does too.
TEST_F(Rasterizer, VerticesTurnWithRoundingToNearestHalvesAwayFromZero) {
  const std::array<Cell, 6> vertices = {{{1, 2}, {-1, -2}, {0, 20}, {-15, 8}, {7, -3}, {20, -2}}};
  std::vector<ShapePoint> points = {{0, 0, UP}};
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    points.push_back({static_cast<std::int16_t>(vertices[i].first),
                      static_cast<std::int16_t>(vertices[i].second),
                      static_cast<std::uint16_t>(i + 1)});
  }
  points.push_back({SHAPE_END, SHAPE_END, 0});
  std::uint8_t save[300];
  for (int angle = 0; angle < 4096; angle += 7) {
    Fixed12 sine = 0;
    Fixed12 cosine = 0;
    LookupSineCosine(angle, &sine, &cosine);
    AttachmentSlot slots[7];
    for (AttachmentSlot& slot : slots) slot = {0, 0, ATTACHMENT_SLOT_MARKER};
    PixelOffset cursor = 0;
    DrawShape(SHAPE_DRAW_PIXELS, points.data(), static_cast<Angle>(angle), 16, &cursor, nullptr,
              nullptr, INK, slots, 7, save, 300);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
      const auto [x, y] = vertices[i];
      EXPECT_EQ(slots[i].x, std::lround((x * cosine + y * sine) / 4096.0)) << angle;
      EXPECT_EQ(slots[i].y, std::lround((y * cosine - x * sine) / 4096.0)) << angle;
    }
  }
  // At 177 the vertex (1, 2) lands exactly half way: 1.5 -> 2, -1.5 -> -2.
  AttachmentSlot slots[2] = {{0, 0, ATTACHMENT_SLOT_MARKER}, {0, 0, ATTACHMENT_SLOT_MARKER}};
  const auto halves = shapeOf({{1, 2, 1}, {-1, -2, 2}});
  PixelOffset cursor = 0;
  DrawShape(SHAPE_DRAW_PIXELS, halves.data(), 177, 16, &cursor, nullptr, nullptr, INK, slots, 2,
            save, 300);
  EXPECT_EQ(slots[0].x, 2);
  EXPECT_EQ(slots[1].x, -2);
}

TEST_F(Rasterizer, FullTurnDrawsLikeNoTurn) {
  for (const ShapePoint* shape : {BodyShape, ArmShape, WheelShape}) {
    PixelBuffer a(64, 64);
    PixelBuffer b(64, 64);
    std::uint8_t save[300];
    PixelOffset ca = a.at(32, 30);
    PixelOffset cb = b.at(32, 30);
    draw(a, SHAPE_DRAW_PIXELS, shape, 0, &ca, save);
    draw(b, SHAPE_DRAW_PIXELS, shape, 4096, &cb, save);
    EXPECT_EQ(a.pixels(), b.pixels());
    EXPECT_EQ(ca, cb);
  }
}

// The save area never overflows: a segment may visit 17 pixels although
// only 11 bytes are kept free before each vertex.
TEST_F(Rasterizer, SaveAndRestoreStopWhereTheNextPixelWouldNotFit) {
  const auto diagonal = shapeOf({{0, 0, UP}, {8, 8, DOWN}});
  PixelBuffer buffer(32, 32);
  buffer.fill(0x11);
  std::array<std::uint8_t, 64> area;
  area.fill(0xEE);
  PixelOffset cursor = buffer.at(4, 4);
  draw(buffer, SHAPE_SAVE_UNDER, diagonal.data(), 0, &cursor, area.data(), 15);
  EXPECT_EQ(reportedErrors(), std::vector<int>{7235});
  for (std::size_t i = 0; i < area.size(); ++i) EXPECT_EQ(area[i], i < 15 ? 0x11 : 0xEE) << i;
  // Seven diagonal steps fill 15 bytes; the eighth step's corner did not fit.
  EXPECT_EQ(cursor, buffer.at(11, 12));

  headless::clearBoxes();
  buffer.fill(0x77);
  cursor = buffer.at(4, 4);
  draw(buffer, SHAPE_RESTORE_UNDER, diagonal.data(), 0, &cursor, area.data(), 15);
  EXPECT_EQ(reportedErrors(), std::vector<int>{7235});
  EXPECT_EQ(buffer.count(0x11), 15);
  EXPECT_EQ(buffer.pixel(11, 12), 0x77);
  EXPECT_EQ(area[15], 0xEE);

  // Drawing uses no save bytes and so walks the whole segment.
  headless::clearBoxes();
  cursor = buffer.at(4, 4);
  draw(buffer, SHAPE_DRAW_PIXELS, diagonal.data(), 0, &cursor, area.data(), 15);
  EXPECT_TRUE(headless::boxes().empty());
  EXPECT_EQ(cursor, buffer.at(12, 12));
}

TEST_F(Rasterizer, SaveRoomIsCheckedBeforeEachVertexAndAfterTheLast) {
  PixelBuffer buffer(32, 32);
  std::uint8_t area[32] = {};
  const auto twelve = shapeOf({{0, 0, UP}, {8, 3, DOWN}});
  // 12 visits: an area of exactly 12 is reported as full after the last
  // vertex, 13 is not; below 11 the first vertex already stops.
  for (const std::uint32_t save_size : {12u, 13u, 10u, 0u}) {
    headless::clearBoxes();
    PixelOffset cursor = buffer.at(2, 2);
    draw(buffer, SHAPE_SAVE_UNDER, twelve.data(), 0, &cursor, area, save_size);
    EXPECT_EQ(reportedErrors(), save_size == 13 ? std::vector<int>{} : std::vector<int>{7235})
        << save_size;
    EXPECT_EQ(cursor, save_size < 11 ? buffer.at(2, 2) : buffer.at(10, 5)) << save_size;
  }
  // With 11 bytes, two bytes used leave fewer than 11: the next vertex stops.
  headless::clearBoxes();
  const auto steps = shapeOf({{0, 0, UP}, {1, 0, DOWN}, {2, 0, DOWN}});
  const SaveRun run = saveRun(buffer, steps.data(), 0, buffer.at(2, 2), 11);
  EXPECT_EQ(run.bytes.size(), 2u);
  EXPECT_EQ(run.cursor, buffer.at(3, 2));
  EXPECT_EQ(reportedErrors(), (std::vector<int>{7235, 7235}));

  // Drawing needs no save bytes but is checked all the same; the stopping
  // vertex has already filled its slot.
  headless::clearBoxes();
  AttachmentSlot slot = {0, 0, ATTACHMENT_SLOT_MARKER};
  const auto marked = shapeOf({{3, 1, 1}, {5, 1, DOWN}});
  PixelOffset cursor = buffer.at(2, 2);
  draw(buffer, SHAPE_DRAW_PIXELS, marked.data(), 0, &cursor, area, 10, &slot, 1);
  EXPECT_EQ(reportedErrors(), std::vector<int>{7235});
  EXPECT_EQ(slot.x, 3);
  EXPECT_EQ(slot.y, 1);
  EXPECT_EQ(cursor, buffer.at(2, 2));
  EXPECT_EQ(buffer.pixels(), PixelBuffer(32, 32).pixels());
}

class ShapeMemory : public Rasterizer {
 protected:
  // Save, draw, restore at one origin and angle: the memory must come back
  // byte for byte and nothing outside it may change.
  // Returns whether the draw changed any pixel.
  static bool roundTrip(PixelBuffer& buffer, const ShapePoint* shape, Angle angle,
                        PixelOffset origin) {
    const std::vector<std::uint8_t> before = buffer.pixels();
    std::uint8_t save[300];
    PixelOffset cursor = origin;
    draw(buffer, SHAPE_SAVE_UNDER, shape, angle, &cursor, save);
    const PixelOffset after_save = cursor;
    EXPECT_EQ(buffer.pixels(), before);
    cursor = origin;
    draw(buffer, SHAPE_DRAW_PIXELS, shape, angle, &cursor, save);
    EXPECT_EQ(cursor, after_save);
    const bool drew = buffer.pixels() != before;
    cursor = origin;
    draw(buffer, SHAPE_RESTORE_UNDER, shape, angle, &cursor, save);
    EXPECT_EQ(cursor, after_save);
    EXPECT_EQ(buffer.pixels(), before) << "angle " << angle << " origin " << origin;
    EXPECT_TRUE(buffer.guardsIntact()) << "angle " << angle << " origin " << origin;
    return drew;
  }
};

TEST_F(ShapeMemory, SaveDrawRestoreLeavesMemoryAsItWasAtAnyOriginAndAngle) {
  // Segments that cross and repeat pixels, none longer than 8 at any angle.
  const auto crossing = shapeOf({{0, 0, UP},
                                 {5, 5, DOWN},
                                 {5, 0, DOWN},
                                 {0, 5, DOWN},
                                 {0, 0, DOWN},
                                 {5, 5, DOWN},
                                 {5, 5, DOWN},
                                 {2, 1, UP},
                                 {-3, 4, DOWN}});
  const ShapePoint* shapes[] = {BodyShape, ArmShape, WheelShape, crossing.data()};
  PixelBuffer buffer(61, 40);  // stride 64: the padding bytes are inside the range
  std::uint32_t seed = 12345;
  auto next = [&](int span) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(span));
  };
  int drawn = 0;
  for (int round = 0; round < 60; ++round) {
    buffer.scramble(static_cast<std::uint32_t>(round));
    const int x = next(141) - 40;
    const int y = next(121) - 40;
    for (const ShapePoint* shape : shapes) {
      for (int angle = round % 32; angle < 4096; angle += 32) {
        drawn += roundTrip(buffer, shape, static_cast<Angle>(angle), buffer.at(x, y));
      }
    }
  }
  // The origins must not all miss the memory.
  EXPECT_GT(drawn, 5000);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(ShapeMemory, ShapesCutByBothEndsOfTheMemory) {
  PixelBuffer buffer(40, 12);
  buffer.scramble(7);
  for (const ShapePoint* shape : {BodyShape, ArmShape, WheelShape}) {
    for (int angle = 0; angle < 4096; angle += 16) {
      for (const PixelOffset origin :
           {buffer.at(20, -12), buffer.at(0, -3), buffer.at(20, 0), buffer.at(39, 11),
            buffer.at(20, 2), buffer.at(5, 10), buffer.at(0, -2)}) {
        roundTrip(buffer, shape, static_cast<Angle>(angle), origin);
      }
    }
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(ShapeMemory, OriginsFarOutsideTouchNothing) {
  PixelBuffer buffer(32, 32);
  buffer.scramble(3);
  const std::vector<std::uint8_t> before = buffer.pixels();
  for (const PixelOffset origin :
       {PixelOffset{INT64_MAX}, PixelOffset{INT64_MAX - 5}, PixelOffset{INT64_MIN},
        PixelOffset{INT64_MIN + 5}, PixelOffset{1} << 40, -(PixelOffset{1} << 40),
        PixelOffset{-100000}, PixelOffset{32 * 32 * 1000}}) {
    for (int angle = 0; angle < 4096; angle += 256) {
      for (std::uint32_t mode : {SHAPE_SAVE_UNDER, SHAPE_DRAW_PIXELS, SHAPE_RESTORE_UNDER}) {
        std::uint8_t save[300] = {};
        PixelOffset cursor = origin;
        draw(buffer, mode, BodyShape, static_cast<Angle>(angle), &cursor, save);
      }
    }
  }
  EXPECT_EQ(buffer.pixels(), before);
  EXPECT_TRUE(buffer.guardsIntact());
}

}  // namespace
