// What the lockstep core needs of a network: datagrams to and from addresses.
// UDP for people (net/udp.h), a simulated lossy network for tests
// (tests/support/net/sim_network.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace net {

// A sender's or receiver's address as the transport spells it (for UDP the
// socket address record); compared byte for byte.
struct Address {
  static constexpr std::size_t CAPACITY = 28;
  std::uint8_t bytes[CAPACITY] = {};
  std::uint8_t size = 0;
  friend bool operator==(const Address& a, const Address& b) {
    return a.size == b.size && std::memcmp(a.bytes, b.bytes, a.size) == 0;
  }
};

class Transport {
 public:
  virtual ~Transport() = default;
  // Sends one datagram; false when the system refused it (it is lost then,
  // as the network may lose any).
  virtual bool send(const Address& to, const std::uint8_t* data, std::size_t size) = 0;
  // The next datagram waiting: its size, capacity + 1 for a longer one (its
  // first `capacity` bytes in data), -1 when none waits, or REFUSED when the
  // system reports that a datagram sent earlier found no program at its port.
  static constexpr long REFUSED = -2;
  virtual long receive(Address* from, std::uint8_t* data, std::size_t capacity) = 0;
};

}  // namespace net
