// What platform/core shares with the backends beneath it: the native-event
// translation, the window lookups a backend needs, the palette conversion used
// by every present, and the backend interface itself (implemented once per
// backend; the executable links exactly one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace platform {

// Fixed frame metrics of a top-level overlapped window: the client area is the
// outer size less these (8 pixels of frame on the left, right and bottom, a
// 31-pixel caption with its frame at the top). 750 x 570 gives 734 x 531.
inline constexpr int FRAME_WIDTH = 16;
inline constexpr int FRAME_HEIGHT = 39;
inline constexpr int FRAME_LEFT = 8;
inline constexpr int FRAME_TOP = 31;

// Metrics of the stock fixed-pitch system font.
inline constexpr LONG FIXED_FONT_HEIGHT = 15;
inline constexpr LONG FIXED_FONT_ASCENT = 12;
inline constexpr LONG FIXED_FONT_CHAR_WIDTH = 8;
inline constexpr LONG FIXED_FONT_EXTERNAL_LEADING = 0;

// Colour of the stock light-grey brush (the main window's class background).
inline constexpr std::uint32_t LTGRAY_RGB = 0xC0C0C0;

// A native window-system event, as a backend sees it, before it becomes
// window messages. The SDL backend makes these from SDL events; tests inject
// them into the headless backend.
enum class NativeEventKind {
  KeyDown,     // vk, system, repeat
  KeyUp,       // vk, system
  ButtonDown,  // button 0 = left, 1 = right
  ButtonUp,
  Resize,    // width, height: new client size
  Maximise,  // width, height
  Minimise,
  Restore,  // width, height
  Expose,
  Close,
};

struct NativeEvent {
  NativeEventKind kind = NativeEventKind::Expose;
  HWND window = nullptr;  // null: the first top-level window
  UINT vk = 0;
  bool system = false;  // F10 or a key held with Alt
  bool repeat = false;
  int button = 0;
  int x = 0;  // buttons: pointer position in the client area of `window`
  int y = 0;
  int width = 0;
  int height = 0;
};

// Turns one native event into the messages Windows would produce: key and
// button messages are posted, size changes and close requests are sent.
void deliverNativeEvent(const NativeEvent& event);

// Window lookups for backends.
HWND topLevelWindow();  // the first live top-level window, or null
bool windowClientSize(HWND hwnd, int* width, int* height);

// The command line Windows would hand WinMain for these arguments: each one
// quoted where it must be, so that Windows' splitting rules give it back.
std::string windowsCommandLine(int argc, const char* const* argv);

// Drops every window, class, device context, GDI object and queued message.
void resetCore();

// The key that types a character on the US layout the platform assumes, and
// whether Shift is held for it; false for a character no key types.
bool keyForChar(char ch, UINT* vk, bool* shift);

// Platform calls a test can make fail once, as a system short of resources
// would: the next call of that kind fails. Cleared by resetCore.
enum class CoreFault {
  CreateFont,
  SelectObject,
  TextMetrics,
  DeleteObject,
  GlobalAlloc,
  GlobalFree,
  FileVersionInfo,
  VersionQuery,
  VersionInfoSize,     // answers a size that wraps when 4 is added
  ShortVersionRecord,  // VerQueryValueA answers a record one byte short
  Count
};
void failNextCall(CoreFault call);

// The program file GetModuleFileNameA names, as a native path; null or empty:
// the running executable. Reset by resetCore.
void setModuleFileName(const char* native_path);

// ---- Child controls, as backends draw them ---------------------------------
// Geometry shared by the control models and the drawing: text is laid out in
// cells of a fixed-pitch font.
inline constexpr int CONTROL_CHAR_WIDTH = 8;
inline constexpr int CONTROL_TEXT_MARGIN = 4;
inline constexpr int CONTROL_ROW_HEIGHT = 16;
inline constexpr int COMBO_BUTTON_WIDTH = 18;
inline constexpr int COMBO_DROPPED_ROWS = 6;

enum class ControlKind { None, Button, Edit, ListBox, ComboBox };

struct ControlView {
  HWND hwnd = nullptr;
  ControlKind kind = ControlKind::None;
  RECT rect = {};       // in the client area of the top-level window
  RECT list_rect = {};  // a dropped combo box's list, same coordinates
  const char* text = "";
  int sel_start = 0;  // selection of the text, caret at `caret`
  int sel_end = 0;
  int caret = 0;
  int scroll = 0;  // first character shown
  bool focused = false;
  bool pressed = false;
  bool dropped = false;
  int item_count = 0;
  int cur_sel = -1;
  int top_index = 0;
  std::uint64_t version = 0;  // changes whenever anything drawn changes
};

inline constexpr int MAX_CONTROL_VIEWS = 32;
// The visible child controls of a top-level window in creation order; returns
// how many were written.
int controlViews(HWND top, ControlView* out, int max);
// Item `index` of a list box or combo box, or null.
const char* controlItem(HWND control, int index);

// What a file-open dialog answered.
struct FileChoice {
  enum class Result { Chosen, Cancelled, Failed };
  Result result = Result::Failed;
  DWORD error = 0;       // CDERR_* / FNERR_* when Failed
  char path[4096] = {};  // native path when Chosen
};

// One pair of a Windows filter text ("Text\0*.txt;*.md\0\0"): its description
// and its patterns separated by blanks, "*.*" written "*".
struct FilterPair {
  char description[128] = {};
  char patterns[256] = {};
};
inline constexpr int MAX_FILTER_PAIRS = 8;
// Reads the pairs of a filter text (null: none); returns how many.
int parseFilter(const char* filter, FilterPair* out, int max);

// The most pixel memory one DIB section may have (256 MiB unless set; reset by
// resetCore). A larger request fails, as a system short of memory refuses it.
inline constexpr std::int64_t DEFAULT_DIB_BYTE_LIMIT = std::int64_t{256} * 1024 * 1024;
void setDibByteLimit(std::int64_t bytes);

// ARGB8888 lookup table of a DIB palette (alpha 255).
void buildPaletteLut(const RGBQUAD* palette, int count, std::uint32_t lut[256]);

// Converts rows of 8-bit pixels to ARGB8888 through a lookup table. `src` is the
// first row to convert (the top row of the picture); `src_step` is the signed
// byte distance to the next row down (negative for bottom-up bitmaps).
void convertIndexedRows(const std::uint8_t* src, std::ptrdiff_t src_step, int width, int height,
                        const std::uint32_t* lut, std::uint32_t* dst, std::ptrdiff_t dst_pitch);

// A rectangle of an 8-bit DIB section, ready to be put on a window's picture.
struct IndexedBlit {
  const std::uint8_t* top_row;  // first byte of the source rectangle's top row
  std::ptrdiff_t row_step;      // signed byte step to the next row down
  int width;
  int height;
  const std::uint32_t* lut;   // 256 ARGB entries
  std::uint64_t lut_version;  // changes whenever the palette changes
};

namespace backend {
// Windows: only top-level windows have a native counterpart.
// False when the native window cannot be made; CreateWindowExA then fails.
// `resizable`: the user may size it (a thick frame, WS_THICKFRAME).
bool createWindow(HWND hwnd, const char* title, int client_width, int client_height,
                  bool resizable);
void destroyWindow(HWND hwnd);
void showWindow(HWND hwnd, bool visible);
void setWindowTitle(HWND hwnd, const char* title);
void resizeWindow(HWND hwnd, int client_width, int client_height);
// Moves native events into deliverNativeEvent; called by every PeekMessageA.
void pumpEvents();
// Puts converted pixels on the window picture at client position (x, y).
void presentIndexed(HWND hwnd, int x, int y, const IndexedBlit& blit);
void fillRect(HWND hwnd, const RECT& rect, std::uint32_t rgb);
int messageBox(const char* text, const char* caption, UINT style);
// A control of a top-level window looks different now.
void controlChanged(HWND top);
// Shows the desktop's file-open dialog and waits for its answer.
void chooseOpenFile(HWND owner, const char* title, const char* filter, const char* initial_dir,
                    FileChoice* out);
// High-resolution counter; a frequency of 0 means no counter.
std::int64_t counterFrequency();
bool readCounter(std::int64_t* value);
void sleepMilliseconds(DWORD ms);
bool timerCaps(UINT* period_min, UINT* period_max);
[[noreturn]] void endProcess(UINT code);
}  // namespace backend

}  // namespace platform
