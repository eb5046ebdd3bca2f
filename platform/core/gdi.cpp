// Device contexts, stock objects, DIB sections and block transfer. Pixel
// memory of a DIB section belongs to this layer; a transfer to a window
// converts it through the section's palette onto the window's picture.
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/core/state.h"

namespace platform::core {

namespace {

inline constexpr int MAX_DCS = 32;
inline constexpr int MAX_BITMAPS = 32;

enum class DcKind { Free, Window, Memory };

struct DeviceContext {
  DcKind kind = DcKind::Free;
  std::uint32_t generation = 0;
  HWND window = nullptr;
  HGDIOBJ bitmap = nullptr;  // memory DCs: the selected bitmap
  HGDIOBJ font = nullptr;
  HGDIOBJ brush = nullptr;
};

struct Bitmap {
  bool used = false;
  std::uint32_t generation = 0;
  bool is_default = false;  // the 1 x 1 bitmap a new memory DC starts with
  int width = 0;
  int height = 0;  // positive: rows stored bottom-up
  int stride = 0;
  int bits = 0;
  std::uint8_t* pixels = nullptr;
  RGBQUAD palette[256] = {};
  std::uint32_t lut[256] = {};
  std::uint64_t lut_version = 0;
  int selected_in = 0;  // how many memory DCs hold it
};

// Handles of GDI objects: tagged pointer values, kind in the low nibble.
inline constexpr std::uintptr_t TAG_DC = 0x1;
inline constexpr std::uintptr_t TAG_BITMAP = 0x2;
inline constexpr std::uintptr_t TAG_STOCK = 0x3;

struct Gdi {
  DeviceContext dcs[MAX_DCS];
  Bitmap bitmaps[MAX_BITMAPS];
  std::uint32_t next_generation = 1;
  std::uint64_t next_lut_version = 1;
  // Large enough for any real window, small enough that a bogus header cannot
  // ask for gigabytes.
  std::int64_t dib_byte_limit = DEFAULT_DIB_BYTE_LIMIT;
};

Gdi g_gdi;

std::uintptr_t encode(std::uintptr_t tag, int index, std::uint32_t generation) {
  return (((static_cast<std::uintptr_t>(generation) << 8) | static_cast<std::uintptr_t>(index + 1))
          << 4) |
         tag;
}

int decode(const void* handle, std::uintptr_t tag, std::uint32_t* generation) {
  const auto v = reinterpret_cast<std::uintptr_t>(handle);
  if ((v & 0xF) != tag) return -1;
  *generation = static_cast<std::uint32_t>(v >> 12);
  return static_cast<int>((v >> 4) & 0xFF) - 1;
}

std::uint32_t nextGeneration() {
  std::uint32_t g = g_gdi.next_generation++ & 0xFFFFF;
  if (g == 0) g = g_gdi.next_generation++ & 0xFFFFF;
  return g;
}

DeviceContext* dcOf(HDC hdc) {
  std::uint32_t gen = 0;
  const int i = decode(hdc, TAG_DC, &gen);
  if (i < 0 || i >= MAX_DCS) return nullptr;
  DeviceContext& dc = g_gdi.dcs[i];
  if (dc.kind == DcKind::Free || dc.generation != gen) return nullptr;
  return &dc;
}

Bitmap* bitmapOf(HGDIOBJ obj) {
  std::uint32_t gen = 0;
  const int i = decode(obj, TAG_BITMAP, &gen);
  if (i < 0 || i >= MAX_BITMAPS) return nullptr;
  Bitmap& b = g_gdi.bitmaps[i];
  if (!b.used || b.generation != gen) return nullptr;
  return &b;
}

HGDIOBJ stockHandle(int which) {
  return reinterpret_cast<HGDIOBJ>((static_cast<std::uintptr_t>(which + 1) << 4) | TAG_STOCK);
}

int stockIndex(HGDIOBJ obj) {
  const auto v = reinterpret_cast<std::uintptr_t>(obj);
  if ((v & 0xF) != TAG_STOCK) return -1;
  return static_cast<int>(v >> 4) - 1;
}

bool isFont(int stock) { return stock >= 10 && stock <= 17; }

HDC newDc(DcKind kind, HWND window) {
  for (int i = 0; i < MAX_DCS; ++i) {
    DeviceContext& dc = g_gdi.dcs[i];
    if (dc.kind != DcKind::Free) continue;
    dc = DeviceContext{};
    dc.kind = kind;
    dc.generation = nextGeneration();
    dc.window = window;
    dc.font = stockHandle(SYSTEM_FONT);
    dc.brush = stockHandle(WHITE_BRUSH);
    return reinterpret_cast<HDC>(encode(TAG_DC, i, dc.generation));
  }
  return nullptr;
}

HBITMAP newBitmap(int width, int height, int bits, bool is_default) {
  const int abs_height = height < 0 ? -height : height;
  const std::int64_t row_bytes = ((std::int64_t{width} * bits + 31) / 32) * 4;
  const std::int64_t bytes = row_bytes * abs_height;
  if (width <= 0 || abs_height <= 0 || bytes > g_gdi.dib_byte_limit) return nullptr;
  for (int i = 0; i < MAX_BITMAPS; ++i) {
    Bitmap& b = g_gdi.bitmaps[i];
    if (b.used) continue;
    auto* memory = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes), 1));
    if (memory == nullptr) return nullptr;
    b = Bitmap{};
    b.used = true;
    b.generation = nextGeneration();
    b.is_default = is_default;
    b.width = width;
    b.height = height;
    b.stride = static_cast<int>(row_bytes);
    b.bits = bits;
    b.pixels = memory;
    return reinterpret_cast<HBITMAP>(encode(TAG_BITMAP, i, b.generation));
  }
  return nullptr;
}

void freeBitmap(Bitmap& b) {
  std::free(b.pixels);
  b = Bitmap{};
}

}  // namespace

bool brushColour(HBRUSH brush, std::uint32_t* rgb) {
  // The stock brushes: white, light grey, grey, dark grey, black.
  static constexpr std::uint32_t STOCK_BRUSH_RGB[] = {0xFFFFFF, LTGRAY_RGB, 0x808080, 0x404040,
                                                      0x000000};
  const int stock = stockIndex(brush);
  if (stock < WHITE_BRUSH || stock > BLACK_BRUSH) return false;
  *rgb = STOCK_BRUSH_RGB[stock];
  return true;
}

void resetGdi() {
  for (auto& b : g_gdi.bitmaps) {
    if (b.used) freeBitmap(b);
  }
  g_gdi = Gdi{};
  resetFonts();
}

}  // namespace platform::core

void platform::setDibByteLimit(std::int64_t bytes) { core::g_gdi.dib_byte_limit = bytes; }

using namespace platform;
using namespace platform::core;

HDC GetDC(HWND hwnd) {
  if (lookup(hwnd) == nullptr) return nullptr;
  return newDc(DcKind::Window, hwnd);
}

int ReleaseDC(HWND /*hwnd*/, HDC hdc) {
  DeviceContext* dc = dcOf(hdc);
  if (dc == nullptr || dc->kind != DcKind::Window) return 0;
  fontSelected(dc->font, -1);
  *dc = DeviceContext{};
  return 1;
}

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object > 19) return nullptr;
  return stockHandle(object);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  DeviceContext* dc = dcOf(hdc);
  if (dc == nullptr || object == nullptr) return nullptr;
  if (isCreatedFont(object)) {
    if (takeFault(CoreFault::SelectObject)) return nullptr;
    HGDIOBJ previous = dc->font;
    fontSelected(previous, -1);
    fontSelected(object, +1);
    dc->font = object;
    return previous;
  }
  if (Bitmap* b = bitmapOf(object)) {
    if (dc->kind != DcKind::Memory) return nullptr;
    HGDIOBJ previous = dc->bitmap;
    if (Bitmap* old = bitmapOf(previous)) --old->selected_in;
    ++b->selected_in;
    dc->bitmap = object;
    return previous;
  }
  const int stock = stockIndex(object);
  if (stock < 0) return nullptr;
  HGDIOBJ previous = nullptr;
  if (isFont(stock)) {
    previous = dc->font;
    fontSelected(previous, -1);
    dc->font = object;
  } else {
    previous = dc->brush;
    dc->brush = object;
  }
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (takeFault(CoreFault::DeleteObject)) return FALSE;
  if (stockIndex(object) >= 0) return TRUE;  // stock objects are never deleted
  if (isCreatedFont(object)) return deleteFont(object) ? TRUE : FALSE;
  Bitmap* b = bitmapOf(object);
  if (b == nullptr || b->selected_in > 0) return FALSE;
  freeBitmap(*b);
  return TRUE;
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA tm) {
  DeviceContext* dc = dcOf(hdc);
  if (dc == nullptr || tm == nullptr || takeFault(CoreFault::TextMetrics)) return FALSE;
  if (fontMetrics(dc->font, tm)) return TRUE;
  *tm = TEXTMETRICA{};
  const bool fixed = stockIndex(dc->font) == SYSTEM_FIXED_FONT;
  tm->tmHeight = fixed ? FIXED_FONT_HEIGHT : 16;
  tm->tmAscent = fixed ? FIXED_FONT_ASCENT : 13;
  tm->tmDescent = tm->tmHeight - tm->tmAscent;
  tm->tmInternalLeading = fixed ? 0 : 3;
  tm->tmExternalLeading = FIXED_FONT_EXTERNAL_LEADING;
  tm->tmAveCharWidth = fixed ? FIXED_FONT_CHAR_WIDTH : 7;
  tm->tmMaxCharWidth = fixed ? FIXED_FONT_CHAR_WIDTH : 14;
  tm->tmWeight = 700;
  tm->tmDigitizedAspectX = 96;
  tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFF;
  tm->tmDefaultChar = 0x80;
  tm->tmBreakChar = 0x20;
  tm->tmPitchAndFamily = fixed ? 0x30 : 0x22;
  return TRUE;
}

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc != nullptr && dcOf(hdc) == nullptr) return nullptr;
  HDC mem = newDc(DcKind::Memory, nullptr);
  if (mem == nullptr) return nullptr;
  // A new memory DC holds a 1 x 1 monochrome bitmap, as on Windows.
  HBITMAP initial = newBitmap(1, 1, 1, true);
  if (initial == nullptr) {
    *dcOf(mem) = DeviceContext{};
    return nullptr;
  }
  SelectObject(mem, initial);
  return mem;
}

BOOL DeleteDC(HDC hdc) {
  DeviceContext* dc = dcOf(hdc);
  if (dc == nullptr) return FALSE;
  fontSelected(dc->font, -1);
  if (Bitmap* b = bitmapOf(dc->bitmap)) {
    --b->selected_in;
    if (b->is_default) freeBitmap(*b);
  }
  *dc = DeviceContext{};
  return TRUE;
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD /*offset*/) {
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr) return nullptr;
  if (hdc != nullptr && dcOf(hdc) == nullptr) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB) {
    return nullptr;
  }
  if (h.biBitCount != 8 && h.biBitCount != 32) return nullptr;
  HBITMAP handle = newBitmap(h.biWidth, h.biHeight, h.biBitCount, false);
  Bitmap* b = bitmapOf(handle);
  if (b == nullptr) return nullptr;
  if (h.biBitCount == 8) {
    const DWORD used = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
    const auto* colours =
        reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const std::uint8_t*>(info) + h.biSize);
    std::memcpy(b->palette, colours, used * sizeof(RGBQUAD));
    buildPaletteLut(b->palette, 256, b->lut);
    b->lut_version = g_gdi.next_lut_version++;
  }
  if (bits != nullptr) *bits = b->pixels;
  return handle;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int src_x, int src_y,
            DWORD rop) {
  DeviceContext* d = dcOf(dest);
  DeviceContext* s = dcOf(src);
  if (d == nullptr || s == nullptr || rop != SRCCOPY) return FALSE;
  if (d->kind != DcKind::Window || s->kind != DcKind::Memory) return FALSE;
  Bitmap* b = bitmapOf(s->bitmap);
  if (b == nullptr || b->bits != 8) return FALSE;
  int cw = 0;
  int ch = 0;
  if (!windowClientSize(d->window, &cw, &ch)) return FALSE;
  // Clip the rectangle against the source bitmap and the destination client area.
  const int bh = b->height < 0 ? -b->height : b->height;
  if (src_x < 0) {
    x -= src_x;
    width += src_x;
    src_x = 0;
  }
  if (src_y < 0) {
    y -= src_y;
    height += src_y;
    src_y = 0;
  }
  if (x < 0) {
    src_x -= x;
    width += x;
    x = 0;
  }
  if (y < 0) {
    src_y -= y;
    height += y;
    y = 0;
  }
  if (width > b->width - src_x) width = b->width - src_x;
  if (height > bh - src_y) height = bh - src_y;
  if (width > cw - x) width = cw - x;
  if (height > ch - y) height = ch - y;
  if (width <= 0 || height <= 0) return TRUE;
  // Picture row r (from the top) of a bottom-up bitmap is memory row bh - 1 - r.
  IndexedBlit blit{};
  if (b->height > 0) {
    blit.top_row = b->pixels + static_cast<std::ptrdiff_t>(bh - 1 - src_y) * b->stride + src_x;
    blit.row_step = -static_cast<std::ptrdiff_t>(b->stride);
  } else {
    blit.top_row = b->pixels + static_cast<std::ptrdiff_t>(src_y) * b->stride + src_x;
    blit.row_step = b->stride;
  }
  blit.width = width;
  blit.height = height;
  blit.lut = b->lut;
  blit.lut_version = b->lut_version;
  backend::presentIndexed(d->window, x, y, blit);
  return TRUE;
}

BOOL GdiFlush(void) { return TRUE; }
