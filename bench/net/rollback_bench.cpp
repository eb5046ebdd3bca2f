// The worst shown frame's extra work in a rollback game with the limit 8, at
// several client sizes: the state saved before the mispredicted frame
// restored, then 8 frames run again, each with its state saved before it and
// its picture's checksum taken, as session::Rollback::catchUp does. Beside it,
// in the same run, a bare memcpy of the state block and one frame run without
// a paint; the table printed last gives the ratios and whether the work fits
// the share of a 60 Hz frame a rollback game may spend on it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/sdl/median_reporter.h"
#include "bench/support/headless_game.h"
#include "game/frame_runner.h"
#include "game/input_messages.h"
#include "game/saved_state.h"
#include "record/checksum.h"

namespace {

constexpr int ROLLBACK = 8;
constexpr std::uint32_t WARM_FRAMES = 300;
// A rollback game may spend this much of a 16.7 ms frame on catching up.
constexpr double BUDGET_US = 8000;

struct Size {
  int width, height;
};
const Size SIZES[] = {{734, 531}, {1024, 768}, {1920, 1080}, {2560, 1440}, {4096, 4096}};

// The program at a client size, its first frame painted, then both players
// holding both controls until shots fly and strike everywhere.
void startGame(const Size& size) {
  startHeadlessGame();
  MainWindow& mw = g_shell.main_window;
  if (mw.width != size.width || mw.height != size.height) {
    platform::NativeEvent e;
    e.kind = platform::NativeEventKind::Resize;
    e.width = size.width;
    e.height = size.height;
    headless::inject(e);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) DispatchMessageA(&msg);
  }
  const InputMessage hold[] = {keyMessage(SHIP_KEY_ON, true), keyMessage(SHIP_KEY_BACK, true),
                               buttonMessage(MOUSE_LEFT, true), buttonMessage(MOUSE_RIGHT, true)};
  std::uint32_t sounds = 0;
  while (mw.presented_frames < WARM_FRAMES) {
    const bool press = mw.presented_frames == 130;
    stepFrame(press ? std::span<const InputMessage>(hold) : std::span<const InputMessage>(),
              &sounds);
  }
}

bool rightSize(benchmark::State& state, const Size& size) {
  const MainWindow& mw = g_shell.main_window;
  if (mw.width == size.width && mw.height == size.height) return true;
  state.SkipWithError("the client is not the size asked for");
  return false;
}

void Memcpy(benchmark::State& state, Size size) {
  startGame(size);
  if (!rightSize(state, size)) return;
  std::vector<std::uint8_t> from(savedStateSize(), 1);
  std::vector<std::uint8_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(from.size()));
}

void Frame(benchmark::State& state, Size size) {
  startGame(size);
  if (!rightSize(state, size)) return;
  std::uint32_t sounds = 0;
  for (auto _ : state) {
    stepFrame({}, &sounds);
    benchmark::ClobberMemory();
  }
}

// The picture's checksum, taken once per frame run again.
void Checksum(benchmark::State& state, Size size) {
  startGame(size);
  if (!rightSize(state, size)) return;
  std::uint32_t crc = 0;
  for (auto _ : state) {
    crc ^= record::frameChecksum();
    benchmark::DoNotOptimize(crc);
  }
}

// The same 8 frames again and again from the state saved before them.
void Rollback8(benchmark::State& state, Size size) {
  startGame(size);
  if (!rightSize(state, size)) return;
  const std::size_t bytes = savedStateSize();
  // limit + 2 states, as the driver keeps them.
  std::vector<std::uint8_t> states(bytes * (ROLLBACK + 2));
  saveState(states.data(), bytes);
  std::uint32_t sounds = 0;
  std::uint32_t crc = 0;
  for (auto _ : state) {
    if (!restoreState(states.data(), bytes)) state.SkipWithError("restore refused");
    for (int f = 0; f < ROLLBACK; ++f) {
      if (f > 0) saveState(states.data() + static_cast<std::size_t>(f) * bytes, bytes);
      stepFrame({}, &sounds);
      crc ^= record::frameChecksum();
    }
    benchmark::DoNotOptimize(crc);
    benchmark::ClobberMemory();
  }
}

std::string nameOf(const char* what, const Size& s) {
  return std::string(what) + "/" + std::to_string(s.width) + "x" + std::to_string(s.height);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (const Size& s : SIZES) {
    benchmark::RegisterBenchmark(nameOf("memcpy_of_the_state", s).c_str(), Memcpy, s)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(nameOf("one_frame", s).c_str(), Frame, s)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(nameOf("checksum", s).c_str(), Checksum, s)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(nameOf("rollback_8", s).c_str(), Rollback8, s)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  }
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // The machine may be shared: the process's CPU time is the work's own cost,
  // and decides whether it fits.
  std::printf("\n%-10s %9s %10s %9s %11s %12s %12s %9s %11s %5s\n", "client", "state KB",
              "memcpy us", "frame us", "checksum us", "rollback us", "(CPU us)", "/ memcpy",
              "checksums %", "fits");
  for (const Size& s : SIZES) {
    double copy = 0, frame = 0, crc = 0, crc_cpu = 0, rollback = 0, rollback_cpu = 0;
    if (!reporter.get(nameOf("memcpy_of_the_state", s), &copy) ||
        !reporter.get(nameOf("one_frame", s), &frame) ||
        !reporter.get(nameOf("checksum", s), &crc) ||
        !reporter.getCpu(nameOf("checksum", s), &crc_cpu) ||
        !reporter.get(nameOf("rollback_8", s), &rollback) ||
        !reporter.getCpu(nameOf("rollback_8", s), &rollback_cpu) || copy <= 0 ||
        rollback_cpu <= 0) {
      continue;
    }
    std::printf("%4dx%-5d %9zu %10.1f %9.1f %11.1f %12.1f %12.1f %9.1f %11.0f %5s\n", s.width,
                s.height, savedStateSize(s.width, s.height) / 1024, copy, frame, crc, rollback,
                rollback_cpu, rollback / copy, 100.0 * ROLLBACK * crc_cpu / rollback_cpu,
                rollback_cpu <= BUDGET_US ? "yes" : "no");
  }
  benchmark::Shutdown();
  return 0;
}
