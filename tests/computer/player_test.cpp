// The computer player: its levels' names, the changes it gives, that it
// keeps to a person's pace and leaves the level choice alone, that its
// look-ahead leaves no trace in the game, and that it wins against nobody.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/computer/match.h"
#include "computer/computer.h"
#include "tests/game/rerun_test.h"
#include "tests/support/fresh_state.h"

namespace {

using computer::Level;
using match::Side;

TEST(Levels, NamesReadBackAndNothingElseIsALevel) {
  struct Case {
    const char* text;
    bool ok;
    Level level;
  };
  const Case cases[] = {
      {"easy", true, Level::Easy},     {"normal", true, Level::Normal},
      {"hard", true, Level::Hard},     {"", false, Level::Normal},
      {"Hard", false, Level::Normal},  {"easy ", false, Level::Normal},
      {"norma", false, Level::Normal}, {nullptr, false, Level::Normal},
  };
  for (const Case& c : cases) {
    Level l = Level::Normal;
    EXPECT_EQ(computer::parseLevel(c.text, &l), c.ok) << (c.text ? c.text : "null");
    if (c.ok) {
      EXPECT_EQ(l, c.level);
      EXPECT_STREQ(computer::levelName(l), c.text);
    }
  }
  EXPECT_NE(computer::defaultSeed(0), computer::defaultSeed(1));
}

class PlayerTest : public FreshState {};

// The changes a driver gives name the walker's own controls, and what it
// holds is what it let go at the end.
TEST_F(PlayerTest, DriverGivesTheWalkersOwnControlsAndReleasesThem) {
  struct Case {
    int walker;
    bool mouse;
    int codes[2];  // Back, On
  };
  const Case cases[] = {{0, true, {MOUSE_LEFT, MOUSE_RIGHT}}, {1, false, {'Z', 'X'}}};
  for (const Case& c : cases) {
    startHeadlessGame();
    computer::Driver driver(c.walker, Level::Normal, computer::defaultSeed(c.walker));
    bool held[2] = {false, false};
    int downs = 0;
    std::uint32_t sounds = 0;
    for (std::uint32_t f = g_shell.main_window.presented_frames; f < 600; ++f) {
      computer::Change out[2];
      const int n = driver.changes(f, out);
      ASSERT_LE(n, 2);
      std::vector<InputMessage> in;
      for (int i = 0; i < n; ++i) {
        EXPECT_EQ(out[i].mouse, c.mouse);
        const int control = out[i].code == c.codes[0] ? 0 : 1;
        ASSERT_EQ(out[i].code, c.codes[control]) << "walker " << c.walker;
        EXPECT_NE(held[control], out[i].down) << "a change to what is already held, frame " << f;
        held[control] = out[i].down;
        downs += out[i].down ? 1 : 0;
        in.push_back(c.mouse ? buttonMessage(out[i].code, out[i].down)
                             : keyMessage(static_cast<std::uint32_t>(out[i].code), out[i].down));
      }
      stepFrame(in, &sounds);
    }
    EXPECT_GT(downs, 2) << "walker " << c.walker;
    computer::Change out[2];
    const int n = driver.releaseAll(out);
    EXPECT_EQ(n, (held[0] ? 1 : 0) + (held[1] ? 1 : 0));
    for (int i = 0; i < n; ++i) EXPECT_FALSE(out[i].down);
    EXPECT_EQ(driver.releaseAll(out), 0);
  }
}

// Over whole games no control of a computer changes sooner than
// MIN_CHANGE_FRAMES after its last change, walker 0's buttons stay up while
// they would choose levels, and the computer does fire.
TEST_F(PlayerTest, KeepsToAPersonsPaceAndLeavesTheLevelChoiceAlone) {
  // Whole games: sides, level, seed, frames.
  const match::Game games[] = {{{Side::Normal, Side::Normal}, 0, 1, 3600},
                               {{Side::Hard, Side::Easy}, 1, 1, 3600},
                               {{Side::Easy, Side::Hard}, 2, 1, 3600},
                               {{Side::Normal, Side::Random}, 3, 1, 3600}};
  for (const match::Game& g : games) {
    computer::Controls last[2];
    std::uint32_t changed_at[2][2] = {};
    bool changed[2][2] = {};
    int presses[2] = {0, 0};
    const std::string name = std::string(match::sideName(g.sides[0])) + " against " +
                             match::sideName(g.sides[1]) + ", level " + std::to_string(g.level);
    match::Hooks hooks;
    hooks.watch = [&](const match::FrameControls& fc) {
      for (int w = 0; w < 2; ++w) {
        if (!match::isComputer(g.sides[w])) continue;
        if (w == 0 && fc.locked) {
          EXPECT_FALSE(fc.held[0].held[0] || fc.held[0].held[1])
              << name << ": walker 0 pressed while locked, frame " << fc.frame;
        }
        for (int k = 0; k < 2; ++k) {
          if (fc.held[w].held[k] == last[w].held[k]) continue;
          if (changed[w][k]) {
            EXPECT_GE(fc.frame - changed_at[w][k], computer::Player::MIN_CHANGE_FRAMES)
                << name << ": walker " << w << " control " << k << " at frame " << fc.frame;
          }
          changed[w][k] = true;
          changed_at[w][k] = fc.frame;
          presses[w] += fc.held[w].held[k] ? 1 : 0;
        }
        last[w] = fc.held[w];
      }
    };
    match::play(g, hooks);
    EXPECT_EQ(g_game.current_level, g.level) << name;
    for (int w = 0; w < 2; ++w) {
      if (match::isComputer(g.sides[w])) {
        EXPECT_GT(presses[w], 50) << name << ", walker " << w;
      }
    }
  }
}

// The hard level runs the game forward and back while it decides: nothing a
// frame could read or write differs after a decision, and the same input
// played without any player gives the same frames, checksum for checksum.
TEST_F(PlayerTest, LookAheadLeavesTheGameAsItWas) {
  constexpr std::uint32_t FRAMES = 1500;
  for (const match::Game& g : {match::Game{{Side::Hard, Side::Normal}, 3, 1, FRAMES},
                               match::Game{{Side::Random, Side::Hard}, 0, 1, FRAMES}}) {
    std::vector<match::FrameControls> controls(g.frames);
    std::vector<FrameRecord> frames(g.frames);
    int decisions_changed = 0;
    match::Hooks hooks;
    hooks.decide = [&](computer::Player& p, std::uint32_t f) {
      const Memory before = Memory::now();
      const std::uint32_t requests = g_game.sound.requests;
      const computer::Controls held = p.decide(f);
      const std::string d = before.differences(Memory::now());
      if (!d.empty() || g_game.sound.requests != requests) ++decisions_changed;
      EXPECT_EQ(d, "") << "frame " << f;
      return held;
    };
    hooks.watch = [&](const match::FrameControls& fc) { controls[fc.frame] = fc; };
    hooks.ran = [&](std::uint32_t f, std::uint32_t sounds) { frames[f] = recordFrame(sounds); };
    match::play(g, hooks);
    EXPECT_EQ(decisions_changed, 0);

    std::vector<FrameRecord> again(g.frames);
    match::Hooks replay;
    replay.replay = &controls;
    replay.ran = [&](std::uint32_t f, std::uint32_t sounds) { again[f] = recordFrame(sounds); };
    match::play(g, replay);
    for (std::uint32_t f = 1; f < g.frames; ++f) {
      ASSERT_EQ(frames[f], again[f]) << "frame " << f;
    }
    EXPECT_NE(frames[1].crc, frames[g.frames - 1].crc);
  }
}

// Short games from every level, the computer on either walker: the normal
// level ends with more territory than a walker nobody plays.
TEST_F(PlayerTest, NormalBeatsAnIdleWalker) {
  for (std::int32_t level = 0; level < 4; ++level) {
    match::Game g;
    const int w = level % 2;
    g.sides[w] = Side::Normal;
    g.level = level;
    g.frames = 1800;
    g.seed = static_cast<std::uint32_t>(7 + level);
    const computer::Territory t = match::play(g);
    EXPECT_GT(t.pixels[w], t.pixels[1 - w] + t.arena / 10)
        << "level " << level << ", computer on walker " << w << ": " << computer::territoryLine(t);
  }
}

}  // namespace
