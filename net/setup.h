// What the program and the replay runner do alike before a network game: a
// side's secret values, a joiner's sockets towards every address of its
// host, and the addresses a waiting host names to the other player.
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

// An address record's host as text: IPv4 dotted, IPv6 in its short form (the
// longest run of two or more zero groups as "::"); "" for another family.
std::string addressText(const Address& address);

// The addresses of this computer another player can reach: per family the
// one the system would send from towards the internet (found by connecting a
// UDP socket, which sends nothing), unless it is loopback, link-local or
// unspecified; "" for a family with none (no route, no such address).
struct LocalAddresses {
  std::string ipv4;
  std::string ipv6;
};
LocalAddresses localAddresses();

// The waiting host's title: the addresses and port to give the other player,
// or the port alone when it has no address to name.
std::string waitingTitle(const LocalAddresses& local, std::uint16_t port);

}  // namespace net
