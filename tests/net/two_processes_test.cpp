// Two headless sides of a network game as two real processes over real UDP on
// loopback, through a relay that loses, delays and reorders datagrams.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int udpSocket(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
  return fd;
}

std::uint16_t portOf(int fd) {
  sockaddr_in a{};
  socklen_t size = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
  return ntohs(a.sin_port);
}

// Forwards between a joiner (who sends to the relay's port) and a host on
// `host_port`: each datagram lost with `loss`, else delivered after
// delay_ms + 0..jitter_ms (so out of order); after cut_ms of traffic nothing.
class Relay {
 public:
  Relay(std::uint16_t host_port, int delay_ms, int jitter_ms, double loss, int cut_ms)
      : front_(udpSocket(0)), back_(udpSocket(0)), host_port_(host_port) {
    thread_ = std::thread([=, this] { run(delay_ms, jitter_ms, loss, cut_ms); });
  }
  ~Relay() {
    stop_ = true;
    thread_.join();
    close(front_);
    close(back_);
  }
  std::uint16_t port() const { return portOf(front_); }

 private:
  struct Pending {
    Clock::time_point due;
    bool to_host;
    std::vector<std::uint8_t> bytes;
  };

  void run(int delay_ms, int jitter_ms, double loss, int cut_ms) {
    std::mt19937 random(17);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::uniform_int_distribution<int> jitter(0, jitter_ms);
    std::vector<Pending> pending;
    sockaddr_in joiner{};
    bool has_joiner = false;
    Clock::time_point first{};
    bool started = false;
    while (!stop_) {
      pollfd fds[2] = {{front_, POLLIN, 0}, {back_, POLLIN, 0}};
      poll(fds, 2, 1);
      for (int i = 0; i < 2; ++i) {
        if ((fds[i].revents & POLLIN) == 0) continue;
        std::uint8_t buffer[2048];
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const long n = recvfrom(fds[i].fd, buffer, sizeof buffer, 0,
                                reinterpret_cast<sockaddr*>(&from), &size);
        if (n < 0) continue;
        if (i == 0) {
          joiner = from;
          has_joiner = true;
        }
        const Clock::time_point now = Clock::now();
        if (!started) first = now;
        started = true;
        if (cut_ms >= 0 && now - first > std::chrono::milliseconds(cut_ms)) continue;
        if (chance(random) < loss) continue;
        pending.push_back({now + std::chrono::milliseconds(delay_ms + jitter(random)), i == 0,
                           std::vector<std::uint8_t>(buffer, buffer + n)});
      }
      const Clock::time_point now = Clock::now();
      for (std::size_t k = 0; k < pending.size();) {
        if (pending[k].due > now) {
          ++k;
          continue;
        }
        sockaddr_in to = joiner;
        if (pending[k].to_host) {
          to = sockaddr_in{};
          to.sin_family = AF_INET;
          to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
          to.sin_port = htons(host_port_);
        }
        if (pending[k].to_host || has_joiner) {
          sendto(pending[k].to_host ? back_ : front_, pending[k].bytes.data(),
                 pending[k].bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        pending.erase(pending.begin() + static_cast<long>(k));
      }
    }
  }

  int front_;
  int back_;
  std::uint16_t host_port_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct Process {
  pid_t pid = -1;
  std::string out;
  std::string err;
};

Process start(const std::vector<std::string>& args, const std::string& name) {
  Process r;
  r.out = std::string(OUT_DIR) + "/" + name + ".out";
  r.err = std::string(OUT_DIR) + "/" + name + ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, r.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, r.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> all = {RUNNER};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  EXPECT_EQ(posix_spawn(&r.pid, RUNNER, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return r;
}

int finish(const Process& r) {
  int status = 0;
  waitpid(r.pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A port free at the moment for the host.
std::uint16_t freePort() {
  const int fd = udpSocket(0);
  const std::uint16_t port = portOf(fd);
  close(fd);
  return port;
}

TEST(TwoProcesses, PlayTheSameGameOverALossyRelayAndBothRecordingsVerify) {
  const std::uint16_t host_port = freePort();
  Relay relay(host_port, 5, 10, 0.05, -1);
  const std::string script = DUEL_SCRIPT;
  const std::string host_record = std::string(OUT_DIR) + "/host.replay";
  const std::string joiner_record = std::string(OUT_DIR) + "/joiner.replay";
  const Process host = start({"--host", std::to_string(host_port), "--frames", "2000", "--delay",
                              "4", "--record", host_record, script},
                             "host");
  const Process joiner = start({"--join", "127.0.0.1:" + std::to_string(relay.port()), "--frames",
                                "2000", "--record", joiner_record, script},
                               "joiner");
  EXPECT_EQ(finish(host), 0) << text(host.err);
  EXPECT_EQ(finish(joiner), 0) << text(joiner.err);
  const std::string lines = text(host.out);
  EXPECT_EQ(lines, text(joiner.out));
  // 2000 frames and a client line, and the game really in play: pictures change.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2001);
  EXPECT_NE(lines.find("\n1999 "), std::string::npos);
  std::istringstream in(lines);
  std::string line;
  std::vector<std::string> crcs;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string frame;
    std::string crc;
    words >> frame >> crc;
    if (frame != "client") crcs.push_back(crc);
  }
  std::sort(crcs.begin(), crcs.end());
  EXPECT_GT(std::unique(crcs.begin(), crcs.end()) - crcs.begin(), 100);
  // Both sides' recordings of the merged game replay and verify.
  for (const std::string& recording : {host_record, joiner_record}) {
    const Process verify = start({"--verify", recording}, "verify");
    EXPECT_EQ(finish(verify), 0) << recording << ": " << text(verify.out) << text(verify.err);
    EXPECT_EQ(text(verify.out).rfind("verified: ", 0), 0u) << text(verify.out);
  }
}

TEST(TwoProcesses, ASideThatHearsNothingMoreEndsNotAnswering) {
  const std::uint16_t host_port = freePort();
  Relay relay(host_port, 1, 0, 0.0, 1000);  // then the line goes dead
  const Process host =
      start({"--host", std::to_string(host_port), "--frames", "100000", DUEL_SCRIPT}, "dead_host");
  const Process joiner = start(
      {"--join", "127.0.0.1:" + std::to_string(relay.port()), "--frames", "100000", DUEL_SCRIPT},
      "dead_joiner");
  for (const Process* r : {&host, &joiner}) {
    EXPECT_EQ(finish(*r), 1);
    EXPECT_NE(text(r->err).find("The other player is not answering."), std::string::npos)
        << text(r->err);
  }
}

}  // namespace
