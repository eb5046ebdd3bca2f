// The lParam of a key message (WM_KEYDOWN, WM_KEYUP and their WM_SYS forms):
// a repeat count in bits 0-15 (always 1 here), bit 29 the context code (Alt
// held), bit 30 the key's previous state (down: an auto-repeat, or any
// release), bit 31 the transition (released). Built by the platform layer,
// read by whoever handles the message; over platform/win32.h's types, so it
// holds on the system's Windows too.
#pragma once

#include "platform/win32.h"

namespace platform {

inline constexpr LPARAM KEY_ALT_HELD = LPARAM{1} << 29;
inline constexpr LPARAM KEY_WAS_DOWN = LPARAM{1} << 30;
inline constexpr LPARAM KEY_RELEASED = LPARAM{1} << 31;

// A key going down; `repeat`: it was down already (held, repeating).
constexpr LPARAM keyDownLParam(bool repeat, bool alt_held = false) {
  return 1 | (alt_held ? KEY_ALT_HELD : 0) | (repeat ? KEY_WAS_DOWN : 0);
}

// A key coming up: it was down, and is released.
constexpr LPARAM keyUpLParam(bool alt_held = false) {
  return 1 | (alt_held ? KEY_ALT_HELD : 0) | KEY_WAS_DOWN | KEY_RELEASED;
}

// A key-down that repeats a key already held.
constexpr bool isKeyRepeat(LPARAM lparam) { return (lparam & KEY_WAS_DOWN) != 0; }

// Alt was held (WM_SYSKEYDOWN/WM_SYSKEYUP but for F10 alone).
constexpr bool isAltHeld(LPARAM lparam) { return (lparam & KEY_ALT_HELD) != 0; }

// The message reports a release.
constexpr bool isKeyRelease(LPARAM lparam) { return (lparam & KEY_RELEASED) != 0; }

}  // namespace platform
