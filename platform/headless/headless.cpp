// The backend that tests link: everything in memory, time scripted.
#include "platform/headless/headless.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <deque>

#include "platform/core/state.h"

namespace headless {

void resetAudio();  // platform/headless/audio.cpp

namespace {

struct Picture {
  HWND hwnd = nullptr;
  int width = 0;
  int height = 0;
  bool shown = false;
  int presents = 0;
  std::string title;
  std::vector<std::uint32_t> argb;  // 0xAARRGGBB as presented, row 0 at the top
  // The last present that covered the whole picture, kept as 8-bit rows (top
  // row first) and converted only when the picture is looked at: most frames
  // are presented and never read.
  std::vector<std::uint8_t> pending;
  std::uint32_t pending_lut[256] = {};
  bool has_pending = false;
};

struct State {
  std::int64_t frequency = 10'000'000;
  std::int64_t counter = 0;
  std::int64_t ticks_per_read = 1;
  std::int64_t sleep_extra = 0;
  std::int64_t reads = 0;
  std::int64_t fail_reads_from = -1;
  std::int64_t slept_ms = 0;
  bool timer_ok = true;
  UINT period_min = 1;
  UINT period_max = 1000000;
  std::deque<int> answers;
  int default_answer = IDYES;
  std::vector<Box> boxes;
  std::deque<platform::NativeEvent> events;
  std::function<void()> pump_hook;
  std::function<void(const Box&)> box_hook;
  std::vector<Picture> pictures;
  bool fail_next_create = false;
  std::deque<platform::FileChoice> file_answers;
  FileRequest last_request;
};

State& st() {
  static State s;
  return s;
}

constexpr std::uint32_t OPAQUE_BLACK = 0xFF000000u;

Picture* pictureOf(HWND hwnd) {
  for (auto& p : st().pictures) {
    if (p.hwnd == hwnd) return &p;
  }
  return nullptr;
}

// Brings argb up to date with a pending present.
void settle(Picture& p) {
  if (!p.has_pending) return;
  p.has_pending = false;
  platform::convertIndexedRows(p.pending.data(), p.width, p.width, p.height, p.pending_lut,
                               p.argb.data(), p.width);
}

// The picture as presented so far, for reading or drawing over.
Picture* settledPicture(HWND hwnd) {
  Picture* p = pictureOf(hwnd);
  if (p != nullptr) settle(*p);
  return p;
}

void resizePicture(Picture& p, int width, int height) {
  settle(p);
  std::vector<std::uint32_t> next(
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height), OPAQUE_BLACK);
  for (int y = 0; y < height && y < p.height; ++y) {
    for (int x = 0; x < width && x < p.width; ++x) {
      next[static_cast<std::size_t>(y) * width + x] =
          p.argb[static_cast<std::size_t>(y) * p.width + x];
    }
  }
  p.argb.swap(next);
  p.width = width;
  p.height = height;
}

}  // namespace

void reset() {
  platform::resetCore();
  st() = State{};
  resetAudio();
}

void setCounterFrequency(std::int64_t f) { st().frequency = f; }
void setCounter(std::int64_t v) { st().counter = v; }
std::int64_t counter() { return st().counter; }
void setTicksPerRead(std::int64_t t) { st().ticks_per_read = t; }
void setSleepExtraTicks(std::int64_t t) { st().sleep_extra = t; }
void failCounterReadsFrom(int i) { st().fail_reads_from = i < 0 ? -1 : st().reads + i; }
std::int64_t counterReads() { return st().reads; }
std::int64_t sleptMilliseconds() { return st().slept_ms; }
void setTimerCaps(bool ok, UINT lo, UINT hi) {
  st().timer_ok = ok;
  st().period_min = lo;
  st().period_max = hi;
}

void queueAnswer(int answer) { st().answers.push_back(answer); }
void setDefaultAnswer(int answer) { st().default_answer = answer; }
const std::vector<Box>& boxes() { return st().boxes; }
void clearBoxes() { st().boxes.clear(); }

void inject(const platform::NativeEvent& e) { st().events.push_back(e); }
void setPumpHook(std::function<void()> hook) { st().pump_hook = std::move(hook); }
void setBoxHook(std::function<void(const Box&)> hook) { st().box_hook = std::move(hook); }

bool pictureSize(HWND hwnd, int* width, int* height) {
  const Picture* p = pictureOf(hwnd);
  if (p == nullptr) return false;
  *width = p->width;
  *height = p->height;
  return true;
}

std::uint32_t pixel(HWND hwnd, int x, int y) {
  const Picture* p = settledPicture(hwnd);
  if (p == nullptr || x < 0 || y < 0 || x >= p->width || y >= p->height) return 0;
  return p->argb[static_cast<std::size_t>(y) * p->width + x] & 0xFFFFFFu;
}

int presentCount(HWND hwnd) {
  const Picture* p = pictureOf(hwnd);
  return p == nullptr ? 0 : p->presents;
}

bool isShown(HWND hwnd) {
  const Picture* p = pictureOf(hwnd);
  return p != nullptr && p->shown;
}

bool writePng(HWND hwnd, const char* path) {
  const Picture* p = settledPicture(hwnd);
  if (p == nullptr) return false;
  return writeRgbPng(path, p->width, p->height, [p](int x, int y) {
    return p->argb[static_cast<std::size_t>(y) * p->width + x];
  });
}

namespace {

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// One PNG chunk: length, type, data, and the CRC-32 of type and data.
void putChunk(std::vector<std::uint8_t>& out, const char* type, const std::uint8_t* data,
              std::size_t size) {
  putBigEndian(out, static_cast<std::uint32_t>(size));
  const std::size_t type_at = out.size();
  out.insert(out.end(), type, type + 4);
  if (size > 0) out.insert(out.end(), data, data + size);
  putBigEndian(
      out, static_cast<std::uint32_t>(crc32(0, out.data() + type_at, static_cast<uInt>(size + 4))));
}

}  // namespace

bool writeRgbPng(const char* path, int width, int height,
                 const std::function<std::uint32_t(int x, int y)>& rgb) {
  if (width <= 0 || height <= 0) return false;
  // 8-bit RGB rows, each after its filter byte 0 (none), compressed as one stream.
  const std::size_t row_bytes = 1 + static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> rows(row_bytes * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = rows.data() + row_bytes * static_cast<std::size_t>(y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = rgb(x, y);
      row[1 + 3 * x] = static_cast<std::uint8_t>(c >> 16);
      row[2 + 3 * x] = static_cast<std::uint8_t>(c >> 8);
      row[3 + 3 * x] = static_cast<std::uint8_t>(c);
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<std::uint8_t> packed(packed_size);
  if (compress(packed.data(), &packed_size, rows.data(), static_cast<uLong>(rows.size())) != Z_OK) {
    return false;
  }
  std::vector<std::uint8_t> header;
  putBigEndian(header, static_cast<std::uint32_t>(width));
  putBigEndian(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  putChunk(file, "IHDR", header.data(), header.size());
  putChunk(file, "IDAT", packed.data(), packed_size);
  putChunk(file, "IEND", nullptr, 0);
  std::FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && written;
}

void failNextCreateWindow() { st().fail_next_create = true; }

namespace {
void key(platform::NativeEventKind kind, UINT vk) {
  platform::NativeEvent e;
  e.kind = kind;
  e.vk = vk;
  inject(e);
}

void scriptFile(platform::FileChoice::Result result, const char* path, DWORD error) {
  platform::FileChoice c;
  c.result = result;
  c.error = error;
  platform::core::copyText(c.path, sizeof c.path, path);
  st().file_answers.push_back(c);
}
}  // namespace

void typeText(const char* text) {
  for (const char* p = text; p != nullptr && *p != 0; ++p) {
    UINT vk = 0;
    bool shift = false;
    if (!platform::keyForChar(*p, &vk, &shift)) continue;
    if (shift) key(platform::NativeEventKind::KeyDown, VK_SHIFT);
    key(platform::NativeEventKind::KeyDown, vk);
    key(platform::NativeEventKind::KeyUp, vk);
    if (shift) key(platform::NativeEventKind::KeyUp, VK_SHIFT);
  }
}

void pressKey(UINT vk) {
  key(platform::NativeEventKind::KeyDown, vk);
  key(platform::NativeEventKind::KeyUp, vk);
}

void click(int x, int y) {
  platform::NativeEvent e;
  e.kind = platform::NativeEventKind::ButtonDown;
  e.x = x;
  e.y = y;
  inject(e);
  e.kind = platform::NativeEventKind::ButtonUp;
  inject(e);
}

void scriptFileChosen(const char* path) {
  scriptFile(platform::FileChoice::Result::Chosen, path, 0);
}
void scriptFileCancelled() { scriptFile(platform::FileChoice::Result::Cancelled, "", 0); }
void scriptFileError(DWORD code) { scriptFile(platform::FileChoice::Result::Failed, "", code); }
const FileRequest& lastFileRequest() { return st().last_request; }

}  // namespace headless

// ---- The backend interface ---------------------------------------------------
namespace platform::backend {

using headless::st;

bool createWindow(HWND hwnd, const char* title, int client_width, int client_height,
                  bool /*resizable*/) {
  if (st().fail_next_create) {
    st().fail_next_create = false;
    return false;
  }
  headless::Picture p;
  p.hwnd = hwnd;
  p.title = title != nullptr ? title : "";
  headless::resizePicture(p, client_width, client_height);
  st().pictures.push_back(std::move(p));
  return true;
}

void destroyWindow(HWND hwnd) {
  auto& v = st().pictures;
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (it->hwnd == hwnd) {
      v.erase(it);
      return;
    }
  }
}

void showWindow(HWND hwnd, bool visible) {
  if (auto* p = headless::pictureOf(hwnd)) p->shown = visible;
}

void setWindowTitle(HWND hwnd, const char* title) {
  if (auto* p = headless::pictureOf(hwnd)) p->title = title != nullptr ? title : "";
}

void resizeWindow(HWND hwnd, int client_width, int client_height) {
  if (auto* p = headless::pictureOf(hwnd)) headless::resizePicture(*p, client_width, client_height);
}

void pumpEvents() {
  if (st().pump_hook) {
    auto hook = st().pump_hook;  // the hook may replace itself
    hook();
  }
  while (!st().events.empty()) {
    const NativeEvent e = st().events.front();
    st().events.pop_front();
    if (e.kind == NativeEventKind::Resize || e.kind == NativeEventKind::Maximise ||
        e.kind == NativeEventKind::Restore) {
      const HWND target = e.window != nullptr ? e.window : topLevelWindow();
      if (auto* p = headless::pictureOf(target)) headless::resizePicture(*p, e.width, e.height);
    }
    deliverNativeEvent(e);
  }
}

void presentIndexed(HWND hwnd, int x, int y, const IndexedBlit& blit) {
  auto* p = headless::pictureOf(hwnd);
  if (p == nullptr || x < 0 || y < 0 || x + blit.width > p->width || y + blit.height > p->height) {
    return;
  }
  ++p->presents;
  if (x == 0 && y == 0 && blit.width == p->width && blit.height == p->height) {
    p->pending.resize(static_cast<std::size_t>(p->width) * static_cast<std::size_t>(p->height));
    for (int row = 0; row < blit.height; ++row) {
      std::memcpy(p->pending.data() + static_cast<std::ptrdiff_t>(row) * p->width,
                  blit.top_row + row * blit.row_step, static_cast<std::size_t>(blit.width));
    }
    std::memcpy(p->pending_lut, blit.lut, sizeof p->pending_lut);
    p->has_pending = true;
    return;
  }
  headless::settle(*p);
  convertIndexedRows(blit.top_row, blit.row_step, blit.width, blit.height, blit.lut,
                     p->argb.data() + static_cast<std::ptrdiff_t>(y) * p->width + x, p->width);
}

void fillRect(HWND hwnd, const RECT& rect, std::uint32_t rgb) {
  auto* p = headless::settledPicture(hwnd);
  if (p == nullptr) return;
  for (int y = rect.top < 0 ? 0 : rect.top; y < rect.bottom && y < p->height; ++y) {
    for (int x = rect.left < 0 ? 0 : rect.left; x < rect.right && x < p->width; ++x) {
      p->argb[static_cast<std::size_t>(y) * p->width + x] = headless::OPAQUE_BLACK | rgb;
    }
  }
}

int messageBox(const char* text, const char* caption, UINT style) {
  st().boxes.push_back(headless::Box{caption, text, style});
  if (st().box_hook) {
    const auto hook = st().box_hook;  // the hook may replace itself
    hook(headless::Box{caption, text, style});
  }
  const UINT kind = style & MB_TYPEMASK;
  int answer = kind == MB_YESNO ? st().default_answer : IDOK;
  if (!st().answers.empty()) {
    answer = st().answers.front();
    st().answers.pop_front();
  }
  return answer;
}

void controlChanged(HWND /*top*/) {}

void chooseOpenFile(HWND /*owner*/, const char* title, const char* filter,
                    const char* /*initial_dir*/, FileChoice* out) {
  platform::FilterPair pairs[platform::MAX_FILTER_PAIRS];
  const int n = platform::parseFilter(filter, pairs, platform::MAX_FILTER_PAIRS);
  st().last_request = headless::FileRequest{title, n > 0 ? pairs[0].patterns : ""};
  if (st().file_answers.empty()) {
    out->result = FileChoice::Result::Failed;
    out->error = CDERR_DIALOGFAILURE;
    return;
  }
  *out = st().file_answers.front();
  st().file_answers.pop_front();
}

std::int64_t counterFrequency() { return st().frequency; }

bool readCounter(std::int64_t* value) {
  auto& s = st();
  const std::int64_t index = s.reads++;
  if (s.fail_reads_from >= 0 && index >= s.fail_reads_from) return false;
  *value = s.counter;
  s.counter += s.ticks_per_read;
  return true;
}

void sleepMilliseconds(DWORD ms) {
  auto& s = st();
  s.slept_ms += ms;
  s.counter += static_cast<std::int64_t>(ms) * s.frequency / 1000 + s.sleep_extra;
}

bool timerCaps(UINT* lo, UINT* hi) {
  if (!st().timer_ok) return false;
  *lo = st().period_min;
  *hi = st().period_max;
  return true;
}

void endProcess(UINT code) {
  std::fflush(stdout);
  _exit(static_cast<int>(code & 0xFFu));
}

}  // namespace platform::backend
