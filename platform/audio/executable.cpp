// The running executable's path (platform/executable.h). On the system's
// Windows it is the process's module file name; on the platform layer the
// running file's, or the one a test names.
#include "platform/executable.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32) && !defined(STARQUELL_WIN32_SHIM)
#include "platform/win32.h"

bool platform::executablePath(char* out, std::size_t size) {
  if (out == nullptr || size == 0 || size > 0xFFFFFFFFu) return false;
  const DWORD length = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(size));
  // A name that does not fit comes back cut, with the whole size returned.
  return length > 0 && length < size;
}

#else
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// As long a path as the sound library's search folders take.
char g_named[1024];

bool copyWhole(char* out, std::size_t size, const char* path) {
  const std::size_t length = std::strlen(path);
  if (length >= size) return false;
  std::memcpy(out, path, length + 1);
  return true;
}

}  // namespace

void platform::nameExecutable(const char* native_path) {
  g_named[0] = 0;
  if (native_path != nullptr && std::strlen(native_path) < sizeof g_named) {
    std::memcpy(g_named, native_path, std::strlen(native_path) + 1);
  }
}

bool platform::executablePath(char* out, std::size_t size) {
  if (out == nullptr || size == 0) return false;
  if (g_named[0] != 0) return copyWhole(out, size, g_named);
#ifdef _WIN32
  // The Windows test build: the runtime has the path, already in Windows form.
  return _pgmptr != nullptr && copyWhole(out, size, _pgmptr);
#else
  const ssize_t n = readlink("/proc/self/exe", out, size - 1);
  if (n <= 0 || static_cast<std::size_t>(n) >= size - 1) return false;
  out[n] = 0;
  return true;
#endif
}

#endif
