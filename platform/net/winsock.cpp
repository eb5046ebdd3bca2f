// The system calls beneath the Windows socket subset (see native.h) where the
// platform layer itself runs on Windows (the test suites' Windows build): the
// system's own sockets, started on first use, whose records and error numbers
// are already Windows'.
#include <winsock2.h>
#include <ws2tcpip.h>
// windows.h after the sockets, bcrypt on its types.
#include <windows.h>

#include <bcrypt.h>

#include <cstring>

#include "platform/net/native.h"

namespace platform::native_net {

namespace {

// Descriptors are indices into a table of the system's sockets.
constexpr int MAX_SOCKETS = 64;
SOCKET g_sockets[MAX_SOCKETS];
bool g_used[MAX_SOCKETS];

bool start() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET systemSocket(int fd) {
  return fd >= 0 && fd < MAX_SOCKETS && g_used[fd] ? g_sockets[fd] : INVALID_SOCKET;
}

}  // namespace

int openDatagram(int family, int* fd) {
  if (!start()) return FAILED_NO_BUFFERS;
  int slot = 0;
  while (slot < MAX_SOCKETS && g_used[slot]) ++slot;
  if (slot == MAX_SOCKETS) return FAILED_TOO_MANY;
  const SOCKET s = ::socket(family, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return WSAGetLastError();
  g_sockets[slot] = s;
  g_used[slot] = true;
  *fd = slot;
  return 0;
}

int bindTo(int fd, const unsigned char* address, int length) {
  const SOCKET s = systemSocket(fd);
  if (s == INVALID_SOCKET) return FAILED_NOT_SOCKET;
  return ::bind(s, reinterpret_cast<const sockaddr*>(address), length) == 0 ? 0 : WSAGetLastError();
}

int sendTo(int fd, const void* data, std::size_t size, const unsigned char* address, int length,
           std::size_t* sent) {
  const SOCKET s = systemSocket(fd);
  if (s == INVALID_SOCKET) return FAILED_NOT_SOCKET;
  const int n = ::sendto(s, static_cast<const char*>(data), static_cast<int>(size), 0,
                         reinterpret_cast<const sockaddr*>(address), length);
  if (n == SOCKET_ERROR) return WSAGetLastError();
  *sent = static_cast<std::size_t>(n);
  return 0;
}

int receiveFrom(int fd, void* data, std::size_t size, unsigned char* address, int* length,
                std::size_t* received) {
  const SOCKET s = systemSocket(fd);
  if (s == INVALID_SOCKET) return FAILED_NOT_SOCKET;
  sockaddr_in6 from;
  std::memset(&from, 0, sizeof from);
  int from_length = sizeof from;
  const int n = ::recvfrom(s, static_cast<char*>(data), static_cast<int>(size), 0,
                           reinterpret_cast<sockaddr*>(&from), &from_length);
  const int error = n == SOCKET_ERROR ? WSAGetLastError() : 0;
  if (error != 0 && error != WSAEMSGSIZE) return error;
  *length = from_length > 0 && from_length <= ADDRESS_BYTES ? from_length : 0;
  std::memcpy(address, &from, static_cast<std::size_t>(*length));
  *received = error == 0 ? static_cast<std::size_t>(n) : size;
  return error;
}

int connectTo(int fd, const unsigned char* address, int length) {
  const SOCKET s = systemSocket(fd);
  if (s == INVALID_SOCKET) return FAILED_NOT_SOCKET;
  return ::connect(s, reinterpret_cast<const sockaddr*>(address), length) == 0 ? 0
                                                                               : WSAGetLastError();
}

int localAddress(int fd, unsigned char* address, int* length) {
  const SOCKET s = systemSocket(fd);
  if (s == INVALID_SOCKET) return FAILED_NOT_SOCKET;
  sockaddr_in6 own;
  std::memset(&own, 0, sizeof own);
  int own_length = sizeof own;
  if (::getsockname(s, reinterpret_cast<sockaddr*>(&own), &own_length) != 0) {
    return WSAGetLastError();
  }
  *length = own_length > 0 && own_length <= ADDRESS_BYTES ? own_length : 0;
  std::memcpy(address, &own, static_cast<std::size_t>(*length));
  return 0;
}

int setNonBlocking(int fd, bool on) {
  const SOCKET s = systemSocket(fd);
  if (s == INVALID_SOCKET) return FAILED_NOT_SOCKET;
  u_long value = on ? 1 : 0;
  return ::ioctlsocket(s, static_cast<long>(FIONBIO), &value) == 0 ? 0 : WSAGetLastError();
}

int closeDescriptor(int fd) {
  const SOCKET s = systemSocket(fd);
  if (s == INVALID_SOCKET) return FAILED_NOT_SOCKET;
  g_used[fd] = false;
  return ::closesocket(s) == 0 ? 0 : WSAGetLastError();
}

ResolveError resolve(const char* node, const char* service, int family, int socket_type,
                     int protocol, int flags, Resolved* out, int capacity, int* count) {
  *count = 0;
  if (!start()) return ResolveError::Fail;
  ADDRINFOA hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = family;
  hints.ai_socktype = socket_type;
  hints.ai_protocol = protocol;
  hints.ai_flags = flags;
  ADDRINFOA* list = nullptr;
  switch (::getaddrinfo(node, service, &hints, &list)) {
    case 0:
      break;
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA:
      return ResolveError::NoName;
    case WSATRY_AGAIN:
      return ResolveError::Again;
    case WSAEAFNOSUPPORT:
      return ResolveError::Family;
    case WSATYPE_NOT_FOUND:
      return ResolveError::Service;
    case WSAESOCKTNOSUPPORT:
      return ResolveError::SocketType;
    case WSAEINVAL:
      return ResolveError::BadFlags;
    case WSA_NOT_ENOUGH_MEMORY:
      return ResolveError::Memory;
    default:
      return ResolveError::Fail;
  }
  for (const ADDRINFOA* a = list; a != nullptr && *count < capacity; a = a->ai_next) {
    if (a->ai_addrlen > static_cast<std::size_t>(ADDRESS_BYTES)) continue;
    Resolved& r = out[*count];
    std::memcpy(r.address, a->ai_addr, a->ai_addrlen);
    r.length = static_cast<int>(a->ai_addrlen);
    r.family = a->ai_family;
    r.socket_type = a->ai_socktype;
    r.protocol = a->ai_protocol;
    ++*count;
  }
  ::freeaddrinfo(list);
  return *count > 0 ? ResolveError::None : ResolveError::NoName;
}

bool fillRandom(void* data, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(data);
  while (size > 0) {
    const ULONG part = size > 0x10000000u ? 0x10000000u : static_cast<ULONG>(size);
    if (BCryptGenRandom(nullptr, bytes, part, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return false;
    bytes += part;
    size -= part;
  }
  return true;
}

}  // namespace platform::native_net
