// starquell-replay [--frames N] [--dump-frame K FILE.png] SCRIPT
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/replay/replay.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: starquell-replay [--frames N] [--dump-frame K FILE.png] SCRIPT\n"
               "SCRIPT may be - for standard input.\n");
  return 2;
}

bool count(const char* word, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(word, &end, 10);
  return *word != '\0' && *end == '\0' && *value >= 0 && *value <= 0x7FFFFFFF;
}

}  // namespace

int main(int argc, char** argv) {
  replay::Options options;
  long long frames = -1;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    long long k = 0;
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc && count(argv[i + 1], &frames)) {
      ++i;
    } else if (std::strcmp(argv[i], "--dump-frame") == 0 && i + 2 < argc &&
               count(argv[i + 1], &k)) {
      options.dump_frame = k;
      options.dump_path = argv[i + 2];
      i += 2;
    } else if (path == nullptr && (argv[i][0] != '-' || std::strcmp(argv[i], "-") == 0)) {
      path = argv[i];
    } else {
      return usage();
    }
  }
  if (path == nullptr) return usage();
  std::FILE* in = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "r");
  if (in == nullptr) {
    std::fprintf(stderr, "starquell-replay: cannot open %s\n", path);
    return 2;
  }
  replay::Script script;
  std::string error;
  const bool parsed = replay::parseScript(in, &script, &error);
  if (in != stdin) std::fclose(in);
  if (!parsed) {
    std::fprintf(stderr, "starquell-replay: %s: %s\n", path, error.c_str());
    return 2;
  }
  options.frames = frames >= 0             ? static_cast<std::uint32_t>(frames)
                   : script.events.empty() ? 0
                                           : script.last_frame + 1;
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  const int status = replay::run(script, options, stdout);
  std::fflush(stdout);
  return status;
}
