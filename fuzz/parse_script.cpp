// Fuzz target: the script and recording reader (recordings come from other
// people). Any bytes give either a script that holds only what a real one can
// (sizes a window can have, a recording's frames never leaping, idle passes
// in range), or a refusal naming a line of the input; and the bytes handed
// over in pieces of any size read exactly as when handed over whole.
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "record/format.h"

namespace {

bool sameEvents(const record::Script& a, const record::Script& b) {
  if (a.events.size() != b.events.size()) return false;
  for (std::size_t i = 0; i < a.events.size(); ++i) {
    const record::ScriptEvent& x = a.events[i];
    const record::ScriptEvent& y = b.events[i];
    if (x.frame != y.frame || x.kind != y.kind || x.code != y.code || x.down != y.down ||
        x.width != y.width || x.height != y.height || x.ticks != y.ticks || x.crc != y.crc) {
      return false;
    }
  }
  return true;
}

void checkHeld(const record::Script& script, std::string_view text) {
  (void)record::refusal(script);
  const int low = script.recording ? record::MIN_CLIENT : 0;
  const auto size_ok = [&](int w, int h) {
    return w >= low && w <= record::MAX_CLIENT && h >= low && h <= record::MAX_CLIENT;
  };
  std::uint32_t last = 0;
  for (const record::ScriptEvent& e : script.events) {
    FUZZ_CHECK(e.frame <= 0x7FFFFFFFu);
    if (script.recording) FUZZ_CHECK(e.frame <= last + record::MAX_FRAME_STEP);
    last = e.frame > last ? e.frame : last;
    switch (e.kind) {
      case record::EventKind::Key:
        FUZZ_CHECK(e.code >= 1 && e.code <= 255);
        break;
      case record::EventKind::Mouse:
        FUZZ_CHECK(e.code == 0 || e.code == 1);
        break;
      case record::EventKind::Resize:
        FUZZ_CHECK(size_ok(e.width, e.height));
        break;
      case record::EventKind::Ticks:
        FUZZ_CHECK(e.ticks >= 0 && e.ticks <= record::MAX_TICKS);
        break;
      case record::EventKind::Checkpoint:
        break;
    }
  }
  FUZZ_CHECK(last == script.last_frame);
  FUZZ_CHECK(!script.has_client || size_ok(script.client_width, script.client_height));
  // Only a recording is cut, and only when its last line has no end.
  FUZZ_CHECK(!script.cut || (script.recording && !text.empty() && text.back() != '\n'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // The pieces' size follows from the input's, so that the seeds stay texts.
  const std::size_t piece = 1 + size % 61;
  record::Script script;
  std::string error;
  const bool read = record::parseScript(text, &script, &error);

  record::Script pieces;
  std::string pieces_error;
  record::ScriptReader reader(&pieces);
  bool pieces_read = true;
  for (std::size_t at = 0; pieces_read && at < text.size(); at += piece) {
    pieces_read = reader.feed(text.substr(at, piece), &pieces_error);
  }
  pieces_read = pieces_read && reader.finish(&pieces_error);
  FUZZ_CHECK(pieces_read == read && pieces_error == error);
  FUZZ_CHECK(sameEvents(script, pieces) && script.cut == pieces.cut);

  if (!read) {
    FUZZ_CHECK(error.rfind("line ", 0) == 0);
    const long line = std::strtol(error.c_str() + 5, nullptr, 10);
    long lines = 1;
    for (const char c : text) lines += c == '\n' ? 1 : 0;
    FUZZ_CHECK(line >= 1 && line <= lines);
    FUZZ_CHECK(error.find('\n') == std::string::npos);
    return 0;
  }
  checkHeld(script, text);
  return 0;
}
