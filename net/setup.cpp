#include "net/setup.h"

#include <cstdio>

#include "net/random.h"

namespace net {

bool drawSecrets(Config* config, std::string* error) {
  if (!secureRandom(&config->own_value, sizeof config->own_value) ||
      !secureRandom(config->cookie_key, sizeof config->cookie_key)) {
    *error = "the system gives no random numbers";
    return false;
  }
  return true;
}

bool openJoin(UdpTransport* udp, const char* host, std::uint16_t port, Config* config,
              std::string* error) {
  Address found[1 + Config::MAX_ALSO];
  const int count = UdpTransport::resolveAll(host, port, found, 1 + Config::MAX_ALSO, error);
  int usable = 0;
  for (int i = 0; i < count; ++i) {
    std::string why;
    if (!udp->openFor(found[i], &why)) {
      if (usable == 0) *error = why;
      continue;
    }
    if (usable == 0) {
      config->peer = found[i];
    } else {
      config->also[usable - 1] = found[i];
    }
    ++usable;
  }
  config->also_count = usable > 0 ? usable - 1 : 0;
  return usable > 0;
}

namespace {

// The system's socket address records (platform/win32_sockets.h), byte by byte.
constexpr std::size_t IPV4_AT = 4;
constexpr std::size_t IPV6_AT = 8;

int family(const Address& a) { return a.size >= 2 ? a.bytes[0] | (a.bytes[1] << 8) : 0; }

// Loopback, link-local, unspecified: no other computer reaches this one there.
bool reachable(const Address& a) {
  const std::uint8_t* b = a.bytes;
  if (family(a) == AF_INET && a.size >= sizeof(SOCKADDR_IN)) {
    const std::uint8_t* v4 = b + IPV4_AT;
    return v4[0] != 0 && v4[0] != 127 && !(v4[0] == 169 && v4[1] == 254);
  }
  if (family(a) == AF_INET6 && a.size >= sizeof(SOCKADDR_IN6)) {
    const std::uint8_t* v6 = b + IPV6_AT;
    bool zero_before_last = true;
    for (int i = 0; i < 15; ++i) zero_before_last = zero_before_last && v6[i] == 0;
    if (zero_before_last && v6[15] <= 1) return false;  // :: and ::1
    return !(v6[0] == 0xFE && (v6[1] & 0xC0) == 0x80);
  }
  return false;
}

// The address this computer would send from towards `towards`, if reachable.
std::string sendingAddress(const char* towards) {
  Address target;
  std::string error;
  if (!UdpTransport::resolve(towards, 9, &target, &error)) return "";
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return "";
  std::string text;
  const SOCKET s = socket(family(target), SOCK_DGRAM, IPPROTO_UDP);
  if (s != INVALID_SOCKET) {
    Address own;
    int length = static_cast<int>(Address::CAPACITY);
    if (connect(s, reinterpret_cast<const SOCKADDR*>(target.bytes), target.size) == 0 &&
        getsockname(s, reinterpret_cast<SOCKADDR*>(own.bytes), &length) == 0 && length > 0 &&
        length <= static_cast<int>(Address::CAPACITY)) {
      own.size = static_cast<std::uint8_t>(length);
      if (reachable(own)) text = addressText(own);
    }
    closesocket(s);
  }
  WSACleanup();
  return text;
}

}  // namespace

std::string addressText(const Address& address) {
  char text[48] = {};
  const std::uint8_t* b = address.bytes;
  if (family(address) == AF_INET && address.size >= sizeof(SOCKADDR_IN)) {
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[IPV4_AT], b[IPV4_AT + 1], b[IPV4_AT + 2],
                  b[IPV4_AT + 3]);
    return text;
  }
  if (family(address) != AF_INET6 || address.size < sizeof(SOCKADDR_IN6)) return "";
  unsigned groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = (b[IPV6_AT + 2 * i] << 8) | b[IPV6_AT + 2 * i + 1];
  // The longest run of zero groups, the first of equals; one alone stays "0".
  int run_at = -1;
  int run_length = 1;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > run_length) {
      run_at = i;
      run_length = j - i;
    }
    i = j == i ? i + 1 : j;
  }
  std::string out;
  for (int i = 0; i < 8; ++i) {
    if (i == run_at) {
      out += "::";
      i += run_length - 1;
      continue;
    }
    if (!out.empty() && out.back() != ':') out += ':';
    std::snprintf(text, sizeof text, "%x", groups[i]);
    out += text;
  }
  return out;
}

LocalAddresses localAddresses() {
  // Documentation addresses: routed as any other outside address, owned by no one.
  return {sendingAddress("198.51.100.1"), sendingAddress("2001:db8::1")};
}

std::string waitingTitle(const LocalAddresses& local, std::uint16_t port) {
  const std::string number = std::to_string(port);
  std::string names = local.ipv4;
  if (!local.ipv6.empty()) names += (names.empty() ? "" : " or ") + local.ipv6;
  if (names.empty()) return "Starquell. Waiting for the other player on port " + number + ".";
  return "Starquell. Waiting for the other player: join " + names + " port " + number + ".";
}

}  // namespace net
