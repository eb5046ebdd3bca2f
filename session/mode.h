// One way of playing: live, recorded, watching a recording, or over the
// network. The session runs one mode from the command line to the game's end;
// the mode stands between the main window and the game's own procedure and
// says what each idle pass does. Each mode lives in its own file.
#pragma once

#include "platform/win32.h"
#include "session/command_line.h"
#include "session/session.h"

namespace session {

class Mode {
 public:
  // The main window's procedure while this mode runs.
  virtual LRESULT message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) = 0;
  // An idle pass whose frame is due.
  virtual IdleStep idlePass() = 0;
  virtual const char* titleSuffix() const { return ""; }
  // The window keeps its client size (the game's is decided elsewhere).
  virtual bool fixedSize() const { return false; }
  // The status to end with, given the loop's.
  virtual int exitStatus(int status) const { return status; }
  // The game has ended: files closed, connections dropped.
  virtual void end() {}
  // Writes out what the recorder holds and returns the recording's path, or
  // "" when nothing is recorded.
  virtual const char* flushRecording() { return ""; }
  // A network game with rollback runs frames on a prediction of the other
  // side's input and runs them again when it was wrong, which a recording must
  // not hold: from this call on the mode hands the game's input and paints
  // through unrecorded and instead records the frames it is told are
  // confirmed, in order from frame 0, each with the events it ran with and its
  // picture's checksum.
  virtual void confirmedOnly() {}
  virtual void confirmed(std::uint32_t /*frame*/, const ConfirmedEvent* /*events*/, int /*count*/,
                         std::uint32_t /*crc*/) {}

 protected:
  ~Mode() = default;
};

// The game's own window procedure, which every mode hands the game's messages.
LRESULT callGame(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The modes; each start function gives its one instance, made anew.
Mode& startPlaying();
// Null (and a line on standard error) when no file can be made: the game
// goes on unrecorded, but for a file named on the command line, which
// *refused marks (the program ends before any window).
Mode* startRecording(const ProgramOptions& options, bool* refused);
// Null after a line on standard error: the recording cannot be read or played.
Mode* startWatching(const ProgramOptions& options);
// The network game; `inner` is the mode the merged game is played through
// (live or recorded). Null after a line on standard error.
Mode* startNetwork(const ProgramOptions& options, Mode& inner);

}  // namespace session
