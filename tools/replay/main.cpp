// starquell-replay [--frames N] [--dump-frame K FILE.png] [--verify] [--force]
//                  [--record FILE] SCRIPT

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "input/command_line.h"
#include "platform/core/core.h"
#include "tools/replay/replay.h"

namespace {

int usage() {
  std::fprintf(
      stderr,
      "usage: starquell-replay [--frames N] [--dump-frame K FILE.png] [--verify] [--force]\n"
      "                        [--record FILE] SCRIPT\n"
      "SCRIPT may be - for standard input. --verify compares a recording's checkpoints;\n"
      "--force plays a recording of another format or game-logic version;\n"
      "--record records the game played into FILE.\n");
  return 2;
}

bool count(const std::string& word, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(word.c_str(), &end, 10);
  return !word.empty() && *end == '\0' && *value >= 0 && *value <= 0x7FFFFFFF;
}

}  // namespace

int main(int argc, char** argv) {
  static constexpr input::OptionSpec SPECS[] = {{"--frames", 1}, {"--dump-frame", 2},
                                                {"--verify", 0}, {"--force", 0},
                                                {"--record", 1}, {"--help", 0}};
  replay::Options options;
  long long frames = -1;
  input::ParsedArguments args;
  std::string error;
  if (!input::parseArguments(std::vector<std::string>(argv + 1, argv + argc), SPECS,
                             std::size(SPECS), &args, &error)) {
    std::fprintf(stderr, "starquell-replay: %s\n", error.c_str());
    return usage();
  }
  if (args.find("--help") != nullptr || args.operands.size() != 1) return usage();
  if (const auto* o = args.find("--frames"); o != nullptr && !count(o->values[0], &frames)) {
    return usage();
  }
  if (const auto* o = args.find("--dump-frame")) {
    long long k = 0;
    if (!count(o->values[0], &k)) return usage();
    options.dump_frame = k;
    options.dump_path = o->values[1];
  }
  options.verify = args.find("--verify") != nullptr;
  const bool force = args.find("--force") != nullptr;
  if (const auto* o = args.find("--record")) {
    // Quoted as Windows would, since WinMain reads it with Windows' rules.
    const std::string file = std::filesystem::absolute(o->values[0]).string();
    const char* record[] = {"--record", file.c_str()};
    options.program_arguments = platform::windowsCommandLine(2, record);
  }
  const char* path = args.operands[0].c_str();
  std::FILE* in = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "r");
  if (in == nullptr) {
    std::fprintf(stderr, "starquell-replay: cannot open %s\n", path);
    return 2;
  }
  replay::Script script;
  const bool parsed = replay::parseScript(in, &script, &error);
  if (in != stdin) std::fclose(in);
  if (!parsed) {
    std::fprintf(stderr, "starquell-replay: %s: %s\n", path, error.c_str());
    return 2;
  }
  if (const std::string why = input::refusal(script); !why.empty() && !force) {
    std::fprintf(stderr, "starquell-replay: %s: %s (--force plays it anyway)\n", path, why.c_str());
    return 2;
  }
  if (options.verify && !script.recording) {
    std::fprintf(stderr, "starquell-replay: %s: not a recording: nothing to verify\n", path);
    return 2;
  }
  options.frames = frames >= 0             ? static_cast<std::uint32_t>(frames)
                   : script.events.empty() ? 0
                                           : script.last_frame + 1;
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  replay::Verdict verdict;
  const int status = replay::run(script, options, stdout, &verdict);
  if (options.verify && status == 0) {
    if (verdict.differs) {
      std::printf("differs at frame %u: recorded %08x, replayed %08x\n", verdict.frame,
                  verdict.recorded, verdict.replayed);
      std::fflush(stdout);
      return 1;
    }
    std::printf("verified: %d checkpoints, frames 0..%u\n", verdict.checkpoints,
                verdict.last_frame);
  }
  std::fflush(stdout);
  return status;
}
