// The program's own file and its version information, and global memory.
// Programs here carry their version as the same binary block a Windows
// program's version resource holds (VS_VERSIONINFO with its fixed record), and
// the version calls find that block in the file's bytes: a file without one
// has no version information, as on Windows.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/core/state.h"
#include "platform/executable.h"

#ifndef STARQUELL_VERSION_MAJOR
#error "the build gives the project's version as STARQUELL_VERSION_MAJOR/MINOR/PATCH"
#endif

namespace platform::core {

namespace {

struct VersionResource {
  WORD wLength;
  WORD wValueLength;
  WORD wType;
  char16_t szKey[16];
  WORD Padding1;
  VS_FIXEDFILEINFO Value;
};
static_assert(offsetof(VersionResource, Value) == 40 && sizeof(VersionResource) == 92,
              "the layout of a version resource");

constexpr DWORD VERSION_MS = (DWORD{STARQUELL_VERSION_MAJOR} << 16) | STARQUELL_VERSION_MINOR;
constexpr DWORD VERSION_LS = DWORD{STARQUELL_VERSION_PATCH} << 16;

// Kept in every program that asks for version information, found there by its key.
[[gnu::used]] const VersionResource g_version_resource = {
    sizeof(VersionResource),
    sizeof(VS_FIXEDFILEINFO),
    0,
    u"VS_VERSION_INFO",
    0,
    {VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, VERSION_MS, VERSION_LS, VERSION_MS, VERSION_LS, 0x3F, 0,
     VOS_NT_WINDOWS32, VFT_APP, 0, 0, 0},
};

bool isVersionBlock(const unsigned char* p) {
  if (std::memcmp(p + offsetof(VersionResource, szKey), g_version_resource.szKey,
                  sizeof g_version_resource.szKey) != 0) {
    return false;
  }
  VersionResource r;
  std::memcpy(&r, p, sizeof r);
  return r.wLength == sizeof(VersionResource) && r.wValueLength == sizeof(VS_FIXEDFILEINFO) &&
         r.wType == 0 && r.Value.dwSignature == VS_FFI_SIGNATURE;
}

// Reads the version block of a file (Windows or native path); false when the
// file cannot be read or holds none.
bool findVersionBlock(const char* path, VersionResource* out) {
  char native[WINDOW_TEXT_MAX];
  if (path == nullptr || !toNativePath(path, native, sizeof native)) return false;
  std::FILE* f = std::fopen(native, "rb");
  if (f == nullptr) return false;
  // Read in chunks of a megabyte, or of the whole file where it is smaller.
  std::size_t chunk = std::size_t{1} << 20;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long end = std::ftell(f);
    if (end >= 0 && static_cast<unsigned long>(end) < chunk) {
      chunk = end > 0 ? static_cast<std::size_t>(end) : 1;
    }
  }
  std::rewind(f);
  constexpr std::size_t KEEP = sizeof(VersionResource) - 1;
  std::vector<unsigned char> buf(chunk + KEEP);
  std::size_t have = 0;
  bool found = false;
  while (!found) {
    const std::size_t got = std::fread(buf.data() + have, 1, chunk, f);
    const std::size_t total = have + got;
    // A block starts 6 bytes before its key, whose first byte is 'V'.
    constexpr std::size_t KEY_AT = offsetof(VersionResource, szKey);
    for (std::size_t i = 0; i + sizeof(VersionResource) <= total;) {
      const std::size_t span = total - sizeof(VersionResource) - i + 1;
      const void* v = std::memchr(buf.data() + i + KEY_AT, 'V', span);
      if (v == nullptr) break;
      const std::size_t at =
          static_cast<std::size_t>(static_cast<const unsigned char*>(v) - buf.data()) - KEY_AT;
      if (isVersionBlock(buf.data() + at)) {
        std::memcpy(out, buf.data() + at, sizeof *out);
        found = true;
        break;
      }
      i = at + 1;
    }
    if (got == 0) break;
    const std::size_t keep = total < KEEP ? total : KEEP;
    std::memmove(buf.data(), buf.data() + total - keep, keep);
    have = keep;
  }
  std::fclose(f);
  return found;
}

constexpr int MAX_BLOCKS = 64;
void* g_blocks[MAX_BLOCKS] = {};

}  // namespace

void resetFiles() {
  nameExecutable(nullptr);
  for (auto& b : g_blocks) {
    std::free(b);
    b = nullptr;
  }
}

}  // namespace platform::core

void platform::setModuleFileName(const char* native_path) { nameExecutable(native_path); }

using namespace platform;
using namespace platform::core;

DWORD GetModuleFileNameA(HMODULE /*module*/, LPSTR file_name, DWORD size) {
  if (file_name == nullptr || size == 0) return 0;
  char native[WINDOW_TEXT_MAX] = {};
  if (!executablePath(native, sizeof native)) return 0;
  char windows[WINDOW_TEXT_MAX];
  if (!toWindowsPath(native, windows, sizeof windows)) return 0;
  copyText(file_name, size, windows);
  // A name that does not fit comes back cut, and the whole size is returned.
  const std::size_t length = std::strlen(windows);
  return length >= size ? size : static_cast<DWORD>(length);
}

DWORD GetFileVersionInfoSizeA(LPCSTR file_name, LPDWORD handle) {
  if (handle != nullptr) *handle = 0;
  if (takeFault(CoreFault::VersionInfoSize)) return 0xFFFFFFFCu;
  VersionResource block;
  return findVersionBlock(file_name, &block) ? block.wLength : 0;
}

BOOL GetFileVersionInfoA(LPCSTR file_name, DWORD /*handle*/, DWORD length, LPVOID data) {
  if (data == nullptr || takeFault(CoreFault::FileVersionInfo)) return FALSE;
  VersionResource block;
  if (!findVersionBlock(file_name, &block)) return FALSE;
  std::memcpy(data, &block, length < sizeof block ? length : sizeof block);
  return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* buffer, PUINT length) {
  if (block == nullptr || sub_block == nullptr || buffer == nullptr || length == nullptr ||
      takeFault(CoreFault::VersionQuery)) {
    return FALSE;
  }
  // Only the root block, the fixed record, is kept.
  if (std::strcmp(sub_block, "\\") != 0) return FALSE;
  const auto* p = static_cast<const unsigned char*>(block);
  if (!isVersionBlock(p)) return FALSE;
  *buffer = const_cast<unsigned char*>(p + offsetof(VersionResource, Value));
  *length = sizeof(VS_FIXEDFILEINFO) - (takeFault(CoreFault::ShortVersionRecord) ? 1 : 0);
  return TRUE;
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  // Only fixed memory, whose handle is its address.
  if ((flags & ~static_cast<UINT>(GMEM_ZEROINIT)) != GMEM_FIXED) return nullptr;
  if (takeFault(CoreFault::GlobalAlloc)) return nullptr;
  for (auto& b : g_blocks) {
    if (b != nullptr) continue;
    const std::size_t n = bytes == 0 ? 1 : bytes;
    b = (flags & GMEM_ZEROINIT) != 0 ? std::calloc(n, 1) : std::malloc(n);
    return b;
  }
  return nullptr;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (memory == nullptr) return nullptr;
  if (takeFault(CoreFault::GlobalFree)) return memory;
  for (auto& b : g_blocks) {
    if (b == memory) {
      std::free(b);
      b = nullptr;
      return nullptr;
    }
  }
  return memory;  // not a block of ours: the failure answer
}
