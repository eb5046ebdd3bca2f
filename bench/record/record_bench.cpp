// Recorded games' costs: a frame of the program with the recorder beside the
// same frame without it; the size of a recording of a busy minute; the
// runner's --verify beside its plain run of the same recording.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/entry.h"
#include "bench/record/driven_frame.h"
#include "game/game_state.h"
#include "game/random.h"
#include "platform/headless/headless.h"
#include "record/format.h"
#include "session/session.h"
#include "shell/shell_globals.h"
#include "tools/replay/replay.h"

namespace {

int g_instance = 0;

// A busy duel: a control changes every 6 frames (ten times a second), so both
// players fire, walk and are knocked about all the time.
std::string busyDuel(std::uint32_t frames) {
  std::string text;
  const char* controls[] = {"key 88", "key 90", "mouse left", "mouse right"};
  for (std::uint32_t f = 130; f < frames; f += 6) {
    const int c = static_cast<int>(f / 6 % 4);
    text += std::to_string(f) + " " + controls[c] + ((f / 24) % 2 == 0 ? " down\n" : " up\n");
  }
  return text;
}

void resetAll() {
  headless::reset();
  resetShellGlobals();
  resetGameState();
  session::resetSession();
}

// One frame as the main loop runs it: the idle pass's requests, then the
// queue dispatched (a key message every few frames, the paint). Recorded into
// /dev/null, or not recorded.
void ProgramFrame(benchmark::State& state) {
  resetAll();
  const bool recorded = state.range(0) != 0;
  std::string arguments = recorded ? "--record /dev/null" : "--no-record";
  session::startSession(arguments.data());
  g_shell.instance = reinterpret_cast<HINSTANCE>(&g_instance);
  initShell(g_shell.instance);
  createMainWindow();
  seedRandom(RANDOM_SEED);
  MainWindow& mw = g_shell.main_window;
  for (auto _ : state) {
    runDrivenFrame(mw);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(recorded ? "recorded" : "not recorded (baseline)");
  session::resetSession();
}
BENCHMARK(ProgramFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A minute recorded by the runner (the busy duel, or the golden duel's 2000
// frames): the recording's path.
std::string recordBusyMinute(bool golden = false) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "starquell-bench-minute.replay").string();
  record::Script script;
  std::string error;
  if (golden) {
    record::readScript(DUEL_SCRIPT, &script, &error);
  } else {
    record::parseScript(busyDuel(3600), &script, &error);
  }
  resetAll();
  replay::Options options;
  options.frames = golden ? 2000 : 3600;
  options.program_arguments = "--record " + path;
  std::FILE* out = std::fopen("/dev/null", "w");
  replay::run(script, options, out);
  std::fclose(out);
  return path;
}

void RecordingSize(benchmark::State& state) {
  const bool golden = state.range(0) != 0;
  std::string path;
  for (auto _ : state) path = recordBusyMinute(golden);
  const double bytes = static_cast<double>(std::filesystem::file_size(path));
  state.counters["bytes/minute"] = golden ? bytes * 3600 / 2000 : bytes;
  state.SetLabel(golden ? "the golden duel" : "a control changes every 6 frames");
  std::filesystem::remove(path);
}
BENCHMARK(RecordingSize)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// The runner over the busy minute's recording: printing its lines, or verifying.
void RunnerOverRecording(benchmark::State& state) {
  const std::string path = recordBusyMinute();
  replay::Script script;
  std::string error;
  const bool read = record::readScript(path, &script, &error);
  std::filesystem::remove(path);
  if (!read) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::FILE* out = std::fopen("/dev/null", "w");
  replay::Options options;
  options.frames = script.last_frame + 1;
  options.verify = state.range(0) != 0;
  replay::Verdict verdict;
  for (auto _ : state) {
    state.PauseTiming();
    resetAll();
    state.ResumeTiming();
    replay::run(script, options, out, &verdict);
  }
  std::fclose(out);
  if (options.verify && verdict.differs) state.SkipWithError("the recording did not verify");
  state.counters["frames/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * options.frames, benchmark::Counter::kIsRate);
  state.SetLabel(options.verify ? "--verify" : "plain (baseline)");
}
BENCHMARK(RunnerOverRecording)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
