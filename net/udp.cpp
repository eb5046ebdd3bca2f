#include "net/udp.h"

#include <cstdio>
#include <cstring>

namespace net {

namespace {

int familyOf(const Address& a) {
  if (a.size < 2) return AF_UNSPEC;
  return a.bytes[0] | (a.bytes[1] << 8);
}

int slotOf(int family) { return family == AF_INET6 ? 1 : 0; }

std::string errorText(const char* what, int code) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (socket error %d)", what, code);
  return text;
}

}  // namespace

UdpTransport::UdpTransport() {
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

UdpTransport::~UdpTransport() {
  for (SOCKET& s : sockets_) {
    if (s != INVALID_SOCKET) closesocket(s);
  }
  if (started_) WSACleanup();
}

int UdpTransport::open(int family, std::uint16_t port, const char** what) {
  const int slot = slotOf(family);
  if (sockets_[slot] != INVALID_SOCKET) return 0;
  *what = "socket";
  const SOCKET s = socket(family, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return WSAGetLastError();
  ULONG non_blocking = 1;
  if (ioctlsocket(s, static_cast<LONG>(FIONBIO), &non_blocking) != 0) {
    *what = "ioctlsocket";
    const int code = WSAGetLastError();
    closesocket(s);
    return code;
  }
  // The wildcard address of the family.
  ADDRINFOA hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = family;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  char service[8];
  std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
  ADDRINFOA* found = nullptr;
  const int status = getaddrinfo(nullptr, service, &hints, &found);
  if (status != 0 || found == nullptr) {
    *what = "getaddrinfo";
    closesocket(s);
    return status != 0 ? status : WSAHOST_NOT_FOUND;
  }
  const int bound = bind(s, found->ai_addr, static_cast<int>(found->ai_addrlen));
  freeaddrinfo(found);
  if (bound != 0) {
    *what = "bind";
    const int code = WSAGetLastError();
    closesocket(s);
    return code;
  }
  sockets_[slot] = s;
  return 0;
}

bool UdpTransport::hosting(std::uint16_t port, int v4_error, int v6_error, std::string* error,
                           std::string* note) {
  note->clear();
  // Another program on the port of either family would take that family's
  // players: the port is in use.
  if (v4_error == WSAEADDRINUSE || v6_error == WSAEADDRINUSE) {
    *error = "port " + std::to_string(port) + " is in use";
    return false;
  }
  if (v4_error != 0 && v6_error != 0) {
    *error = errorText("bind", v4_error);
    return false;
  }
  if (v4_error != 0) *note = "hosting on IPv6 only: IPv4 players cannot join";
  if (v6_error != 0) *note = "hosting on IPv4 only: IPv6 players cannot join";
  return true;
}

bool UdpTransport::listen(std::uint16_t port, std::string* error) {
  if (!started_) {
    *error = "the system's sockets could not be started";
    return false;
  }
  const char* v4_what = "";
  const char* v6_what = "";
  const int v4 = open(AF_INET, port, &v4_what);
  const int v6 = open(AF_INET6, port, &v6_what);
  if (!hosting(port, v4, v6, error, &note_)) {
    if (v4 != 0 && v6 != 0 && v4 != WSAEADDRINUSE && v6 != WSAEADDRINUSE) {
      *error = errorText(v4_what, v4);
    }
    for (SOCKET& s : sockets_) {
      if (s != INVALID_SOCKET) closesocket(s);
      s = INVALID_SOCKET;
    }
    return false;
  }
  return true;
}

bool UdpTransport::openFor(const Address& peer, std::string* error) {
  if (!started_) {
    *error = "the system's sockets could not be started";
    return false;
  }
  const int family = familyOf(peer);
  if (family != AF_INET && family != AF_INET6) {
    *error = "not an IPv4 or IPv6 address";
    return false;
  }
  const char* what = "";
  const int code = open(family, 0, &what);
  if (code != 0) *error = errorText(what, code);
  return code == 0;
}

bool UdpTransport::resolve(const char* host, std::uint16_t port, Address* out, std::string* error) {
  return resolveAll(host, port, out, 1, error) == 1;
}

int UdpTransport::resolveAll(const char* host, std::uint16_t port, Address* out, int capacity,
                             std::string* error) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    *error = "the system's sockets could not be started";
    return 0;
  }
  ADDRINFOA hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  hints.ai_flags = AI_NUMERICSERV;
  char service[8];
  std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
  ADDRINFOA* found = nullptr;
  const int status = getaddrinfo(host, service, &hints, &found);
  int count = 0;
  if (status == 0) {
    for (const ADDRINFOA* a = found; a != nullptr && count < capacity; a = a->ai_next) {
      if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) ||
          a->ai_addrlen > Address::CAPACITY) {
        continue;
      }
      Address& to = out[count];
      to = Address{};
      std::memcpy(to.bytes, a->ai_addr, a->ai_addrlen);
      to.size = static_cast<std::uint8_t>(a->ai_addrlen);
      bool again = false;
      for (int i = 0; i < count; ++i) again |= out[i] == to;
      if (!again) ++count;
    }
    freeaddrinfo(found);
  }
  if (count == 0) *error = "cannot find the address of " + std::string(host);
  WSACleanup();
  return count;
}

bool UdpTransport::send(const Address& to, const std::uint8_t* data, std::size_t size) {
  const SOCKET s = sockets_[slotOf(familyOf(to))];
  if (s == INVALID_SOCKET) return false;
  return sendto(s, reinterpret_cast<const char*>(data), static_cast<int>(size), 0,
                reinterpret_cast<const sockaddr*>(to.bytes), to.size) == static_cast<int>(size);
}

long UdpTransport::receive(Address* from, std::uint8_t* data, std::size_t capacity) {
  for (int tries = 0; tries < 2; ++tries) {
    const SOCKET s = sockets_[next_];
    next_ ^= 1;
    if (s == INVALID_SOCKET) continue;
    for (;;) {
      SOCKADDR_IN6 address;
      std::memset(&address, 0, sizeof address);
      int length = sizeof address;
      const int got = recvfrom(s, reinterpret_cast<char*>(data), static_cast<int>(capacity), 0,
                               reinterpret_cast<sockaddr*>(&address), &length);
      bool too_long = false;
      if (got == SOCKET_ERROR) {
        const int code = WSAGetLastError();
        // An earlier datagram's "port unreachable" is reported here.
        if (code == WSAECONNRESET) return REFUSED;
        if (code != WSAEMSGSIZE) break;
        too_long = true;
      }
      if (length <= 0 || static_cast<std::size_t>(length) > Address::CAPACITY) continue;
      from->size = static_cast<std::uint8_t>(length);
      std::memcpy(from->bytes, &address, static_cast<std::size_t>(length));
      return too_long ? static_cast<long>(capacity) + 1 : got;
    }
  }
  return -1;
}

}  // namespace net
