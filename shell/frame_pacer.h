// Decides when the next frame may start: a fixed schedule on the
// high-resolution counter, or unpaced frames when the counter cannot be trusted.
#pragma once

#include <cstdint>

inline constexpr std::uint8_t PACER_NOT_STARTED = 88;
inline constexpr std::uint8_t PACER_COUNTER = 5;
inline constexpr std::uint8_t PACER_FALLBACK = 9;

struct FramePacer {
  std::uint8_t mode = 0;
  std::uint32_t period = 0;   // fallback: the raised timer resolution in ms
  std::int64_t interval = 0;  // counter ticks per frame
  std::int64_t next_due = 0;  // counter value at which the next frame is due

  // Measures the counter against a one-second sleep and sets the schedule.
  void start(std::int32_t frame_rate);
  // Waits (counter mode) until the next frame is due; always answers 1.
  int frameDue();
  // Ends a raised timer resolution (fallback mode only).
  void stop();
};
