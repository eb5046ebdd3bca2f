// The system calls beneath the Windows socket subset (see native.h): POSIX
// datagram sockets, addresses turned between Windows' layout and the system's.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/net/native.h"

namespace platform::native_net {

namespace {

// Windows' records have the system's layout but for the family's number.
static_assert(sizeof(sockaddr_in) == 16 && sizeof(sockaddr_in6) == ADDRESS_BYTES);
static_assert(offsetof(sockaddr_in6, sin6_addr) == 8 &&
              offsetof(sockaddr_in6, sin6_scope_id) == 24);

int systemFamily(int family) {
  if (family == FAMILY_INET) return AF_INET;
  if (family == FAMILY_INET6) return AF_INET6;
  if (family == 0) return AF_UNSPEC;
  return -1;
}

// Windows' layout to the system's; false for a family or length that is none.
bool toSystem(const unsigned char* address, int length, sockaddr_storage* out, socklen_t* size) {
  if (address == nullptr || length < 2) return false;
  const int family = address[0] | (address[1] << 8);
  std::memset(out, 0, sizeof *out);
  if (family == FAMILY_INET && length >= 16) {
    std::memcpy(out, address, 16);
    reinterpret_cast<sockaddr_in*>(out)->sin_family = AF_INET;
    *size = 16;
    return true;
  }
  if (family == FAMILY_INET6 && length >= ADDRESS_BYTES) {
    std::memcpy(out, address, ADDRESS_BYTES);
    reinterpret_cast<sockaddr_in6*>(out)->sin6_family = AF_INET6;
    *size = ADDRESS_BYTES;
    return true;
  }
  return false;
}

// The system's address in Windows' layout; its length, 0 for another family.
int fromSystem(const sockaddr* address, socklen_t size, unsigned char* out) {
  int family = 0;
  int length = 0;
  if (address->sa_family == AF_INET && size >= 16) {
    family = FAMILY_INET;
    length = 16;
  } else if (address->sa_family == AF_INET6 && size >= ADDRESS_BYTES) {
    family = FAMILY_INET6;
    length = ADDRESS_BYTES;
  } else {
    return 0;
  }
  std::memcpy(out, address, static_cast<std::size_t>(length));
  out[0] = static_cast<unsigned char>(family & 0xFF);
  out[1] = static_cast<unsigned char>(family >> 8);
  return length;
}

// errno as Windows numbers it.
int windowsError(int error) {
  switch (error) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return FAILED_WOULD_BLOCK;
    case EINTR:
      return FAILED_INTERRUPTED;
    case EACCES:
    case EPERM:
      return FAILED_ACCESS;
    case EFAULT:
      return FAILED_FAULT;
    case EMFILE:
    case ENFILE:
      return FAILED_TOO_MANY;
    case ENOTSOCK:
    case EBADF:
      return FAILED_NOT_SOCKET;
    case EMSGSIZE:
      return FAILED_MESSAGE_SIZE;
    case EPROTONOSUPPORT:
      return FAILED_PROTOCOL;
    case ESOCKTNOSUPPORT:
      return FAILED_SOCKET_TYPE;
    case EOPNOTSUPP:
      return FAILED_NOT_SUPPORTED;
    case EAFNOSUPPORT:
      return FAILED_FAMILY;
    case EADDRINUSE:
      return FAILED_ADDRESS_IN_USE;
    case EADDRNOTAVAIL:
      return FAILED_ADDRESS_NOT_AVAILABLE;
    case ENETUNREACH:
      return FAILED_NETWORK_UNREACHABLE;
    case ECONNRESET:
    case ECONNREFUSED:
      return FAILED_RESET;
    case ENOBUFS:
    case ENOMEM:
      return FAILED_NO_BUFFERS;
    case EHOSTUNREACH:
      return FAILED_HOST_UNREACHABLE;
    default:
      return FAILED_INVALID;
  }
}

int lastError() { return windowsError(errno); }

// A refusal the system reported to a send (it belongs to an earlier datagram)
// is kept for the socket's next receive, where Windows reports it.
constexpr int REFUSAL_SLOTS = 1024;
std::atomic<bool> g_refused[REFUSAL_SLOTS];

void setRefused(int fd, bool refused) {
  if (fd >= 0 && fd < REFUSAL_SLOTS) g_refused[fd] = refused;
}

bool takeRefused(int fd) { return fd >= 0 && fd < REFUSAL_SLOTS && g_refused[fd].exchange(false); }

// The reports behind a refusal wait in the socket's error queue: read away.
void dropErrorReports(int fd) {
  unsigned char report[512];
  for (int i = 0; i < 64; ++i) {
    iovec part = {report, sizeof report};
    msghdr message = {};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) break;
  }
}

}  // namespace

int openDatagram(int family, int* fd) {
  const int system_family = systemFamily(family);
  if (system_family != AF_INET && system_family != AF_INET6) return FAILED_FAMILY;
  const int s = ::socket(system_family, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (s < 0) return lastError();
  // Windows' IPv6 sockets take IPv6 only.
  const int on = 1;
  if (system_family == AF_INET6 &&
      ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on) != 0) {
    const int error = lastError();
    ::close(s);
    return error;
  }
  // As on Windows, a datagram to a port without a program is reported by a
  // later receive (the system's "port unreachable"), unconnected as the socket is.
  const bool recverr = system_family == AF_INET6
                           ? ::setsockopt(s, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on) == 0
                           : ::setsockopt(s, IPPROTO_IP, IP_RECVERR, &on, sizeof on) == 0;
  if (!recverr) {
    const int error = lastError();
    ::close(s);
    return error;
  }
  *fd = s;
  return 0;
}

int bindTo(int fd, const unsigned char* address, int length) {
  sockaddr_storage a;
  socklen_t size = 0;
  if (!toSystem(address, length, &a, &size)) return FAILED_FAMILY;
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&a), size) == 0 ? 0 : lastError();
}

int sendTo(int fd, const void* data, std::size_t size, const unsigned char* address, int length,
           std::size_t* sent) {
  sockaddr_storage a;
  socklen_t a_size = 0;
  if (!toSystem(address, length, &a, &a_size)) return FAILED_FAMILY;
  ssize_t n = ::sendto(fd, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&a), a_size);
  if (n < 0 && errno == ECONNREFUSED) {
    dropErrorReports(fd);
    setRefused(fd, true);
    n = ::sendto(fd, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&a), a_size);
  }
  if (n < 0) return lastError();
  *sent = static_cast<std::size_t>(n);
  return 0;
}

int receiveFrom(int fd, void* data, std::size_t size, unsigned char* address, int* length,
                std::size_t* received) {
  sockaddr_storage a;
  socklen_t a_size = sizeof a;
  // MSG_TRUNC: the datagram's whole length, so a longer one is told apart.
  const ssize_t n = ::recvfrom(fd, data, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&a), &a_size);
  if (n < 0) {
    const int error = errno;
    if (error == ECONNREFUSED) {
      dropErrorReports(fd);
      setRefused(fd, false);
    } else if (takeRefused(fd)) {
      return FAILED_RESET;
    }
    return windowsError(error);
  }
  *length = fromSystem(reinterpret_cast<const sockaddr*>(&a), a_size, address);
  if (static_cast<std::size_t>(n) > size) {
    *received = size;
    return FAILED_MESSAGE_SIZE;
  }
  *received = static_cast<std::size_t>(n);
  return 0;
}

int connectTo(int fd, const unsigned char* address, int length) {
  sockaddr_storage a;
  socklen_t size = 0;
  if (!toSystem(address, length, &a, &size)) return FAILED_FAMILY;
  return ::connect(fd, reinterpret_cast<const sockaddr*>(&a), size) == 0 ? 0 : lastError();
}

int localAddress(int fd, unsigned char* address, int* length) {
  sockaddr_storage a;
  socklen_t size = sizeof a;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0) return lastError();
  *length = fromSystem(reinterpret_cast<const sockaddr*>(&a), size, address);
  return 0;
}

int setNonBlocking(int fd, bool on) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return lastError();
  const int wanted = on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
  return ::fcntl(fd, F_SETFL, wanted) == 0 ? 0 : lastError();
}

int closeDescriptor(int fd) {
  setRefused(fd, false);
  return ::close(fd) == 0 ? 0 : lastError();
}

ResolveError resolve(const char* node, const char* service, int family, int socket_type,
                     int protocol, int flags, Resolved* out, int capacity, int* count) {
  *count = 0;
  if ((flags & ~(1 | 4 | 8)) != 0) return ResolveError::BadFlags;
  const int system_family = systemFamily(family);
  if (system_family < 0) return ResolveError::Family;
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = system_family;
  hints.ai_socktype = socket_type;
  hints.ai_protocol = protocol;
  hints.ai_flags = ((flags & 1) != 0 ? AI_PASSIVE : 0) | ((flags & 4) != 0 ? AI_NUMERICHOST : 0) |
                   ((flags & 8) != 0 ? AI_NUMERICSERV : 0);
  addrinfo* list = nullptr;
  const int status = ::getaddrinfo(node, service, &hints, &list);
  switch (status) {
    case 0:
      break;
    case EAI_NONAME:
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
      return ResolveError::NoName;
    case EAI_AGAIN:
      return ResolveError::Again;
    case EAI_FAMILY:
      return ResolveError::Family;
    case EAI_SERVICE:
      return ResolveError::Service;
    case EAI_SOCKTYPE:
      return ResolveError::SocketType;
    case EAI_BADFLAGS:
      return ResolveError::BadFlags;
    case EAI_MEMORY:
      return ResolveError::Memory;
    default:
      return ResolveError::Fail;
  }
  for (const addrinfo* a = list; a != nullptr && *count < capacity; a = a->ai_next) {
    Resolved& r = out[*count];
    r.length = fromSystem(a->ai_addr, a->ai_addrlen, r.address);
    if (r.length == 0) continue;
    r.family = r.address[0] | (r.address[1] << 8);
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
    const ssize_t got = ::getrandom(bytes, size, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace platform::native_net
