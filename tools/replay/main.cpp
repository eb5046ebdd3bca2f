// starquell-replay [--frames N] [--dump-frame K FILE.png] [--verify] [--force]
//                  [--record FILE] [--host PORT | --join HOST:PORT] [--delay N] [--pace]
//                  SCRIPT

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/core/core.h"
#include "session/command_line.h"
#include "tools/replay/net_peer.h"
#include "tools/replay/replay.h"

namespace {

int usage() {
  std::fprintf(
      stderr,
      "usage: starquell-replay [--frames N] [--dump-frame K FILE.png] [--verify] [--force]\n"
      "                        [--record FILE] [--host PORT | --join HOST:PORT] [--delay N]\n"
      "                        [--pace] SCRIPT\n"
      "SCRIPT may be - for standard input. --verify compares a recording's checkpoints;\n"
      "--force plays a recording of another format or game-logic version;\n"
      "--record records the game played into FILE.\n"
      "--host and --join play a network game headless for --frames N frames: SCRIPT's\n"
      "keys and buttons steer this side's ship; --delay is the input delay (1..7);\n"
      "--pace runs them at 60 a second, as the game does, and counts those that waited.\n");
  return 2;
}

bool count(const std::string& word, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(word.c_str(), &end, 10);
  return !word.empty() && *end == '\0' && *value >= 0 && *value <= 0x7FFFFFFF;
}

}  // namespace

int main(int argc, char** argv) {
  static constexpr session::OptionRule RULES[] = {
      {"--frames", 1}, {"--dump-frame", 2}, {"--verify", 0}, {"--force", 0}, {"--record", 1},
      {"--help", 0},   {"--host", 1},       {"--join", 1},   {"--delay", 1}, {"--pace", 0}};
  replay::Options options;
  long long frames = -1;
  session::ParsedArguments args;
  std::string error;
  if (!session::parseArguments(std::vector<std::string>(argv + 1, argv + argc), RULES,
                               std::size(RULES), &args, &error)) {
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
  // A network game: the port to host on, or the host to join.
  const auto* host = args.find("--host");
  const auto* join = args.find("--join");
  std::string join_host;
  std::uint16_t port = session::DEFAULT_PORT;
  int delay = 3;
  if (host != nullptr || join != nullptr) {
    if ((host != nullptr && join != nullptr) || frames < 0 || options.verify) return usage();
    if (host != nullptr && !session::parsePort(host->values[0], &port)) return usage();
    if (join != nullptr && !session::parseHostPort(join->values[0], &join_host, &port, &error)) {
      std::fprintf(stderr, "starquell-replay: --join: %s\n", error.c_str());
      return usage();
    }
    if (const auto* o = args.find("--delay")) {
      const std::string& d = o->values[0];
      if (d.size() != 1 || d[0] < '1' || d[0] > '7') return usage();
      delay = d[0] - '0';
    }
  } else if (args.find("--delay") != nullptr || args.find("--pace") != nullptr) {
    return usage();
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
  if (const std::string why = record::refusal(script); !why.empty() && !force) {
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
  if (host != nullptr || join != nullptr) {
    replay::NetPeer peer(join_host, port, delay, options.frames);
    const bool paced = args.find("--pace") != nullptr;
    if (paced) peer.pace(FRAMES_PER_SECOND);
    if (!peer.connect(&error)) {
      std::fprintf(stderr, "starquell-replay: %s\n", error.c_str());
      return 1;
    }
    options.network = &peer;
    int status = replay::run(script, options, stdout, &verdict);
    std::fflush(stdout);
    peer.finish();
    if (!peer.ending().empty()) {
      std::fprintf(stderr, "starquell-replay: %s\n", peer.ending().c_str());
      if (status == 0) status = 1;
    }
    const net::Counters& c = peer.counters();
    std::fprintf(
        stderr,
        "starquell-replay: datagrams sent %llu (%llu bytes), received %llu (%llu bytes), "
        "dropped %llu, stale %llu\n",
        static_cast<unsigned long long>(c.sent), static_cast<unsigned long long>(c.sent_bytes),
        static_cast<unsigned long long>(c.received),
        static_cast<unsigned long long>(c.received_bytes),
        static_cast<unsigned long long>(c.dropped()), static_cast<unsigned long long>(c.stale));
    if (paced)
      std::fprintf(stderr, "starquell-replay: %s\n", replay::waitsText(peer.waits()).c_str());
    return status;
  }
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
