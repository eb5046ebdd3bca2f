// A recording or script played back: its input by frame, the idle passes
// before each frame's paint and its checkpoints. Watching in the window and
// the replay runner both play through this one reader, so a frame gets the
// same input from either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "record/format.h"

namespace record {

class Playback {
 public:
  Playback() = default;
  explicit Playback(const Script& script);

  // The next input or resize of the frames up to `frame` that was not handed
  // out yet, each frame's in file order; null when there is none. A
  // recording's client size comes first, as a resize in frame 0.
  const ScriptEvent* next(std::uint32_t frame);

  // The idle passes that asked for a frame before `frame`'s paint: as
  // recorded, else the usual count.
  int passes(std::uint32_t frame) const;

  // The checkpoints recorded for `frame` (usually none or one).
  std::span<const ScriptEvent> checkpoints(std::uint32_t frame) const;

  // The highest frame the script names.
  std::uint32_t lastFrame() const { return last_frame_; }

 private:
  std::vector<ScriptEvent> events_;  // input and resizes
  std::vector<ScriptEvent> ticks_;
  std::vector<ScriptEvent> checkpoints_;
  std::size_t next_ = 0;
  std::uint32_t last_frame_ = 0;
};

}  // namespace record
