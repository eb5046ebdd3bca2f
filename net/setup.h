// What the program and the replay runner do alike before a network game: a
// side's secret values, and a joiner's sockets towards every address of its
// host.
#pragma once

#include <cstdint>
#include <string>

#include "net/lockstep.h"
#include "net/udp.h"

namespace net {

// This side's random session value and the host's cookie key, from the
// system's random source; false with a sentence when it gives none.
bool drawSecrets(Config* config, std::string* error);

// Resolves the host's name to its addresses (up to 1 + Config::MAX_ALSO) and
// opens a socket of each family among them; the addresses whose family has
// no socket here are left out.
bool openJoin(UdpTransport* udp, const char* host, std::uint16_t port, Config* config,
              std::string* error);

}  // namespace net
