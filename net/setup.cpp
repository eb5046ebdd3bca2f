#include "net/setup.h"

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

}  // namespace net
