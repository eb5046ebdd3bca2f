// Message boxes, process exit, the performance counter, sleeping and timer
// resolution, and the palette conversion that every present uses.
#include <csignal>
#include <cstdio>

#include "platform/core/state.h"

namespace platform {

namespace {

#ifdef SIGXFSZ
// A file written past the process's size limit (RLIMIT_FSIZE, a full quota)
// would end the process by this signal; ignored from the process start, the
// write fails (EFBIG) and the one who wrote it says so and goes on.
[[maybe_unused]] const bool g_file_size_signal_ignored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
#endif

}  // namespace

void buildPaletteLut(const RGBQUAD* palette, int count, std::uint32_t lut[256]) {
  for (int i = 0; i < 256; ++i) {
    std::uint32_t v = 0xFF000000u;
    if (i < count) {
      v |= (std::uint32_t{palette[i].rgbRed} << 16) | (std::uint32_t{palette[i].rgbGreen} << 8) |
           std::uint32_t{palette[i].rgbBlue};
    }
    lut[i] = v;
  }
}

void convertIndexedRows(const std::uint8_t* src, std::ptrdiff_t src_step, int width, int height,
                        const std::uint32_t* lut, std::uint32_t* dst, std::ptrdiff_t dst_pitch) {
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* s = src;
    std::uint32_t* d = dst;
    for (int x = 0; x < width; ++x) d[x] = lut[s[x]];
    src += src_step;
    dst += dst_pitch;
  }
}

std::string windowsCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line.push_back(' ');
    const std::string arg = argv[i];
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
      line += arg;  // backslashes not before a quote are taken as they are
      continue;
    }
    line.push_back('"');
    std::size_t slashes = 0;
    for (const char c : arg) {
      if (c == '\\') {
        ++slashes;
        continue;
      }
      // Backslashes before a quote are doubled, and the quote escaped.
      line.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
      slashes = 0;
      line.push_back(c);
    }
    line.append(slashes * 2, '\\');  // before the closing quote
    line.push_back('"');
  }
  return line;
}

void failNextCall(CoreFault call) { core::state().faults[static_cast<int>(call)] = true; }

bool core::takeFault(CoreFault call) {
  bool& f = state().faults[static_cast<int>(call)];
  const bool fail = f;
  f = false;
  return fail;
}

}  // namespace platform

using namespace platform;

int MessageBoxA(HWND /*owner*/, LPCSTR text, LPCSTR caption, UINT type) {
  return backend::messageBox(text != nullptr ? text : "", caption != nullptr ? caption : "Error",
                             type);
}

void ExitProcess(UINT exit_code) {
  // The exit status keeps only the low 8 bits; the whole number goes to
  // standard error so that whoever watches the process can see it.
  std::fprintf(stderr, "ExitProcess(%d)\n", static_cast<int>(exit_code));
  std::fflush(stderr);
  backend::endProcess(exit_code);
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) return FALSE;
  const std::int64_t f = backend::counterFrequency();
  frequency->QuadPart = f;
  return f > 0 ? TRUE : FALSE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (count == nullptr) return FALSE;
  std::int64_t v = 0;
  if (!backend::readCounter(&v)) return FALSE;
  count->QuadPart = v;
  return TRUE;
}

void Sleep(DWORD milliseconds) { backend::sleepMilliseconds(milliseconds); }

MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT size) {
  if (caps == nullptr || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  UINT lo = 0;
  UINT hi = 0;
  if (!backend::timerCaps(&lo, &hi)) return TIMERR_NOCANDO;
  caps->wPeriodMin = lo;
  caps->wPeriodMax = hi;
  return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT period) {
  UINT lo = 0;
  UINT hi = 0;
  if (!backend::timerCaps(&lo, &hi) || period < lo || period > hi) return TIMERR_NOCANDO;
  return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) { return timeBeginPeriod(period); }
