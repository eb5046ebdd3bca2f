// Secret random values (a session's, the host's cookie key) from the system's
// random source through the Win32 subset (BCryptGenRandom).
#pragma once

#include <cstddef>

namespace net {

// False when the system gives none.
bool secureRandom(void* out, std::size_t size);

}  // namespace net
