// The game's session with the outside: what the command line asked for, and
// the way the game is played (live, recorded, watching a recording, over the
// network: session/mode.h, one file each). The main loop (app/entry)
// calls it at three points: before the window (the command line), as the main
// window's class procedure (a procedure around the game's own, which sees every
// message the game's window procedure is given: the input it consumes, each
// paint and the window's end), and on every idle pass that asks for a frame.
// The game code does not know that it is recorded, played back or played
// over a network.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "session/command_line.h"

namespace session {

inline constexpr int SESSION_GOES_ON = -1;

// Reads the command line (WinMain's, Windows' quoting rules). Returns
// SESSION_GOES_ON to start the game, or the status to end with at once:
// 0 after --help or --version, 2 after a bad option or an unreadable
// recording (one line on standard error).
int startSession(const char* command_line);

// Whom the computer plays, as the command line asked: its walkers (bit w for
// walker w, 0 for none), its level, and whether over a network (then this
// side's walker).
struct ComputerChoice {
  std::uint8_t walkers = 0;
  ComputerLevel level = ComputerLevel::Normal;
  bool network = false;
};
ComputerChoice computerChoice();

// Appended to the window's title: " (replay)" while watching.
const char* titleSuffix();

// A network game's window keeps its client size (the arena depends on it).
bool fixedSize();

// The status to end with: a network game's ending, else the loop's `status`.
int exitStatus(int status);

// The procedure the main window's class registers: `game` itself when nothing
// is recorded or played back.
WNDPROC sessionWindowProc(WNDPROC game);

// What an idle pass whose frame is due does: ask for the paint, tick the
// random channels. Always both, except while a recording is watched (then as
// the recorded game did, and neither while paused or after its end) and in a
// network game (neither while the other side's input has not come, and no
// tick before frame 0).
struct IdleStep {
  bool redraw = true;
  bool tick = true;
};
IdleStep idlePass();

// The recording is closed (written out) when the game ends.
void endSession();

// Writes out what the recorder holds, so that the file is whole up to now;
// returns its path (still after the end), or "" when the game is not recorded.
const char* flushRecording();

// A key (virtual-key code) or mouse button (0 left, 1 right) of a confirmed
// network frame.
struct ConfirmedEvent {
  bool mouse = false;
  unsigned code = 0;
  bool down = false;
};

// A network game with rollback played from outside the program (the replay
// runner's network side): from this call on the game's recording, if any,
// holds only the frames given to confirmedFrame, in order from frame 0, each
// with the events it ran with and its picture's checksum.
void recordConfirmedOnly();
void confirmedFrame(std::uint32_t frame, const ConfirmedEvent* events, int count,
                    std::uint32_t crc);

// Back to no session, for tests.
void resetSession();

}  // namespace session
