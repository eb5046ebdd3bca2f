// The whole program from its entry: WinMain on the headless backend with a
// scripted clock and input scripted from the pump hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/window_proc.h"
#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"

namespace {

using K = platform::NativeEventKind;

void injectClose() {
  platform::NativeEvent close;
  close.kind = K::Close;
  headless::inject(close);
}

class Program : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    headless::setCounterFrequency(1000);
    headless::setTicksPerRead(1);
  }
  int run() {
    static int instance_marker = 0;
    char command_line[] = "--no-record";
    return WinMain(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr, command_line,
                   SW_SHOWNORMAL);
  }
  static void closeAt(std::uint32_t frame) {
    headless::setPumpHook([frame] {
      if (g_shell.main_window.presented_frames >= frame && IsWindow(g_shell.main_window.window)) {
        injectClose();
        headless::setPumpHook(nullptr);
      }
    });
  }
};

TEST_F(Program, StartsMeasuresOpensTheWindowAndEndsWithZeroOnClose) {
  std::vector<std::uint32_t> frames_at_pump;
  std::int64_t slept_at_first_pump = -1;
  headless::setPumpHook([&] {
    if (slept_at_first_pump < 0) slept_at_first_pump = headless::sleptMilliseconds();
    frames_at_pump.push_back(g_shell.main_window.presented_frames);
    if (g_shell.main_window.presented_frames == 30) injectClose();
  });
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(slept_at_first_pump, 1000) << "the pacer measured before the window came";
  EXPECT_EQ(g_shell.pacer.mode, PACER_COUNTER);
  EXPECT_STREQ(g_shell.title, "Starquell. Early concept demo only.");
  EXPECT_EQ(g_shell.main_window.presented_frames, 30u);
  // Frames advance one at a time: never two paints without a pass between.
  for (std::size_t i = 1; i < frames_at_pump.size(); ++i) {
    ASSERT_LE(frames_at_pump[i] - frames_at_pump[i - 1], 1u) << "at pump " << i;
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Program, InputArrivingBeforeAFrameIsSeenByThatFrame) {
  bool injected = false;
  std::int8_t after_next_frame = 0;
  headless::setPumpHook([&] {
    const std::uint32_t frames = g_shell.main_window.presented_frames;
    if (frames == 3 && !injected) {
      injected = true;
      platform::NativeEvent down;
      down.kind = K::KeyDown;
      down.vk = 'X';
      headless::inject(down);
    }
    if (frames == 4 && after_next_frame == 0) after_next_frame = g_shell.KeyState[int{'X'}];
    if (frames == 6) injectClose();
  });
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(after_next_frame, 2) << "pressed before frame 4 and aged by its end";
}

TEST_F(Program, TheWindowPictureShowsTheBackBufferAndCanBeSaved) {
  HWND window = nullptr;
  bool saved = false;
  const std::string path = tempPath("starquell_frame.png");
  headless::setPumpHook([&] {
    MainWindow& mw = g_shell.main_window;
    if (mw.presented_frames == 2 && mw.pixel_base != nullptr) {
      mw.pixel_base[0] = 215;  // bottom-left pixel, white
    }
    if (mw.presented_frames == 4 && !saved) {
      window = mw.window;
      EXPECT_EQ(headless::pixel(window, 0, mw.height - 1), 0xFFFFFFu);
      EXPECT_EQ(headless::pixel(window, 1, mw.height - 1), 0x000000u);
      saved = headless::writePng(window, path.c_str());
      injectClose();
    }
  });
  EXPECT_EQ(run(), 0);
  ASSERT_TRUE(saved);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char signature[8] = {};
  EXPECT_EQ(std::fread(signature, 1, 8, f), 8u);
  std::fclose(f);
  EXPECT_EQ(std::string(signature, 8), "\x89PNG\r\n\x1a\n");
  std::remove(path.c_str());
}

TEST_F(Program, AWindowThatCannotBeMadeEndsTheProgramWithItsNumber) {
  headless::failNextCreateWindow();
  EXPECT_EQ(run(), ERROR_WINDOW_NOT_CREATED);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text, "Error 4174  Contine?    (err_context=0)");
}

TEST_F(Program, AClassThatCannotBeRegisteredEndsTheProgramWithItsNumber) {
  WNDCLASSEXA taken = {};
  taken.cbSize = sizeof taken;
  taken.lpfnWndProc = MainWindowProc;
  taken.lpszClassName = window_class_name;
  ASSERT_NE(RegisterClassExA(&taken), 0);
  EXPECT_EQ(run(), ERROR_CLASS_NOT_REGISTERED);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text, "Error 4173  Contine?    (err_context=0)");
}

TEST_F(Program, FallbackPacingRunsFramesWithoutWaiting) {
  headless::setCounterFrequency(100);  // too slow to pace with
  headless::setTicksPerRead(0);
  closeAt(20);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(g_shell.pacer.mode, PACER_FALLBACK);
  EXPECT_EQ(headless::counter(), 0) << "nothing ever waited on the counter";
}

}  // namespace
