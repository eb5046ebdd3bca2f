#include "input/command_line.h"

#include <cstring>

namespace input {

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

bool parseArguments(const std::vector<std::string>& args, const OptionSpec* specs,
                    std::size_t spec_count, ParsedArguments* out, std::string* error) {
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
    const OptionSpec* spec = nullptr;
    for (std::size_t k = 0; k < spec_count; ++k) {
      if (a == specs[k].name) spec = &specs[k];
    }
    if (spec == nullptr) {
      *error = "unknown option " + a + " (see --help)";
      return false;
    }
    ParsedArguments::Option option{a, {}};
    for (int v = 0; v < spec->values; ++v) {
      if (i + 1 >= args.size()) {
        *error = a + (spec->values == 1 ? " needs a value"
                                        : " needs " + std::to_string(spec->values) + " values");
        return false;
      }
      option.values.push_back(args[++i]);
    }
    out->options.push_back(option);
  }
  return true;
}

const char PROGRAM_USAGE[] =
    "usage: starquell [--record FILE | --no-record] [--play FILE [--force]]\n"
    "  (no option)     play; the game is recorded into the replays folder of the\n"
    "                  user's data folder, the 50 newest kept\n"
    "  --record FILE   record the game into FILE instead\n"
    "  --no-record     record nothing\n"
    "  --play FILE     watch a recorded game (Space pauses and resumes)\n"
    "  --force         watch a recording of another format or game-logic version\n"
    "  --help          this text\n"
    "  --version       the program's version\n";

ProgramOptions parseProgramOptions(const std::vector<std::string>& args) {
  static constexpr OptionSpec SPECS[] = {{"--record", 1}, {"--no-record", 0}, {"--play", 1},
                                         {"--force", 0},  {"--help", 0},      {"--version", 0}};
  ProgramOptions result;
  ParsedArguments parsed;
  auto fail = [&result](const std::string& why) {
    result.action = ProgramOptions::Action::Fail;
    result.error = why;
    return result;
  };
  if (!parseArguments(args, SPECS, std::size(SPECS), &parsed, &result.error)) {
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

}  // namespace input
