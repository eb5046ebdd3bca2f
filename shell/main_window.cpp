#include "shell/main_window.h"

#include <cstdint>

#include "shell/reports.h"
#include "shell/shell_globals.h"

namespace {
// Product of a client dimension and a fraction, rounded as the layout wants it:
// formed in single precision, plus 0.5, truncated toward zero.
std::int32_t scaleRounded(std::int32_t pixels, float fraction) {
  const float product = static_cast<float>(pixels) * fraction;
  const float sum = product + 0.5f;
  // A fraction a caller left at nonsense must not make the conversion undefined.
  if (!(sum > -2147483648.0f)) return sum != sum ? 0 : INT32_MIN;
  if (!(sum < 2147483648.0f)) return INT32_MAX;
  return static_cast<std::int32_t>(sum);
}
}  // namespace

void ControlSlot::init(ControlSlot* slot, std::int32_t index) {
  if (slot == nullptr) {
    ReportError(4322);
    return;
  }
  if (index < 0 || index >= CONTROL_SLOTS) ReportError(4625);
  *slot = ControlSlot{};
  slot->state = SLOT_FREE;
  slot->index = index;
}

void MainWindow::init(MainWindow* mw, std::int32_t width, std::int32_t height) {
  if (mw == nullptr) {
    ReportError(4166);
    return;
  }
  mw->control_count = 0;
  mw->window = nullptr;
  mw->width = width;
  mw->height = height;
  for (std::int32_t i = 0; i < CONTROL_SLOTS; ++i) ControlSlot::init(&mw->slots[i], i);
  mw->memory_dc = nullptr;
  mw->previous_bitmap = nullptr;
  mw->bitmap = nullptr;
  mw->BufferMadeMarker = 0;
  mw->paint_dc = nullptr;
  mw->presented_frames = 0;
  mw->frames_since_resize = 0;
}

void MainWindow::attach(MainWindow* mw, HWND window, std::int32_t flags) {
  if (mw == nullptr) {
    ReportError(4629);
    return;
  }
  if (window == nullptr) ReportError(4630);
  if (mw->window != nullptr && mw->window != window) ReportError(4631);
  mw->window = window;
  measureText(mw);
  if ((flags & ATTACH_NO_UPDATE) == 0) UpdateWindow(window);
  if ((flags & ATTACH_NO_SHOW) == 0) ShowWindow(window, SW_SHOWNORMAL);
  if ((flags & ATTACH_NO_FOCUS) == 0) SetFocus(window);
}

void MainWindow::measureClient(MainWindow* mw) {
  if (mw == nullptr) {
    ReportError(4478);
    return;
  }
  if (mw->window == nullptr) ReportError(4479);
  GetClientRect(mw->window, &mw->client);
  std::int64_t w = std::int64_t{mw->client.right} - mw->client.left;
  std::int64_t h = std::int64_t{mw->client.bottom} - mw->client.top;
  if (w < 0) w = -w;
  if (h < 0) h = -h;
  const std::int64_t stride = (w + 3) / 4 * 4;
  // A client area whose pixels would not fit in 32 bits gets no buffer at all.
  const bool fits = h * stride <= INT32_MAX;
  mw->width = fits ? static_cast<std::int32_t>(w) : 0;
  mw->height = fits ? static_cast<std::int32_t>(h) : 0;
  mw->stride = fits ? static_cast<std::int32_t>(stride) : 0;
  mw->size = fits ? static_cast<std::int32_t>(h * stride) : 0;
}

void MainWindow::measureText(MainWindow* mw) {
  if (g_shell.ShellReadyMarker != SHELL_READY_MARKER) ReportError(4628);
  if (mw == nullptr) {
    ReportError(4434);
    return;
  }
  if (mw->window == nullptr) ReportError(4435);
  measureClient(mw);
  HDC dc = GetDC(mw->window);
  mw->previous_font = SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  mw->char_width = tm.tmAveCharWidth;
  mw->line_height = tm.tmHeight + tm.tmExternalLeading;
  ReleaseDC(mw->window, dc);
  mw->line_height_f = static_cast<float>(mw->line_height);
  mw->char_width_f = static_cast<float>(mw->char_width);
}

void MainWindow::layoutControl(MainWindow* mw, std::int32_t index, std::int32_t mode) {
  if (mw == nullptr) {
    ReportError(4623);
    return;
  }
  // The slot index is also bounded by the table, whatever control_count says.
  if (index >= mw->control_count || index < 0 || index >= CONTROL_SLOTS) return;
  if (mw->window == nullptr) ReportError(4626);
  ControlSlot& s = mw->slots[index];
  if (s.state != SLOT_USED) return;
  if (s.control_window == nullptr && (mode & LAYOUT_COMPUTE_ONLY) == 0) return;
  const std::int32_t cw = mw->width;
  const std::int32_t ch = mw->height;
  if ((s.flags & SLOT_FIXED_WIDTH) != 0) {
    s.width_fraction = static_cast<float>(s.pixel_width) / static_cast<float>(cw);
  } else {
    s.pixel_width = scaleRounded(cw, s.width_fraction);
    if (s.pixel_width < MIN_CONTROL_SIZE) s.pixel_width = MIN_CONTROL_SIZE;
  }
  if ((s.flags & SLOT_FIXED_HEIGHT) != 0) {
    s.height_fraction = static_cast<float>(s.pixel_height) / static_cast<float>(ch);
  } else {
    s.pixel_height = scaleRounded(ch, s.height_fraction);
    if (s.pixel_height < MIN_CONTROL_SIZE) s.pixel_height = MIN_CONTROL_SIZE;
  }
  if ((s.flags & SLOT_FIXED_LEFT) == 0) {
    s.left = scaleRounded(cw, s.centre_x) - s.pixel_width / 2;
    if (s.left < 0) s.left = 0;
  }
  if ((s.flags & SLOT_FIXED_TOP) == 0) {
    s.top = scaleRounded(ch, s.centre_y) - s.pixel_height / 2;
    if (s.top < 0) s.top = 0;
  }
  if ((mode & LAYOUT_COMPUTE_ONLY) == 0) {
    MoveWindow(s.control_window, s.left, s.top, s.pixel_width, s.pixel_height, TRUE);
  }
}

void MainWindow::requestRedraw(MainWindow* mw) {
  if (mw == nullptr || mw->window == nullptr) return;
  RedrawWindow(mw->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

ControlSlot* MainWindow::controlSlot(MainWindow* mw, std::int32_t id) {
  if (mw == nullptr) {
    ReportError(4166);
    return nullptr;
  }
  if (id < 0) {
    ReportError(4170);
    return nullptr;
  }
  if (id >= CONTROL_SLOTS) {
    ReportError(4168);
    return nullptr;
  }
  ControlSlot* slot = &mw->slots[id];
  if (slot->index != id) ReportError(4632);
  if (slot->index >= CONTROL_SLOTS) ReportError(4168);
  return slot;
}
