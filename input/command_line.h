// The command lines of the game and of the replay runner, read in one place:
// Windows' rules for splitting a command line into arguments, a table-driven
// option reader, and the game's own options.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace input {

// Splits a command line the way the C runtime of Windows does (and
// CommandLineToArgvW for everything after the program name): blanks separate
// arguments outside quotes; a quote toggles quoting; 2n backslashes before a
// quote give n backslashes and the quote toggles, 2n+1 give n backslashes and
// a literal quote; "" inside quotes gives a literal quote; other backslashes
// are literal.
std::vector<std::string> splitWindowsCommandLine(const char* line);

// One option a program takes and how many values follow it.
struct OptionSpec {
  const char* name;  // "--record"
  int values;
};

struct ParsedArguments {
  struct Option {
    std::string name;
    std::vector<std::string> values;
  };
  std::vector<Option> options;        // in command-line order
  std::vector<std::string> operands;  // "-" is an operand
  const Option* find(const char* name) const;
};

// Reads arguments against a table of options; false with one line in *error
// (no program name, no newline) for an unknown option or a missing value.
// "--" ends the options.
bool parseArguments(const std::vector<std::string>& args, const OptionSpec* specs,
                    std::size_t spec_count, ParsedArguments* out, std::string* error);

// What the game's command line asks for.
struct ProgramOptions {
  enum class Action { Play, Watch, Help, Version, Fail };
  enum class Record { DataFolder, File, Off };
  Action action = Action::Play;
  Record record = Record::DataFolder;
  std::string record_path;  // Record::File
  std::string play_path;    // Action::Watch
  bool force = false;       // watch a recording of another format or logic version
  std::string error;        // Action::Fail: one line
};

ProgramOptions parseProgramOptions(const std::vector<std::string>& args);

// The text --help prints.
extern const char PROGRAM_USAGE[];

}  // namespace input
