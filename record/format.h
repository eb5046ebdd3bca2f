// Input scripts and recordings: the replay runner's script lines, and the
// header, client size, extra paints and checkpoints a recording adds to them.
//
//   # starquell replay 1                 format version (first line)
//   # program 0.1.0 logic 1              program and game-logic version
//   # started 2026-12-07T14:03:59Z
//   client 734 531                       client size at the start
//   130 key 88 down                      input, at the frame whose paint sees it
//   200 mouse right down
//   250 resize 400 300
//   251 ticks 0                          frame passes before the paint (when not 1)
//   300 crc 1a2b3c4d                     CRC-32 of the pixel memory after the paint
//
// Everything from outside is checked here: a line that is not one of these is
// refused with its number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace record {

inline constexpr int FORMAT_VERSION = 1;
// Raised whenever a change alters any frame's picture or the ships' state.
inline constexpr int LOGIC_VERSION = 1;
inline constexpr int CHECKPOINT_INTERVAL = 60;
inline constexpr std::size_t MAX_LINE = 511;
// What a real recording can hold, so that a file from anyone costs little to
// refuse: a window's client size (the network game's rule too), the frames
// between two lines (the recorder writes a checkpoint at least every 60
// frames), the idle passes before a paint and the file's size.
inline constexpr int MIN_CLIENT = 16;
inline constexpr int MAX_CLIENT = 4096;
inline constexpr std::uint32_t MAX_FRAME_STEP = CHECKPOINT_INTERVAL;
inline constexpr int MAX_TICKS = 1000000;
inline constexpr std::uint64_t MAX_RECORDING_BYTES = std::uint64_t{64} << 20;

enum class EventKind { Key, Mouse, Resize, Ticks, Checkpoint };

struct ScriptEvent {
  std::uint32_t frame = 0;
  EventKind kind = EventKind::Key;
  int code = 0;  // virtual key, or 0 left / 1 right button
  bool down = false;
  int width = 0;  // Resize
  int height = 0;
  int ticks = 0;          // Ticks: idle passes that asked for a frame since the last paint
  std::uint32_t crc = 0;  // Checkpoint
};

struct Script {
  std::vector<ScriptEvent> events;  // in file order
  std::uint32_t last_frame = 0;     // the highest frame named
  // From a recording's header; a plain script has none.
  bool recording = false;
  int format_version = 0;
  int logic_version = 0;  // 0: not given
  std::string program_version;
  bool has_client = false;
  int client_width = 0;
  int client_height = 0;
  // A recording cut inside a line (a kill, a full disk, a cut download) is
  // read up to its last whole line; `cut_line` is the line it ends inside.
  bool cut = false;
  int cut_line = 0;
};

// Reads a script or recording handed over in pieces of any size, as they
// come from a file, keeping no more than one line.
class ScriptReader {
 public:
  explicit ScriptReader(Script* script);
  // The next bytes; false with "line N: why" in *error at the first bad line.
  bool feed(std::string_view bytes, std::string* error);
  // The input's end: a script's last line may lack its line end; a
  // recording is cut there.
  bool finish(std::string* error);
  // Whole lines read so far.
  int lines() const { return lines_; }

 private:
  bool line(std::string* error);

  Script* script_;
  char line_[MAX_LINE + 1] = {};
  std::size_t length_ = 0;
  int lines_ = 0;
};

// Parses a script or recording; '#' starts a comment, blank lines are
// skipped. On a malformed line returns false with "line N: why" in *error. A
// recording (it starts with "# starquell replay") cut inside a line is read
// up to its last whole line and marked cut.
bool parseScript(std::string_view text, Script* script, std::string* error);

// Reads a script or recording from the file `path` ("-": standard input), in
// binary, line by line, refusing as early as it can. On failure returns false
// with the reason in *error, naming the file: "cannot open P: <the system's
// reason>", "P is a folder", "P is larger than any recording can be", "P:
// line N: <why>". `recording_only`: an empty file is refused as "P is
// empty", and one that does not start as a recording as "P is not a
// recording" (else an empty file is a script without input).
bool readScript(const std::string& path, Script* script, std::string* error,
                bool recording_only = false);

// The one line that says where a cut recording ends (empty when not cut).
std::string cutNote(const std::string& path, const Script& script);

// Why a recording must not be played (a newer format, another game logic),
// as one line; empty when it may.
std::string refusal(const Script& script);

// The frame passes a paint has when nothing else happened: the first frame
// is painted as the window is shown, every later one after one idle pass.
inline int usualTicks(std::uint32_t frame) { return frame == 0 ? 0 : 1; }

}  // namespace record
