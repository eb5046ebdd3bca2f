// Rollback network play's driver with the real game. Two sides in one
// process over the simulated network, each side's whole game swapped in as a
// saved state for its turn: both confirm the same stream and pictures, which
// are the replay runner's. A misprediction made on purpose: the picture after
// the correction is the runner's. Sounds a re-run moves, drops or adds play
// as a player should hear them.
#include "session/rollback.h"

#include <cstdio>
#include <string>
#include <vector>

#include "net/lockstep.h"
#include "tests/game/rerun_test.h"
#include "tests/support/net/real_games.h"
#include "tools/replay/replay.h"

namespace {

using net::GameEvent;
using real_games::BACK;
using real_games::BOTH;
using real_games::Confirmed;
using real_games::Hold;
using real_games::LateTransport;
using real_games::messageOf;
using real_games::ON;

constexpr int DELAY = 2;
constexpr int ROLLBACK = 8;

net::Config sideConfig(net::Player side) { return real_games::sideConfig(side, DELAY, ROLLBACK); }
net::Config joinerOf(const net::SimNetwork& network, const net::Transport& host) {
  return real_games::joinerOf(network, host, DELAY, ROLLBACK);
}

// The confirmed stream as the replay runner's script.
replay::Script scriptOf(const Confirmed& confirmed) {
  replay::Script s;
  for (std::uint32_t f = 0; f < confirmed.events.size(); ++f) {
    for (const GameEvent& e : confirmed.events[f]) {
      replay::ScriptEvent r;
      r.frame = f;
      r.kind = e.mouse ? replay::EventKind::Mouse : replay::EventKind::Key;
      r.code = e.code;
      r.down = e.down;
      s.events.push_back(r);
    }
  }
  s.last_frame = static_cast<std::uint32_t>(confirmed.events.size());
  return s;
}

// The runner's frames of a script: each checksum, and the back buffer's bytes
// of one frame.
class RunnerFrames final : public replay::FrameSource {
 public:
  explicit RunnerFrames(std::uint32_t pixels_of) : pixels_of_(pixels_of) {}
  bool frameEvents(std::uint32_t, const std::vector<replay::ScriptEvent>& local,
                   std::vector<replay::ScriptEvent>* out) override {
    *out = local;
    return true;
  }
  void painted(std::uint32_t frame, std::uint32_t crc) override {
    crcs.push_back(crc);
    EXPECT_EQ(frame + 1, crcs.size());
    const MainWindow& mw = g_shell.main_window;
    if (frame == pixels_of_ && mw.hasPixels()) {
      pixels.assign(mw.pixel_base, mw.pixel_base + mw.size);
    }
  }
  std::vector<std::uint32_t> crcs;
  std::vector<std::uint8_t> pixels;

 private:
  std::uint32_t pixels_of_;
};

RunnerFrames runnerFrames(const replay::Script& script, std::uint32_t frames,
                          std::uint32_t pixels_of = net::NO_FRAME) {
  resetProgramState();
  RunnerFrames source(pixels_of);
  replay::Options options;
  options.frames = frames;
  options.network = &source;
  std::FILE* sink = std::tmpfile();
  EXPECT_EQ(replay::run(script, options, sink), 0);
  std::fclose(sink);
  return source;
}

class RollbackDriver : public RerunTest {};

// The states are kept only where there is a back buffer to save; with no
// misprediction catching up changes nothing.
TEST_F(RollbackDriver, StartsWithABackBufferAndCatchesUpOnlyOnNews) {
  struct Case {
    const char* name;
    bool painted;  // the first frame painted (the back buffer made)
    bool starts;
  };
  const Case cases[] = {{"before the first frame", false, false}, {"after it", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    resetProgramState();
    hwnd = openMainWindow();
    if (c.painted) startGame();
    session::Rollback driver;
    EXPECT_EQ(driver.start(ROLLBACK), c.starts);
    driver.saveBefore(1);
    net::Lockstep idle(sideConfig(net::Player::Host));
    const Memory before = Memory::now();
    EXPECT_EQ(driver.catchUp(idle), 0);
    EXPECT_EQ(Memory::now().differences(before), "");
    driver.stop();
  }
}

// ---- Two real games over the simulated network ------------------------------

struct Line {
  const char* name;
  net::LinkProfile link;
  std::uint32_t joiner_extra_ms;  // the joiner's datagrams take this much longer
  bool rolls_back;                // mispredictions happen
  std::uint32_t max_waits;        // frames that may wait, per 1000
};

TEST_F(RollbackDriver, TwoRealGamesConfirmTheRunnersFramesOnEveryLine) {
  // Under the sanitizers a shorter duel keeps the suite's time in bounds.
#if defined(__SANITIZE_ADDRESS__)
  constexpr std::uint32_t FRAMES = 1200;
#else
  constexpr std::uint32_t FRAMES = 3600;
#endif
  const Line lines[] = {
      {"clean", {}, 0, false, 0},
      {"50 +- 30 ms each way, 5 % loss", {20, 60, 0.05, 0, 0}, 0, true, 0},
      {"100 +- 50 ms each way, 5 % loss, reordering", {50, 100, 0.05, 0, 0.05}, 0, true, 10},
      // The host learns the joiner's controls late, the joiner the host's at once.
      {"80 ms one way", {}, 80, true, 10},
  };
  for (const Line& line : lines) {
    SCOPED_TRACE(line.name);
    resetProgramState();
    hwnd = openMainWindow();
    startGame();
    real_games::Options options;
    options.link = line.link;
    options.joiner_extra_ms = line.joiner_extra_ms;
    options.delay = DELAY;
    options.rollback = ROLLBACK;
    options.frames = FRAMES;
    real_games::TwoGames games(options);
    games.play();
    ASSERT_EQ(games.failure(), "");
    const real_games::Side& h = games.host();
    const real_games::Side& j = games.joiner();
    ASSERT_EQ(h.core.state(), net::State::Running);
    ASSERT_EQ(j.core.state(), net::State::Running);
    ASSERT_GE(h.confirmed.events.size(), FRAMES);
    ASSERT_GE(j.confirmed.events.size(), FRAMES);
    for (std::uint32_t f = 0; f < FRAMES; ++f) {
      ASSERT_EQ(h.confirmed.events[f], j.confirmed.events[f]) << "frame " << f;
      ASSERT_EQ(h.confirmed.crcs[f], j.confirmed.crcs[f]) << "frame " << f;
    }
    const RunnerFrames runner = runnerFrames(scriptOf(h.confirmed), FRAMES);
    ASSERT_EQ(runner.crcs.size(), FRAMES);
    for (std::uint32_t f = 0; f < FRAMES; ++f) {
      ASSERT_EQ(h.confirmed.crcs[f], runner.crcs[f]) << "frame " << f;
    }
    // The sides ran again what they had predicted wrongly, and said so.
    std::uint64_t rollbacks = 0;
    for (int side = 0; side < 2; ++side) {
      const real_games::Side& s = side == 0 ? h : j;
      const net::Counters& c = s.core.counters();
      std::printf(
          "[ %s ] %s: %llu rollbacks, deepest %u, %llu frames run again, %u waited, "
          "%llu periods let pass\n",
          line.name, side == 0 ? "host" : "joiner", static_cast<unsigned long long>(c.rollbacks),
          c.deepest_rollback, static_cast<unsigned long long>(c.rerun_frames), s.waited,
          static_cast<unsigned long long>(c.slowed));
      EXPECT_EQ(s.reruns_seen, c.rerun_frames);
      EXPECT_LE(c.deepest_rollback, static_cast<std::uint32_t>(ROLLBACK));
      EXPECT_EQ(c.rollbacks == 0, c.deepest_rollback == 0);
      EXPECT_LE(s.waited * 1000, line.max_waits * FRAMES);
      rollbacks += c.rollbacks;
    }
    EXPECT_EQ(rollbacks > 0, line.rolls_back);
  }
}

// ---- A misprediction made on purpose ----------------------------------------

// The host runs the real game as the program does (the idle pass plays the
// last frame's sounds, the correction, the input through the window, the
// paint); the joiner is a core alone whose datagrams can be held back.
class HeldJoiner final : public session::RerunObserver {
 public:
  explicit HeldJoiner(const std::vector<Hold>& joiner_holds)
      : network_(3, {}),
        host_end_(network_.addEndpoint()),
        joiner_end_(network_.addEndpoint()),
        late_(joiner_end_, network_, 0),
        host_(sideConfig(net::Player::Host)),
        joiner_(joinerOf(network_, host_end_)),
        holds_(joiner_holds) {
    EXPECT_TRUE(driver_.start(ROLLBACK));
  }

  // The joiner's controls from effect frame `frame` on are held back until
  // the host is about to run frame `present`; then the host corrects.
  struct Correction {
    std::uint32_t mispredicted = net::NO_FRAME;
    int reran = 0;
    std::uint32_t shown_crc = 0;      // the picture shown of frame present - 1
    std::uint32_t corrected_crc = 0;  // and what the correction made of it
    std::vector<std::uint8_t> pixels;
    bool reached = false;  // the host ran to `present` with the news held back
  };
  Correction correct(std::uint32_t frame, std::uint32_t present) {
    hold_from_ = frame - DELAY;
    Correction c;
    while (host_.nextFrame() < present && now_ < 60 * 1000) period();
    c.reached = host_.nextFrame() == present && late_.held;
    late_.held = false;
    late_.pump();
    if (!c.reached) return c;
    c.shown_crc = crcs_[present - 1];
    correction_ = &c;
    period();
    correction_ = nullptr;
    return c;
  }
  // Periods until the host has confirmed `frames`, and its last sounds played.
  void playOn(std::uint32_t frames) {
    while (confirmed_.events.size() < frames && now_ < 60 * 1000) period();
    g_game.sound.update();
  }
  const Confirmed& confirmed() const { return confirmed_; }
  void rerun(std::uint32_t frame, std::uint32_t crc) override { crcs_[frame] = crc; }

 private:
  void period() {
    now_ += 17;
    network_.setNow(now_);
    joinerTurn();
    hostTurn();
  }
  void joinerTurn() {
    late_.pump();
    joiner_.poll(late_, now_);
    // Its pictures are the host's, once final there.
    for (; mirrored_ < joiner_.nextFrame() && mirrored_ < host_.confirmedFrames(); ++mirrored_) {
      joiner_.setFrameCrc(mirrored_, crcs_[mirrored_]);
    }
    // No game here: what it would run again is only asked for.
    if (const std::uint32_t from = joiner_.mispredicted(); from != net::NO_FRAME) {
      GameEvent events[net::MAX_FRAME_EVENTS];
      for (std::uint32_t f = from; f < joiner_.nextFrame(); ++f) joiner_.rerun(f, events);
    }
    if (!joiner_.ready()) return;
    const std::uint32_t frame = joiner_.nextFrame();
    if (frame == hold_from_) late_.held = true;
    joiner_.setLocalControls(real_games::sampled(holds_, frame, DELAY));
    GameEvent events[net::MAX_FRAME_EVENTS];
    joiner_.advance(events);
    joiner_.poll(late_, now_);
  }
  void hostTurn() {
    g_game.sound.update();
    host_.poll(host_end_, now_);
    if (correction_ != nullptr) {
      correction_->mispredicted = host_.mispredicted();
      correction_->reran = driver_.catchUp(host_, this);
      correction_->corrected_crc = record::frameChecksum();
      const MainWindow& mw = g_shell.main_window;
      correction_->pixels.assign(mw.pixel_base, mw.pixel_base + mw.size);
    } else {
      EXPECT_EQ(driver_.catchUp(host_, this), 0) << "a correction not made on purpose";
    }
    if (!host_.ready()) return;
    const std::uint32_t frame = host_.nextFrame();
    host_.setLocalControls(0);
    if (frame > 0) driver_.saveBefore(frame);
    GameEvent events[net::MAX_FRAME_EVENTS];
    const int n = host_.advance(events);
    if (frame > 0) {
      for (int i = 0; i < n; ++i) headless::inject(nativeInput(messageOf(events[i])));
      tickRandom();
      runFrame();
    }
    EXPECT_EQ(g_shell.main_window.presented_frames, frame + 1);
    driver_.played(frame, requestedSounds());
    crcs_.resize(frame + 1);
    crcs_[frame] = record::frameChecksum();
    host_.setFrameCrc(frame, crcs_[frame]);
    host_.poll(host_end_, now_);
    confirmed_.collect(host_, crcs_);
  }

  net::SimNetwork network_;
  net::Transport& host_end_;
  net::Transport& joiner_end_;
  LateTransport late_;
  net::Lockstep host_;
  net::Lockstep joiner_;
  const std::vector<Hold>& holds_;
  session::Rollback driver_;
  std::uint32_t now_ = 0;
  std::uint32_t hold_from_ = net::NO_FRAME;
  std::uint32_t mirrored_ = 0;       // frames whose checksum the joiner has reported
  std::vector<std::uint32_t> crcs_;  // the host's, by frame, from its last run
  Confirmed confirmed_;
  Correction* correction_ = nullptr;
};

// The other side pressed or released in frames this side has shown already:
// once corrected, the picture is the runner's of that frame, pixel for pixel.
TEST_F(RollbackDriver, TheCorrectedPictureIsTheRunnersPixelForPixel) {
  struct Case {
    const char* name;
    std::vector<Hold> joiner;
    std::uint32_t frame;    // the first frame predicted wrongly
    std::uint32_t present;  // the frame the host runs next when the news comes
  };
  const Case cases[] = {
      {"Z pressed a frame ago", {{200, 230, BACK}}, 200, 201},
      {"Z pressed 4 frames ago", {{200, 230, BACK}}, 200, 204},
      {"Z pressed at the rollback limit", {{200, 230, BACK}}, 200, 208},
      {"both pressed: a shot", {{200, 202, BOTH}}, 200, 203},
      {"X released", {{150, 200, ON}}, 200, 205},
      {"both released while firing", {{150, 200, BOTH}}, 200, 207},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    resetProgramState();
    hwnd = openMainWindow();
    startGame();
    HeldJoiner game(c.joiner);
    const HeldJoiner::Correction got = game.correct(c.frame, c.present);
    if (!got.reached) {
      ADD_FAILURE() << "the host did not run to frame " << c.present << " with the news held back";
      continue;
    }
    EXPECT_EQ(got.mispredicted, c.frame);
    EXPECT_EQ(got.reran, static_cast<int>(c.present - c.frame));
    EXPECT_NE(got.corrected_crc, got.shown_crc) << "the misprediction was not to be seen";
    game.playOn(c.present + 20);
    const RunnerFrames runner =
        runnerFrames(scriptOf(game.confirmed()), c.present + 20, c.present - 1);
    ASSERT_EQ(runner.pixels.size(), got.pixels.size());
    EXPECT_TRUE(runner.pixels == got.pixels);
    EXPECT_EQ(runner.crcs[c.present - 1], got.corrected_crc);
  }
}

// A sound plays once for the frame that asked for it, when first run; one
// that only a re-run asks for plays at once if its frame is at most
// LATE_SOUND_FRAMES old, else never; a request that moved is the same sound.
TEST_F(RollbackDriver, ReRunSoundsPlayOnceAndOnlyWhileRecent) {
  static_assert(session::Rollback::LATE_SOUND_FRAMES == 4);
  struct Case {
    const char* name;
    std::vector<Hold> joiner;  // ship 1 fires where both are held, 7 frames apart
    std::uint32_t frame;       // the first frame predicted wrongly
    std::uint32_t present;
    int fire_plays;
  };
  const Case cases[] = {
      // Predicted: nothing held. The shot exists only once corrected.
      {"only a re-run fires, 4 frames ago: plays now", {{200, 202, BOTH}}, 200, 204, 1},
      {"only a re-run fires, 5 frames ago: never", {{200, 202, BOTH}}, 200, 205, 0},
      // Predicted: held on, so the first run fires again at 206; it was let go at 200.
      {"the shot vanishes: played at its first run, not again", {{199, 200, BOTH}}, 200, 208, 2},
      // Predicted: held on, a shot at 200; in truth let go and pressed again: at 203.
      {"the shot moves 3 frames later: plays once",
       {{193, 200, BOTH}, {203, 205, BOTH}},
       200,
       207,
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    resetProgramState();
    hwnd = openMainWindow();
    startGame();
    HeldJoiner game(c.joiner);
    const HeldJoiner::Correction got = game.correct(c.frame, c.present);
    if (!got.reached) {
      ADD_FAILURE() << "the host did not run to frame " << c.present << " with the news held back";
      continue;
    }
    EXPECT_EQ(got.mispredicted, c.frame);
    game.playOn(c.present + 30);
    int fires = 0;
    for (const headless::AudioPlay& p : headless::audioPlays()) fires += p.name == "fire.wav";
    EXPECT_EQ(fires, c.fire_plays);
  }
}

}  // namespace
