// The main-window record: measuring, layout of control slots, slot lookup and
// the checks on missing records.
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"
#include "tests/support/program.h"

namespace {

class MainWindowRecord : public FreshState {
 protected:
  MainWindow& mw = g_shell.main_window;
  int reportsOf(int number) {
    const std::string text = "Error " + std::to_string(number) + "  ";
    int n = 0;
    for (const auto& b : headless::boxes()) n += b.text.rfind(text, 0) == 0 ? 1 : 0;
    return n;
  }
};

TEST_F(MainWindowRecord, CreationMeasuresTheClientAreaAndTextGrid) {
  const HWND h = openMainWindow();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(mw.window, h);
  EXPECT_EQ(mw.width, 734);
  EXPECT_EQ(mw.height, 531);
  EXPECT_EQ(mw.line_height, 15);
  EXPECT_EQ(mw.char_width, 8);
  EXPECT_TRUE(headless::boxes().empty());
  EXPECT_TRUE(headless::isShown(h));
  // The stride is the width rounded up to a multiple of four.
  for (const auto& [width, stride] : {std::pair{734, 736}, {750, 752}, {748, 748}}) {
    if (width != 734) deliver(sizeEvent(platform::NativeEventKind::Resize, width, 400));
    EXPECT_EQ(mw.stride, stride) << width;
    EXPECT_EQ(mw.size, stride * mw.height) << width;
  }
}

TEST_F(MainWindowRecord, ResizeResetsOnlyFramesSinceResize) {
  ASSERT_NE(openMainWindow(), nullptr);
  runFrame();
  runFrame();
  runFrame();
  EXPECT_EQ(mw.presented_frames, 3u);
  EXPECT_EQ(mw.frames_since_resize, 3u);
  deliver(sizeEvent(platform::NativeEventKind::Resize, 600, 400));
  EXPECT_EQ(mw.presented_frames, 4u) << "the resize's own repaint ran one more frame";
  EXPECT_EQ(mw.frames_since_resize, 1u);
  MainWindow::resize(&mw, 600, 400);
  EXPECT_EQ(mw.frames_since_resize, 0u);
  EXPECT_EQ(mw.presented_frames, 4u);
  EXPECT_EQ(reportsOf(4480), 0);
  MainWindow::resize(&mw, 601, 400);
  EXPECT_EQ(reportsOf(4480), 1) << "a size that disagrees with the measurement";
}

TEST_F(MainWindowRecord, AttachTwiceWithOneHandleIsQuietAnotherHandleIsReported) {
  const HWND h = openMainWindow();
  MainWindow::attach(&mw, h, ATTACH_NO_SHOW | ATTACH_NO_UPDATE | ATTACH_NO_FOCUS);
  EXPECT_TRUE(headless::boxes().empty());
  MainWindow::attach(&mw, reinterpret_cast<HWND>(std::uintptr_t{0x40}), 7);
  EXPECT_EQ(reportsOf(4631), 1);
  MainWindow::attach(&mw, nullptr, 7);
  EXPECT_EQ(reportsOf(4630), 1);
}

struct LayoutCase {
  float centre_x, centre_y, width_fraction, height_fraction;
  std::int32_t flags, pixel_width, pixel_height;
  std::int32_t left, top, width, height;
};

TEST_F(MainWindowRecord, LayoutKeepsProportionsWithMinimumAndNoNegativeEdge) {
  const LayoutCase cases[] = {
      // centre 0.5, width 0.2 of 750: 150 wide, left 375 - 75 = 300
      {0.5f, 0.5f, 0.2f, 0.1f, 0, 0, 0, 300, 225, 150, 50},
      // width 0.01 of 750 is 7.5: raised to the minimum 15; height likewise
      {0.5f, 0.5f, 0.01f, 0.01f, 0, 0, 0, 368, 243, 15, 15},
      // centred at 0.0: left would be negative, so 0
      {0.0f, 0.0f, 0.2f, 0.2f, 0, 0, 0, 0, 0, 150, 100},
      // fixed width and height keep their pixels and update the fractions
      {0.5f, 0.5f, 0.0f, 0.0f, SLOT_FIXED_WIDTH | SLOT_FIXED_HEIGHT, 40, 20, 355, 240, 40, 20},
  };
  mw.window = reinterpret_cast<HWND>(std::uintptr_t{0x40});
  mw.width = 750;
  mw.height = 500;
  for (const auto& c : cases) {
    ControlSlot& s = mw.slots[2];
    ControlSlot::init(&s, 2);
    s.state = SLOT_USED;
    s.centre_x = c.centre_x;
    s.centre_y = c.centre_y;
    s.width_fraction = c.width_fraction;
    s.height_fraction = c.height_fraction;
    s.flags = c.flags;
    s.pixel_width = c.pixel_width;
    s.pixel_height = c.pixel_height;
    mw.control_count = 3;
    MainWindow::layoutControl(&mw, 2, LAYOUT_COMPUTE_ONLY);
    EXPECT_EQ(s.left, c.left);
    EXPECT_EQ(s.top, c.top);
    EXPECT_EQ(s.pixel_width, c.width);
    EXPECT_EQ(s.pixel_height, c.height);
    if ((c.flags & SLOT_FIXED_WIDTH) != 0) {
      EXPECT_FLOAT_EQ(s.width_fraction, 40.0f / 750.0f);
    }
  }
  // Fractions left at nonsense give clamped pixels, never an undefined conversion.
  ControlSlot& wild = mw.slots[2];
  wild.flags = 0;
  wild.width_fraction = 1e30f;
  wild.height_fraction = std::numeric_limits<float>::quiet_NaN();
  MainWindow::layoutControl(&mw, 2, LAYOUT_COMPUTE_ONLY);
  EXPECT_EQ(wild.pixel_width, INT32_MAX);
  EXPECT_EQ(wild.pixel_height, MIN_CONTROL_SIZE);
  // An index at or beyond control_count, or a free slot, is left alone.
  mw.slots[5].state = SLOT_USED;
  mw.slots[5].width_fraction = 0.5f;
  MainWindow::layoutControl(&mw, 5, LAYOUT_COMPUTE_ONLY);
  EXPECT_EQ(mw.slots[5].pixel_width, 0);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(MainWindowRecord, ControlSlotLookupAndItsChecks) {
  MainWindow::init(&mw, 750, 570);
  EXPECT_EQ(MainWindow::controlSlot(&mw, 3), &mw.slots[3]);
  EXPECT_EQ(MainWindow::controlSlot(&mw, 10), nullptr);
  EXPECT_EQ(reportsOf(4168), 1);
  EXPECT_EQ(MainWindow::controlSlot(&mw, -1), nullptr);
  EXPECT_EQ(reportsOf(4170), 1);
  mw.slots[4].index = 7;
  EXPECT_EQ(MainWindow::controlSlot(&mw, 4), &mw.slots[4]);
  EXPECT_EQ(reportsOf(4632), 1);
  ControlSlot s;
  ControlSlot::init(&s, 12);
  EXPECT_EQ(reportsOf(4625), 1);
  EXPECT_EQ(s.state, SLOT_FREE) << "continuing goes on";
}

TEST_F(MainWindowRecord, MissingRecordsAreReportedAndNeverTouched) {
  // Each operation reports its own number and returns without dereferencing.
  MainWindow::init(nullptr, 1, 1);
  MainWindow::attach(nullptr, nullptr, 0);
  MainWindow::measureClient(nullptr);
  g_shell.ShellReadyMarker = SHELL_READY_MARKER;
  MainWindow::measureText(nullptr);
  MainWindow::resize(nullptr, 1, 1);
  MainWindow::layoutControl(nullptr, 0, 0);
  EXPECT_EQ(MainWindow::controlSlot(nullptr, 0), nullptr);
  ControlSlot::init(nullptr, 0);
  MainWindow::requestRedraw(nullptr);
  for (int number : {4166, 4629, 4478, 4434, 4621, 4623, 4322}) {
    EXPECT_GE(reportsOf(number), 1) << number;
  }
}

TEST_F(MainWindowRecord, MeasuringBeforeTheShellStartsIsReported) {
  MainWindow::measureText(&mw);
  EXPECT_EQ(reportsOf(4628), 1);
  EXPECT_EQ(reportsOf(4435), 1);
}

}  // namespace
