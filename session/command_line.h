// The command lines of the game and of the replay runner, read in one place:
// Windows' rules for splitting a command line into arguments, a table-driven
// option reader, and the game's own options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace session {

// Splits a command line the way the C runtime of Windows does (and
// CommandLineToArgvW for everything after the program name): blanks separate
// arguments outside quotes; a quote toggles quoting; 2n backslashes before a
// quote give n backslashes and the quote toggles, 2n+1 give n backslashes and
// a literal quote; "" inside quotes gives a literal quote; other backslashes
// are literal.
std::vector<std::string> splitWindowsCommandLine(const char* line);

// One option a program takes and how many values follow it.
struct OptionRule {
  const char* name;  // "--record"
  int values;        // -1: one value if the next argument is not an option
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
bool parseArguments(const std::vector<std::string>& args, const OptionRule* rules,
                    std::size_t rule_count, ParsedArguments* out, std::string* error);

// The UDP port a network game uses unless told another.
inline constexpr std::uint16_t DEFAULT_PORT = 47600;

// A port number, 1..65535, digits only.
bool parsePort(const std::string& text, std::uint16_t* port);
// HOST, HOST:PORT, [IPV6] or [IPV6]:PORT; a bare IPv6 address (more than one
// colon) is all host. False with one line in *error.
bool parseHostPort(const std::string& text, std::string* host, std::uint16_t* port,
                   std::string* error);

// The computer player's levels, in the computer's own order.
enum class ComputerLevel : std::uint8_t { Easy, Normal, Hard };

// What the game's command line asks for.
struct ProgramOptions {
  enum class Action { Play, Watch, Help, Version, Fail };
  enum class Record { DataFolder, File, Off };
  Action action = Action::Play;
  Record record = Record::DataFolder;
  std::string record_path;  // Record::File
  std::string play_path;    // Action::Watch
  bool force = false;       // watch a recording of another format or logic version
  enum class Network { Off, Host, Join };
  Network network = Network::Off;
  std::string join_host;  // Network::Join
  std::uint16_t port = DEFAULT_PORT;
  // Frames before a player's input takes effect (the host's counts): unless
  // given, ROLLBACK_DELAY with rollback, LOCKSTEP_DELAY without.
  int delay = ROLLBACK_DELAY;
  // Frames the game may run ahead of the other side's input on a prediction
  // of it (the host's counts); 0: each frame waits for it (lockstep).
  int rollback = DEFAULT_ROLLBACK;
  std::string error;  // Action::Fail: one line
  // The walkers the computer plays: bit w for walker w, 0 for none.
  std::uint8_t computer_walkers = 0;
  ComputerLevel computer_level = ComputerLevel::Normal;
  static constexpr int DEFAULT_ROLLBACK = 8;
  static constexpr int MAX_ROLLBACK = 20;
  static constexpr int ROLLBACK_DELAY = 2;
  static constexpr int LOCKSTEP_DELAY = 3;
};

ProgramOptions parseProgramOptions(const std::vector<std::string>& args);

// A network game's --delay (1..7) and --rollback (0..MAX_ROLLBACK) values,
// for both programs: false with one line in *error.
bool parseDelay(const std::string& text, int* delay, std::string* error);
bool parseRollback(const std::string& text, int* rollback, std::string* error);

// The text --help prints.
extern const char PROGRAM_USAGE[];

}  // namespace session
