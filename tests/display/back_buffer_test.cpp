// The back buffer and the paint wrappers around every frame.
#include "display/back_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"
#include "tests/support/program.h"

namespace {

using K = platform::NativeEventKind;

class BackBuffer : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    hwnd = openMainWindow();
    ASSERT_NE(hwnd, nullptr);
  }

  HWND hwnd = nullptr;
  MainWindow& mw = g_shell.main_window;
};

TEST_F(BackBuffer, FirstPaintMakesAndPresentsAnUntouchedBuffer) {
  EXPECT_EQ(mw.BufferMadeMarker, 0u);
  runFrame();
  ASSERT_EQ(mw.BufferMadeMarker, BUFFER_MADE_MARKER);
  ASSERT_NE(mw.pixel_base, nullptr);
  EXPECT_EQ(mw.pixel_end, mw.pixel_base + mw.size);
  EXPECT_EQ(mw.last_pixel, mw.pixel_end - 1);
  EXPECT_EQ(headless::presentCount(hwnd), 1);
  // Black from the buffer, not the light-grey class background.
  EXPECT_EQ(headless::pixel(hwnd, 0, 0), 0u);
  EXPECT_EQ(headless::pixel(hwnd, mw.width - 1, mw.height - 1), 0u);
  EXPECT_EQ(mw.presented_frames, 1u);
  EXPECT_EQ(mw.PaintState, PAINT_IDLE);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(BackBuffer, RowZeroIsTheBottomOfTheWindowOneFrameLater) {
  runFrame();
  mw.pixel_base[0] = 215;
  mw.pixel_base[mw.stride * (mw.height - 1) + 1] = 5;  // top row: pure blue
  EXPECT_EQ(headless::pixel(hwnd, 0, mw.height - 1), 0u) << "the screen is one frame behind";
  runFrame();
  EXPECT_EQ(headless::pixel(hwnd, 0, mw.height - 1), 0xFFFFFFu);
  EXPECT_EQ(headless::pixel(hwnd, 1, 0), 0x0000FFu);
  EXPECT_EQ(headless::pixel(hwnd, 0, 0), 0u);
}

TEST_F(BackBuffer, AResizeMakesABufferOfTheNewSize) {
  runFrame();
  deliver(sizeEvent(K::Resize, 403, 211));
  ASSERT_EQ(mw.BufferMadeMarker, BUFFER_MADE_MARKER);
  EXPECT_EQ(mw.width, 403);
  EXPECT_EQ(mw.stride, 404);
  EXPECT_EQ(mw.pixel_end - mw.pixel_base, 404 * 211);
  int w = 0, h = 0;
  ASSERT_TRUE(headless::pictureSize(hwnd, &w, &h));
  EXPECT_EQ(w, 403);
  EXPECT_EQ(h, 211);
  mw.pixel_base[404 * 210 + 402] = 215;  // top-right corner
  runFrame();
  EXPECT_EQ(headless::pixel(hwnd, 402, 0), 0xFFFFFFu);
}

TEST_F(BackBuffer, AClientDraggedToNothingLeavesNoBufferAndFramesGoOn) {
  runFrame();
  deliver(sizeEvent(K::Resize, 0, 300));
  EXPECT_NE(mw.BufferMadeMarker, BUFFER_MADE_MARKER);
  EXPECT_EQ(mw.pixel_base, nullptr);
  EXPECT_FALSE(mw.hasPixels());
  const std::uint32_t frames = mw.presented_frames;
  runFrame();
  EXPECT_EQ(mw.presented_frames, frames + 1);
  deliver(sizeEvent(K::Resize, 200, 100));
  EXPECT_TRUE(mw.hasPixels());
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(BackBuffer, ARefusedBitmapSectionLeavesNoBufferAndFramesGoOn) {
  platform::setDibByteLimit(1000);
  runFrame();
  EXPECT_EQ(mw.BufferMadeMarker, 0u);
  EXPECT_EQ(mw.pixel_base, nullptr);
  EXPECT_EQ(mw.memory_dc, nullptr) << "nothing kept from the failed attempt";
  EXPECT_EQ(mw.bitmap, nullptr);
  EXPECT_EQ(mw.presented_frames, 1u);
  platform::setDibByteLimit(platform::DEFAULT_DIB_BYTE_LIMIT);
  runFrame();
  EXPECT_TRUE(mw.hasPixels()) << "the next paint tries again";
  // The first frame chose its five colours without a buffer: each choice says so.
  EXPECT_EQ(reportedErrors(), std::vector<int>(5, 4466));
}

// Each failed check reports its own number and leaves the paint state alone.
TEST_F(BackBuffer, PaintWrappersCheckTheirOrder) {
  ASSERT_NE(BeginFramePaint(&mw, PAINT_PRESENT), nullptr);
  EXPECT_EQ(BeginFramePaint(&mw, PAINT_PRESENT), nullptr);  // 4467: already painting
  EndFramePaint(&mw);
  EndFramePaint(&mw);  // 4471: not painting
  EXPECT_EQ(mw.presented_frames, 1u);
  EXPECT_EQ(mw.frames_since_resize, 1u);
  mw.PaintState = PAINT_ENDING;
  EndFramePaint(&mw);  // 4472: past painting
  mw.PaintState = PAINT_IDLE;
  EXPECT_EQ(BeginFramePaint(nullptr, 2), nullptr);  // 4457
  EndFramePaint(nullptr);                           // 4468
  MainWindow unbound;
  EXPECT_EQ(BeginFramePaint(&unbound, 2), nullptr);  // 4458
  EndFramePaint(&unbound);                           // 4469
  g_shell.ShellReadyMarker = 0;
  EXPECT_EQ(BeginFramePaint(&mw, 2), nullptr);  // 4459
  EndFramePaint(&mw);                           // 4470
  EXPECT_EQ(reportedErrors(),
            (std::vector<int>{4467, 4471, 4472, 4457, 4468, 4458, 4469, 4459, 4470}));
  EXPECT_EQ(mw.PaintState, PAINT_IDLE);
  EXPECT_EQ(mw.presented_frames, 1u);
}

TEST_F(BackBuffer, WithoutThePresentFlagNothingIsMadeOrShown) {
  ASSERT_NE(BeginFramePaint(&mw, 0), nullptr);
  EndFramePaint(&mw);
  EXPECT_EQ(mw.BufferMadeMarker, 0u);
  EXPECT_EQ(headless::presentCount(hwnd), 0);
}

TEST_F(BackBuffer, AgeingCountsPressesAndClearsReleases) {
  struct {
    std::int8_t before, after;
  } const rows[] = {{0, 0}, {1, 2}, {2, 3}, {126, 127}, {127, 127}, {-1, 0}};
  for (const auto& r : rows) {
    g_shell.KeyState[0x41] = r.before;
    g_shell.KeyState[255] = r.before;
    g_shell.MouseButtons[MOUSE_LEFT] = r.before;
    g_shell.MouseButtons[MOUSE_RIGHT] = r.before;
    AgeInputState();
    EXPECT_EQ(g_shell.KeyState[0x41], r.after) << int(r.before);
    EXPECT_EQ(g_shell.KeyState[255], r.after);
    EXPECT_EQ(g_shell.MouseButtons[MOUSE_LEFT], r.after);
    EXPECT_EQ(g_shell.MouseButtons[MOUSE_RIGHT], r.after);
  }
}

int g_settext_calls = 0;
LRESULT CALLBACK statusProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETTEXT) ++g_settext_calls;
  return DefWindowProcA(h, msg, wp, lp);
}

TEST_F(BackBuffer, StatusTextGoesOutAtTheEndOfAPaintAndNeedsItsTerminator) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = statusProc;
  wc.lpszClassName = "StatusTest";
  ASSERT_NE(RegisterClassExA(&wc), 0);
  g_settext_calls = 0;
  ControlSlot status;
  ControlSlot::init(&status, 1);
  status.control_window =
      CreateWindowExA(0, "StatusTest", "", WS_CHILD, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
  ASSERT_NE(status.control_window, nullptr);
  g_shell.status_control = &status;
  std::snprintf(g_shell.status_text, sizeof g_shell.status_text, "ready");
  g_shell.status_pending = 1;
  runFrame();
  EXPECT_EQ(g_settext_calls, 1);
  EXPECT_EQ(g_shell.status_pending, 0);
  char shown[16] = {};
  SendMessageA(status.control_window, WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown));
  EXPECT_STREQ(shown, "ready");
  runFrame();
  EXPECT_EQ(g_settext_calls, 1) << "sent once per request";

  char unterminated[255];
  std::memset(unterminated, 'a', sizeof unterminated);
  EXPECT_EQ(SetControlText(&status, unterminated, 255), 0);
  EXPECT_EQ(g_settext_calls, 1) << "nothing sent";
  EXPECT_EQ(status.nesting, 0);
  SetControlText(nullptr, "x", 2);
  SetControlText(&status, nullptr, 2);
  ControlSlot unbound;
  SetControlText(&unbound, "x", 2);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4272, 4267, 4271, 4268}));
  g_shell.status_control = nullptr;
}

}  // namespace
