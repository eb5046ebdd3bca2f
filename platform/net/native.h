// The system's datagram sockets beneath the Windows socket subset, in plain
// types: platform/net/sockets.cpp gives them Windows' checks and handles,
// posix.cpp (or winsock.cpp, for the Windows build of the test suites) does
// the system calls. Separate files because the system's socket headers and
// platform/win32.h declare the same names and may never meet in one file.
// Addresses cross in Windows' layout (family numbered as on Windows).
#pragma once

#include <cstddef>

namespace platform::native_net {

// Windows' family numbers and the largest address record (sockaddr_in6).
inline constexpr int FAMILY_INET = 2;
inline constexpr int FAMILY_INET6 = 23;
inline constexpr int ADDRESS_BYTES = 28;

// Error numbers as Windows gives them (its WSAE... numbers).
inline constexpr int FAILED_INTERRUPTED = 10004;
inline constexpr int FAILED_ACCESS = 10013;
inline constexpr int FAILED_FAULT = 10014;
inline constexpr int FAILED_INVALID = 10022;
inline constexpr int FAILED_TOO_MANY = 10024;
inline constexpr int FAILED_WOULD_BLOCK = 10035;
inline constexpr int FAILED_NOT_SOCKET = 10038;
inline constexpr int FAILED_MESSAGE_SIZE = 10040;
inline constexpr int FAILED_PROTOCOL = 10043;
inline constexpr int FAILED_SOCKET_TYPE = 10044;
inline constexpr int FAILED_NOT_SUPPORTED = 10045;
inline constexpr int FAILED_FAMILY = 10047;
inline constexpr int FAILED_ADDRESS_IN_USE = 10048;
inline constexpr int FAILED_ADDRESS_NOT_AVAILABLE = 10049;
inline constexpr int FAILED_NETWORK_UNREACHABLE = 10051;
inline constexpr int FAILED_RESET = 10054;
inline constexpr int FAILED_NO_BUFFERS = 10055;
inline constexpr int FAILED_HOST_UNREACHABLE = 10065;

// Each returns 0 or one of those error numbers.
int openDatagram(int family, int* fd);
int bindTo(int fd, const unsigned char* address, int length);
int sendTo(int fd, const void* data, std::size_t size, const unsigned char* address, int length,
           std::size_t* sent);
// A datagram longer than `size` fills the buffer and reports FAILED_MESSAGE_SIZE.
int receiveFrom(int fd, void* data, std::size_t size, unsigned char* address, int* length,
                std::size_t* received);
// Chooses the socket's peer (no datagram is sent).
int connectTo(int fd, const unsigned char* address, int length);
// The socket's own address; *length its size (0 for a family that is none).
int localAddress(int fd, unsigned char* address, int* length);
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

// Fills `size` bytes from the system's random source; false when it fails.
bool fillRandom(void* data, std::size_t size);

}  // namespace platform::native_net
