// The computer player's strength: for each pairing, games from levels 0 to 3
// with the computer under test on walker 0 in half of them, and how often it
// ends with more territory. Prints the table and whether each goal holds;
// exits 1 when one does not.
//
// bench_computer_strength [--games N] [--frames N] [--only NAME]
// (other arguments, such as the benchmark runner's, are ignored)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/computer/match.h"

namespace {

struct Pairing {
  const char* name;
  match::Side tested;
  match::Side other;
  int goal_percent;  // the tested side's wins at least (-1: none)
  bool even;         // both sides' wins 40..60 %
  bool every;        // the tested side wins every game
};

constexpr Pairing PAIRINGS[] = {
    {"normal-idle", match::Side::Normal, match::Side::Idle, 100, false, true},
    {"normal-random", match::Side::Normal, match::Side::Random, 90, false, false},
    {"hard-normal", match::Side::Hard, match::Side::Normal, 70, false, false},
    {"normal-normal", match::Side::Normal, match::Side::Normal, -1, true, false},
    {"easy-random", match::Side::Easy, match::Side::Random, -1, false, false},
};

}  // namespace

int main(int argc, char** argv) {
  int games = 100;
  std::uint32_t frames = 3600;
  const char* only = nullptr;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0) verbose = true;
    if (i + 1 >= argc) break;
    if (std::strcmp(argv[i], "--games") == 0)
      games = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--frames") == 0)
      frames = static_cast<std::uint32_t>(std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--only") == 0)
      only = argv[++i];
  }
  if (games < 2) games = 2;
  std::printf(
      "computer strength: %d games per pairing, %u frames each, levels 0..3, the tested side on "
      "walker 0 in half\n",
      games, frames);
  std::printf("%-14s %6s %6s %6s %9s %9s %8s  %s\n", "pairing", "wins", "losses", "ties",
              "territory", "other", "walker 0", "goal");
  bool all = true;
  for (const Pairing& p : PAIRINGS) {
    if (only != nullptr && std::strcmp(only, p.name) != 0) continue;
    int wins = 0, losses = 0, ties = 0, walker0_wins = 0, walker1_wins = 0;
    double mine = 0, theirs = 0;
    for (int i = 0; i < games; ++i) {
      match::Game g;
      g.level = i % 4;
      g.seed = static_cast<std::uint32_t>(1000 + i);
      g.frames = frames;
      const int tested = (i / 4) % 2;
      g.sides[tested] = p.tested;
      g.sides[1 - tested] = p.other;
      const computer::Territory t = match::play(g);
      const double a = t.arena != 0 ? 100.0 * static_cast<double>(t.pixels[tested]) /
                                          static_cast<double>(t.arena)
                                    : 0;
      const double b = t.arena != 0 ? 100.0 * static_cast<double>(t.pixels[1 - tested]) /
                                          static_cast<double>(t.arena)
                                    : 0;
      if (verbose) {
        std::printf("  game %d level %d: walker 0 %s %.1f %%, walker 1 %s %.1f %%\n", i, g.level,
                    match::sideName(g.sides[0]), tested == 0 ? a : b, match::sideName(g.sides[1]),
                    tested == 0 ? b : a);
      }
      mine += a;
      theirs += b;
      if (t.pixels[tested] > t.pixels[1 - tested])
        ++wins;
      else if (t.pixels[tested] < t.pixels[1 - tested])
        ++losses;
      else
        ++ties;
      if (t.pixels[0] > t.pixels[1]) ++walker0_wins;
      if (t.pixels[1] > t.pixels[0]) ++walker1_wins;
    }
    const int percent = wins * 100 / games;
    bool ok = true;
    std::string goal = "-";
    if (p.every) {
      ok = wins == games;
      goal = "every game";
    } else if (p.goal_percent >= 0) {
      ok = percent >= p.goal_percent;
      goal = ">= " + std::to_string(p.goal_percent) + " %";
    }
    if (p.even) {
      const int w0 = walker0_wins * 100 / games;
      const int w1 = walker1_wins * 100 / games;
      ok = w0 >= 40 && w0 <= 60 && w1 >= 40 && w1 <= 60;
      goal = "40..60 % each walker";
    }
    all = all && ok;
    std::printf("%-14s %6d %6d %6d %8.1f%% %8.1f%% %8d  %s: %s\n", p.name, wins, losses, ties,
                mine / games, theirs / games, walker0_wins, goal.c_str(), ok ? "met" : "NOT MET");
    std::fflush(stdout);
  }
  return all ? 0 : 1;
}
