// The Windows socket subset (platform/win32.h) over the system's datagram
// sockets (native.h): Windows' checks, error numbers and records. Only UDP
// datagram sockets exist; a SOCKET is an index into a table of open ones, so
// a stale or made-up handle names no descriptor of the process.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/net/native.h"
#include "platform/win32.h"

namespace {

namespace native = platform::native_net;

constexpr int MAX_SOCKETS = 64;
// Handles start above the small numbers a made-up value would take.
constexpr SOCKET FIRST_HANDLE = 0x100;

struct SocketTable {
  std::mutex lock;
  int startups = 0;
  int fds[MAX_SOCKETS] = {};
  bool used[MAX_SOCKETS] = {};
};

SocketTable& table() {
  static SocketTable t;
  return t;
}

thread_local int t_last_error = 0;

int fail(int error) {
  t_last_error = error;
  return SOCKET_ERROR;
}

// The backend's error numbers are Windows'.
static_assert(native::FAILED_WOULD_BLOCK == WSAEWOULDBLOCK &&
              native::FAILED_INTERRUPTED == WSAEINTR && native::FAILED_ACCESS == WSAEACCES &&
              native::FAILED_FAULT == WSAEFAULT && native::FAILED_INVALID == WSAEINVAL &&
              native::FAILED_TOO_MANY == WSAEMFILE && native::FAILED_NOT_SOCKET == WSAENOTSOCK &&
              native::FAILED_MESSAGE_SIZE == WSAEMSGSIZE &&
              native::FAILED_PROTOCOL == WSAEPROTONOSUPPORT &&
              native::FAILED_SOCKET_TYPE == WSAESOCKTNOSUPPORT &&
              native::FAILED_NOT_SUPPORTED == WSAEOPNOTSUPP &&
              native::FAILED_FAMILY == WSAEAFNOSUPPORT &&
              native::FAILED_ADDRESS_IN_USE == WSAEADDRINUSE &&
              native::FAILED_ADDRESS_NOT_AVAILABLE == WSAEADDRNOTAVAIL &&
              native::FAILED_NETWORK_UNREACHABLE == WSAENETUNREACH &&
              native::FAILED_RESET == WSAECONNRESET && native::FAILED_NO_BUFFERS == WSAENOBUFS &&
              native::FAILED_HOST_UNREACHABLE == WSAEHOSTUNREACH);

bool started() {
  SocketTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.startups > 0;
}

// The descriptor of an open socket, or -1 with the error set.
int descriptor(SOCKET s) {
  SocketTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.startups == 0) {
    t_last_error = WSANOTINITIALISED;
    return -1;
  }
  const SOCKET index = s - FIRST_HANDLE;
  if (s < FIRST_HANDLE || index >= MAX_SOCKETS || !t.used[index]) {
    t_last_error = WSAENOTSOCK;
    return -1;
  }
  return t.fds[index];
}

}  // namespace

int WSAStartup(WORD version_requested, LPWSADATA data) {
  // Versions 1.1 up to 2.2 are served as 2.2 or the version asked for.
  const int major = version_requested & 0xFF;
  const int minor = version_requested >> 8;
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  if (data == nullptr) return WSAEFAULT;
  std::memset(data, 0, sizeof *data);
  data->wHighVersion = MAKEWORD(2, 2);
  data->wVersion = (major > 2 || (major == 2 && minor >= 2)) ? MAKEWORD(2, 2) : version_requested;
  std::strcpy(data->szDescription, "WinSock 2.0");
  std::strcpy(data->szSystemStatus, "Running");
  SocketTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  ++t.startups;
  return 0;
}

int WSACleanup(void) {
  SocketTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.startups == 0) return fail(WSANOTINITIALISED);
  // The last cleanup closes what is still open, as Windows does.
  if (--t.startups == 0) {
    for (int i = 0; i < MAX_SOCKETS; ++i) {
      if (t.used[i]) native::closeDescriptor(t.fds[i]);
      t.used[i] = false;
    }
  }
  return 0;
}

int WSAGetLastError(void) { return t_last_error; }

SOCKET socket(int af, int type, int protocol) {
  if (!started()) {
    t_last_error = WSANOTINITIALISED;
    return INVALID_SOCKET;
  }
  if (af != AF_INET && af != AF_INET6) {
    t_last_error = WSAEAFNOSUPPORT;
    return INVALID_SOCKET;
  }
  if (type != SOCK_DGRAM) {
    t_last_error = WSAESOCKTNOSUPPORT;
    return INVALID_SOCKET;
  }
  if (protocol != 0 && protocol != IPPROTO_UDP) {
    t_last_error = WSAEPROTONOSUPPORT;
    return INVALID_SOCKET;
  }
  int fd = -1;
  if (const int error = native::openDatagram(af, &fd)) {
    t_last_error = error;
    return INVALID_SOCKET;
  }
  SocketTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  for (int i = 0; i < MAX_SOCKETS; ++i) {
    if (!t.used[i]) {
      t.used[i] = true;
      t.fds[i] = fd;
      return FIRST_HANDLE + static_cast<SOCKET>(i);
    }
  }
  native::closeDescriptor(fd);
  t_last_error = WSAEMFILE;
  return INVALID_SOCKET;
}

int bind(SOCKET s, const struct sockaddr* name, int name_length) {
  const int fd = descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (name == nullptr || name_length < static_cast<int>(sizeof(SOCKADDR))) return fail(WSAEFAULT);
  const int error = native::bindTo(fd, reinterpret_cast<const unsigned char*>(name), name_length);
  return error == 0 ? 0 : fail(error);
}

int sendto(SOCKET s, const char* buffer, int length, int flags, const struct sockaddr* to,
           int to_length) {
  const int fd = descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (flags != 0) return fail(WSAEOPNOTSUPP);
  if (length < 0 || (buffer == nullptr && length > 0) || to == nullptr ||
      to_length < static_cast<int>(sizeof(SOCKADDR))) {
    return fail(WSAEFAULT);
  }
  std::size_t sent = 0;
  const int error = native::sendTo(fd, buffer, static_cast<std::size_t>(length),
                                   reinterpret_cast<const unsigned char*>(to), to_length, &sent);
  return error == 0 ? static_cast<int>(sent) : fail(error);
}

int recvfrom(SOCKET s, char* buffer, int length, int flags, struct sockaddr* from,
             int* from_length) {
  const int fd = descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (flags != 0) return fail(WSAEOPNOTSUPP);
  if (length < 0 || (buffer == nullptr && length > 0)) return fail(WSAEFAULT);
  if (from != nullptr &&
      (from_length == nullptr || *from_length < static_cast<int>(sizeof(SOCKADDR)))) {
    return fail(WSAEFAULT);
  }
  unsigned char address[native::ADDRESS_BYTES] = {};
  int address_length = 0;
  std::size_t received = 0;
  const int error = native::receiveFrom(fd, buffer, static_cast<std::size_t>(length), address,
                                        &address_length, &received);
  if (error != 0 && error != native::FAILED_MESSAGE_SIZE) return fail(error);
  if (from != nullptr) {
    // Windows fails a record too small for the sender's address.
    if (*from_length < address_length) return fail(WSAEFAULT);
    std::memcpy(from, address, static_cast<std::size_t>(address_length));
    *from_length = address_length;
  }
  return error == 0 ? static_cast<int>(received) : fail(WSAEMSGSIZE);
}

int connect(SOCKET s, const struct sockaddr* name, int name_length) {
  const int fd = descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (name == nullptr || name_length < static_cast<int>(sizeof(SOCKADDR))) return fail(WSAEFAULT);
  const int error =
      native::connectTo(fd, reinterpret_cast<const unsigned char*>(name), name_length);
  return error == 0 ? 0 : fail(error);
}

int getsockname(SOCKET s, struct sockaddr* name, int* name_length) {
  const int fd = descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (name == nullptr || name_length == nullptr) return fail(WSAEFAULT);
  unsigned char address[native::ADDRESS_BYTES] = {};
  int length = 0;
  if (const int error = native::localAddress(fd, address, &length)) return fail(error);
  // Windows tells a socket neither bound nor connected apart: it has no address.
  if (length < 4 || (address[2] == 0 && address[3] == 0)) return fail(WSAEINVAL);
  if (*name_length < length) return fail(WSAEFAULT);
  std::memcpy(name, address, static_cast<std::size_t>(length));
  *name_length = length;
  return 0;
}

int closesocket(SOCKET s) {
  const int fd = descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  {
    SocketTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    t.used[s - FIRST_HANDLE] = false;
  }
  const int error = native::closeDescriptor(fd);
  return error == 0 ? 0 : fail(error);
}

int ioctlsocket(SOCKET s, LONG command, ULONG* argument) {
  const int fd = descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (command != static_cast<LONG>(FIONBIO)) return fail(WSAEINVAL);
  if (argument == nullptr) return fail(WSAEFAULT);
  const int error = native::setNonBlocking(fd, *argument != 0);
  return error == 0 ? 0 : fail(error);
}

int getaddrinfo(LPCSTR node, LPCSTR service, const struct addrinfo* hints,
                struct addrinfo** result) {
  if (result == nullptr) return t_last_error = WSAEFAULT;
  *result = nullptr;
  if (!started()) return t_last_error = WSANOTINITIALISED;
  if (node == nullptr && service == nullptr) return t_last_error = WSAHOST_NOT_FOUND;
  const int family = hints != nullptr ? hints->ai_family : AF_UNSPEC;
  if (family != AF_UNSPEC && family != AF_INET && family != AF_INET6) {
    return t_last_error = WSAEAFNOSUPPORT;
  }
  constexpr int CAPACITY = 16;
  native::Resolved found[CAPACITY];
  int count = 0;
  const native::ResolveError status =
      native::resolve(node, service, family, hints != nullptr ? hints->ai_socktype : 0,
                      hints != nullptr ? hints->ai_protocol : 0,
                      hints != nullptr ? hints->ai_flags : 0, found, CAPACITY, &count);
  using E = native::ResolveError;
  switch (status) {
    case E::None:
      break;
    case E::NoName:
      return t_last_error = WSAHOST_NOT_FOUND;
    case E::Again:
      return t_last_error = WSATRY_AGAIN;
    case E::Family:
      return t_last_error = WSAEAFNOSUPPORT;
    case E::Service:
      return t_last_error = WSATYPE_NOT_FOUND;
    case E::SocketType:
      return t_last_error = WSAESOCKTNOSUPPORT;
    case E::BadFlags:
      return t_last_error = WSAEINVAL;
    case E::Memory:
      return t_last_error = WSA_NOT_ENOUGH_MEMORY;
    case E::Fail:
      return t_last_error = WSANO_RECOVERY;
  }
  // Each entry one block: the record, then its address.
  ADDRINFOA* head = nullptr;
  ADDRINFOA** tail = &head;
  for (int i = 0; i < count; ++i) {
    void* block = std::calloc(1, sizeof(ADDRINFOA) + native::ADDRESS_BYTES);
    if (block == nullptr) {
      freeaddrinfo(head);
      return t_last_error = WSA_NOT_ENOUGH_MEMORY;
    }
    auto* entry = static_cast<ADDRINFOA*>(block);
    auto* address =
        reinterpret_cast<struct sockaddr*>(static_cast<char*>(block) + sizeof(ADDRINFOA));
    std::memcpy(address, found[i].address, static_cast<std::size_t>(found[i].length));
    entry->ai_family = found[i].family;
    entry->ai_socktype = found[i].socket_type;
    entry->ai_protocol = found[i].protocol;
    entry->ai_addrlen = static_cast<SIZE_T>(found[i].length);
    entry->ai_addr = address;
    *tail = entry;
    tail = &entry->ai_next;
  }
  *result = head;
  return 0;
}

void freeaddrinfo(PADDRINFOA info) {
  while (info != nullptr) {
    ADDRINFOA* next = info->ai_next;
    std::free(info);
    info = next;
  }
}
