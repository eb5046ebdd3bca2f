// The key messages' lParam as platform/key_message.h builds and reads it, held
// to the values Windows gives (repeat count 1, bit 29 Alt, bit 30 previous
// state, bit 31 release). Also built against the system's <windows.h>.
#include "platform/key_message.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyMessage, BuiltValuesAreWindowsOwnAndReadBack) {
  struct Case {
    const char* what;
    LPARAM lparam;
    DWORD windows;  // the low 32 bits Windows sends
    bool repeat, alt, release;
  };
  const Case cases[] = {
      {"first press", platform::keyDownLParam(false), 0x00000001u, false, false, false},
      {"held, repeating", platform::keyDownLParam(true), 0x40000001u, true, false, false},
      {"Alt held", platform::keyDownLParam(false, true), 0x20000001u, false, true, false},
      {"Alt held, repeating", platform::keyDownLParam(true, true), 0x60000001u, true, true, false},
      {"release", platform::keyUpLParam(), 0xC0000001u, true, false, true},
      {"release, Alt held", platform::keyUpLParam(true), 0xE0000001u, true, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<DWORD>(c.lparam), c.windows) << c.what;
    if constexpr (sizeof(LPARAM) > 4) {
      EXPECT_EQ(c.lparam >> 16 >> 16, 0) << c.what << ": nothing above bit 31";
    }
    EXPECT_EQ(platform::isKeyRepeat(c.lparam), c.repeat) << c.what;
    EXPECT_EQ(platform::isAltHeld(c.lparam), c.alt) << c.what;
    EXPECT_EQ(platform::isKeyRelease(c.lparam), c.release) << c.what;
  }
  static_assert(platform::isKeyRelease(platform::keyUpLParam()), "usable in constant expressions");
}

}  // namespace
