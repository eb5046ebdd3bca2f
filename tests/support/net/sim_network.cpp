#include "tests/support/net/sim_network.h"

#include <algorithm>

namespace net {

class SimNetwork::Endpoint : public Transport {
 public:
  Endpoint(SimNetwork* network, int index) : network_(network), index_(index) {}
  bool send(const Address& to, const std::uint8_t* data, std::size_t size) override {
    return network_->send(index_, to, data, size);
  }
  long receive(Address* from, std::uint8_t* data, std::size_t capacity) override {
    return network_->receive(index_, from, data, capacity);
  }
  int index() const { return index_; }

 private:
  SimNetwork* network_;
  int index_;
};

namespace {

Address simAddress(int index) {
  Address a;
  a.size = 4;
  a.bytes[0] = 10;  // 10.0.0.(index + 1), as the tests print it
  a.bytes[3] = static_cast<std::uint8_t>(index + 1);
  return a;
}

}  // namespace

SimNetwork::SimNetwork(std::uint64_t seed, const LinkProfile& profile)
    : state_(seed), profile_(profile) {}

SimNetwork::~SimNetwork() = default;

Transport& SimNetwork::addEndpoint() {
  endpoints_.push_back(std::make_unique<Endpoint>(this, static_cast<int>(endpoints_.size())));
  traffic_.emplace_back();
  links_.push_back(profile_);
  return *endpoints_.back();
}

void SimNetwork::setLinkFrom(const Transport& endpoint, const LinkProfile& profile) {
  links_[static_cast<std::size_t>(static_cast<const Endpoint&>(endpoint).index())] = profile;
}

Address SimNetwork::addressOf(const Transport& endpoint) const {
  return simAddress(static_cast<const Endpoint&>(endpoint).index());
}

SimNetwork::Traffic SimNetwork::sentBy(const Transport& endpoint) const {
  return traffic_[static_cast<std::size_t>(static_cast<const Endpoint&>(endpoint).index())];
}

// splitmix64: small, and the same on every platform.
double SimNetwork::uniform() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) / 9007199254740992.0;
}

int SimNetwork::indexOf(const Address& address) const {
  for (std::size_t i = 0; i < endpoints_.size(); ++i) {
    if (simAddress(static_cast<int>(i)) == address) return static_cast<int>(i);
  }
  return -1;
}

void SimNetwork::schedule(const LinkProfile& link, const Address& from, int to,
                          const std::uint8_t* data, std::size_t size) {
  auto delay = static_cast<std::uint32_t>(link.latency_ms + uniform() * (link.jitter_ms + 1));
  if (uniform() < link.reorder) delay += link.latency_ms + link.jitter_ms;
  in_flight_.push_back(
      InFlight{now_ms_ + delay, order_++, from, to, std::vector<std::uint8_t>(data, data + size)});
}

void SimNetwork::inject(const Address& from, const Address& to, const std::uint8_t* data,
                        std::size_t size) {
  const int index = indexOf(to);
  if (index < 0) return;
  in_flight_.push_back(
      InFlight{now_ms_, order_++, from, index, std::vector<std::uint8_t>(data, data + size)});
}

bool SimNetwork::send(int from, const Address& to, const std::uint8_t* data, std::size_t size) {
  Traffic& t = traffic_[static_cast<std::size_t>(from)];
  ++t.datagrams;
  t.bytes += size;
  const int index = indexOf(to);
  const LinkProfile& link = links_[static_cast<std::size_t>(from)];
  if (index < 0 || uniform() < link.loss) return true;
  schedule(link, simAddress(from), index, data, size);
  if (uniform() < link.duplicate) schedule(link, simAddress(from), index, data, size);
  return true;
}

long SimNetwork::receive(int at, Address* from, std::uint8_t* data, std::size_t capacity) {
  auto best = in_flight_.end();
  for (auto it = in_flight_.begin(); it != in_flight_.end(); ++it) {
    if (it->to != at || it->due_ms > now_ms_) continue;
    if (best == in_flight_.end() || it->due_ms < best->due_ms ||
        (it->due_ms == best->due_ms && it->order < best->order)) {
      best = it;
    }
  }
  if (best == in_flight_.end()) return -1;
  *from = best->from;
  const std::size_t size = best->bytes.size();
  std::copy_n(best->bytes.begin(), std::min(size, capacity), data);
  in_flight_.erase(best);
  return size > capacity ? static_cast<long>(capacity) + 1 : static_cast<long>(size);
}

}  // namespace net
