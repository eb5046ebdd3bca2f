// starquell-relay --to-host PORT --delay MS --jitter MS --loss P [--cut MS] [--seed N]
//                 [--forge MS] [--one-way host|joiner]
//
// Stands between a network game's joiner and its host on loopback. The joiner
// sends to the relay's port (the first line on standard output); the relay
// forwards to the host on PORT and the host's answers back to the joiner.
// Each datagram is lost with chance P, else held DELAY +- JITTER ms (so they
// come out of order); once CUT ms have passed since the first datagram,
// nothing more goes through. With --one-way only the datagrams towards that
// side are held and lost; the other way goes straight through (a one-sided
// line, where one side keeps running ahead). Runs until SIGTERM or SIGINT, then says on
// standard error what became of the datagrams.
//
// With --forge, every MS ms of a game (once the host sends game datagrams) it
// also attacks the host: a stranger's hellos of both protocols and one that
// answers the host's challenge; from the joiner's own address (what the host
// sees as the joiner is the relay) Leave, Desync, Input, Ack and a hello with
// made-up session values and cookie; the joiner's datagrams of an earlier
// game through the relay, and of this game, sent again. It says on standard
// error how many it sent of what the host must drop.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "record/format.h"

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

struct Options {
  long host_port = -1;
  long delay_ms = -1;
  long jitter_ms = -1;
  double loss = -1;
  long cut_ms = -1;  // never
  unsigned long seed = 17;
  long forge_ms = -1;  // never
  int one_way = 0;     // 1: only towards the host held and lost, -1: only towards the joiner
};

int usage() {
  std::fprintf(stderr,
               "usage: starquell-relay --to-host PORT --delay MS --jitter MS --loss P [--cut MS]\n"
               "                       [--seed N] [--forge MS] [--one-way host|joiner]\n"
               "Each datagram either way is lost with chance P (0..1), else held DELAY +- JITTER\n"
               "ms (JITTER <= DELAY); after CUT ms of traffic none goes through. With --forge\n"
               "it sends the host forged and replayed datagrams every MS ms of a game. With\n"
               "--one-way only the datagrams towards that side are held and lost.\n");
  return 2;
}

bool whole(const char* text, long low, long high, long* value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || errno != 0 || v < low || v > high) return false;
  *value = v;
  return true;
}

bool parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; i += 2) {
    if (i + 1 >= argc) return false;
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    long seed = 0;
    if (name == "--to-host") {
      if (!whole(value, 1, 65535, &o->host_port)) return false;
    } else if (name == "--delay") {
      if (!whole(value, 0, 60000, &o->delay_ms)) return false;
    } else if (name == "--jitter") {
      if (!whole(value, 0, 60000, &o->jitter_ms)) return false;
    } else if (name == "--cut") {
      if (!whole(value, 0, 86400000, &o->cut_ms)) return false;
    } else if (name == "--forge") {
      if (!whole(value, 1, 60000, &o->forge_ms)) return false;
    } else if (name == "--seed") {
      if (!whole(value, 0, 0x7FFFFFFF, &seed)) return false;
      o->seed = static_cast<unsigned long>(seed);
    } else if (name == "--one-way") {
      const std::string side = value;
      if (side != "host" && side != "joiner") return false;
      o->one_way = side == "host" ? 1 : -1;
    } else if (name == "--loss") {
      char* end = nullptr;
      o->loss = std::strtod(value, &end);
      if (*value == '\0' || *end != '\0' || !(o->loss >= 0.0 && o->loss <= 1.0)) return false;
    } else {
      return false;
    }
  }
  return o->host_port > 0 && o->delay_ms >= 0 && o->jitter_ms >= 0 && o->jitter_ms <= o->delay_ms &&
         o->loss >= 0.0;
}

sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}

int udpSocket() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in a = loopback(0);
  if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

struct Pending {
  Clock::time_point due;
  bool to_host;
  std::vector<std::uint8_t> bytes;
};

// What the forger has sent: those the host must drop, and those it may only
// count as stale or answer (a stranger's first hellos, this game's replays).
struct Forged {
  unsigned long long dropped = 0;
  unsigned long long answered = 0;
  unsigned long long replayed = 0;  // of this game
  unsigned long long earlier = 0;   // of the game before, among `dropped`
};

// The joiner's datagrams to the host, this game's and the game before's.
struct Heard {
  std::vector<std::vector<std::uint8_t>> earlier;
  std::vector<std::vector<std::uint8_t>> current;
  bool host_in_game = false;  // the host has sent a game datagram

  void toHost(const std::uint8_t* data, std::size_t size) {
    net::Message m;
    if (net::parse(data, size, &m) != net::ParseError::None) return;
    // A hello after game datagrams: another game begins.
    if (m.kind == net::Kind::Hello && !current.empty()) {
      earlier.swap(current);
      current.clear();
      host_in_game = false;
    }
    if (m.kind == net::Kind::Input && current.size() < 256) current.emplace_back(data, data + size);
    if (m.kind == net::Kind::Leave) host_in_game = false;  // the game is over
  }
  void toJoiner(const std::uint8_t* data, std::size_t size) {
    net::Message m;
    if (net::parse(data, size, &m) != net::ParseError::None) return;
    if (m.kind == net::Kind::Input) host_in_game = true;
    if (m.kind == net::Kind::Leave) host_in_game = false;
  }
};

net::Handshake ourHello() {
  net::Handshake h;
  h.versions.logic = static_cast<std::uint16_t>(record::LOGIC_VERSION);
  h.delay = 4;
  h.width = 640;
  h.height = 480;
  return h;
}

void sendMessage(int fd, const net::Message& m, const sockaddr_in& to) {
  std::uint8_t bytes[net::MAX_DATAGRAM];
  const std::size_t size = net::encode(m, bytes);
  sendto(fd, bytes, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

// One round of forgeries at the host: from a stranger's socket, and from the
// one the host knows as the joiner's (`peer`), with values the forger makes up.
void forge(int stranger, int peer, const sockaddr_in& host, const Heard& heard, std::mt19937_64& r,
           Forged* forged) {
  net::Message m;
  m.kind = net::Kind::Hello;
  m.handshake = ourHello();
  m.session.joiner = r() | 1;
  sendMessage(stranger, m, host);  // answered with a challenge
  m.versions_only = true;
  m.handshake.versions.protocol = 1;
  sendMessage(stranger, m, host);  // answered with the host's versions
  forged->answered += 2;
  m = {};
  m.kind = net::Kind::Hello;
  m.handshake = ourHello();
  m.session.joiner = r() | 1;
  m.cookie = r() | 1;
  sendMessage(peer, m, host);
  ++forged->dropped;
  for (const net::Kind kind :
       {net::Kind::Leave, net::Kind::Desync, net::Kind::Input, net::Kind::Ack}) {
    m = {};
    m.kind = kind;
    m.session = {r() | 1, r() | 1};
    m.frame = 5;
    m.input.newest = 40;
    m.input.ack = 20;
    m.input.inputs[net::INPUT_WINDOW - 1] = net::ARM_ON_HELD | net::ARM_ON_PRESSED;
    sendMessage(peer, m, host);
    ++forged->dropped;
  }
  // An earlier game's datagrams come from the joiner's address with that
  // game's values; this game's are nothing new.
  for (std::size_t i = 0; i < heard.earlier.size(); i += 16) {
    const auto& d = heard.earlier[i];
    sendto(peer, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&host), sizeof host);
    ++forged->dropped;
    ++forged->earlier;
  }
  if (!heard.current.empty()) {
    const auto& d = heard.current[r() % heard.current.size()];
    sendto(peer, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&host), sizeof host);
    ++forged->replayed;
  }
}

// The stranger answers the host's challenge: a proved address, but the game
// has its joiner, so the host says "full".
void answerChallenges(int stranger, const sockaddr_in& host, Forged* forged) {
  std::uint8_t bytes[512];
  for (;;) {
    const ssize_t n = recv(stranger, bytes, sizeof bytes, MSG_DONTWAIT);
    if (n < 0) return;
    net::Message m;
    if (net::parse(bytes, static_cast<std::size_t>(n), &m) != net::ParseError::None ||
        m.kind != net::Kind::Challenge) {
      continue;
    }
    net::Message hello;
    hello.kind = net::Kind::Hello;
    hello.handshake = ourHello();
    hello.session.joiner = m.session.joiner;
    hello.cookie = m.cookie;
    sendMessage(stranger, hello, host);
    ++forged->dropped;
  }
}

struct Tally {
  unsigned long long forwarded = 0;
  unsigned long long lost = 0;
  unsigned long long cut = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, &o)) return usage();
  // front: where the joiner sends; back: what the host sees as the joiner.
  const int front = udpSocket();
  const int back = udpSocket();
  const int stranger = udpSocket();
  if (front < 0 || back < 0 || stranger < 0) {
    std::fprintf(stderr, "starquell-relay: no socket on loopback: %s\n", std::strerror(errno));
    return 1;
  }
  sockaddr_in bound{};
  socklen_t bound_size = sizeof bound;
  getsockname(front, reinterpret_cast<sockaddr*>(&bound), &bound_size);
  std::printf("%u\n", static_cast<unsigned>(ntohs(bound.sin_port)));
  std::fflush(stdout);

  struct sigaction action {};
  action.sa_handler = onSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  std::mt19937 random(static_cast<std::mt19937::result_type>(o.seed));
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  std::uniform_int_distribution<long> held(o.delay_ms - o.jitter_ms, o.delay_ms + o.jitter_ms);
  const sockaddr_in host = loopback(static_cast<std::uint16_t>(o.host_port));
  sockaddr_in joiner{};
  bool has_joiner = false;
  Clock::time_point first{};
  bool started = false;
  std::vector<Pending> pending;
  Tally to_host;
  Tally to_joiner;
  static std::uint8_t buffer[65536];
  Heard heard;
  Forged forged;
  std::mt19937_64 forger(o.seed);
  Clock::time_point next_forgery{};

  while (g_stop == 0) {
    // Sleep until a datagram comes or the earliest held one is due.
    int timeout_ms = 100;
    const Clock::time_point now = Clock::now();
    for (const Pending& p : pending) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(p.due - now).count();
      timeout_ms = static_cast<int>(std::clamp<long long>(left, 0, timeout_ms));
    }
    if (o.forge_ms > 0) timeout_ms = static_cast<int>(std::min<long>(timeout_ms, o.forge_ms));
    pollfd fds[2] = {{front, POLLIN, 0}, {back, POLLIN, 0}};
    poll(fds, 2, timeout_ms);
    for (int i = 0; i < 2; ++i) {
      if ((fds[i].revents & POLLIN) == 0) continue;
      sockaddr_in from{};
      socklen_t size = sizeof from;
      const ssize_t n =
          recvfrom(fds[i].fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
      if (n < 0) continue;
      const bool towards_host = i == 0;
      if (!towards_host && !has_joiner) continue;  // nobody to answer yet
      if (towards_host) {
        joiner = from;
        has_joiner = true;
      }
      if (towards_host) {
        heard.toHost(buffer, static_cast<std::size_t>(n));
      } else {
        heard.toJoiner(buffer, static_cast<std::size_t>(n));
      }
      Tally& tally = towards_host ? to_host : to_joiner;
      const Clock::time_point came = Clock::now();
      if (!started) first = came;
      started = true;
      const bool straight = o.one_way != 0 && (o.one_way > 0) != towards_host;
      if (o.cut_ms >= 0 && came - first > std::chrono::milliseconds(o.cut_ms)) {
        ++tally.cut;
      } else if (straight) {
        pending.push_back({came, towards_host, std::vector<std::uint8_t>(buffer, buffer + n)});
      } else if (chance(random) < o.loss) {
        ++tally.lost;
      } else {
        pending.push_back({came + std::chrono::milliseconds(held(random)), towards_host,
                           std::vector<std::uint8_t>(buffer, buffer + n)});
      }
    }
    const Clock::time_point after = Clock::now();
    if (o.forge_ms > 0) {
      answerChallenges(stranger, host, &forged);
      if (heard.host_in_game && after >= next_forgery) {
        forge(stranger, back, host, heard, forger, &forged);
        next_forgery = after + std::chrono::milliseconds(o.forge_ms);
      }
    }
    for (std::size_t k = 0; k < pending.size();) {
      Pending& p = pending[k];
      if (p.due > after) {
        ++k;
        continue;
      }
      const sockaddr_in& to = p.to_host ? host : joiner;
      sendto(p.to_host ? back : front, p.bytes.data(), p.bytes.size(), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
      ++(p.to_host ? to_host : to_joiner).forwarded;
      pending.erase(pending.begin() + static_cast<long>(k));
    }
  }
  close(front);
  close(back);
  close(stranger);
  if (o.forge_ms > 0) {
    std::fprintf(stderr,
                 "starquell-relay: forged %llu the host must drop (%llu of an earlier game), "
                 "%llu it answers, %llu of this game again\n",
                 forged.dropped, forged.earlier, forged.answered, forged.replayed);
  }
  std::fprintf(stderr,
               "starquell-relay: to the host %llu forwarded, %llu lost, %llu cut; to the joiner "
               "%llu forwarded, %llu lost, %llu cut\n",
               to_host.forwarded, to_host.lost, to_host.cut, to_joiner.forwarded, to_joiner.lost,
               to_joiner.cut);
  return 0;
}
