// The frame pacer on a scripted counter.
#include "shell/frame_pacer.h"

#include <gtest/gtest.h>

#include "tests/support/fresh_state.h"

namespace {

class Pacer : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    pacer.mode = PACER_NOT_STARTED;
    headless::setTicksPerRead(0);
  }
  FramePacer pacer;
};

TEST_F(Pacer, ACounterOf1000TicksGivesInterval16AndAScheduleFromTheMeasurement) {
  headless::setCounterFrequency(1000);
  headless::setCounter(5000);
  pacer.start(60);
  EXPECT_EQ(pacer.mode, PACER_COUNTER);
  EXPECT_EQ(pacer.interval, 16);
  EXPECT_EQ(pacer.next_due, 6000 + 16) << "the schedule starts at the end of the one-second sleep";
  EXPECT_EQ(headless::sleptMilliseconds(), 1000);
}

TEST_F(Pacer, FrameDueWaitsForTheDueTimeAndNeverRebases) {
  headless::setCounterFrequency(1000);
  pacer.start(60);
  headless::setTicksPerRead(1);  // every read moves time on by one tick
  const std::int64_t first_due = pacer.next_due;
  EXPECT_EQ(pacer.frameDue(), 1);
  EXPECT_GE(headless::counter(), first_due) << "returned only once the frame was due";
  EXPECT_EQ(pacer.next_due, first_due + 16);

  // A caller late by several intervals gets its frames back to back.
  headless::setTicksPerRead(0);
  headless::setCounter(pacer.next_due + 5 * 16);
  const std::int64_t reads = headless::counterReads();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(pacer.frameDue(), 1);
  EXPECT_EQ(headless::counterReads() - reads, 6) << "one read each: no waiting";
  EXPECT_EQ(pacer.next_due, first_due + 7 * 16) << "no due time was skipped";
}

TEST_F(Pacer, UntrustworthyCountersSelectFallback) {
  struct Case {
    std::int64_t frequency, sleep_extra_ticks;
    int fail_reads_from;
    std::uint8_t mode;
  };
  // Too slow to pace 60 frames, more than a tenth off, exactly a tenth off
  // (still trusted), a read that fails, no counter at all.
  for (const Case c : {Case{239, 0, -1, PACER_FALLBACK}, Case{10000, 1001, -1, PACER_FALLBACK},
                       Case{10000, -1000, -1, PACER_COUNTER}, Case{10000, 0, 1, PACER_FALLBACK},
                       Case{0, 0, -1, PACER_FALLBACK}}) {
    resetProgramState();
    headless::setTicksPerRead(0);
    headless::setCounterFrequency(c.frequency);
    headless::setSleepExtraTicks(c.sleep_extra_ticks);
    headless::failCounterReadsFrom(c.fail_reads_from);
    FramePacer p;
    p.start(60);
    EXPECT_EQ(p.mode, c.mode) << c.frequency << " " << c.sleep_extra_ticks;
    // A slow counter is not measured, and fallback never waits.
    EXPECT_EQ(headless::sleptMilliseconds(), c.frequency < 4 * 60 ? 0 : 1000) << c.frequency;
    if (c.mode != PACER_FALLBACK) continue;
    EXPECT_EQ(p.period, 1u);
    const std::int64_t reads = headless::counterReads();
    EXPECT_EQ(p.frameDue(), 1);
    EXPECT_EQ(headless::counterReads(), reads);
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Pacer, FailedFallbackSetUpReportsAndLeavesANeverWaitingPacer) {
  headless::setCounterFrequency(0);
  headless::setTimerCaps(false, 0, 0);
  pacer.start(60);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text, "Error 7010  Contine?    (err_context=0)");
  EXPECT_EQ(pacer.mode, PACER_NOT_STARTED);
  EXPECT_EQ(pacer.frameDue(), 1);
  EXPECT_EQ(pacer.next_due, 0) << "interval 0: never waits";

  resetProgramState();
  FramePacer zero_period;
  headless::setCounterFrequency(0);
  headless::setTimerCaps(true, 0, 10);
  zero_period.start(60);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text, "Error 7011  Contine?    (err_context=0)");
  EXPECT_EQ(zero_period.mode, PACER_NOT_STARTED);
  EXPECT_EQ(zero_period.frameDue(), 1);
}

}  // namespace
