// The command line: Windows' splitting rules, the quoting the platform layer
// hands WinMain, and the game's options with their errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/core.h"
#include "session/command_line.h"

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsAsWindowsDoes) {
  const struct {
    const char* line;
    Args args;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"--play a.replay", {"--play", "a.replay"}},
      {"  a   b\tc ", {"a", "b", "c"}},
      {R"("a b" c)", {"a b", "c"}},
      {R"(a"b c"d)", {"ab cd"}},
      {R"("")", {""}},
      {R"(a "" b)", {"a", "", "b"}},
      {R"(C:\dir\file)", {R"(C:\dir\file)"}},
      {R"("C:\dir with space\\")", {R"(C:\dir with space\)"}},
      {R"(a\"b)", {R"(a"b)"}},
      {R"(a\\"b c")", {R"(a\b c)"}},
      {R"(a\\\"b)", {R"(a\"b)"}},
      {R"(a\\\\"b")", {R"(a\\b)"}},
      {R"("a""b")", {R"(a"b)"}},
      {R"("unclosed quote)", {"unclosed quote"}},
  };
  for (const auto& c : cases) EXPECT_EQ(session::splitWindowsCommandLine(c.line), c.args) << c.line;
  EXPECT_TRUE(session::splitWindowsCommandLine(nullptr).empty());
}

TEST(CommandLine, QuotingForWinMainSplitsBackUnchanged) {
  const Args cases[] = {
      {},
      {"--record", "/tmp/a game.replay"},
      {"", "x"},
      {R"(trailing\)", R"(spaced trailing\ )", R"(two\\)"},
      {R"(say "hi")", R"(\")", R"(a\\"b)", "tab\there"},
      {"--play", R"(C:\Users\p\AppData\Roaming\Starquell\replays\2026-12-07_14-03-59.replay)"},
  };
  for (const Args& args : cases) {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    const std::string line =
        platform::windowsCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(session::splitWindowsCommandLine(line.c_str()), args) << line;
  }
  const char* plain[] = {"--play", "a.replay"};
  EXPECT_EQ(platform::windowsCommandLine(2, plain), "--play a.replay");
}

TEST(CommandLine, ReadsTheGamesOptionsAndRefusesOthersWithOneLine) {
  using A = session::ProgramOptions::Action;
  using R = session::ProgramOptions::Record;
  const struct {
    Args args;
    A action;
    R record;
    const char* path;  // the record or play path
    const char* error;
  } cases[] = {
      {{}, A::Play, R::DataFolder, "", ""},
      {{"--record", "g.replay"}, A::Play, R::File, "g.replay", ""},
      {{"--no-record"}, A::Play, R::Off, "", ""},
      {{"--play", "g.replay"}, A::Watch, R::Off, "g.replay", ""},
      {{"--play", "g.replay", "--force"}, A::Watch, R::Off, "g.replay", ""},
      {{"--play", "g.replay", "--no-record"}, A::Watch, R::Off, "g.replay", ""},
      {{"--", "--play"}, A::Fail, R::DataFolder, "", "unexpected argument --play"},
      {{"--help", "--bogus-later"}, A::Fail, R::DataFolder, "", "unknown option --bogus-later"},
      {{"--version"}, A::Version, R::DataFolder, "", ""},
      {{"--record", "a", "--help"}, A::Help, R::DataFolder, "", ""},
      {{"--fullscreen"}, A::Fail, R::DataFolder, "", "unknown option --fullscreen (see --help)"},
      {{"-x"}, A::Fail, R::DataFolder, "", "unknown option -x"},
      {{"--play"}, A::Fail, R::DataFolder, "", "--play needs a value"},
      {{"--record"}, A::Fail, R::DataFolder, "", "--record needs a value"},
      {{"--record", ""}, A::Fail, R::DataFolder, "", "--record needs a file name"},
      {{"game.replay"}, A::Fail, R::DataFolder, "", "unexpected argument game.replay"},
      {{"--record", "a", "--no-record"}, A::Fail, R::DataFolder, "", "cannot be used together"},
      {{"--record", "a", "--play", "b"},
       A::Fail,
       R::DataFolder,
       "",
       "a watched game is not recorded"},
      {{"--force"}, A::Fail, R::DataFolder, "", "--force goes with --play"},
  };
  for (const auto& c : cases) {
    const session::ProgramOptions o = session::parseProgramOptions(c.args);
    const std::string what = ::testing::PrintToString(c.args);
    EXPECT_EQ(o.action, c.action) << what;
    if (c.action == A::Fail) {
      EXPECT_NE(o.error.find(c.error), std::string::npos) << what << ": " << o.error;
      EXPECT_EQ(o.error.find('\n'), std::string::npos) << what;
      continue;
    }
    EXPECT_EQ(o.record, c.record) << what;
    EXPECT_EQ(o.action == A::Watch ? o.play_path : o.record_path, c.path) << what;
  }
}

TEST(CommandLine, ReadsANetworkGamesOptions) {
  using N = session::ProgramOptions::Network;
  // Unless given, a rollback game's delay is 2 and a lockstep game's 3.
  const struct {
    Args args;
    N network;
    const char* host;
    int port;
    int delay;
    int rollback;
    const char* error;  // "" when accepted
  } cases[] = {
      {{"--host"}, N::Host, "", 47600, 2, 8, ""},
      {{"--host", "5000", "--delay", "6"}, N::Host, "", 5000, 6, 8, ""},
      {{"--host", "--no-record"}, N::Host, "", 47600, 2, 8, ""},
      {{"--join", "example.org"}, N::Join, "example.org", 47600, 2, 8, ""},
      {{"--join", "10.0.0.2:9"}, N::Join, "10.0.0.2", 9, 2, 8, ""},
      {{"--join", "::1"}, N::Join, "::1", 47600, 2, 8, ""},
      {{"--join", "[fe80::1]:65535"}, N::Join, "fe80::1", 65535, 2, 8, ""},
      {{"--join", "[::1]"}, N::Join, "::1", 47600, 2, 8, ""},
      {{"--host", "--rollback", "0"}, N::Host, "", 47600, 3, 0, ""},
      {{"--rollback", "0", "--host", "--delay", "1"}, N::Host, "", 47600, 1, 0, ""},
      {{"--join", "a", "--rollback", "20", "--delay", "7"}, N::Join, "a", 47600, 7, 20, ""},
      {{"--host", "--rollback", "1"}, N::Host, "", 47600, 2, 1, ""},
      {{"--host", "0"}, N::Off, "", 0, 0, 0, "--host: not a port (1..65535): 0"},
      {{"--host", "65536"}, N::Off, "", 0, 0, 0, "not a port"},
      {{"--host", "12a"}, N::Off, "", 0, 0, 0, "not a port"},
      {{"--join"}, N::Off, "", 0, 0, 0, "--join needs a value"},
      {{"--join", ":80"}, N::Off, "", 0, 0, 0, "no host name"},
      {{"--join", "a:"}, N::Off, "", 0, 0, 0, "no port after :"},
      {{"--join", "a:-1"}, N::Off, "", 0, 0, 0, "not a port"},
      {{"--join", "[::1"}, N::Off, "", 0, 0, 0, "no ]"},
      {{"--join", "[::1]x"}, N::Off, "", 0, 0, 0, "expected :PORT"},
      {{"--host", "--join", "a"}, N::Off, "", 0, 0, 0, "cannot be used together"},
      {{"--host", "--play", "g"}, N::Off, "", 0, 0, 0, "--play cannot be used in a network game"},
      {{"--delay", "3"}, N::Off, "", 0, 0, 0, "--delay goes with --host or --join"},
      {{"--rollback", "3"}, N::Off, "", 0, 0, 0, "--rollback goes with --host or --join"},
      {{"--host", "--delay", "0"}, N::Off, "", 0, 0, 0, "--delay: not 1..7: 0"},
      {{"--host", "--delay", "8"}, N::Off, "", 0, 0, 0, "not 1..7"},
      {{"--host", "--rollback", "21"}, N::Off, "", 0, 0, 0, "--rollback: not 0..20: 21"},
      {{"--host", "--rollback", "100"}, N::Off, "", 0, 0, 0, "not 0..20"},
      {{"--host", "--rollback", "1x"}, N::Off, "", 0, 0, 0, "not 0..20"},
      {{"--host", "--rollback", ""}, N::Off, "", 0, 0, 0, "not 0..20"},
      {{"--host", "--rollback"}, N::Off, "", 0, 0, 0, "--rollback needs a value"},
      // A bad rollback is named though the delay is good, and the other way round.
      {{"--host", "--delay", "2", "--rollback", "-1"}, N::Off, "", 0, 0, 0, "not 0..20: -1"},
      {{"--host", "--rollback", "2", "--delay", "x"}, N::Off, "", 0, 0, 0, "not 1..7: x"},
  };
  for (const auto& c : cases) {
    const session::ProgramOptions o = session::parseProgramOptions(c.args);
    const std::string what = ::testing::PrintToString(c.args);
    if (*c.error != '\0') {
      EXPECT_EQ(o.action, session::ProgramOptions::Action::Fail) << what;
      EXPECT_NE(o.error.find(c.error), std::string::npos) << what << ": " << o.error;
      continue;
    }
    EXPECT_EQ(o.action, session::ProgramOptions::Action::Play) << what << ": " << o.error;
    EXPECT_EQ(o.network, c.network) << what;
    EXPECT_EQ(o.join_host, c.host) << what;
    EXPECT_EQ(o.port, c.port) << what;
    EXPECT_EQ(o.delay, c.delay) << what;
    EXPECT_EQ(o.rollback, c.rollback) << what;
  }
}

TEST(CommandLine, ReadsWhomTheComputerPlays) {
  using L = session::ComputerLevel;
  const struct {
    Args args;
    unsigned walkers;  // bit w: walker w
    L level;
    const char* error;  // "" when accepted
  } cases[] = {
      {{}, 0, L::Normal, ""},
      {{"--computer"}, 2, L::Normal, ""},
      {{"--computer", "0"}, 1, L::Normal, ""},
      {{"--computer", "1", "--level", "easy"}, 2, L::Easy, ""},
      {{"--level", "hard", "--computer", "both"}, 3, L::Hard, ""},
      {{"--computer", "--no-record", "--level", "normal"}, 2, L::Normal, ""},
      {{"--computer", "0", "--computer", "1"}, 2, L::Normal, ""},
      // Over a network the computer plays this side's walker: the host's 0, the joiner's 1.
      {{"--host", "--computer"}, 1, L::Normal, ""},
      {{"--computer", "0", "--host", "5000", "--level", "hard"}, 1, L::Hard, ""},
      {{"--join", "a", "--computer"}, 2, L::Normal, ""},
      {{"--join", "a", "--computer", "1"}, 2, L::Normal, ""},
      {{"--host", "--computer", "1"}, 0, L::Normal, "--computer 1: in a network game the"},
      {{"--join", "a", "--computer", "0"}, 0, L::Normal, "this side's walker (1 with --join)"},
      {{"--host", "--computer", "both"}, 0, L::Normal, "this side's walker (0 with --host)"},
      {{"--computer", "2"}, 0, L::Normal, "--computer: not 0, 1 or both: 2"},
      {{"--computer", "Both"}, 0, L::Normal, "not 0, 1 or both: Both"},
      {{"--computer", "walker"}, 0, L::Normal, "not 0, 1 or both"},
      {{"--level", "easy"}, 0, L::Normal, "--level goes with --computer"},
      {{"--computer", "--level"}, 0, L::Normal, "--level needs a value"},
      {{"--computer", "--level", "Hard"}, 0, L::Normal, "--level: not easy, normal or hard: Hard"},
      {{"--computer", "--level", ""}, 0, L::Normal, "not easy, normal or hard"},
      {{"--computer", "--play", "g.replay"}, 0, L::Normal, "while watching a recording"},
  };
  for (const auto& c : cases) {
    const session::ProgramOptions o = session::parseProgramOptions(c.args);
    const std::string what = ::testing::PrintToString(c.args);
    if (*c.error != '\0') {
      EXPECT_EQ(o.action, session::ProgramOptions::Action::Fail) << what;
      EXPECT_NE(o.error.find(c.error), std::string::npos) << what << ": " << o.error;
      EXPECT_EQ(o.error.find('\n'), std::string::npos) << what;
      continue;
    }
    EXPECT_EQ(o.action, session::ProgramOptions::Action::Play) << what << ": " << o.error;
    EXPECT_EQ(o.computer_walkers, c.walkers) << what;
    EXPECT_EQ(o.computer_level, c.level) << what;
  }
  // --help lists both options.
  for (const char* option : {"--computer [0|1|both]", "--level easy|normal|hard"}) {
    EXPECT_NE(std::string(session::PROGRAM_USAGE).find(option), std::string::npos) << option;
  }
}

}  // namespace
