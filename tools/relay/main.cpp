// starquell-relay --to-host PORT --delay MS --jitter MS --loss P [--cut MS] [--seed N]
//
// Stands between a network game's joiner and its host on loopback. The joiner
// sends to the relay's port (the first line on standard output); the relay
// forwards to the host on PORT and the host's answers back to the joiner.
// Each datagram is lost with chance P, else held DELAY +- JITTER ms (so they
// come out of order); once CUT ms have passed since the first datagram,
// nothing more goes through. Runs until SIGTERM or SIGINT, then says on
// standard error what became of the datagrams.

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
};

int usage() {
  std::fprintf(stderr,
               "usage: starquell-relay --to-host PORT --delay MS --jitter MS --loss P [--cut MS]\n"
               "                       [--seed N]\n"
               "Each datagram either way is lost with chance P (0..1), else held DELAY +- JITTER\n"
               "ms (JITTER <= DELAY); after CUT ms of traffic none goes through.\n");
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
    } else if (name == "--seed") {
      if (!whole(value, 0, 0x7FFFFFFF, &seed)) return false;
      o->seed = static_cast<unsigned long>(seed);
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
  if (front < 0 || back < 0) {
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

  while (g_stop == 0) {
    // Sleep until a datagram comes or the earliest held one is due.
    int timeout_ms = 100;
    const Clock::time_point now = Clock::now();
    for (const Pending& p : pending) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(p.due - now).count();
      timeout_ms = static_cast<int>(std::clamp<long long>(left, 0, timeout_ms));
    }
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
      Tally& tally = towards_host ? to_host : to_joiner;
      const Clock::time_point came = Clock::now();
      if (!started) first = came;
      started = true;
      if (o.cut_ms >= 0 && came - first > std::chrono::milliseconds(o.cut_ms)) {
        ++tally.cut;
      } else if (chance(random) < o.loss) {
        ++tally.lost;
      } else {
        pending.push_back({came + std::chrono::milliseconds(held(random)), towards_host,
                           std::vector<std::uint8_t>(buffer, buffer + n)});
      }
    }
    const Clock::time_point after = Clock::now();
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
  std::fprintf(stderr,
               "starquell-relay: to the host %llu forwarded, %llu lost, %llu cut; to the joiner "
               "%llu forwarded, %llu lost, %llu cut\n",
               to_host.forwarded, to_host.lost, to_host.cut, to_joiner.forwarded, to_joiner.lost,
               to_joiner.cut);
  return 0;
}
