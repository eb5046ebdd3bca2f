#include "session/session.h"

#include <cstdio>

#include "session/command_line.h"
#include "session/mode.h"
#include "shell/reports.h"

namespace session {

namespace {

WNDPROC g_game = nullptr;
Mode* g_mode = &startPlaying();
ComputerChoice g_computer;

LRESULT CALLBACK sessionProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return g_mode->message(hwnd, message, wparam, lparam);
}

// The mode a game is played through: recorded unless told otherwise, or live
// when no file can be made; null when the file asked for cannot be made.
Mode* playOrRecord(const ProgramOptions& options) {
  if (options.record == ProgramOptions::Record::Off) return &startPlaying();
  bool refused = false;
  Mode* recording = startRecording(options, &refused);
  if (refused) return nullptr;
  return recording != nullptr ? recording : &startPlaying();
}

}  // namespace

LRESULT callGame(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return g_game(hwnd, message, wparam, lparam);
}

int startSession(const char* command_line) {
  const ProgramOptions options = parseProgramOptions(splitWindowsCommandLine(command_line));
  g_computer = ComputerChoice{};
  if (options.action == ProgramOptions::Action::Play) {
    g_computer = {options.computer_walkers, options.computer_level,
                  options.network != ProgramOptions::Network::Off};
  }
  switch (options.action) {
    case ProgramOptions::Action::Help:
      std::fputs(PROGRAM_USAGE, stdout);
      std::fflush(stdout);
      return 0;
    case ProgramOptions::Action::Version:
      std::printf("starquell %s\n", STARQUELL_VERSION);
      std::fflush(stdout);
      return 0;
    case ProgramOptions::Action::Fail:
      std::fprintf(stderr, "starquell: %s\n", options.error.c_str());
      return 2;
    case ProgramOptions::Action::Watch:
      if (Mode* watching = startWatching(options)) {
        g_mode = watching;
        return SESSION_GOES_ON;
      }
      return 2;
    case ProgramOptions::Action::Play:
      break;
  }
  Mode* played = playOrRecord(options);
  if (played == nullptr) return 2;
  Mode& game = *played;
  g_mode = &game;
  if (options.network == ProgramOptions::Network::Off) return SESSION_GOES_ON;
#ifdef STARQUELL_NO_NETWORK
  std::fprintf(stderr, "starquell: this build does not play over a network\n");
  game.end();
  return 2;
#else
  Mode* network = startNetwork(options, game);
  if (network == nullptr) return 2;
  g_mode = network;
  return SESSION_GOES_ON;
#endif
}

ComputerChoice computerChoice() { return g_computer; }

const char* titleSuffix() { return g_mode->titleSuffix(); }

bool fixedSize() { return g_mode->fixedSize(); }

int exitStatus(int status) { return g_mode->exitStatus(status); }

WNDPROC sessionWindowProc(WNDPROC game) {
  g_game = game;
  return g_mode == &startPlaying() ? game : sessionProc;
}

IdleStep idlePass() { return g_mode->idlePass(); }

void endSession() { g_mode->end(); }

const char* flushRecording() { return g_mode->flushRecording(); }

void recordConfirmedOnly() { g_mode->confirmedOnly(); }

void confirmedFrame(std::uint32_t frame, const ConfirmedEvent* events, int count,
                    std::uint32_t crc) {
  g_mode->confirmed(frame, events, count, crc);
}

void resetSession() {
  g_mode->end();
  setExitHook(nullptr);
  g_mode = &startPlaying();
  g_game = nullptr;
  g_computer = ComputerChoice{};
}

}  // namespace session
