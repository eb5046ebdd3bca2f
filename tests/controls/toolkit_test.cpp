// Slots, creation, text, combo items and list clearing of the control toolkit.
#include <cstring>
#include <functional>

#include "controls/control_toolkit.h"
#include "display/back_buffer.h"
#include "tests/controls/host.h"

namespace {

using Toolkit = ControlHost;

TEST_F(Toolkit, SlotsAreTakenInOrderAndTakenAgainAfterRelease) {
  EXPECT_EQ(MainWindow::createControl(&mw, CONTROL_EDIT, 0.2f, 0.2f, 0.2f, 0.1f, "", 0), 0);
  EXPECT_EQ(MainWindow::createControl(&mw, CONTROL_LIST, 0.5f, 0.5f, 0.2f, 0.3f, "", 0), 1);
  EXPECT_EQ(mw.control_count, 2);
  MainWindow::releaseControls(&mw);
  EXPECT_EQ(mw.window, nullptr);
  EXPECT_EQ(mw.slots[1].state, SLOT_FREE);
  mw.window = host;  // a new main window
  EXPECT_EQ(MainWindow::createControl(&mw, CONTROL_BUTTON, 0.5f, 0.5f, 0.2f, 0.1f, "", 0), 0);
  EXPECT_EQ(mw.control_count, 2) << "the count keeps the highest slot ever taken";
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Toolkit, NoSlotPastTheTenAndNoneOutsideThem) {
  for (int i = 0; i < CONTROL_SLOTS; ++i) ASSERT_NE(make(CONTROL_BUTTON), nullptr);
  EXPECT_EQ(MainWindow::takeControlSlot(&mw), -1);
  EXPECT_EQ(reports(4168), 1);
  // Creation after no free slot was found leaves every slot as it was.
  const ControlSlot before = mw.slots[9];
  EXPECT_EQ(MainWindow::createControl(&mw, CONTROL_EDIT, 0.1f, 0.1f, 0.1f, 0.1f, "", 0), -1);
  EXPECT_EQ(reports(4168), 2);
  EXPECT_EQ(std::memcmp(&before, &mw.slots[9], sizeof before), 0);
  struct Case {
    std::int32_t number;
    int report;
    bool slot;
  };
  for (const Case c :
       {Case{-1, 4170, false}, Case{10, 4168, false}, Case{70000, 4168, false}, Case{9, 0, true}}) {
    headless::clearBoxes();
    ControlSlot* s = MainWindow::slotAt(&mw, c.number);
    EXPECT_EQ(s != nullptr, c.slot) << c.number;
    if (c.report != 0) {
      EXPECT_EQ(reports(c.report), 1) << c.number;
    }
    if (c.slot) {
      EXPECT_EQ(s, &mw.slots[c.number]);
    }
  }
}

// Slot records spoilt behind the toolkit's back, and a main window already gone.
TEST_F(Toolkit, CorruptedSlotRecordsAndAWindowAlreadyGone) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
    std::function<void()> call;
    std::vector<int> reports;
  };
  const auto take = [this] { MainWindow::takeControlSlot(&mw); };
  const auto release = [this] { MainWindow::releaseControls(&mw); };
  const Case cases[] = {
      {"a state of neither kind", [this] { mw.slots[0].state = 1234; }, take, {4169}},
      {"an index not the slot's number",
       [this] { mw.slots[1].index = 7; },
       [this] { MainWindow::slotAt(&mw, 1); },
       {4167}},
      {"the shell never made ready", [] { g_shell.ShellReadyMarker = 0; }, release, {4212}},
      {"released twice", [this] { mw.window = nullptr; }, release, {4213}},
      {"created without a main window",
       [this] { mw.window = nullptr; },
       [this] { make(CONTROL_BUTTON); },
       {4622, 4626}},  // and no window to lay it out in
      // Then no client area: its size differs (4480), four slots laid out in none (4626).
      {"resized without a main window",
       [this] { mw.window = nullptr; },
       [this] { MainWindow::resize(&mw, 640, 480); },
       {4627, 4479, 4480, 4626, 4626, 4626, 4626}},
  };
  for (const Case& c : cases) {
    clearControls();
    for (int i = 0; i < 3; ++i) make(CONTROL_BUTTON);
    headless::clearBoxes();
    c.spoil();
    c.call();
    EXPECT_EQ(reportedErrors(), c.reports) << c.what;
    g_shell.ShellReadyMarker = SHELL_READY_MARKER;
    mw.window = host;
  }
}

// Every setter refuses what is missing, and a nesting counter found below 0
// (or a change the control refuses) leaves it at 0.
TEST_F(Toolkit, SettersAndTheNestingCounter) {
  make(CONTROL_BUTTON);  // slot 0, which the filter refuses
  ControlSlot* edit = make(CONTROL_EDIT);
  ControlSlot* combo = make(CONTROL_COMBO);
  ControlSlot* gone = make(CONTROL_EDIT);
  DestroyWindow(gone->control_window);
  ControlSlot no_window;
  ControlSlot::addComboItem(combo, "red");
  char out[16];
  struct Case {
    const char* what;
    ControlSlot* slot;  // whose counter starts at `nesting` and ends at 0
    std::int32_t nesting;
    std::function<void()> call;
    int report;
  };
  const Case cases[] = {
      {"no slot", nullptr, 0, [] { ControlSlot::setText(nullptr, "x"); }, 4273},
      {"no control", &no_window, 0, [&] { ControlSlot::setText(&no_window, "x"); }, 4274},
      {"no text", edit, 0, [&] { ControlSlot::setText(edit, nullptr); }, 4277},
      {"set text, counter at -1", edit, -1, [&] { ControlSlot::setText(edit, "x"); }, 4276},
      {"status text refused", gone, 0, [&] { SetControlText(gone, "x", 255); }, 4269},
      {"status text, counter at -1", edit, -1, [&] { SetControlText(edit, "y", 255); }, 4270},
      {"combo item, counter at -1", combo, -1,
       [&] { EXPECT_EQ(ControlSlot::addComboItem(combo, "blue"), 0); }, 4385},
      {"filter write-back, counter at -1", edit, -1,
       [&] {
         SetWindowTextA(edit->control_window, "a1");
         EXPECT_EQ(ControlSlot::filterText(edit, out, sizeof out, TEXT_DIGITS), 0);
       },
       4266},
      {"filter of a selected item, counter at -1", combo, -1,
       [&] {
         g_shell.status_pending = 0;
         SendMessageA(combo->control_window, CB_SETCURSEL, 0, 0);
         EXPECT_EQ(ControlSlot::filterText(combo, out, sizeof out, TEXT_LETTERS), 4);  // "blue"
       },
       4266},
  };
  for (const Case& c : cases) {
    headless::clearBoxes();
    if (c.slot != nullptr) c.slot->nesting = c.nesting;
    c.call();
    EXPECT_EQ(reportedErrors(), std::vector<int>{c.report}) << c.what;
    if (c.slot != nullptr) {
      EXPECT_EQ(c.slot->nesting, 0) << c.what;
    }
  }
}

TEST_F(Toolkit, KindsGiveTheirClassesAndAnUnknownKindAButton) {
  struct Case {
    std::int32_t kind;
    const char* class_name;
  };
  for (const Case c : {Case{CONTROL_BUTTON, "Button"}, Case{CONTROL_COMBO, "ComboBox"},
                       Case{CONTROL_LIST, "ListBox"}, Case{CONTROL_SORTED_LIST, "ListBox"},
                       Case{CONTROL_EDIT, "Edit"}, Case{6, "Button"}}) {
    headless::clearBoxes();
    ControlSlot* s = make(c.kind, "x");
    ASSERT_NE(s, nullptr);
    ASSERT_NE(s->control_window, nullptr) << c.kind;
    char name[32] = {};
    GetClassNameA(s->control_window, name, sizeof name);
    EXPECT_STREQ(name, c.class_name);
    EXPECT_EQ(GetDlgCtrlID(s->control_window), s->index);
    EXPECT_EQ(reports(4433), c.kind == 6 ? 1 : 0);
  }
}

TEST_F(Toolkit, ComboItemsAreAddedOnceInAnyCaseAndNotToAListBox) {
  ControlSlot* combo = make(CONTROL_COMBO);
  ControlSlot* list = make(CONTROL_LIST);
  struct Case {
    ControlSlot* slot;
    const char* text;
    std::int32_t result;
    int report;
    LRESULT count;
  };
  for (const Case c :
       {Case{combo, "Red", 2, 0, 1}, Case{combo, "RED", 1, 0, 1}, Case{combo, "blue", 2, 0, 2},
        Case{combo, "rEd", 1, 0, 2}, Case{combo, "", 0, 4378, 2}, Case{list, "red", 0, 4381, 2}}) {
    headless::clearBoxes();
    EXPECT_EQ(ControlSlot::addComboItem(c.slot, c.text), c.result) << c.text;
    if (c.report != 0) {
      EXPECT_EQ(reports(c.report), 1) << c.text;
    }
    EXPECT_EQ(SendMessageA(combo->control_window, CB_GETCOUNT, 0, 0), c.count) << c.text;
    EXPECT_EQ(c.slot->nesting, 0);
  }
  char first[16] = {};
  SendMessageA(combo->control_window, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
  EXPECT_STREQ(first, "blue") << "sorted, and folded to lower case";
  // Refusals before the list is searched.
  ControlSlot* gone = make(CONTROL_COMBO);
  DestroyWindow(gone->control_window);
  ControlSlot no_window;
  const char unended[4] = {'a', 'b', 'c', 'd'};
  struct Refusal {
    ControlSlot* slot;
    const char* text;
    std::int32_t size;
    int report;
  };
  for (const Refusal r : {Refusal{nullptr, "x", 2, 4376}, Refusal{&no_window, "x", 2, 4377},
                          Refusal{combo, "x", 513, 4379}, Refusal{gone, "x", 2, 4380},
                          Refusal{combo, unended, 4, 4382}, Refusal{combo, "\0x", 3, 4383}}) {
    headless::clearBoxes();
    EXPECT_EQ(ControlSlot::addComboItemOnce(r.slot, r.text, r.size), 0);
    EXPECT_EQ(reportedErrors(), std::vector<int>{r.report});
  }
  headless::clearBoxes();
  EXPECT_EQ(ControlSlot::addComboItem(combo, nullptr), 0);
  EXPECT_EQ(reportedErrors(), std::vector<int>{4386});
  EXPECT_EQ(SendMessageA(combo->control_window, CB_GETCOUNT, 0, 0), 2);
}

TEST_F(Toolkit, SetTextKeepsTheNestingCounterOnSuccessAndFailure) {
  ControlSlot* edit = make(CONTROL_EDIT);
  ControlSlot::setText(edit, "typed by the program");
  EXPECT_EQ(textOf(edit->control_window), "typed by the program");
  EXPECT_EQ(edit->nesting, 0);
  ASSERT_FALSE(notes.empty()) << "the edit field reports the change to its parent";
  // A control that is gone refuses the text.
  DestroyWindow(edit->control_window);
  ControlSlot::setText(edit, "lost");
  EXPECT_EQ(reports(4275), 1);
  EXPECT_EQ(edit->nesting, 0);
  helloCallback(edit->control_window, WM_TIMER, 0, 0);
  EXPECT_EQ(reports(88888), 1);
  ControlSlot* button = make(CONTROL_BUTTON, "press");
  helloCallback(button->control_window, WM_TIMER, 0, 0);
  EXPECT_EQ(textOf(button->control_window), "HELLO");
}

TEST_F(Toolkit, ClearListBoxEmptiesAListAndStopsOnAnEmptyOne) {
  for (int items : {0, 3}) {
    ControlSlot* list = make(CONTROL_SORTED_LIST);
    for (int i = 0; i < items; ++i) {
      SendMessageA(list->control_window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
    }
    clearListBox(list->control_window);
    EXPECT_EQ(SendMessageA(list->control_window, LB_GETCOUNT, 0, 0), 0);
  }
  clearListBox(nullptr);
  EXPECT_TRUE(headless::boxes().empty());
}

}  // namespace
