#include "shell/frame_pacer.h"

#include "platform/win32.h"
#include "shell/reports.h"

void FramePacer::start(std::int32_t frame_rate) {
  mode = PACER_COUNTER;
  bool usable = false;
  LARGE_INTEGER freq = {};
  if (QueryPerformanceFrequency(&freq) != FALSE && freq.QuadPart >= 4 * std::int64_t{frame_rate} &&
      frame_rate > 0) {
    LARGE_INTEGER start_count = {};
    LARGE_INTEGER end_count = {};
    const BOOL got_start = QueryPerformanceCounter(&start_count);
    Sleep(1000);
    const BOOL got_end = QueryPerformanceCounter(&end_count);
    if (got_start != FALSE && got_end != FALSE) {
      // Ticks counted across the one-second sleep against the stated frequency;
      // the difference is formed with explicit wrap-around.
      const auto counted =
          static_cast<std::int64_t>(static_cast<std::uint64_t>(end_count.QuadPart) -
                                    static_cast<std::uint64_t>(start_count.QuadPart));
      const auto diff = static_cast<std::int64_t>(static_cast<std::uint64_t>(freq.QuadPart) -
                                                  static_cast<std::uint64_t>(counted));
      const std::uint64_t deviation =
          diff < 0 ? 0 - static_cast<std::uint64_t>(diff) : static_cast<std::uint64_t>(diff);
      // "Ten times the deviation exceeds freq", without forming ten times it.
      if (deviation > static_cast<std::uint64_t>(freq.QuadPart) / 10) {
        mode = PACER_FALLBACK;
      }
      interval = freq.QuadPart / frame_rate;
      next_due = static_cast<std::int64_t>(static_cast<std::uint64_t>(end_count.QuadPart) +
                                           static_cast<std::uint64_t>(interval));
      usable = mode == PACER_COUNTER;
    }
  }
  if (usable) return;
  mode = PACER_FALLBACK;
  TIMECAPS tc = {};
  if (timeGetDevCaps(&tc, sizeof tc) != TIMERR_NOERROR) {
    ReportError(7010);
    mode = PACER_NOT_STARTED;
    return;
  }
  period = tc.wPeriodMin;
  if (period == 0) {
    ReportError(7011);
    mode = PACER_NOT_STARTED;
    return;
  }
  timeBeginPeriod(period);
}

int FramePacer::frameDue() {
  if (mode == PACER_FALLBACK) return 1;
  LARGE_INTEGER now = {};
  QueryPerformanceCounter(&now);
  while (now.QuadPart < next_due) {
    // A counter that stops answering would hold the program here for ever.
    if (QueryPerformanceCounter(&now) == FALSE) break;
  }
  next_due = static_cast<std::int64_t>(static_cast<std::uint64_t>(next_due) +
                                       static_cast<std::uint64_t>(interval));
  return 1;
}

void FramePacer::stop() {
  if (mode == PACER_FALLBACK) timeEndPeriod(period);
}
