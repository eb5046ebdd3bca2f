// A network in memory for tests and measurements: endpoints exchange
// datagrams with a latency, jitter, loss, duplicates and reordering drawn from
// a seeded generator, so every run with a seed is the same. Time is the
// caller's: setNow moves it, and a datagram arrives once its time has come.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "net/transport.h"

namespace net {

struct LinkProfile {
  std::uint32_t latency_ms = 0;  // the least a datagram takes
  std::uint32_t jitter_ms = 0;   // plus up to this much, evenly drawn
  double loss = 0;               // the share of datagrams lost
  double duplicate = 0;          // ... delivered twice
  double reorder = 0;            // ... held back by another latency
};

class SimNetwork {
 public:
  SimNetwork(std::uint64_t seed, const LinkProfile& profile);
  ~SimNetwork();

  // A new endpoint with its own address; the network owns it.
  Transport& addEndpoint();
  Address addressOf(const Transport& endpoint) const;

  // Datagrams `endpoint` sends take this line instead of the network's: one
  // way slower than the other.
  void setLinkFrom(const Transport& endpoint, const LinkProfile& profile);

  void setNow(std::uint32_t now_ms) { now_ms_ = now_ms; }
  std::uint32_t now() const { return now_ms_; }

  // Puts a datagram on the way as if `from` had sent it.
  void inject(const Address& from, const Address& to, const std::uint8_t* data, std::size_t size);

  // Datagrams and bytes each endpoint has sent (before any loss).
  struct Traffic {
    std::uint64_t datagrams = 0;
    std::uint64_t bytes = 0;
  };
  Traffic sentBy(const Transport& endpoint) const;

 private:
  class Endpoint;
  struct InFlight {
    std::uint32_t due_ms;
    std::uint64_t order;
    Address from;
    int to;
    std::vector<std::uint8_t> bytes;
  };

  double uniform();
  void schedule(const LinkProfile& link, const Address& from, int to, const std::uint8_t* data,
                std::size_t size);
  bool send(int from, const Address& to, const std::uint8_t* data, std::size_t size);
  long receive(int at, Address* from, std::uint8_t* data, std::size_t capacity);
  int indexOf(const Address& address) const;

  std::uint64_t state_;
  LinkProfile profile_;
  std::uint32_t now_ms_ = 0;
  std::uint64_t order_ = 0;
  std::vector<std::unique_ptr<Endpoint>> endpoints_;
  std::vector<Traffic> traffic_;
  std::vector<LinkProfile> links_;  // per sender
  std::vector<InFlight> in_flight_;
};

}  // namespace net
