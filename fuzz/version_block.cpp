// Fuzz target: the version calls on a program file of any bytes. The file's
// version block is found or not, copied into a buffer of exactly the size
// asked for (and of a few bytes fewer), read back through VerQueryValueA, and
// formatVersionString turns it into text or gives one of its statuses.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "controls/desktop_utilities.h"
#include "fuzz/fuzz_input.h"
#include "platform/core/core.h"

namespace {

// One file per process, rewritten for every input and removed at exit.
char g_program_file[512];

const char* programFile() {
  if (g_program_file[0] == 0) {
    std::error_code error;
    const std::filesystem::path dir = std::filesystem::temp_directory_path(error);
    const std::string name = (error ? std::filesystem::path(".") : dir).string() +
                             "/starquell-fuzz-version-" + std::to_string(getpid());
    std::snprintf(g_program_file, sizeof g_program_file, "%s", name.c_str());
    std::atexit([] { std::remove(g_program_file); });
  }
  return g_program_file;
}

void writeFile(const char* path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path, "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(std::fclose(f) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  const std::int32_t text_size = in.byte() % 12;
  const std::vector<char> file = in.rest();
  const char* path = programFile();
  writeFile(path, reinterpret_cast<const std::uint8_t*>(file.data()), file.size());

  DWORD handle = 1;
  const DWORD block_size = GetFileVersionInfoSizeA(path, &handle);
  FUZZ_CHECK(handle == 0);
  FUZZ_CHECK(block_size == 0 || block_size == 92);
  if (block_size != 0) {
    std::vector<unsigned char> block(block_size);
    FUZZ_CHECK(GetFileVersionInfoA(path, 0, block_size, block.data()) == TRUE);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    FUZZ_CHECK(VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    FUZZ_CHECK(length == sizeof(VS_FIXEDFILEINFO) && fixed->dwSignature == VS_FFI_SIGNATURE);
    FUZZ_CHECK(reinterpret_cast<unsigned char*>(fixed) + length <= block.data() + block.size());
    // A shorter copy takes only what fits.
    std::vector<unsigned char> part(block_size - 4);
    FUZZ_CHECK(GetFileVersionInfoA(path, 0, block_size - 4, part.data()) == TRUE);
    FUZZ_CHECK(std::memcmp(part.data(), block.data(), part.size()) == 0);
  }

  platform::setModuleFileName(path);
  std::vector<char> text(static_cast<std::size_t>(text_size) + 1, 'z');
  const std::int32_t status =
      formatVersionString(text_size == 0 ? nullptr : text.data(), text_size);
  FUZZ_CHECK(status >= 0 && status <= 7);
  if (text_size == 0) FUZZ_CHECK(status == 7);
  if (block_size == 0 && text_size != 0) FUZZ_CHECK(status == 2);
  if (status == 0) FUZZ_CHECK(text[0] == 'V' && std::memchr(text.data(), 0, text.size() - 1));
  // Nothing is written past the size given.
  FUZZ_CHECK(text.back() == 'z');
  return 0;
}
