// Frame pacing of the Windows program as the system runs it: the program's own
// WinMain, with a message hook on its thread that takes the performance
// counter whenever a paint message leaves the queue (one paint is one frame).
// After 600 frame periods it asks the window to close, then prints the mean
// and standard deviation of the period. A program of its own, so that the
// shipped one carries no measuring switch. Run it where the sound files are.
#include <cmath>
#include <cstdio>

#include "platform/win32.h"

namespace {

// Frames that fall due while the window is being made run back to back; the
// measurement starts once the schedule has settled.
constexpr int SKIPPED_FRAMES = 60;
constexpr int PERIODS = 600;

LONGLONG g_stamps[PERIODS + 1];
int g_seen = 0;
int g_kept = 0;

LRESULT CALLBACK onMessage(int code, WPARAM removal, LPARAM message) {
  const MSG* msg = reinterpret_cast<const MSG*>(message);
  if (code == HC_ACTION && removal == PM_REMOVE && msg->message == WM_PAINT &&
      g_seen++ >= SKIPPED_FRAMES && g_kept <= PERIODS) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_stamps[g_kept++] = now.QuadPart;
    if (g_kept == PERIODS + 1) PostMessageA(msg->hwnd, WM_CLOSE, 0, 0);
  }
  return CallNextHookEx(nullptr, code, removal, message);
}

}  // namespace

int main() {
  const HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, onMessage, nullptr, GetCurrentThreadId());
  if (hook == nullptr) {
    std::printf("starquell-pacing: no message hook (error %lu)\n", GetLastError());
    return 1;
  }
  char command_line[] = "--no-record";
  const int status = WinMain(GetModuleHandleA(nullptr), nullptr, command_line, SW_SHOWNORMAL);
  UnhookWindowsHookEx(hook);
  if (g_kept < PERIODS + 1) {
    std::printf("starquell-pacing: the program ended after %d frames (status %d)\n", g_seen,
                status);
    return 1;
  }
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double tick_ms = 1000.0 / static_cast<double>(frequency.QuadPart);
  double periods[PERIODS];
  double sum = 0;
  double min = 1e300;
  double max = 0;
  for (int i = 0; i < PERIODS; ++i) {
    periods[i] = static_cast<double>(g_stamps[i + 1] - g_stamps[i]) * tick_ms;
    sum += periods[i];
    min = periods[i] < min ? periods[i] : min;
    max = periods[i] > max ? periods[i] : max;
  }
  const double mean = sum / PERIODS;
  double squares = 0;
  int off = 0;  // periods more than a millisecond from the mean: where the deviation comes from
  for (const double p : periods) {
    squares += (p - mean) * (p - mean);
    off += std::fabs(p - mean) > 1.0 ? 1 : 0;
  }
  std::printf(
      "frame period over %d frames: mean %.4f ms (%.3f fps), std dev %.4f ms, "
      "min %.3f ms, max %.3f ms, %d more than 1 ms off; program status %d\n",
      PERIODS, mean, 1000.0 / mean, std::sqrt(squares / PERIODS), min, max, off, status);
  return status;
}
