// The replay runner: runs the real program (WinMain, its loop, the window
// procedure, the game frame) on the headless backend with a scripted clock, so
// no real time passes, applies scripted input just before the frames it names
// and prints one line per painted frame. A recording's client size, extra
// paints and frame passes are played as they were; its checkpoints are
// compared when asked to verify.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "computer/computer.h"
#include "record/format.h"

namespace replay {

using EventKind = record::EventKind;
using ScriptEvent = record::ScriptEvent;
using Script = record::Script;

// The line printed for a frame just run, from the game's state now: the
// frame, the CRC-32 of its picture, each walker's x y heading arm state and
// the frame's sound requests.
std::string frameLine(std::uint32_t frame, std::uint32_t crc, std::uint32_t sounds);

// The other side of a network game: each frame's input comes from it in
// place of the script's, and each painted frame's checksum goes to it.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The events of `frame`, given this side's scripted ones for it; false when
  // the game has ended.
  virtual bool frameEvents(std::uint32_t frame, const std::vector<ScriptEvent>& local,
                           std::vector<ScriptEvent>* out) = 0;
  virtual void painted(std::uint32_t frame, std::uint32_t crc) = 0;
  // True when the source prints each frame's line itself (frameLine, once
  // both sides' input for the frame is known) to `out` (null: none); else
  // the runner prints it as the frame is painted.
  virtual bool printsLines(std::FILE* /*out*/) { return false; }
  // The frames asked for have run: the lines of the last ones are out before
  // the window closes.
  virtual void settle() {}
};

struct Options {
  std::uint32_t frames = 0;
  std::int64_t dump_frame = -1;  // frame whose back buffer goes to dump_path
  std::string dump_path;
  bool verify = false;  // compare checkpoints instead of printing lines
  // WinMain's command line: the runner records nothing unless told.
  std::string program_arguments = "--no-record";
  FrameSource* network = nullptr;  // a network game's other side
  // The computer plays these walkers (bit 0 walker 0, bit 1 walker 1) in
  // place of the script's controls for them; not in a network game.
  unsigned computer = 0;
  computer::Level level = computer::Level::Normal;
  bool territory = false;  // print the territory line after the last frame
};

// What verifying found.
struct Verdict {
  int checkpoints = 0;      // compared and equal
  bool differs = false;     // at `frame`:
  std::uint32_t frame = 0;  // the first checkpoint that differs
  std::uint32_t recorded = 0;
  std::uint32_t replayed = 0;
  std::uint32_t last_frame = 0;  // the last frame run
};

// Runs the program for options.frames frames, writing the lines to out
// (none when verifying, which stops at the first difference); then closes the
// window and returns WinMain's status. Message boxes are answered Yes and
// listed on standard error.
int run(const Script& script, const Options& options, std::FILE* out, Verdict* verdict = nullptr);

}  // namespace replay
