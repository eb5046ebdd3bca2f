// starquell-replay [--frames N] [--dump-frame K FILE.png] [--verify] [--force]
//                  [--record FILE] [--host PORT | --join HOST:PORT] [--delay N]
//                  [--rollback N] [--pace] [--computer 0|1|both [--level easy|normal|hard]]
//                  SCRIPT
// Scripts and recordings come from anyone: every option value and the file
// are checked, and each refusal is one line and status 2.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/core/core.h"
#include "record/format.h"
#include "session/command_line.h"
#include "tools/replay/net_peer.h"
#include "tools/replay/replay.h"

#ifndef STARQUELL_VERSION
#error "the build gives the project's version as STARQUELL_VERSION"
#endif

namespace {

const char USAGE[] =
    "usage: starquell-replay [--frames N] [--dump-frame K FILE.png] [--verify] [--force]\n"
    "                        [--record FILE] [--host PORT | --join HOST:PORT] [--delay N]\n"
    "                        [--rollback N] [--pace] [--computer 0|1|both [--level L]]\n"
    "                        SCRIPT\n"
    "Plays the game without a window from SCRIPT (a script or a recording; - reads\n"
    "standard input) and prints one line per frame: \"client W H stride S\" first,\n"
    "then the frame, the CRC-32 of its picture, each walker's x y heading arm state\n"
    "and the sound requests; last, each walker's share of the arena (\"territory:\n"
    "walker 0 61.4 %, walker 1 38.6 %\").\n"
    "  --frames N      run N frames (by default up to the script's last event)\n"
    "  --dump-frame K FILE.png  write the picture of frame K to FILE.png\n"
    "  --verify        compare a recording's checkpoints instead of printing lines:\n"
    "                  status 0 when all match, 1 at the first that differs\n"
    "  --force         play a recording of another format or game-logic version\n"
    "  --record FILE   record the game played into FILE\n"
    "  --host PORT     play a network game headless for --frames N frames as its\n"
    "                  host; SCRIPT's keys and buttons steer this side's walker\n"
    "  --join HOST:PORT  the same as the joiner\n"
    "  --delay N       a network game's input delay in frames, 1..7 (2, or 3 with\n"
    "                  --rollback 0)\n"
    "  --rollback N    frames a network game may run ahead of the other side's\n"
    "                  input, 0..20 (8); 0 waits for it every frame. A frame's line\n"
    "                  (and the recording) comes once both sides' input for it is known\n"
    "  --pace          run a network game at 60 frames a second, as the game does,\n"
    "                  and count the frames that waited\n"
    "  --computer W    the computer plays walker W (0, 1 or both); SCRIPT's input\n"
    "                  plays the other\n"
    "  --level L       the computer's level: easy, normal (the default) or hard\n"
    "  --help          this text\n"
    "  --version       the program's version\n";

// A wrong command line: why, then the usage, on standard error.
int usageError(const std::string& why) {
  std::fprintf(stderr, "starquell-replay: %s\n%s", why.c_str(), USAGE);
  return 2;
}

// A refusal that is not about the command line's shape: one line.
int refuse(const std::string& why) {
  std::fprintf(stderr, "starquell-replay: %s\n", why.c_str());
  return 2;
}

// A count from 0 to 2^31 - 1 in decimal digits only (no sign, no blanks).
bool count(const std::string& word, long long* value) {
  if (word.empty() || word.size() > 10) return false;
  long long v = 0;
  for (const char c : word) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return v <= 0x7FFFFFFF;
}

}  // namespace

int main(int argc, char** argv) {
  static constexpr session::OptionRule RULES[] = {
      {"--frames", 1}, {"--dump-frame", 2}, {"--verify", 0},   {"--force", 0}, {"--record", 1},
      {"--help", 0},   {"--version", 0},    {"--host", 1},     {"--join", 1},  {"--delay", 1},
      {"--pace", 0},   {"--rollback", 1},   {"--computer", 1}, {"--level", 1}};
  replay::Options options;
  long long frames = -1;
  session::ParsedArguments args;
  std::string error;
  if (!session::parseArguments(std::vector<std::string>(argv + 1, argv + argc), RULES,
                               std::size(RULES), &args, &error)) {
    return usageError(error);
  }
  if (args.find("--help") != nullptr) {
    std::fputs(USAGE, stdout);
    return 0;
  }
  if (args.find("--version") != nullptr) {
    std::printf("starquell-replay %s\n", STARQUELL_VERSION);
    return 0;
  }
  if (args.operands.size() != 1) {
    return usageError(args.operands.empty() ? "no script named" : "one script only");
  }
  const std::string& path = args.operands[0];
  if (path.empty()) return refuse("an empty file name");
  if (const auto* o = args.find("--frames"); o != nullptr && !count(o->values[0], &frames)) {
    return usageError("--frames: not a count (0..2147483647): " + o->values[0]);
  }
  if (const auto* o = args.find("--dump-frame")) {
    long long k = 0;
    if (!count(o->values[0], &k)) {
      return usageError("--dump-frame: not a frame (0..2147483647): " + o->values[0]);
    }
    if (o->values[1].empty()) return refuse("--dump-frame: an empty file name");
    options.dump_frame = k;
    options.dump_path = o->values[1];
  }
  options.verify = args.find("--verify") != nullptr;
  const bool force = args.find("--force") != nullptr;
  if (const auto* o = args.find("--record")) {
    if (o->values[0].empty()) return refuse("--record: an empty file name");
    // A name the system cannot convert (not UTF-8 on Windows) throws.
    std::string name;
    try {
      name = std::filesystem::absolute(o->values[0]).string();
    } catch (const std::exception& e) {
      return refuse("--record: " + o->values[0] + ": " + e.what());
    }
    // Quoted as Windows would, since WinMain reads it with Windows' rules.
    const char* record[] = {"--record", name.c_str()};
    options.program_arguments = platform::windowsCommandLine(2, record);
  }
  // The computer's walkers and level.
  if (const auto* o = args.find("--computer")) {
    const std::string& w = o->values[0];
    if (w == "0" || w == "1" || w == "both") {
      options.computer = w == "0" ? 1u : w == "1" ? 2u : 3u;
    } else {
      return usageError("--computer: not 0, 1 or both: " + w);
    }
  }
  if (const auto* o = args.find("--level")) {
    if (options.computer == 0) return usageError("--level goes with --computer");
    if (!computer::parseLevel(o->values[0].c_str(), &options.level)) {
      return usageError("--level: not easy, normal or hard: " + o->values[0]);
    }
  }
  // A network game: the port to host on, or the host to join.
  const auto* host = args.find("--host");
  const auto* join = args.find("--join");
  std::string join_host;
  std::uint16_t port = session::DEFAULT_PORT;
  int delay = session::ProgramOptions::ROLLBACK_DELAY;
  int rollback = session::ProgramOptions::DEFAULT_ROLLBACK;
  if (host != nullptr || join != nullptr) {
    if (host != nullptr && join != nullptr) {
      return usageError("--host and --join cannot be used together");
    }
    if (frames < 0) return usageError("a network game needs --frames N");
    if (options.verify) return usageError("--verify cannot be used in a network game");
    if (options.computer != 0) return usageError("--computer cannot be used in a network game");
    if (host != nullptr && !session::parsePort(host->values[0], &port)) {
      return usageError("--host: not a port (1..65535): " + host->values[0]);
    }
    if (join != nullptr && !session::parseHostPort(join->values[0], &join_host, &port, &error)) {
      return usageError("--join: " + error);
    }
    if (const auto* o = args.find("--rollback");
        o != nullptr && !session::parseRollback(o->values[0], &rollback, &error)) {
      return usageError(error);
    }
    if (rollback == 0) delay = session::ProgramOptions::LOCKSTEP_DELAY;
    if (const auto* o = args.find("--delay");
        o != nullptr && !session::parseDelay(o->values[0], &delay, &error)) {
      return usageError(error);
    }
  } else if (args.find("--delay") != nullptr || args.find("--rollback") != nullptr ||
             args.find("--pace") != nullptr) {
    return usageError("--delay, --rollback and --pace go with --host or --join");
  }
  replay::Script script;
  if (!record::readScript(path, &script, &error, options.verify)) return refuse(error);
  const std::string file = path == "-" ? "standard input" : path;  // as the reader names it
  if (!script.recording && script.events.empty() && frames < 0) {
    return refuse(file + " is empty: nothing to play (--frames N plays a game without input)");
  }
  if (script.cut) {
    std::fprintf(stderr, "starquell-replay: %s\n", record::cutNote(path, script).c_str());
  }
  if (const std::string why = record::refusal(script); !why.empty() && !force) {
    return refuse(file + ": " + why + " (--force plays it anyway)");
  }
  const auto noCheckpoint = [&](const char* where) {
    std::fprintf(stderr, "starquell-replay: %s: nothing to verify: %s\n", file.c_str(), where);
    return 1;
  };
  if (options.verify) {
    bool any = false;
    for (const replay::ScriptEvent& e : script.events) {
      any = any || e.kind == record::EventKind::Checkpoint;
    }
    if (!any) return noCheckpoint("the recording holds no checkpoint");
  }
  options.frames = frames >= 0             ? static_cast<std::uint32_t>(frames)
                   : script.events.empty() ? 0
                                           : script.last_frame + 1;
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  replay::Verdict verdict;
  if (host != nullptr || join != nullptr) {
    replay::NetPeer peer(join_host, port, delay, rollback, options.frames);
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
    if (peer.rollsBack()) {
      std::fprintf(stderr,
                   "starquell-replay: rollbacks %llu (%llu frames run again, deepest %u), "
                   "frame periods let pass %llu\n",
                   static_cast<unsigned long long>(c.rollbacks),
                   static_cast<unsigned long long>(c.rerun_frames), c.deepest_rollback,
                   static_cast<unsigned long long>(c.slowed));
    }
    if (paced)
      std::fprintf(stderr, "starquell-replay: %s\n", replay::waitsText(peer.waits()).c_str());
    return status;
  }
  options.territory = true;
  const int status = replay::run(script, options, stdout, &verdict);
  if (options.verify && status == 0) {
    if (verdict.differs) {
      std::printf("differs at frame %u: recorded %08x, replayed %08x\n", verdict.frame,
                  verdict.recorded, verdict.replayed);
      std::fflush(stdout);
      return 1;
    }
    // Checkpoints only past the frames run (--frames) verify nothing either.
    if (verdict.checkpoints == 0) {
      std::fflush(stdout);
      return noCheckpoint("no checkpoint in the frames run");
    }
    std::printf("verified: %d checkpoints, frames 0..%u\n", verdict.checkpoints,
                verdict.last_frame);
  }
  std::fflush(stdout);
  return status;
}
