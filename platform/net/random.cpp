// BCryptGenRandom of the Windows subset (platform/win32.h) over the system's
// random source (native.h): only the system's preferred generator, as the
// program asks for it.
#include "platform/net/native.h"
#include "platform/win32.h"

namespace {

// The system's status numbers.
constexpr NTSTATUS RANDOM_OK = 0;
constexpr NTSTATUS RANDOM_BAD_PARAMETER = static_cast<NTSTATUS>(0xC000000Du);
constexpr NTSTATUS RANDOM_FAILED = static_cast<NTSTATUS>(0xC0000001u);

}  // namespace

NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG size, ULONG flags) {
  if (algorithm != nullptr || flags != BCRYPT_USE_SYSTEM_PREFERRED_RNG ||
      (buffer == nullptr && size > 0)) {
    return RANDOM_BAD_PARAMETER;
  }
  if (size == 0) return RANDOM_OK;
  return platform::native_net::fillRandom(buffer, size) ? RANDOM_OK : RANDOM_FAILED;
}
