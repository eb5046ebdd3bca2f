// The display-free half of the web backend: DOM events, as the page's script
// hands them over, to native events, and DOM key names to virtual-key codes.
// Plain C++, so that it is tested in the native build like the SDL one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/core/core.h"

namespace platform::web {

enum class DomEventKind : std::int32_t {
  None = 0,
  KeyDown = 1,
  KeyUp = 2,
  MouseDown = 3,
  MouseUp = 4,
};

// Modifier bits of DomEvent::modifiers.
inline constexpr std::int32_t DOM_ALT = 1;
inline constexpr std::int32_t DOM_CTRL = 2;
inline constexpr std::int32_t DOM_SHIFT = 4;
inline constexpr std::int32_t DOM_META = 8;

// One DOM event as platform/web/library.js writes it into memory; the offsets
// below are that script's too.
struct DomEvent {
  DomEventKind kind = DomEventKind::None;
  std::int32_t button = 0;      // MouseEvent.button: 0 main, 1 middle, 2 secondary
  std::int32_t x = 0;           // pointer position in CSS pixels from the arena's
  std::int32_t y = 0;           //   top-left corner
  std::int32_t css_width = 0;   // the arena's displayed size in CSS pixels
  std::int32_t css_height = 0;  //
  std::int32_t modifiers = 0;   // DOM_ALT | DOM_CTRL | DOM_SHIFT | DOM_META
  std::int32_t repeat = 0;      // KeyboardEvent.repeat
  char key[32] = {};            // KeyboardEvent.key, cut to 31 bytes
  char code[32] = {};           // KeyboardEvent.code, cut to 31 bytes
};
static_assert(offsetof(DomEvent, button) == 4 && offsetof(DomEvent, css_width) == 16 &&
              offsetof(DomEvent, repeat) == 28 && offsetof(DomEvent, key) == 32 &&
              offsetof(DomEvent, code) == 64 && sizeof(DomEvent) == 96);

// What translation needs to know about the arena an event belongs to.
struct ArenaView {
  HWND hwnd = nullptr;
  int client_width = 0;  // the client size the core believes in: the canvas's pixels
  int client_height = 0;
};

// The virtual-key code for a key, or 0 when Windows has none for it. The key
// name (layout-aware) decides for letters and digits; the physical code stands
// in for the numeric keypad, punctuation (whose key name changes with Shift),
// and letters the layout maps outside ASCII.
UINT virtualKeyOf(const char* key, const char* code);

// Turns one DOM event into at most one native event; returns how many.
int translateDomEvent(const DomEvent& e, const ArenaView& view, NativeEvent* out);

// A report box's buttons as the page shows them, left to right; the first is
// the default (Return).
struct BoxButton {
  std::int32_t id = 0;  // IDOK, IDCANCEL, IDYES, IDNO
  const char* label = "";
};
inline constexpr int MAX_BOX_BUTTONS = 3;
// The buttons of a MessageBoxA style; returns how many. *escape_id is the
// answer Escape gives, 0 where the box has none (Yes/No, as on Windows).
int describeBox(UINT style, BoxButton buttons[MAX_BOX_BUTTONS], int* escape_id);
// The icon a style asks for: "error", "warning", "information" or "".
const char* boxIcon(UINT style);

// The palette lookup table in the byte order of canvas pixels (R, G, B, A in
// memory) from the core's ARGB table.
void canvasLut(const std::uint32_t argb[256], std::uint32_t out[256]);

}  // namespace platform::web
