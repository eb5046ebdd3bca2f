#include "game/saved_state.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "game/game_state.h"
#include "game/random.h"
#include "shell/shell_globals.h"

namespace {

constexpr std::uint32_t STATE_MARKER = 0x53514753;  // "SGQS" in memory
// Raised whenever the block's layout or the regions below change.
constexpr std::uint32_t STATE_LAYOUT = 1;

struct Header {
  std::uint32_t marker;
  std::uint32_t layout;
  std::uint32_t parts;
  std::int32_t width;
  std::int32_t height;
  std::int32_t stride;
  std::uint64_t pixel_bytes;  // 0 without a buffer
  std::uint64_t size;         // the whole block
};

// Copied as bytes into the block: nothing in them may own memory.
static_assert(std::is_trivially_copyable_v<Ship>);
static_assert(std::is_trivially_copyable_v<ShotList>);
static_assert(std::is_trivially_copyable_v<RandomChannels>);

// One piece of live state, saved at a fixed place in the block.
struct Region {
  std::uint32_t part;
  void* live;
  std::size_t size;
};

template <typename T>
Region region(std::uint32_t part, T* live) {
  return Region{part, live, sizeof(T)};
}

// The regions in block order. Held in a function so that the addresses are
// those of the live objects, taken when asked.
constexpr int REGION_COUNT = 11;
void regions(Region (&out)[REGION_COUNT]) {
  MainWindow& mw = g_shell.main_window;
  int i = 0;
  out[i++] = region(SAVED_SHIPS, &g_game.ships);
  out[i++] = region(SAVED_SHOTS, &g_game.shots);
  out[i++] = region(SAVED_LEVEL, &g_game.current_level);
  out[i++] = region(SAVED_LEVEL, &g_game.level_change_frame);
  out[i++] = region(SAVED_LEVEL, &g_game.border_colour);
  out[i++] = region(SAVED_SOUND_REQUESTS, &g_game.sound.requests);
  out[i++] = region(SAVED_RANDOM, &g_random);
  out[i++] = region(SAVED_FRAME_COUNTERS, &mw.presented_frames);
  out[i++] = region(SAVED_FRAME_COUNTERS, &mw.frames_since_resize);
  out[i++] = region(SAVED_INPUT, &g_shell.KeyState);
  out[i++] = region(SAVED_INPUT, &g_shell.MouseButtons);
}

// The header and every region: the block's size without the pixels.
std::size_t fixedBytes() {
  Region list[REGION_COUNT];
  regions(list);
  std::size_t n = sizeof(Header);
  for (const Region& r : list) n += r.size;
  return n;
}

// The live buffer's geometry as a header records it.
Header currentGeometry() {
  const MainWindow& mw = g_shell.main_window;
  Header h{};
  h.marker = STATE_MARKER;
  h.layout = STATE_LAYOUT;
  h.width = mw.width;
  h.height = mw.height;
  h.stride = mw.stride;
  h.pixel_bytes = mw.hasPixels() && mw.size > 0 ? static_cast<std::uint64_t>(mw.size) : 0;
  h.size = fixedBytes() + h.pixel_bytes;
  return h;
}

}  // namespace

std::size_t savedStateSize(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return fixedBytes();
  // A DIB section's rows are padded to whole 32-bit words; a buffer whose
  // bytes would not fit in 32 bits is never made.
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) + 3) / 4 * 4;
  const std::uint64_t pixels = stride * static_cast<std::uint64_t>(height);
  if (pixels > INT32_MAX) return fixedBytes();
  return fixedBytes() + static_cast<std::size_t>(pixels);
}

std::size_t savedStateSize() { return static_cast<std::size_t>(currentGeometry().size); }

bool saveState(void* block, std::size_t size, std::uint32_t parts) {
  Header h = currentGeometry();
  if (block == nullptr || size < h.size) return false;
  h.parts = parts & SAVED_ALL;
  auto* out = static_cast<std::uint8_t*>(block);
  std::memcpy(out, &h, sizeof h);
  std::size_t at = sizeof h;
  Region list[REGION_COUNT];
  regions(list);
  for (const Region& r : list) {
    if ((h.parts & r.part) != 0) std::memcpy(out + at, r.live, r.size);
    at += r.size;
  }
  if ((h.parts & SAVED_PIXELS) != 0 && h.pixel_bytes != 0) {
    std::memcpy(out + at, g_shell.main_window.pixel_base, h.pixel_bytes);
  }
  return true;
}

bool restoreState(const void* block, std::size_t size) {
  if (block == nullptr || size < sizeof(Header)) return false;
  const auto* in = static_cast<const std::uint8_t*>(block);
  Header saved;
  std::memcpy(&saved, in, sizeof saved);
  const Header now = currentGeometry();
  // Everything is checked before anything changes; the pixels are copied
  // only into a buffer of exactly the geometry they were saved from.
  if (saved.marker != STATE_MARKER || saved.layout != STATE_LAYOUT ||
      (saved.parts & ~SAVED_ALL) != 0 || saved.size != size || saved.width != now.width ||
      saved.height != now.height || saved.stride != now.stride ||
      saved.pixel_bytes != now.pixel_bytes || saved.size != now.size) {
    return false;
  }
  std::size_t at = sizeof saved;
  Region list[REGION_COUNT];
  regions(list);
  for (const Region& r : list) {
    if ((saved.parts & r.part) != 0) std::memcpy(r.live, in + at, r.size);
    at += r.size;
  }
  if ((saved.parts & SAVED_PIXELS) != 0 && saved.pixel_bytes != 0) {
    std::memcpy(g_shell.main_window.pixel_base, in + at, saved.pixel_bytes);
  }
  return true;
}
