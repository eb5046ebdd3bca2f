// Games against the computer through the replay runner: the same game twice
// gives the same lines, its recording verifies without the computer, and the
// script plays only the other walker (and the level choice).
#include <gtest/gtest.h>

#include <string>

#include "computer/computer.h"
#include "game/game_state.h"
#include "record/format.h"
#include "tests/record/recorded_game.h"
#include "tools/replay/replay.h"

namespace {

using computer::Level;
using recorded_game::parse;

// Each test in a fresh folder of its own (the recorded game's fixture).
class RunnerTest : public recorded_game::Recording {
 protected:
  // The runner's lines; `record` names a file to record into.
  static std::string lines(const replay::Script& script, unsigned walkers, Level level,
                           std::uint32_t frames, const std::string& record = "",
                           replay::Verdict* verdict = nullptr) {
    replay::Options options;
    options.frames = frames;
    options.computer = walkers;
    options.level = level;
    options.territory = true;
    if (!record.empty()) options.program_arguments = "--record " + record;
    return run(script, options, verdict);
  }
};

TEST_F(RunnerTest, SameGameTwiceAndItsRecordingVerifiesWithoutTheComputer) {
  struct Case {
    const char* name;
    unsigned walkers;
    Level level;
    const char* script;  // the other walker's input
    std::uint32_t frames;
  };
  const Case cases[] = {
      {"both normal", 3, Level::Normal, "", 900},
      {"hard on walker 0 against Z and X", 1, Level::Hard,
       "130 key 88 down\n150 key 90 down\n400 key 88 up\n", 700},
      {"easy on walker 1 against the buttons", 2, Level::Easy,
       "140 mouse right down\n150 mouse left down\n500 mouse left up\n", 700},
  };
  for (const Case& c : cases) {
    const replay::Script script = parse(c.script);
    const std::string file = (dir_ / "game.replay").string();
    const std::string first = lines(script, c.walkers, c.level, c.frames, file);
    const std::string second = lines(script, c.walkers, c.level, c.frames);
    EXPECT_EQ(first, second) << c.name;
    EXPECT_NE(first.find("\nterritory: walker 0 "), std::string::npos) << c.name;
    // The computer fired: some frame asked for the fire sound (4).
    EXPECT_NE(first.find(" 4\n"), std::string::npos) << c.name;

    replay::Script recording;
    std::string error;
    ASSERT_TRUE(record::readScript(file, &recording, &error, true)) << error;
    replay::Verdict verdict;
    lines(recording, 0, Level::Normal, recording.last_frame + 1, "", &verdict);
    EXPECT_FALSE(verdict.differs) << c.name << ": differs at frame " << verdict.frame;
    EXPECT_GT(verdict.checkpoints, 5) << c.name;
  }
}

// The script's presses of the computer's walker choose the level in the
// lock and count for nothing after it; the other walker's are played.
TEST_F(RunnerTest, ScriptPlaysTheOtherWalkerAndTheLevelChoice) {
  struct Case {
    const char* name;
    unsigned walkers;
    const char* script;
    const char* same_as;  // a script giving the same game
    std::int32_t level;
  };
  const Case cases[] = {
      {"walker 0's clicks in the lock", 1, "3 mouse left down\n4 mouse left up\n", nullptr, 2},
      {"walker 0's buttons after the lock", 1, "200 mouse left down\n300 mouse right down\n", "",
       3},
      // Right: level 3 -> 0; left, held on: 0 -> 3 and a lock to frame 160.
      {"walker 0's button held over the lock's end", 1,
       "3 mouse right down\n4 mouse right up\n100 mouse left down\n",
       "3 mouse right down\n4 mouse right up\n100 mouse left down\n101 mouse left up\n", 3},
      {"walker 1's keys", 2, "130 key 88 down\n131 key 90 down\n", "", 3},
  };
  for (const Case& c : cases) {
    const std::string played = lines(parse(c.script), c.walkers, Level::Normal, 600);
    EXPECT_EQ(g_game.current_level, c.level) << c.name;
    if (c.same_as != nullptr) {
      EXPECT_EQ(played, lines(parse(c.same_as), c.walkers, Level::Normal, 600)) << c.name;
    }
  }
}

}  // namespace
