// The program's one window record: handle, client geometry, text-grid
// metrics, the back buffer and paint fields, the frame clock and ten slots
// for child controls laid out in proportion to the client area.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// One byte of the back buffer: an index into its fixed palette.
using ColourIndex = std::uint8_t;

inline constexpr std::uint32_t BUFFER_MADE_MARKER = 356724;
inline constexpr std::int32_t SLOT_FREE = 8989;
inline constexpr std::int32_t SLOT_USED = 222;
inline constexpr int CONTROL_SLOTS = 10;
inline constexpr std::int32_t MIN_CONTROL_SIZE = 15;
inline constexpr int MAIN_WINDOW_WIDTH = 750;
inline constexpr int MAIN_WINDOW_HEIGHT = 570;

// Layout flags of a control slot: a set bit keeps that dimension in pixels.
inline constexpr std::int32_t SLOT_FIXED_WIDTH = 1;
inline constexpr std::int32_t SLOT_FIXED_HEIGHT = 2;
inline constexpr std::int32_t SLOT_FIXED_LEFT = 4;
inline constexpr std::int32_t SLOT_FIXED_TOP = 8;

// MainWindow::attach flags.
inline constexpr std::int32_t ATTACH_NO_SHOW = 1;
inline constexpr std::int32_t ATTACH_NO_UPDATE = 2;
inline constexpr std::int32_t ATTACH_NO_FOCUS = 4;

// MainWindow::layoutControl mode: compute only, do not move the control.
inline constexpr std::int32_t LAYOUT_COMPUTE_ONLY = 1;

// PaintState values.
inline constexpr std::int32_t PAINT_IDLE = 0;
inline constexpr std::int32_t PAINT_BEGINNING = 1;
inline constexpr std::int32_t PAINT_PAINTING = 2;
inline constexpr std::int32_t PAINT_ENDING = 3;
inline constexpr std::int32_t PAINT_ENDED = 4;

struct ControlSlot {
  std::int32_t state = 0;  // SLOT_FREE or SLOT_USED
  HWND control_window = nullptr;
  std::int32_t index = 0;
  float centre_x = 0.0f;  // fractions of the client area
  float centre_y = 0.0f;
  float width_fraction = 0.0f;
  float height_fraction = 0.0f;
  std::int32_t left = 0;  // client pixels
  std::int32_t top = 0;
  std::int32_t pixel_width = 0;
  std::int32_t pixel_height = 0;
  std::int32_t flags = 0;
  std::int32_t nesting = 0;  // nesting counter of the toolkit's message senders

  // Puts a slot into its free state (4322 slot missing, 4625 index out of range).
  static void init(ControlSlot* slot, std::int32_t index);

  // The control toolkit's operations on a slot (controls/).
  static void setText(ControlSlot* slot, const char* text);
  static std::int32_t addComboItemOnce(ControlSlot* slot, const char* text, std::int32_t size);
  static std::int32_t addComboItem(ControlSlot* slot, const char* text);
  static std::int32_t filterText(ControlSlot* slot, char* out, std::int32_t size,
                                 std::int32_t mask);
};

// The bitmap header directly followed by its 256-entry palette: one BITMAPINFO.
struct BitmapInfo256 {
  BITMAPINFOHEADER header;
  RGBQUAD palette[256];
};

struct MainWindow {
  std::int32_t control_count = 0;
  HWND window = nullptr;
  std::int32_t width = 0;
  std::int32_t stride = 0;
  std::int32_t height = 0;
  RECT client = {};
  std::int32_t size = 0;
  HGDIOBJ previous_font = nullptr;
  std::int32_t line_height = 0;
  std::int32_t char_width = 0;
  float line_height_f = 0.0f;
  float char_width_f = 0.0f;
  // Back buffer.
  HDC memory_dc = nullptr;
  HGDIOBJ previous_bitmap = nullptr;
  HBITMAP bitmap = nullptr;
  BitmapInfo256 bitmap_info = {};
  std::uint32_t BufferMadeMarker = 0;
  std::uint8_t* pixel_base = nullptr;
  std::uint8_t* last_pixel = nullptr;
  std::uint8_t* pixel_end = nullptr;
  // Paint.
  std::int32_t PaintState = PAINT_IDLE;
  HDC paint_dc = nullptr;
  PAINTSTRUCT paint = {};
  std::uint32_t presented_frames = 0;
  std::uint32_t frames_since_resize = 0;
  ControlSlot slots[CONTROL_SLOTS];

  // The operations take the record as a pointer so that a missing record is
  // reported instead of being dereferenced.
  static void init(MainWindow* mw, std::int32_t width, std::int32_t height);
  static void attach(MainWindow* mw, HWND window, std::int32_t flags);
  static void measureClient(MainWindow* mw);
  static void measureText(MainWindow* mw);
  static void resize(MainWindow* mw, std::int32_t width, std::int32_t height);
  static void layoutControl(MainWindow* mw, std::int32_t index, std::int32_t mode);
  static void destroy(MainWindow* mw);
  static void requestRedraw(MainWindow* mw);
  static ControlSlot* controlSlot(MainWindow* mw, std::int32_t id);

  // The control toolkit's slot handling and creation (controls/).
  static std::int16_t takeControlSlot(MainWindow* mw);
  static ControlSlot* slotAt(MainWindow* mw, std::int32_t number);
  static std::int16_t createControl(MainWindow* mw, std::int32_t kind, float centre_x,
                                    float centre_y, float width, float height, const char* text,
                                    std::int32_t flags);
  static void releaseControls(MainWindow* mw);

  // True while a back buffer with pixel memory exists.
  bool hasPixels() const { return BufferMadeMarker == BUFFER_MADE_MARKER && pixel_base != nullptr; }
};
