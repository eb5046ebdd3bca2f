// The replay runner: runs the real program (WinMain, its loop, the window
// procedure, the game frame) on the headless backend with a scripted clock, so
// no real time passes, applies scripted input just before the frames it names
// and prints one line per painted frame.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace replay {

enum class EventKind { Key, Mouse, Resize };

// One script line: "<frame> key <vk> down|up", "<frame> mouse left|right down|up"
// or "<frame> resize <client width> <client height>".
struct ScriptEvent {
  std::uint32_t frame = 0;
  EventKind kind = EventKind::Key;
  int code = 0;  // virtual key, or 0 left / 1 right button
  bool down = false;
  int width = 0;
  int height = 0;
};

struct Script {
  std::vector<ScriptEvent> events;  // in file order
  std::uint32_t last_frame = 0;     // the highest frame named
};

// Parses a script; '#' starts a comment, blank lines are skipped. On a
// malformed line returns false with "line N: why" in *error.
bool parseScript(std::FILE* in, Script* script, std::string* error);

struct Options {
  std::uint32_t frames = 0;
  std::int64_t dump_frame = -1;  // frame whose back buffer goes to dump_path
  std::string dump_path;
};

// Runs the program for options.frames frames, writing the lines to out; then
// closes the window and returns WinMain's status. Message boxes are answered
// Yes and listed on standard error.
int run(const Script& script, const Options& options, std::FILE* out);

// CRC-32 (zlib's) of the back buffer's pixel memory; 0 without a buffer.
std::uint32_t backBufferCrc();

}  // namespace replay
