// starquell-controls: the control toolkit in a window of its own. An edit
// field that keeps only digits, a combo box that takes what is typed into it
// (in lower case, sorted, each text once) when Return is pressed, a list box,
// a push button that opens the file dialog and lists the chosen file's name
// and extension, the version in the title, and a test square in the back
// buffer. Each change is also printed on standard output, one line each, so
// that a check from outside can read what the controls hold.
#include <cstdio>
#include <cstring>

#include "controls/control_toolkit.h"
#include "controls/desktop_utilities.h"
#include "display/back_buffer.h"
#include "shell/reports.h"
#include "shell/shell_globals.h"

namespace {

constexpr char CLASS_NAME[] = "StarquellControls";
constexpr char PROGRAM_NAME[] = "Starquell controls";
constexpr std::int32_t FRAMES_PER_SECOND = 60;
constexpr ColourIndex BACKGROUND = 2 + 1 * 6 + 1 * 36;  // dark slate blue
constexpr ColourIndex SQUARE = 0 + 5 * 6 + 5 * 36;      // yellow
constexpr std::int32_t FIELD_SIZE = 32;
constexpr std::int32_t PATH_SIZE = 260;
constexpr char FILE_FILTER[] = "All files\0*.*\0Text files\0*.txt\0";
constexpr float FIELD_HEIGHT = 24.0f;
constexpr float BUTTON_HEIGHT = 28.0f;

struct Demo {
  std::int16_t button = -1;
  std::int16_t edit = -1;
  std::int16_t combo = -1;
  std::int16_t list = -1;
};
Demo g_demo;

MainWindow* mainWindow() { return &g_shell.main_window; }
ControlSlot* slot(std::int16_t number) { return MainWindow::slotAt(mainWindow(), number); }

void say(const char* what, const char* text) {
  std::printf("%s: %s\n", what, text);
  std::fflush(stdout);
}

// The controls, placed so that a check from outside finds each by its share
// of the client area; the push button first, as slot 0 carries no filter.
void createControls() {
  MainWindow* mw = mainWindow();
  g_demo.button = MainWindow::createControl(mw, CONTROL_BUTTON, 0.5f, 0.88f, 0.2f, BUTTON_HEIGHT,
                                            "Browse...", SLOT_FIXED_HEIGHT);
  g_demo.edit = MainWindow::createControl(mw, CONTROL_EDIT, 0.25f, 0.2f, 0.3f, FIELD_HEIGHT, "",
                                          SLOT_FIXED_HEIGHT);
  g_demo.combo = MainWindow::createControl(mw, CONTROL_COMBO, 0.75f, 0.2f, 0.3f, FIELD_HEIGHT, "",
                                           SLOT_FIXED_HEIGHT);
  g_demo.list = MainWindow::createControl(mw, CONTROL_LIST, 0.5f, 0.55f, 0.5f, 0.4f, "", 0);
}

void filterEdit() {
  char cleaned[FIELD_SIZE];
  ControlSlot::filterText(slot(g_demo.edit), cleaned, FIELD_SIZE, TEXT_DIGITS);
  say("edit", cleaned);
}

void filterCombo(const char* what) {
  char cleaned[FIELD_SIZE];
  ControlSlot::filterText(slot(g_demo.combo), cleaned, FIELD_SIZE, TEXT_LETTERS | TEXT_DIGITS);
  say(what, cleaned);
}

// Return in the combo box: what was typed becomes an item, once.
void takeComboText() {
  ControlSlot* combo = slot(g_demo.combo);
  if (combo == nullptr) return;
  char typed[FIELD_SIZE] = {};
  GetWindowTextA(combo->control_window, typed, FIELD_SIZE);
  if (typed[0] == 0) return;
  const std::int32_t result = ControlSlot::addComboItem(combo, typed);
  say(result == 2 ? "combo added" : "combo has", typed);
  char count[16];
  std::snprintf(count, sizeof count, "%d",
                static_cast<int>(SendMessageA(combo->control_window, CB_GETCOUNT, 0, 0)));
  say("combo items", count);
  ControlSlot::setText(combo, "");
}

void browse() {
  char file[PATH_SIZE] = {};
  char title[PATH_SIZE] = {};
  if (browseForFile(mainWindow(), 0, FILE_FILTER, file, PATH_SIZE, title, PATH_SIZE, "txt") !=
      BROWSE_CHOSEN) {
    return;
  }
  ControlSlot* list = slot(g_demo.list);
  if (list == nullptr) return;
  char line[PATH_SIZE + 16];
  std::snprintf(line, sizeof line, "name: %s", file + fileNameStart(file, PATH_SIZE));
  SendMessageA(list->control_window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  say("list", line);
  const char* extension = file + extensionStart(file, PATH_SIZE);
  std::snprintf(line, sizeof line, "extension: %s", extension[0] != 0 ? extension : "(none)");
  SendMessageA(list->control_window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  say("list", line);
}

// A change the user made; changes the program makes itself (nesting above 0)
// are its own business.
void onCommand(WPARAM wparam) {
  const std::int16_t id = static_cast<std::int16_t>(LOWORD(wparam));
  const WORD code = HIWORD(wparam);
  if (id < 0 || id >= CONTROL_SLOTS || mainWindow()->slots[id].nesting > 0) return;
  if (id == g_demo.edit && code == EN_CHANGE) filterEdit();
  if (id == g_demo.combo && code == CBN_EDITCHANGE) filterCombo("combo");
  if (id == g_demo.combo && code == CBN_SELCHANGE) filterCombo("combo chose");
  if (id == g_demo.button && code == BN_CLICKED) browse();
}

void paint() {
  MainWindow* mw = mainWindow();
  BeginFramePaint(mw, PAINT_PRESENT);
  if (mw->hasPixels()) {
    std::memset(mw->pixel_base, BACKGROUND, static_cast<std::size_t>(mw->size));
    fillTestSquare(mw, 20, 20, SQUARE);
  }
  EndFramePaint(mw);
}

// The new client size: a new back buffer at the next paint, controls placed again.
void onSize(std::int32_t width, std::int32_t height) {
  MainWindow* mw = mainWindow();
  DestroyBackBuffer(mw);
  MainWindow::measureClient(mw);
  if (mw->width != width || mw->height != height) ReportError(4480);
  for (std::int32_t i = 0; i < mw->control_count; ++i) MainWindow::layoutControl(mw, i, 0);
  mw->frames_since_resize = 0;
}

LRESULT CALLBACK demoProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      MainWindow::attach(mainWindow(), hwnd, ATTACH_NO_SHOW | ATTACH_NO_UPDATE | ATTACH_NO_FOCUS);
      return 0;
    case WM_SIZE:
      if (wparam == SIZE_RESTORED || wparam == SIZE_MAXIMIZED)
        onSize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_PAINT:
      paint();
      return 0;
    case WM_COMMAND:
      onCommand(wparam);
      return 0;
    case WM_DESTROY:
      DestroyBackBuffer(mainWindow());
      MainWindow::releaseControls(mainWindow());
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

bool isReturnInCombo(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN || g_demo.combo < 0) return false;
  const HWND combo = mainWindow()->slots[g_demo.combo].control_window;
  // On Windows the key reaches the combo box's own edit child.
  return combo != nullptr && (msg.hwnd == combo || GetParent(msg.hwnd) == combo);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  g_shell.instance = instance;
  char version[16] = {};
  if (formatVersionString(version, sizeof version) == 0) {
    std::snprintf(g_shell.title, sizeof g_shell.title, "%s %s", PROGRAM_NAME, version);
  } else {
    std::snprintf(g_shell.title, sizeof g_shell.title, "%s", PROGRAM_NAME);
  }
  initShell(instance);
  g_shell.pacer.start(FRAMES_PER_SECOND);

  WNDCLASSEXA wndclass = {};
  wndclass.cbSize = sizeof(WNDCLASSEXA);
  wndclass.style = CS_HREDRAW | CS_VREDRAW;
  wndclass.lpfnWndProc = demoProc;
  wndclass.hInstance = instance;
  wndclass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wndclass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wndclass.lpszClassName = CLASS_NAME;
  if (RegisterClassExA(&wndclass) == 0) return 1;
  MainWindow::init(mainWindow(), MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
  const HWND hwnd = CreateWindowExA(0, CLASS_NAME, g_shell.title, WS_OVERLAPPEDWINDOW,
                                    CW_USEDEFAULT, CW_USEDEFAULT, MAIN_WINDOW_WIDTH,
                                    MAIN_WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) return 1;
  createControls();
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);

  MSG msg = {};
  while (msg.message != WM_QUIT) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      if (isReturnInCombo(msg)) {
        takeComboText();
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;
    }
    if (g_shell.pacer.frameDue() != 0) MainWindow::requestRedraw(mainWindow());
  }
  return static_cast<int>(msg.wParam);
}
