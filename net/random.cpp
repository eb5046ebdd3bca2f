#include "net/random.h"

#include "platform/win32.h"

namespace net {

bool secureRandom(void* out, std::size_t size) {
  if (size > 0xFFFFFFFFu) return false;
  return BCryptGenRandom(nullptr, static_cast<PUCHAR>(out), static_cast<ULONG>(size),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

}  // namespace net
