// The one playback the window and the runner share: each frame's input in
// file order (the recording's client size first), the idle passes before a
// paint, and the checkpoints of a frame.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "record/playback.h"

namespace {

constexpr char RECORDING[] =
    "# starquell replay 1\n# program 0.1.0 logic 1\n# started 2026-12-07T14:03:59Z\n"
    "client 640 480\n"
    "0 mouse right down\n"
    "5 key 90 down\n"
    "3 key 88 down\n"  // out of order in the file: frame order wins
    "5 resize 300 200\n"
    "5 ticks 0\n"
    "9 ticks 4\n"
    "9 ticks 2\n"  // named twice: the last line counts
    "60 crc 0000abcd\n"
    "60 crc 00001234\n"
    "61 key 90 up\n";

record::Playback playback() {
  record::Script script;
  std::string error;
  EXPECT_TRUE(record::parseScript(RECORDING, &script, &error)) << error;
  return record::Playback(script);
}

// "frame kind" of each event handed out for frames up to `frame`.
std::vector<std::string> drain(record::Playback* p, std::uint32_t frame) {
  std::vector<std::string> out;
  while (const record::ScriptEvent* e = p->next(frame)) {
    const char* kind = e->kind == record::EventKind::Key      ? "key"
                       : e->kind == record::EventKind::Mouse  ? "mouse"
                       : e->kind == record::EventKind::Resize ? "resize"
                                                              : "other";
    std::ostringstream line;
    line << e->frame << ' ' << kind;
    if (e->kind == record::EventKind::Resize) line << ' ' << e->width;
    out.push_back(line.str());
  }
  return out;
}

TEST(Playback, HandsOutEachFramesInputOnceInFrameThenFileOrder) {
  record::Playback p = playback();
  const struct {
    std::uint32_t upto;
    std::vector<std::string> events;
  } steps[] = {
      {0, {"0 resize 640", "0 mouse"}}, {0, {}},  {4, {"3 key"}},
      {5, {"5 key", "5 resize 300"}},   {60, {}}, {1000, {"61 key"}},
  };
  for (const auto& step : steps) EXPECT_EQ(drain(&p, step.upto), step.events) << step.upto;
  EXPECT_EQ(p.lastFrame(), 61u);
}

TEST(Playback, PassesAndCheckpointsByFrame) {
  const record::Playback p = playback();
  const struct {
    std::uint32_t frame;
    int passes;
    std::vector<std::uint32_t> crcs;
  } frames[] = {
      {0, 0, {}}, {1, 1, {}}, {5, 0, {}}, {9, 2, {}}, {60, 1, {0xabcd, 0x1234}}, {61, 1, {}},
  };
  for (const auto& f : frames) {
    EXPECT_EQ(p.passes(f.frame), f.passes) << f.frame;
    std::vector<std::uint32_t> crcs;
    for (const record::ScriptEvent& c : p.checkpoints(f.frame)) crcs.push_back(c.crc);
    EXPECT_EQ(crcs, f.crcs) << f.frame;
  }
}

}  // namespace
