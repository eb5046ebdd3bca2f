// A game played headless and recorded, shared by the recorder's and the
// readers' tests: a script that exercises every kind of line, and a fixture
// with a fresh folder of its own that runs the program through the runner.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "record/format.h"
#include "tests/support/fresh_state.h"
#include "tools/replay/replay.h"

namespace fs = std::filesystem;

namespace recorded_game {

// Level clicks in the locked time, both players steering and firing, a
// resize, a paint the window system asks for and frames due while the window
// could not paint.
constexpr char GAME[] =
    "10 mouse right down\n12 mouse right up\n30 mouse left down\n31 mouse left up\n"
    "130 key 88 down\n140 key 90 down\n150 mouse right down\n155 mouse left down\n"
    "200 resize 500 400\n201 ticks 0\n260 ticks 3\n300 key 90 up\n310 mouse left up\n"
    "330 key 65 down\n420 resize 734 531\n479 key 88 up\n";

inline std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline record::Script parse(const std::string& text) {
  record::Script script;
  std::string error;
  EXPECT_TRUE(record::parseScript(text, &script, &error)) << error;
  return script;
}

class Recording : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    dir_ = fs::temp_directory_path() /
           ("starquell-recording-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    FreshState::TearDown();
    fs::remove_all(dir_);
  }
  // The runner's lines for a script under these options (verifying when
  // `verdict` is given).
  static std::string run(const record::Script& script, replay::Options options,
                         replay::Verdict* verdict = nullptr) {
    resetProgramState();
    options.verify = verdict != nullptr;
    std::FILE* out = std::tmpfile();
    EXPECT_EQ(replay::run(script, options, out, verdict), 0);
    std::string text;
    std::rewind(out);
    for (int c = 0; (c = std::fgetc(out)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(out);
    return text;
  }
  // The runner's lines for a script, the program given `arguments`.
  static std::string lines(const record::Script& script, const std::string& arguments,
                           std::uint32_t frames = 0, replay::Verdict* verdict = nullptr) {
    replay::Options options;
    options.frames = frames != 0 ? frames : script.last_frame + 1;
    options.program_arguments = arguments;
    return run(script, options, verdict);
  }
  // Records GAME; returns the recording's text.
  std::string record(std::string* game_lines = nullptr) {
    const fs::path file = dir_ / "game.replay";
    const std::string played = lines(parse(GAME), "--record " + file.string(), 480);
    if (game_lines != nullptr) *game_lines = played;
    return readText(file);
  }
  fs::path dir_;
};

}  // namespace recorded_game
