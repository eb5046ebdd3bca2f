#include "display/back_buffer.h"

#include "shell/reports.h"
#include "shell/shell_globals.h"

namespace {

constexpr RGBQUAD cubeEntry(int i) {
  if (i >= 216) return RGBQUAD{0, 0, 0, 0};
  return RGBQUAD{static_cast<BYTE>((i % 6) * 51), static_cast<BYTE>((i / 36) * 51),
                 static_cast<BYTE>(((i / 6) % 6) * 51), 0};
}

constexpr std::array<RGBQUAD, 256> makePalette() {
  std::array<RGBQUAD, 256> table{};
  for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = cubeEntry(i);
  return table;
}

void ageByte(std::int8_t& b) {
  if (b < 0) {
    b = 0;
  } else if (b >= 1 && b <= 126) {
    b = static_cast<std::int8_t>(b + 1);
  }
}

}  // namespace

constexpr std::array<RGBQUAD, 256> BackBufferPalette = makePalette();

void CreateBackBuffer(MainWindow* window, PAINTSTRUCT* paint) {
  if (window == nullptr) return;
  MainWindow::measureClient(window);
  BITMAPINFOHEADER& h = window->bitmap_info.header;
  h = BITMAPINFOHEADER{};
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = window->width;
  h.biHeight = window->height;
  h.biPlanes = 1;
  h.biBitCount = 8;
  h.biCompression = BI_RGB;
  h.biSizeImage = 0;
  h.biXPelsPerMeter = 1000;
  h.biYPelsPerMeter = 1000;
  h.biClrUsed = 0;
  h.biClrImportant = 0;
  for (int i = 0; i < 256; ++i)
    window->bitmap_info.palette[i] = BackBufferPalette[static_cast<std::size_t>(i)];
  window->pixel_base = nullptr;
  window->last_pixel = nullptr;
  window->pixel_end = nullptr;
  // A window dragged to nothing has no pixels to draw into: no buffer.
  if (window->width <= 0 || window->height <= 0 || window->size <= 0) return;
  window->memory_dc = CreateCompatibleDC(paint != nullptr ? paint->hdc : nullptr);
  void* bits = nullptr;
  window->bitmap =
      CreateDIBSection(window->memory_dc, reinterpret_cast<const BITMAPINFO*>(&window->bitmap_info),
                       DIB_RGB_COLORS, &bits, nullptr, 0);
  if (window->memory_dc == nullptr || window->bitmap == nullptr || bits == nullptr) {
    // Without pixel memory there is nothing to keep: undo and leave no buffer.
    if (window->bitmap != nullptr) DeleteObject(window->bitmap);
    if (window->memory_dc != nullptr) DeleteDC(window->memory_dc);
    window->bitmap = nullptr;
    window->memory_dc = nullptr;
    return;
  }
  window->pixel_base = static_cast<std::uint8_t*>(bits);
  window->pixel_end = window->pixel_base + window->size;
  window->last_pixel = window->pixel_end - 1;
  window->previous_bitmap = SelectObject(window->memory_dc, window->bitmap);
  window->BufferMadeMarker = BUFFER_MADE_MARKER;
}

void DestroyBackBuffer(MainWindow* window) {
  if (window == nullptr) return;
  if (window->memory_dc != nullptr && window->previous_bitmap != nullptr) {
    SelectObject(window->memory_dc, window->previous_bitmap);
  }
  window->previous_bitmap = nullptr;
  if (window->bitmap != nullptr) {
    DeleteObject(window->bitmap);
    window->bitmap = nullptr;
  }
  if (window->memory_dc != nullptr) {
    DeleteDC(window->memory_dc);
    window->memory_dc = nullptr;
  }
  window->BufferMadeMarker = 0;
  window->pixel_base = nullptr;
  window->last_pixel = nullptr;
  window->pixel_end = nullptr;
}

void PresentBackBuffer(MainWindow* window, PAINTSTRUCT* paint) {
  if (window == nullptr || paint == nullptr) return;
  const RECT& c = window->client;
  BitBlt(paint->hdc, c.left, c.top, c.right - c.left, c.bottom - c.top, window->memory_dc, 0, 0,
         SRCCOPY);
  GdiFlush();
}

PAINTSTRUCT* BeginFramePaint(MainWindow* window, std::int32_t flags) {
  if (window == nullptr) {
    ReportError(4457);
    return nullptr;
  }
  if (window->window == nullptr) {
    ReportError(4458);
    return nullptr;
  }
  if (g_shell.ShellReadyMarker != SHELL_READY_MARKER) {
    ReportError(4459);
    return nullptr;
  }
  if (window->PaintState != PAINT_IDLE) {
    ReportError(4467);
    return nullptr;
  }
  window->PaintState = PAINT_BEGINNING;
  window->paint_dc = BeginPaint(window->window, &window->paint);
  if ((flags & PAINT_PRESENT) != 0) {
    if (window->BufferMadeMarker != BUFFER_MADE_MARKER) CreateBackBuffer(window, &window->paint);
    if (window->BufferMadeMarker == BUFFER_MADE_MARKER) PresentBackBuffer(window, &window->paint);
  }
  window->PaintState = PAINT_PAINTING;
  return &window->paint;
}

void EndFramePaint(MainWindow* window) {
  if (window == nullptr) {
    ReportError(4468);
    return;
  }
  if (window->window == nullptr) {
    ReportError(4469);
    return;
  }
  if (g_shell.ShellReadyMarker != SHELL_READY_MARKER) {
    ReportError(4470);
    return;
  }
  if (window->PaintState < PAINT_PAINTING) {
    ReportError(4471);
    return;
  }
  if (window->PaintState > PAINT_PAINTING) {
    ReportError(4472);
    return;
  }
  window->PaintState = PAINT_ENDING;
  EndPaint(window->window, &window->paint);
  window->PaintState = PAINT_ENDED;
  if (g_shell.status_pending != 0) {
    ControlSlot* status = g_shell.status_control;
    if (status != nullptr && status->control_window != nullptr) {
      SetControlText(status, g_shell.status_text, STATUS_TEXT_SIZE);
    }
    g_shell.status_pending = 0;
  }
  window->paint_dc = nullptr;
  window->PaintState = PAINT_IDLE;
  ++window->presented_frames;
  ++window->frames_since_resize;
  AgeInputState();
}

int SetControlText(ControlSlot* control, const char* text, std::int32_t max_length) {
  if (control == nullptr) {
    ReportError(4267);
    return 0;
  }
  if (control->control_window == nullptr) {
    ReportError(4268);
    return 0;
  }
  if (text == nullptr) {
    ReportError(4271);
    return 0;
  }
  bool terminated = false;
  for (std::int32_t i = 0; i < max_length; ++i) {
    if (text[i] == 0) {
      terminated = true;
      break;
    }
  }
  if (!terminated) {
    ReportError(4272);
    return 0;
  }
  ++control->nesting;
  if (SendMessageA(control->control_window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 1) {
    ReportError(4269);
    --control->nesting;
    return 0;
  }
  --control->nesting;
  if (control->nesting < 0) {
    ReportError(4270);
    control->nesting = 0;
  }
  return 0;
}

void AgeInputState() {
  for (auto& b : g_shell.KeyState) ageByte(b);
  ageByte(g_shell.MouseButtons[MOUSE_LEFT]);
  ageByte(g_shell.MouseButtons[MOUSE_RIGHT]);
}
