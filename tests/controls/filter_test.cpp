// The text filter: what each mask keeps, where the caret ends, what is
// written back, the combo box's update at the end of the next paint, and the
// buffers it must not overrun.
#include <cstring>
#include <string>
#include <vector>

#include "controls/control_toolkit.h"
#include "tests/controls/host.h"

namespace {

class Filter : public ControlHost {
 protected:
  // An edit field (in slot 1: slot 0 is refused) holding `text` with the caret at `caret`.
  ControlSlot* editHolding(const std::string& text, int caret) {
    clearControls();
    make(CONTROL_BUTTON);
    ControlSlot* s = make(CONTROL_EDIT);
    SendMessageA(s->control_window, EM_LIMITTEXT, 0, 0);
    SetWindowTextA(s->control_window, text.c_str());
    SendMessageA(s->control_window, EM_SETSEL, caret, caret);
    notes.clear();
    return s;
  }
  static int caretOf(HWND control) { return LOWORD(SendMessageA(control, EM_GETSEL, 0, 0)); }
};

TEST_F(Filter, EditFieldExamples) {
  constexpr std::int32_t ANY_DIGITS = TEXT_NUMBER_OR_ANY | TEXT_DIGITS;
  struct Case {
    const char* text;
    int caret;
    std::int32_t mask;
    std::int32_t size;
    const char* cleaned;
    int caret_after;
  };
  for (const Case c : {
           Case{"12a3", 4, TEXT_DIGITS, 32, "123", 3},
           Case{"12a3", 1, TEXT_DIGITS, 32, "123", 1},
           Case{"a", 1, ANY_DIGITS, 32, "Any", 3},
           Case{"5a", 0, ANY_DIGITS, 32, "Any", 3},
           Case{"any", 1, ANY_DIGITS, 32, "any", 1},
           Case{"Nay", 2, ANY_DIGITS, 32, "Nay", 2},
           Case{"many5", 5, ANY_DIGITS, 32, "5", 1},
           Case{"  a b", 5, TEXT_TRIM_LEADING | TEXT_PRINTABLE, 32, "a b", 3},
           Case{"x.5-y", 5, TEXT_DECIMAL | TEXT_LETTERS, 32, "x.5y", 4},
           Case{"abcdefghij", 10, TEXT_LETTERS, 8, "abcdefg", 7},
       }) {
    ControlSlot* s = editHolding(c.text, c.caret);
    char out[40];
    std::memset(out, '#', sizeof out);
    const std::int32_t length = ControlSlot::filterText(s, out, c.size, c.mask);
    const bool changed = std::strcmp(c.text, c.cleaned) != 0;
    EXPECT_EQ(length, static_cast<std::int32_t>(std::strlen(c.cleaned))) << c.text;
    EXPECT_EQ(textOf(s->control_window), c.cleaned) << c.text;
    EXPECT_EQ(caretOf(s->control_window), c.caret_after) << c.text;
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(length)), c.cleaned) << c.text;
    for (std::int32_t i = length; i < c.size; ++i) EXPECT_EQ(out[i], 0) << c.text << " " << i;
    EXPECT_EQ(out[c.size], '#') << "exactly size bytes are written";
    EXPECT_EQ(!notes.empty(), changed) << c.text << ": written back only when changed";
    EXPECT_EQ(s->nesting, 0);
  }
  EXPECT_TRUE(headless::boxes().empty());
}

// The "Any" rule and the kept "any" are cut to size - 1 like any other text:
// an output of exactly size bytes, on the heap where the sanitizers see an
// overrun, takes them.
TEST_F(Filter, AnyRuleTextsAreCutToTheSize) {
  struct Case {
    const char* text;
    std::int32_t size;
    const char* cleaned;
  };
  for (const Case c : {Case{"a", 2, "A"}, Case{"a", 3, "An"}, Case{"any", 3, "an"}}) {
    ControlSlot* s = editHolding(c.text, 1);
    headless::clearBoxes();
    std::vector<char> out(static_cast<std::size_t>(c.size), '#');
    EXPECT_EQ(ControlSlot::filterText(s, out.data(), c.size, TEXT_NUMBER_OR_ANY | TEXT_DIGITS),
              static_cast<std::int32_t>(std::strlen(c.cleaned)));
    EXPECT_STREQ(out.data(), c.cleaned) << c.text << " " << c.size;
    EXPECT_EQ(textOf(s->control_window), c.cleaned);
    EXPECT_EQ(reportedErrors(), std::vector<int>{4263}) << "a size below 4 for the rule";
  }
}

// Controls of a test class registered under the standard class names, giving
// the answers the platform's own controls never give.
struct StubAnswers {
  LRESULT line = 2;        // EM_GETLINE: "a1"
  LRESULT set_text = 1;    // WM_SETTEXT
  LRESULT selected = -1;   // CB_GETCURSEL
  LRESULT text = 2;        // WM_GETTEXT: "b2"
  LRESULT item = 2;        // CB_GETLBTEXT: "c3"
  LRESULT found = CB_ERR;  // CB_FINDSTRINGEXACT
};
StubAnswers g_stub;

LRESULT CALLBACK stubControl(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  char* text = reinterpret_cast<char*>(lparam);
  switch (message) {
    case EM_GETLINE:
      std::memcpy(text, "a1", 2);
      return g_stub.line;
    case WM_SETTEXT:
      return g_stub.set_text;
    case CB_GETCURSEL:
      return g_stub.selected;
    case WM_GETTEXT:
      std::memcpy(text, "b2", 3);
      return g_stub.text;
    case CB_GETLBTEXTLEN:
      return 2;
    case CB_GETLBTEXT:
      std::memcpy(text, "c3", 3);
      return g_stub.item;
    case CB_FINDSTRINGEXACT:
      return g_stub.found;
    case EM_GETSEL:
    case EM_SETSEL:
    case CB_GETEDITSEL:
    case CB_SETEDITSEL:
    case CB_SETCURSEL:
    case CB_ADDSTRING:
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

TEST_F(Filter, RepliesNoRealControlGives) {
  for (const char* name : {"Edit", "ComboBox"}) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = stubControl;
    wc.lpszClassName = name;
    ASSERT_NE(RegisterClassExA(&wc), 0) << name;
  }
  make(CONTROL_BUTTON);
  ControlSlot* edit = make(CONTROL_EDIT);
  ControlSlot* combo = make(CONTROL_COMBO);
  struct Case {
    const char* what;
    ControlSlot* slot;
    StubAnswers answers;
    std::int32_t result;
    int report;
  };
  const Case cases[] = {
      {"a line too long", edit, {.line = 511}, 0, 4264},
      {"the write-back refused", edit, {.set_text = 0}, 0, 4259},
      {"a window text too long", combo, {.text = 511}, 0, 4389},
      {"an item text too long", combo, {.selected = 0, .item = 511}, 0, 4390},
      {"a selection below -1 is taken as an item", combo, {.selected = -5}, 1, 4387},
      {"the edit field as it is", edit, {}, 1, 0},
      {"the combo box as it is", combo, {}, 1, 0},
  };
  char out[16];
  for (const Case& c : cases) {
    headless::clearBoxes();
    g_shell.status_pending = 0;
    g_stub = c.answers;
    EXPECT_EQ(ControlSlot::filterText(c.slot, out, sizeof out, TEXT_DIGITS), c.result) << c.what;
    EXPECT_EQ(reportedErrors(), c.report == 0 ? std::vector<int>{} : std::vector<int>{c.report})
        << c.what;
    EXPECT_EQ(c.slot->nesting, 0) << c.what;
  }
  // A search answer that is neither an item nor "not found".
  headless::clearBoxes();
  g_stub = {.found = -7};
  EXPECT_EQ(ControlSlot::addComboItem(combo, "new"), 0);
  EXPECT_EQ(reportedErrors(), std::vector<int>{4384});
  g_stub = {};
}

TEST_F(Filter, ComboBoxSelectionWaitsForTheNextPaint) {
  make(CONTROL_BUTTON);
  ControlSlot* combo = make(CONTROL_COMBO);
  const HWND c = combo->control_window;
  for (const char* item : {"blue", "red"}) ControlSlot::addComboItem(combo, item);
  SendMessageA(c, CB_SETCURSEL, 1, 0);
  char out[16];
  EXPECT_EQ(ControlSlot::filterText(combo, out, sizeof out, TEXT_LETTERS), 3);
  EXPECT_STREQ(out, "red");
  EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR) << "the list selection is cleared";
  EXPECT_EQ(textOf(c), "");
  EXPECT_EQ(ControlSlot::filterText(combo, out, sizeof out, TEXT_LETTERS), 0);
  EXPECT_EQ(reports(4401), 0) << "no selection any more: the field's own text is used";
  SendMessageA(c, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(ControlSlot::filterText(combo, out, sizeof out, TEXT_LETTERS), 0);
  EXPECT_EQ(reports(4401), 1) << "one update waits already";
  paint();
  EXPECT_EQ(textOf(c), "red");
  EXPECT_EQ(g_shell.status_pending, 0);
  EXPECT_EQ(combo->nesting, 0);
}

TEST_F(Filter, RefusedControlsAndLongTexts) {
  ControlSlot* first = make(CONTROL_EDIT);  // slot 0
  ControlSlot* list = make(CONTROL_LIST);
  ControlSlot* gone = make(CONTROL_EDIT);
  DestroyWindow(gone->control_window);
  ControlSlot no_window;
  char out[FILTER_SIZE_MAX + 1];
  struct Case {
    ControlSlot* slot;
    std::int32_t size;
    char* out;
    int report;
  };
  for (const Case c :
       {Case{first, 32, out, 4391}, Case{list, 32, out, 4364}, Case{nullptr, 32, out, 4265},
        Case{list, 1, out, 4252}, Case{list, 256, out, 4261}, Case{&no_window, 32, out, 4253},
        Case{list, 32, nullptr, 4260}, Case{gone, 32, out, 4363}}) {
    headless::clearBoxes();
    EXPECT_EQ(ControlSlot::filterText(c.slot, c.out, c.size, TEXT_PRINTABLE), 0);
    EXPECT_EQ(reportedErrors(), std::vector<int>{c.report});
  }
  // Whatever the controls hold, the output, the work buffer and the status text keep their sizes.
  ControlSlot* edit = editHolding(std::string(900, 'x'), 900);
  EXPECT_EQ(ControlSlot::filterText(edit, out, FILTER_SIZE_MAX, TEXT_PRINTABLE), 254);
  EXPECT_EQ(textOf(edit->control_window).size(), 254u);
  ControlSlot* combo = make(CONTROL_COMBO);
  for (std::size_t n : {std::size_t{510}, std::size_t{600}}) {
    headless::clearBoxes();
    g_shell.status_pending = 0;
    SendMessageA(combo->control_window, CB_RESETCONTENT, 0, 0);
    const std::string item(n, 'y');
    SendMessageA(combo->control_window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(combo->control_window, CB_SETCURSEL, 0, 0);
    const std::int32_t length =
        ControlSlot::filterText(combo, nullptr, FILTER_SIZE_MAX, TEXT_LETTERS | TEXT_NO_COPY);
    EXPECT_EQ(length, n == 510 ? 254 : 0);
    EXPECT_EQ(reports(4388), n == 510 ? 0 : 1);
    EXPECT_EQ(std::strlen(g_shell.status_text), n == 510 ? 254u : 0u);
    g_shell.status_text[0] = 0;
  }
}

}  // namespace
