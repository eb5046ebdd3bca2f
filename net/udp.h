// UDP datagrams through the Windows socket subset (platform/win32.h):
// non-blocking sockets, one per address family in use.
#pragma once

#include <cstdint>
#include <string>

#include "net/transport.h"
#include "platform/win32.h"

namespace net {

class UdpTransport : public Transport {
 public:
  UdpTransport();
  ~UdpTransport() override;
  UdpTransport(const UdpTransport&) = delete;
  UdpTransport& operator=(const UdpTransport&) = delete;

  // A host listens on `port` on every address family the system has; a
  // joiner opens one socket of its host's family on a port the system picks.
  // False with a sentence in *error when no socket could be opened, or the
  // port is taken on either family. A host on one family only says which
  // in note() ("" on both).
  bool listen(std::uint16_t port, std::string* error);
  const std::string& note() const { return note_; }
  bool openFor(const Address& peer, std::string* error);

  // The address a name or a numeric IPv4 or IPv6 address stands for.
  static bool resolve(const char* host, std::uint16_t port, Address* out, std::string* error);
  // Every address it stands for (IPv6 and IPv4), up to `capacity`: how many
  // (0 with a sentence in *error).
  static int resolveAll(const char* host, std::uint16_t port, Address* out, int capacity,
                        std::string* error);

  // What a host's two binds (0, or the socket error of each family's
  // socket or bind) come to: false with *error, or true with *note saying
  // which family alone serves.
  static bool hosting(std::uint16_t port, int v4_error, int v6_error, std::string* error,
                      std::string* note);

  bool send(const Address& to, const std::uint8_t* data, std::size_t size) override;
  long receive(Address* from, std::uint8_t* data, std::size_t capacity) override;

 private:
  // 0, or the socket error (the failing call in *what).
  int open(int family, std::uint16_t port, const char** what);

  bool started_ = false;
  SOCKET sockets_[2] = {INVALID_SOCKET, INVALID_SOCKET};  // IPv4, IPv6
  int next_ = 0;  // the socket read first, so that neither starves the other
  std::string note_;
};

}  // namespace net
