#include "session/command_line.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace session {

std::vector<std::string> splitWindowsCommandLine(const char* line) {
  std::vector<std::string> args;
  if (line == nullptr) return args;
  const char* p = line;
  for (;;) {
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '\0') break;
    std::string arg;
    bool quoted = false;
    while (*p != '\0' && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '\\') {
        std::size_t slashes = 0;
        while (*p == '\\') {
          ++slashes;
          ++p;
        }
        if (*p == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg.push_back('"');
            ++p;
          }
        } else {
          arg.append(slashes, '\\');
        }
      } else if (*p == '"') {
        if (quoted && p[1] == '"') {
          arg.push_back('"');
          p += 2;
        } else {
          quoted = !quoted;
          ++p;
        }
      } else {
        arg.push_back(*p++);
      }
    }
    args.push_back(arg);
  }
  return args;
}

const ParsedArguments::Option* ParsedArguments::find(const char* name) const {
  const Option* found = nullptr;
  for (const Option& o : options) {
    if (o.name == name) found = &o;  // the last one given counts
  }
  return found;
}

bool parseArguments(const std::vector<std::string>& args, const OptionRule* rules,
                    std::size_t rule_count, ParsedArguments* out, std::string* error) {
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_end || a.size() < 2 || a[0] != '-') {
      out->operands.push_back(a);
      continue;
    }
    if (a == "--") {
      options_end = true;
      continue;
    }
    const OptionRule* rule = nullptr;
    for (std::size_t k = 0; k < rule_count; ++k) {
      if (a == rules[k].name) rule = &rules[k];
    }
    if (rule == nullptr) {
      *error = "unknown option " + a + " (see --help)";
      return false;
    }
    ParsedArguments::Option option{a, {}};
    if (rule->values < 0) {
      if (i + 1 < args.size() && (args[i + 1].size() < 2 || args[i + 1][0] != '-')) {
        option.values.push_back(args[++i]);
      }
      out->options.push_back(option);
      continue;
    }
    for (int v = 0; v < rule->values; ++v) {
      if (i + 1 >= args.size()) {
        *error = a + (rule->values == 1 ? " needs a value"
                                        : " needs " + std::to_string(rule->values) + " values");
        return false;
      }
      option.values.push_back(args[++i]);
    }
    out->options.push_back(option);
  }
  return true;
}

bool parsePort(const std::string& text, std::uint16_t* port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

bool parseDelay(const std::string& text, int* delay, std::string* error) {
  if (text.size() != 1 || text[0] < '1' || text[0] > '7') {
    *error = "--delay: not 1..7: " + text;
    return false;
  }
  *delay = text[0] - '0';
  return true;
}

bool parseRollback(const std::string& text, int* rollback, std::string* error) {
  int value = 0;
  bool digits = !text.empty() && text.size() <= 2;
  for (const char c : text) {
    digits = digits && c >= '0' && c <= '9';
    value = value * 10 + (c - '0');
  }
  if (!digits || value > ProgramOptions::MAX_ROLLBACK) {
    *error = "--rollback: not 0.." + std::to_string(ProgramOptions::MAX_ROLLBACK) + ": " + text;
    return false;
  }
  *rollback = value;
  return true;
}

bool parseHostPort(const std::string& text, std::string* host, std::uint16_t* port,
                   std::string* error) {
  std::string name = text;
  std::string port_text;
  if (!text.empty() && text[0] == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string::npos) {
      *error = "no ] after the IPv6 address in " + text;
      return false;
    }
    name = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') {
        *error = "expected :PORT after ] in " + text;
        return false;
      }
      port_text = text.substr(close + 2);
      if (port_text.empty()) {
        *error = "no port after : in " + text;
        return false;
      }
    }
  } else if (const std::size_t colon = text.find(':');
             colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
    name = text.substr(0, colon);
    port_text = text.substr(colon + 1);
    if (port_text.empty()) {
      *error = "no port after : in " + text;
      return false;
    }
  }
  if (name.empty()) {
    *error = "no host name in " + (text.empty() ? std::string("\"\"") : text);
    return false;
  }
  if (!port_text.empty() && !parsePort(port_text, port)) {
    *error = "not a port (1..65535): " + port_text;
    return false;
  }
  *host = name;
  return true;
}

const char PROGRAM_USAGE[] =
    "usage: starquell [--record FILE | --no-record] [--play FILE [--force]]\n"
    "                 [--host [PORT] | --join HOST[:PORT]] [--delay N] [--rollback N]\n"
    "                 [--computer [0|1|both] [--level easy|normal|hard]]\n"
    "  (no option)     play; each game is recorded into a file of its own in\n"
    "                  $XDG_DATA_HOME/starquell/replays (~/.local/share/starquell/\n"
    "                  replays when unset or relative; on Windows\n"
    "                  %APPDATA%\\Starquell\\replays), the 50 newest kept\n"
    "  --record FILE   record the game into FILE instead\n"
    "  --no-record     record nothing\n"
    "  --play FILE     watch a recorded game (Space pauses and resumes)\n"
    "  --force         watch a recording of another format or game-logic version\n"
    "  --host [PORT]   play over the network: wait for the other player on UDP\n"
    "                  port PORT (47600 unless given); this side steers walker 0\n"
    "  --join HOST[:PORT]  play over the network with the player hosting on\n"
    "                  HOST (a name, an IPv4 or an [IPv6] address); walker 1\n"
    "  --delay N       a network game's input delay in frames, 1..7 (2, or 3\n"
    "                  with --rollback 0); the host's counts\n"
    "  --rollback N    frames a network game may run ahead of the other player's\n"
    "                  input, correcting itself when that differs, 0..20 (8); 0\n"
    "                  waits for it every frame; the host's counts\n"
    "  --computer [W]  the computer plays walker W: 0, 1 or both (1 unless\n"
    "                  given); in a network game it plays this side's walker\n"
    "  --level L       the computer's level: easy, normal or hard (normal)\n"
    "  --help          this text\n"
    "  --version       the program's version\n";

namespace {

// --computer and --level into *options (its network already read): "" or why not.
std::string readComputerOptions(const ParsedArguments& parsed, ProgramOptions* options) {
  const auto* computer = parsed.find("--computer");
  const auto* level = parsed.find("--level");
  if (computer == nullptr) return level != nullptr ? "--level goes with --computer" : "";
  if (parsed.find("--play") != nullptr) {
    return "--computer cannot be used while watching a recording";
  }
  // A network game's computer plays this side's own walker: the host's 0, the joiner's 1.
  const bool network = options->network != ProgramOptions::Network::Off;
  const int own = options->network == ProgramOptions::Network::Host ? 0 : 1;
  if (computer->values.empty()) {
    options->computer_walkers = static_cast<std::uint8_t>(1u << own);
  } else {
    const std::string& w = computer->values[0];
    if (w == "0" || w == "1") {
      options->computer_walkers = static_cast<std::uint8_t>(1u << (w[0] - '0'));
    } else if (w == "both") {
      options->computer_walkers = 3;
    } else {
      return "--computer: not 0, 1 or both: " + w;
    }
    if (network && options->computer_walkers != 1u << own) {
      return "--computer " + w + ": in a network game the computer plays this side's walker (" +
             std::to_string(own) + (own == 0 ? " with --host)" : " with --join)");
    }
  }
  if (level != nullptr) {
    static constexpr struct {
      const char* name;
      ComputerLevel level;
    } LEVELS[] = {{"easy", ComputerLevel::Easy},
                  {"normal", ComputerLevel::Normal},
                  {"hard", ComputerLevel::Hard}};
    const auto* found = std::find_if(std::begin(LEVELS), std::end(LEVELS),
                                     [&](const auto& l) { return level->values[0] == l.name; });
    if (found == std::end(LEVELS)) {
      return "--level: not easy, normal or hard: " + level->values[0];
    }
    options->computer_level = found->level;
  }
  return "";
}

}  // namespace

ProgramOptions parseProgramOptions(const std::vector<std::string>& args) {
  static constexpr OptionRule RULES[] = {{"--record", 1},
                                         {"--no-record", 0},
                                         {"--play", 1},
                                         {"--force", 0},
                                         {"--help", 0},
                                         {"--version", 0},
                                         {"--host", -1},
                                         {"--join", 1},
                                         {"--delay", 1},
                                         {"--rollback", 1},
                                         // the computer player
                                         {"--computer", -1},
                                         {"--level", 1}};
  ProgramOptions result;
  ParsedArguments parsed;
  auto fail = [&result](const std::string& why) {
    result.action = ProgramOptions::Action::Fail;
    result.error = why;
    return result;
  };
  if (!parseArguments(args, RULES, std::size(RULES), &parsed, &result.error)) {
    return fail(result.error);
  }
  if (parsed.find("--help") != nullptr) {
    result.action = ProgramOptions::Action::Help;
    return result;
  }
  if (parsed.find("--version") != nullptr) {
    result.action = ProgramOptions::Action::Version;
    return result;
  }
  if (!parsed.operands.empty()) return fail("unexpected argument " + parsed.operands[0]);
  const auto* record = parsed.find("--record");
  const auto* no_record = parsed.find("--no-record");
  const auto* play = parsed.find("--play");
  if (record != nullptr && no_record != nullptr) {
    return fail("--record and --no-record cannot be used together");
  }
  if (record != nullptr && play != nullptr) {
    return fail("--record and --play cannot be used together: a watched game is not recorded");
  }
  for (const auto* o : {record, play}) {
    if (o != nullptr && o->values[0].empty()) return fail(o->name + " needs a file name");
  }
  result.force = parsed.find("--force") != nullptr;
  if (result.force && play == nullptr) return fail("--force goes with --play");
  const auto* host = parsed.find("--host");
  const auto* join = parsed.find("--join");
  const auto* delay = parsed.find("--delay");
  const auto* rollback = parsed.find("--rollback");
  if (host != nullptr && join != nullptr) return fail("--host and --join cannot be used together");
  if ((host != nullptr || join != nullptr) && play != nullptr) {
    return fail("--play cannot be used in a network game");
  }
  for (const auto* o : {delay, rollback}) {
    if (o != nullptr && host == nullptr && join == nullptr) {
      return fail(o->name + " goes with --host or --join");
    }
  }
  std::string why;
  if (host != nullptr) {
    result.network = ProgramOptions::Network::Host;
    if (!host->values.empty() && !parsePort(host->values[0], &result.port)) {
      return fail("--host: not a port (1..65535): " + host->values[0]);
    }
  }
  if (join != nullptr) {
    result.network = ProgramOptions::Network::Join;
    if (!parseHostPort(join->values[0], &result.join_host, &result.port, &why)) {
      return fail("--join: " + why);
    }
  }
  if (rollback != nullptr && !parseRollback(rollback->values[0], &result.rollback, &why)) {
    return fail(why);
  }
  result.delay =
      result.rollback > 0 ? ProgramOptions::ROLLBACK_DELAY : ProgramOptions::LOCKSTEP_DELAY;
  if (delay != nullptr && !parseDelay(delay->values[0], &result.delay, &why)) return fail(why);
  why = readComputerOptions(parsed, &result);
  if (!why.empty()) return fail(why);
  if (play != nullptr) {
    result.action = ProgramOptions::Action::Watch;
    result.play_path = play->values[0];
    result.record = ProgramOptions::Record::Off;
  } else if (record != nullptr) {
    result.record = ProgramOptions::Record::File;
    result.record_path = record->values[0];
  } else if (no_record != nullptr) {
    result.record = ProgramOptions::Record::Off;
  }
  return result;
}

}  // namespace session
