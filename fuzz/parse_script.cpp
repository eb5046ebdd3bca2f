// Fuzz target: the script and recording parser (recordings come from other
// people). Any bytes give either a parsed script whose every event is in
// range, or a refusal naming a line of the input.
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "record/format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  record::Script script;
  std::string error;
  if (!record::parseScript(text, &script, &error)) {
    FUZZ_CHECK(error.rfind("line ", 0) == 0);
    const long line = std::strtol(error.c_str() + 5, nullptr, 10);
    long lines = 1;
    for (const char c : text) lines += c == '\n' ? 1 : 0;
    FUZZ_CHECK(line >= 1 && line <= lines);
    FUZZ_CHECK(error.find('\n') == std::string::npos);
    return 0;
  }
  (void)record::refusal(script);
  std::uint32_t last = 0;
  for (const record::ScriptEvent& e : script.events) {
    last = e.frame > last ? e.frame : last;
    FUZZ_CHECK(e.frame <= 0x7FFFFFFFu);
    switch (e.kind) {
      case record::EventKind::Key:
        FUZZ_CHECK(e.code >= 1 && e.code <= 255);
        break;
      case record::EventKind::Mouse:
        FUZZ_CHECK(e.code == 0 || e.code == 1);
        break;
      case record::EventKind::Resize:
        FUZZ_CHECK(e.width >= 0 && e.width <= 65535 && e.height >= 0 && e.height <= 65535);
        break;
      case record::EventKind::Ticks:
        FUZZ_CHECK(e.ticks >= 0 && e.ticks <= 1000000);
        break;
      case record::EventKind::Checkpoint:
        break;
    }
  }
  FUZZ_CHECK(last == script.last_frame);
  FUZZ_CHECK(!script.has_client || (script.client_width <= 65535 && script.client_height <= 65535));
  return 0;
}
