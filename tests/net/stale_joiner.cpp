#include "tests/net/stale_joiner.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/lockstep.h"
#include "net/udp.h"
#include "record/format.h"

namespace {

// A transport that keeps a copy of every datagram sent through it.
class Tap : public net::Transport {
 public:
  explicit Tap(net::Transport& inner) : inner_(inner) {}
  bool send(const net::Address& to, const std::uint8_t* data, std::size_t size) override {
    sent.emplace_back(data, data + size);
    return inner_.send(to, data, size);
  }
  long receive(net::Address* from, std::uint8_t* data, std::size_t capacity) override {
    return inner_.receive(from, data, capacity);
  }
  std::vector<std::vector<std::uint8_t>> sent;

 private:
  net::Transport& inner_;
};

}  // namespace

struct StaleJoiner::Impl {
  net::UdpTransport udp;
  Tap tap{udp};
  net::Config config;
  bool ok = false;
};

StaleJoiner::StaleJoiner(std::uint16_t host_port) : impl_(std::make_unique<Impl>()) {
  impl_->config.side = net::Player::Joiner;
  impl_->config.versions.logic = static_cast<std::uint16_t>(record::LOGIC_VERSION);
  std::string error;
  impl_->ok = net::UdpTransport::resolve("127.0.0.1", host_port, &impl_->config.peer, &error) &&
              impl_->udp.openFor(impl_->config.peer, &error);
}

StaleJoiner::~StaleJoiner() = default;

bool StaleJoiner::play(std::uint32_t frames, std::uint32_t limit_ms) {
  if (!impl_->ok) return false;
  net::Lockstep joiner(impl_->config);
  const auto began = std::chrono::steady_clock::now();
  for (;;) {
    const auto ms =
        static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - began)
                                       .count());
    if (ms > limit_ms) return false;
    joiner.poll(impl_->tap, ms);
    const net::State state = joiner.state();
    if (state != net::State::Running && state != net::State::Connecting) return false;
    if (joiner.nextFrame() >= frames) return true;
    if (joiner.ready()) {
      joiner.setLocalControls(0);
      net::GameEvent events[net::MAX_FRAME_EVENTS];
      joiner.advance(events);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

void StaleJoiner::resendLast(int count) {
  const auto& sent = impl_->tap.sent;
  const std::size_t from = sent.size() > static_cast<std::size_t>(count)
                               ? sent.size() - static_cast<std::size_t>(count)
                               : 0;
  for (std::size_t i = from; i < sent.size(); ++i) {
    impl_->udp.send(impl_->config.peer, sent[i].data(), sent[i].size());
  }
}
