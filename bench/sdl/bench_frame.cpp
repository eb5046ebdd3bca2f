#include "bench/sdl/bench_frame.h"

namespace {

constexpr char CLASS_NAME[] = "BenchFrame";

LRESULT CALLBACK benchProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace

void pumpBenchMessages() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE) != FALSE) DispatchMessageA(&m);
}

bool makeBenchFrame(BenchFrame* frame, const char* title) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = benchProc;
  wc.lpszClassName = CLASS_NAME;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  RegisterClassExA(&wc);  // refused the second time: registered already
  frame->hwnd = CreateWindowExA(
      0, CLASS_NAME, title, WS_OVERLAPPEDWINDOW, 0, 0, BENCH_CLIENT_WIDTH + platform::FRAME_WIDTH,
      BENCH_CLIENT_HEIGHT + platform::FRAME_HEIGHT, nullptr, nullptr, nullptr, nullptr);
  if (frame->hwnd == nullptr) return false;
  ShowWindow(frame->hwnd, SW_SHOWNORMAL);
  pumpBenchMessages();

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = BENCH_CLIENT_WIDTH;
  info.header.biHeight = BENCH_CLIENT_HEIGHT;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biCompression = BI_RGB;
  for (int i = 0; i < 216; ++i) {
    info.colours[i] = RGBQUAD{static_cast<BYTE>((i % 6) * 51), static_cast<BYTE>((i / 36) * 51),
                              static_cast<BYTE>(((i / 6) % 6) * 51), 0};
  }
  for (int i = 0; i < 256; ++i) frame->colours[i] = info.colours[i];
  frame->window_dc = GetDC(frame->hwnd);
  frame->memory_dc = CreateCompatibleDC(frame->window_dc);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(frame->memory_dc, reinterpret_cast<BITMAPINFO*>(&info),
                                    DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return false;
  SelectObject(frame->memory_dc, bitmap);
  frame->pixels = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < BENCH_CLIENT_HEIGHT; ++y) {
    for (int x = 0; x < BENCH_CLIENT_WIDTH; ++x) {
      frame->pixels[y * BENCH_STRIDE + x] = static_cast<std::uint8_t>((x / 8 + y / 8 * 7) % 216);
    }
  }
  return true;
}

void presentBenchFrame(const BenchFrame& frame) {
  BitBlt(frame.window_dc, 0, 0, BENCH_CLIENT_WIDTH, BENCH_CLIENT_HEIGHT, frame.memory_dc, 0, 0,
         SRCCOPY);
}
