// The controls as a user drives them: clicks and typing arrive as native
// events, become messages for the window under the pointer or with the focus,
// and reach the parent as WM_COMMAND notifications.
#include <algorithm>

#include "controls/control_toolkit.h"
#include "tests/controls/host.h"
#include "tests/support/program.h"

namespace {

class Input : public ControlHost {
 protected:
  static int count(int code) {
    return static_cast<int>(std::count_if(
        notes.begin(), notes.end(), [code](const Notification& n) { return n.code == code; }));
  }
  // The middle of a control, in the host's client coordinates.
  static void clickOn(const ControlSlot* s, int dx = 0) {
    headless::click(s->left + s->pixel_width / 2 + dx, s->top + s->pixel_height / 2);
  }
};

TEST_F(Input, TypingGoesToTheClickedEditField) {
  ControlSlot* edit = make(CONTROL_EDIT);
  clickOn(edit);
  headless::typeText("12a3");
  dispatchAll();
  EXPECT_EQ(GetFocus(), edit->control_window);
  EXPECT_EQ(textOf(edit->control_window), "12a3");
  EXPECT_EQ(count(EN_SETFOCUS), 1);
  EXPECT_EQ(count(EN_CHANGE), 4);
  headless::pressKey(VK_LEFT);
  headless::pressKey(VK_LEFT);
  headless::typeText("X");
  headless::pressKey(VK_END);
  headless::pressKey(VK_BACK);
  dispatchAll();
  EXPECT_EQ(textOf(edit->control_window), "12Xa");
  EXPECT_EQ(SendMessageA(edit->control_window, EM_GETSEL, 0, 0), MAKELONG(4, 4));
  EXPECT_EQ(notes.back().id, edit->index);
}

TEST_F(Input, ButtonsClickOnReleaseOverThem) {
  ControlSlot* button = make(CONTROL_BUTTON, "Browse");
  clickOn(button);
  dispatchAll();
  EXPECT_EQ(count(BN_CLICKED), 1);
  // Pressed over the button, released elsewhere: no click.
  headless::inject({platform::NativeEventKind::ButtonDown, nullptr, 0, false, false, 0,
                    button->left + 2, button->top + 2});
  headless::inject({platform::NativeEventKind::ButtonUp, nullptr, 0, false, false, 0, 1, 1});
  dispatchAll();
  EXPECT_EQ(count(BN_CLICKED), 1);
  headless::pressKey(VK_SPACE);
  dispatchAll();
  EXPECT_EQ(count(BN_CLICKED), 2) << "the focused button takes Space";
}

TEST_F(Input, ComboBoxTypesInLowerCaseAndDropsItsList) {
  ControlSlot* combo = make(CONTROL_COMBO);
  const HWND c = combo->control_window;
  for (const char* item : {"green", "blue", "red"}) ControlSlot::addComboItem(combo, item);
  clickOn(combo, -20);
  headless::typeText("Red");
  dispatchAll();
  EXPECT_EQ(textOf(c), "red");
  EXPECT_EQ(count(CBN_EDITCHANGE), 3);
  EXPECT_EQ(SendMessageA(c, CB_FINDSTRINGEXACT, 2, reinterpret_cast<LPARAM>("BLUE")), 0)
      << "the search wraps round past the end";
  // The arrow at the right drops the list; its second row is "green".
  headless::click(combo->left + combo->pixel_width - 4, combo->top + 4);
  dispatchAll();
  ASSERT_EQ(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0), TRUE);
  headless::click(combo->left + 10, combo->top + combo->pixel_height + 1 +
                                        platform::CONTROL_ROW_HEIGHT +
                                        platform::CONTROL_ROW_HEIGHT / 2);
  dispatchAll();
  EXPECT_EQ(SendMessageA(c, CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_EQ(textOf(c), "green");
  EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(count(CBN_DROPDOWN), 1);
  EXPECT_EQ(count(CBN_SELCHANGE), 1);
  EXPECT_EQ(count(CBN_CLOSEUP), 1);
  // Children go with their parent.
  DestroyWindow(host);
  EXPECT_FALSE(IsWindow(c));
}

}  // namespace
