// The system's datagram sockets beneath the Windows socket subset, in plain
// types: platform/net/sockets.cpp gives them Windows' meaning, posix.cpp does
// the system calls. Two files because the system's socket headers and
// platform/win32.h declare the same names and may never meet in one file.
// Addresses cross in Windows' layout (family numbered as on Windows).
#pragma once

#include <cstddef>

namespace platform::native_net {

// Windows' family numbers and the largest address record (sockaddr_in6).
inline constexpr int FAMILY_INET = 2;
inline constexpr int FAMILY_INET6 = 23;
inline constexpr int ADDRESS_BYTES = 28;

// Each returns 0 or the system's error number (errno).
int openDatagram(int family, int* fd);
int bindTo(int fd, const unsigned char* address, int length);
int sendTo(int fd, const void* data, std::size_t size, const unsigned char* address, int length,
           std::size_t* sent);
// A datagram longer than `size` fills the buffer and reports EMSGSIZE.
int receiveFrom(int fd, void* data, std::size_t size, unsigned char* address, int* length,
                std::size_t* received);
int setNonBlocking(int fd, bool on);
int closeDescriptor(int fd);

enum class ResolveError {
  None,
  NoName,
  Again,
  Fail,
  Family,
  Service,
  SocketType,
  BadFlags,
  Memory
};

// One address a name stands for.
struct Resolved {
  int family = 0;
  int socket_type = 0;
  int protocol = 0;
  unsigned char address[ADDRESS_BYTES] = {};
  int length = 0;
};

// Flags as Windows numbers them: 1 passive, 4 numeric host, 8 numeric service.
// Fills at most `capacity` addresses.
ResolveError resolve(const char* node, const char* service, int family, int socket_type,
                     int protocol, int flags, Resolved* out, int capacity, int* count);

}  // namespace platform::native_net
