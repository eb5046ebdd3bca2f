// The real-time schedule of a paced network game's frames (apart from the
// rest of the network side, so that it needs no sockets).
#pragma once

#include <cstdint>

namespace replay {

// When a paced side runs its frames, as the window program's pacer lets it:
// slots `rate` a second from the start, one frame each. A frame that waited
// for the other side runs as soon as its input has come, and the next one
// takes the first slot after that: a wait delays the game but brings no burst
// of frames. A frame merely run late keeps the grid, so the next are due at
// once, as the window program catches up.
struct FrameSchedule {
  std::int64_t start_ns = 0;
  std::int64_t rate = 60;
  std::int64_t slot = 0;  // the next frame's

  std::int64_t due() const { return start_ns + slot * 1000000000 / rate; }
  // The frame due ran at ran_ns, after waiting for the other side's input or not.
  void ran(std::int64_t ran_ns, bool waited) {
    ++slot;
    if (waited && ran_ns >= due()) slot = (ran_ns - start_ns) * rate / 1000000000 + 1;
  }
};

}  // namespace replay
