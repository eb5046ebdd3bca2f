// The sound wrapper on SDL2_mixer (SDL's dummy driver unless SDL_AUDIODRIVER
// says otherwise): how long after SoundSystem::update starts a requested sound
// its first non-silent sample leaves the mixer, seen from the mixer's own
// thread; and what update costs on a frame that requested nothing, beside the
// library's service call alone. Heap allocations during the timed loops are
// counted: the wrapper makes none after its start.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "platform/sdl/sdl_backend.h"
#include "shell/shell_globals.h"
#include "sound/sound_system.h"
#include "tools/soundgen/synth.h"

namespace {

std::atomic<long> g_allocations{0};

using Clock = std::chrono::steady_clock;
std::atomic<Clock::rep> g_requested_at{0};  // 0: no play awaited
std::atomic<Clock::rep> g_heard_at{0};
std::atomic<int> g_silent_buffers{0};  // consecutive, up to now
std::atomic<int> g_buffer_samples{0};

void observe(const std::int16_t* samples, int count) {
  const Clock::rep now = Clock::now().time_since_epoch().count();
  g_buffer_samples = count;
  bool sound = false;
  for (int i = 0; i < count && !sound; ++i) sound = samples[i] != 0;
  g_silent_buffers = sound ? 0 : g_silent_buffers + 1;
  if (sound && g_requested_at != 0 && g_heard_at == 0) g_heard_at = now;
}

void waitFor(bool (*condition)()) {
  while (!condition()) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

SoundSystem g_sound;

void BM_RequestToFirstSample(benchmark::State& state) {
  int phase = 0;
  double worst = 0;
  long allocations = 0;
  for (auto _ : state) {
    // The last play has ended: the mixer has made silence for a while. The
    // wait ends just after a buffer; the request comes at a spread of points
    // of the next 12 ms, as a frame's idle pass does.
    waitFor([] { return g_silent_buffers >= 4; });
    phase = (phase + 1300) % 12000;
    std::this_thread::sleep_for(std::chrono::microseconds(phase));
    g_shell.main_window.presented_frames += SOUND_MIN_GAP;
    g_sound.request(SOUND_REQ_HIT);
    g_heard_at = 0;
    const Clock::rep requested = Clock::now().time_since_epoch().count();
    g_requested_at = requested;
    const long before = g_allocations;
    g_sound.update();
    allocations += g_allocations - before;
    waitFor([] { return g_heard_at != 0; });
    g_requested_at = 0;
    const double seconds =
        std::chrono::duration<double>(Clock::duration(g_heard_at - requested)).count();
    worst = seconds > worst ? seconds : worst;
    state.SetIterationTime(seconds);
  }
  state.counters["worst_ms"] = worst * 1000;
  state.counters["allocations"] = static_cast<double>(allocations);
  state.counters["buffer_frames"] = g_buffer_samples / 2.0;
}
BENCHMARK(BM_RequestToFirstSample)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

void BM_UpdateNothingRequested(benchmark::State& state) {
  const long before = g_allocations;
  for (auto _ : state) {
    g_sound.update();
    benchmark::ClobberMemory();
  }
  state.counters["allocations"] = static_cast<double>(g_allocations - before);
}
BENCHMARK(BM_UpdateNothingRequested);

void BM_LibraryServiceCallAlone(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(audioSystemUpdate(g_sound.system));
}
BENCHMARK(BM_LibraryServiceCallAlone);

}  // namespace

// Counting replacements of the global allocation functions. GCC takes the
// free() in the replaced delete for a mismatch with the replaced new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (std::getenv("SDL_AUDIODRIVER") == nullptr) setenv("SDL_AUDIODRIVER", "dummy", 1);
  // The game's three sounds, in a folder of their own.
  char folder[] = "/tmp/starquell-sound-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr || !soundgen::writeEffects(folder) || chdir(folder) != 0) {
    std::perror("sound_bench: no sound folder");
    return 1;
  }
  platform::sdl::setMixObserver(observe);
  g_sound.start();
  benchmark::RunSpecifiedBenchmarks();
  g_sound.shutdown();
  platform::sdl::setMixObserver(nullptr);
  for (const auto& effect : soundgen::EFFECTS) std::remove(effect.file);
  if (chdir("/") == 0) rmdir(folder);
  benchmark::Shutdown();
  return 0;
}
