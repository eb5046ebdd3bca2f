// Fonts made by CreateFontA. One scalable fixed-pitch face serves every
// fixed-pitch request; it cannot be condensed below a quarter of its height,
// and below 6 pixels the mapper substitutes a small proportional face, as a
// system without a tiny fixed-pitch face does. Variable-pitch requests get a
// proportional face. Only metrics are kept: drawing text is the backends' job.
#include "platform/core/state.h"

namespace platform::core {

namespace {

constexpr int MAX_FONTS = 32;
constexpr int MAX_FONT_SIZE = 256;  // largest height or width a font may ask for
constexpr int DEFAULT_FONT_HEIGHT = 16;
constexpr int MIN_FIXED_HEIGHT = 6;
constexpr std::uintptr_t TAG_FONT = 0x4;

struct Font {
  bool used = false;
  std::uint32_t generation = 0;
  int selected_in = 0;
  TEXTMETRICA metrics = {};
};

Font g_fonts[MAX_FONTS];
std::uint32_t g_next_generation = 1;

Font* fontOf(HGDIOBJ handle) {
  const auto v = reinterpret_cast<std::uintptr_t>(handle);
  if ((v & 0xF) != TAG_FONT) return nullptr;
  const int i = static_cast<int>((v >> 4) & 0xFF) - 1;
  if (i < 0 || i >= MAX_FONTS) return nullptr;
  Font& f = g_fonts[i];
  if (!f.used || f.generation != static_cast<std::uint32_t>(v >> 12)) return nullptr;
  return &f;
}

TEXTMETRICA metricsFor(int height, int width, int weight, DWORD pitch_and_family) {
  // A negative height asks for the character height; the cell adds an eighth.
  int cell =
      height == 0 ? DEFAULT_FONT_HEIGHT : (height < 0 ? -height + (-height + 7) / 8 : height);
  TEXTMETRICA tm{};
  const bool variable_asked = (pitch_and_family & 3) == VARIABLE_PITCH;
  const bool substituted = !variable_asked && cell < MIN_FIXED_HEIGHT;
  if (variable_asked || substituted) {
    const int natural = (cell * 9 + 10) / 20;
    tm.tmAveCharWidth = width > 0 ? width : (natural > 0 ? natural : 1);
    tm.tmMaxCharWidth = tm.tmAveCharWidth * 2;
    // Substituted small raster face: variable pitch only; otherwise a scalable one.
    tm.tmPitchAndFamily = static_cast<BYTE>(
        FF_SWISS |
        (substituted ? TMPF_FIXED_PITCH : TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE));
  } else {
    const int natural = (cell * 3 + 2) / 5;
    const int narrowest = (cell + 3) / 4;
    const int asked = width > 0 ? width : natural;
    tm.tmAveCharWidth = asked < narrowest ? narrowest : asked;
    tm.tmMaxCharWidth = tm.tmAveCharWidth;
    tm.tmPitchAndFamily = static_cast<BYTE>(FF_MODERN | TMPF_VECTOR | TMPF_TRUETYPE);
  }
  tm.tmHeight = cell;
  tm.tmAscent = cell * 4 / 5;
  tm.tmDescent = cell - tm.tmAscent;
  tm.tmInternalLeading = height < 0 ? cell + height : 0;
  tm.tmExternalLeading = 0;
  tm.tmWeight = weight == FW_DONTCARE ? FW_NORMAL : weight;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmCharSet = ANSI_CHARSET;
  return tm;
}

}  // namespace

bool isCreatedFont(HGDIOBJ object) { return fontOf(object) != nullptr; }

void fontSelected(HGDIOBJ font, int delta) {
  if (Font* f = fontOf(font)) f->selected_in += delta;
}

bool deleteFont(HGDIOBJ font) {
  Font* f = fontOf(font);
  // A font still selected into a device context cannot go.
  if (f == nullptr || f->selected_in > 0) return false;
  *f = Font{};
  return true;
}

bool fontMetrics(HGDIOBJ font, TEXTMETRICA* tm) {
  const Font* f = fontOf(font);
  if (f == nullptr) return false;
  *tm = f->metrics;
  return true;
}

void resetFonts() {
  for (auto& f : g_fonts) f = Font{};
}

}  // namespace platform::core

using namespace platform;
using namespace platform::core;

HFONT CreateFontA(int height, int width, int /*escapement*/, int /*orientation*/, int weight,
                  DWORD /*italic*/, DWORD /*underline*/, DWORD /*strike_out*/, DWORD /*char_set*/,
                  DWORD /*out_precision*/, DWORD /*clip_precision*/, DWORD /*quality*/,
                  DWORD pitch_and_family, LPCSTR /*face_name*/) {
  if (takeFault(CoreFault::CreateFont)) return nullptr;
  if (height < -MAX_FONT_SIZE || height > MAX_FONT_SIZE || width < 0 || width > MAX_FONT_SIZE) {
    return nullptr;
  }
  for (int i = 0; i < MAX_FONTS; ++i) {
    Font& f = g_fonts[i];
    if (f.used) continue;
    f = Font{};
    f.used = true;
    f.generation = g_next_generation++ & 0xFFFFF;
    if (f.generation == 0) f.generation = g_next_generation++ & 0xFFFFF;
    f.metrics = metricsFor(height, width, weight, pitch_and_family);
    const std::uintptr_t v =
        (((static_cast<std::uintptr_t>(f.generation) << 8) | static_cast<std::uintptr_t>(i + 1))
         << 4) |
        TAG_FONT;
    return reinterpret_cast<HFONT>(v);
  }
  return nullptr;
}
