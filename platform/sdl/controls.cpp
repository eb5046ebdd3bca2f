#include "platform/sdl/controls.h"

#include <SDL_ttf.h>

#include <cstdio>
#include <string>
#include <vector>

#ifndef STARQUELL_CONTROL_FONT
#define STARQUELL_CONTROL_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
#endif

namespace platform::sdl {

namespace {

constexpr std::uint32_t FACE = 0xFFE0E0E0;
constexpr std::uint32_t FACE_PRESSED = 0xFFB0B0B0;
constexpr std::uint32_t FIELD = 0xFFFFFFFF;
constexpr std::uint32_t FRAME = 0xFF404040;
constexpr std::uint32_t FOCUS_FRAME = 0xFF2A5DB0;
constexpr std::uint32_t HIGHLIGHT = 0xFFA8C8F0;
constexpr std::uint32_t SELECTED_ROW = 0xFF2A5DB0;
constexpr SDL_Color INK = {0, 0, 0, 255};
constexpr SDL_Color INK_ON_SELECTED = {255, 255, 255, 255};

// One rendered line of text, kept while it is still shown.
struct Line {
  std::string text;
  bool inverse = false;
  SDL_Surface* surface = nullptr;
  bool used = false;
};

struct Cached {
  SDL_Renderer* renderer = nullptr;
  HWND hwnd = nullptr;
  std::uint64_t version = 0;
  SDL_Texture* look = nullptr;
  SDL_Texture* list = nullptr;  // a dropped combo box's list
  std::vector<Line> lines;
  bool seen = false;
};

struct Painter {
  bool tried = false;
  TTF_Font* font = nullptr;
  int ascent_offset = 0;
  std::vector<Cached> cache;
};

Painter g_painter;

// The font at the size whose advance is one text cell, so that the models'
// caret and hit positions match what is drawn.
TTF_Font* font() {
  if (g_painter.tried) return g_painter.font;
  g_painter.tried = true;
  if (TTF_WasInit() == 0 && TTF_Init() != 0) {
    std::fprintf(stderr, "Controls are drawn without text: %s\n", TTF_GetError());
    return nullptr;
  }
  for (int size = 10; size <= 16 && g_painter.font == nullptr; ++size) {
    TTF_Font* f = TTF_OpenFont(STARQUELL_CONTROL_FONT, size);
    if (f == nullptr) break;
    int advance = 0;
    if (TTF_GlyphMetrics(f, 'M', nullptr, nullptr, nullptr, nullptr, &advance) == 0 &&
        advance == CONTROL_CHAR_WIDTH) {
      g_painter.font = f;
    } else {
      TTF_CloseFont(f);
    }
  }
  if (g_painter.font == nullptr) g_painter.font = TTF_OpenFont(STARQUELL_CONTROL_FONT, 13);
  if (g_painter.font == nullptr) {
    std::fprintf(stderr, "Controls are drawn without text: %s\n", TTF_GetError());
    return nullptr;
  }
  g_painter.ascent_offset = (CONTROL_ROW_HEIGHT - TTF_FontHeight(g_painter.font)) / 2;
  return g_painter.font;
}

const Line* line(Cached& c, const std::string& text, bool inverse) {
  for (Line& l : c.lines) {
    if (l.inverse == inverse && l.text == text) {
      l.used = true;
      return &l;
    }
  }
  TTF_Font* f = font();
  if (f == nullptr || text.empty()) return nullptr;
  SDL_Surface* s = TTF_RenderText_Blended(f, text.c_str(), inverse ? INK_ON_SELECTED : INK);
  if (s == nullptr) return nullptr;
  c.lines.push_back(Line{text, inverse, s, true});
  return &c.lines.back();
}

void fill(SDL_Surface* s, int x, int y, int w, int h, std::uint32_t argb) {
  const SDL_Rect r{x, y, w, h};
  SDL_FillRect(s, &r, argb);
}

void frame(SDL_Surface* s, int w, int h, std::uint32_t argb, int thickness) {
  for (int t = 0; t < thickness; ++t) {
    fill(s, t, t, w - 2 * t, 1, argb);
    fill(s, t, h - 1 - t, w - 2 * t, 1, argb);
    fill(s, t, t, 1, h - 2 * t, argb);
    fill(s, w - 1 - t, t, 1, h - 2 * t, argb);
  }
}

// Text in a row whose top is at y, clipped to the box from x to right.
void text(SDL_Surface* s, Cached& c, const std::string& t, int x, int y, int right, bool inverse) {
  const Line* l = line(c, t, inverse);
  if (l == nullptr) return;
  SDL_Rect clip{x, 0, right - x, s->h};
  SDL_SetClipRect(s, &clip);
  SDL_Rect at{x, y + g_painter.ascent_offset, 0, 0};
  SDL_BlitSurface(l->surface, nullptr, s, &at);
  SDL_SetClipRect(s, nullptr);
}

// An edit field's text with its selection and caret, in a box from 0 to right.
void field(SDL_Surface* s, Cached& c, const ControlView& v, int right) {
  const int y = (s->h - CONTROL_ROW_HEIGHT) / 2;
  const int x0 = CONTROL_TEXT_MARGIN;
  const std::string all = v.text;
  const int first = v.scroll < static_cast<int>(all.size()) ? v.scroll : 0;
  const int lo = v.sel_start - first;
  const int hi = v.sel_end - first;
  if (v.focused && hi > lo) {
    const int a = lo < 0 ? 0 : lo;
    fill(s, x0 + a * CONTROL_CHAR_WIDTH, y, (hi - a) * CONTROL_CHAR_WIDTH, CONTROL_ROW_HEIGHT,
         HIGHLIGHT);
  }
  text(s, c, all.substr(static_cast<std::size_t>(first)), x0, y, right - 2, false);
  if (v.focused)
    fill(s, x0 + (v.caret - first) * CONTROL_CHAR_WIDTH, y + 1, 1, CONTROL_ROW_HEIGHT - 2,
         0xFF000000);
}

void rows(SDL_Surface* s, Cached& c, const ControlView& v, int top_y, int count, int right) {
  for (int r = 0; r < count; ++r) {
    const int i = v.top_index + r;
    const char* item = controlItem(v.hwnd, i);
    if (item == nullptr) break;
    const int y = top_y + r * CONTROL_ROW_HEIGHT;
    const bool selected = i == v.cur_sel;
    if (selected) fill(s, 1, y, right - 1, CONTROL_ROW_HEIGHT, SELECTED_ROW);
    text(s, c, item, CONTROL_TEXT_MARGIN, y, right - 2, selected);
  }
}

void arrow(SDL_Surface* s, int left, int width, int height) {
  const int cx = left + width / 2;
  const int cy = height / 2 - 2;
  for (int i = 0; i < 4; ++i) fill(s, cx - 3 + i, cy + i, 7 - 2 * i, 1, 0xFF000000);
}

SDL_Surface* newSurface(int w, int h) {
  return SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
}

SDL_Texture* lookOf(SDL_Renderer* renderer, Cached& c, const ControlView& v) {
  const int w = v.rect.right - v.rect.left;
  const int h = v.rect.bottom - v.rect.top;
  SDL_Surface* s = newSurface(w, h);
  if (s == nullptr) return nullptr;
  switch (v.kind) {
    case ControlKind::Button:
      fill(s, 0, 0, w, h, v.pressed ? FACE_PRESSED : FACE);
      frame(s, w, h, v.focused ? FOCUS_FRAME : FRAME, v.focused ? 2 : 1);
      if (const Line* l = line(c, v.text, false)) {
        const int tx = (w - l->surface->w) / 2 + (v.pressed ? 1 : 0);
        text(s, c, v.text, tx < 2 ? 2 : tx, (h - CONTROL_ROW_HEIGHT) / 2 + (v.pressed ? 1 : 0),
             w - 2, false);
      }
      break;
    case ControlKind::Edit:
      fill(s, 0, 0, w, h, FIELD);
      field(s, c, v, w);
      frame(s, w, h, v.focused ? FOCUS_FRAME : FRAME, v.focused ? 2 : 1);
      break;
    case ControlKind::ComboBox:
      fill(s, 0, 0, w, h, FIELD);
      field(s, c, v, w - COMBO_BUTTON_WIDTH);
      fill(s, w - COMBO_BUTTON_WIDTH, 0, COMBO_BUTTON_WIDTH, h, v.dropped ? FACE_PRESSED : FACE);
      fill(s, w - COMBO_BUTTON_WIDTH, 0, 1, h, FRAME);
      arrow(s, w - COMBO_BUTTON_WIDTH, COMBO_BUTTON_WIDTH, h);
      frame(s, w, h, v.focused ? FOCUS_FRAME : FRAME, v.focused ? 2 : 1);
      break;
    case ControlKind::ListBox:
      fill(s, 0, 0, w, h, FIELD);
      rows(s, c, v, 1, (h - 2) / CONTROL_ROW_HEIGHT, w);
      frame(s, w, h, v.focused ? FOCUS_FRAME : FRAME, v.focused ? 2 : 1);
      break;
    case ControlKind::None:
      break;
  }
  SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, s);
  SDL_FreeSurface(s);
  return t;
}

SDL_Texture* droppedListOf(SDL_Renderer* renderer, Cached& c, const ControlView& v) {
  const int w = v.list_rect.right - v.list_rect.left;
  const int h = v.list_rect.bottom - v.list_rect.top;
  SDL_Surface* s = newSurface(w, h);
  if (s == nullptr) return nullptr;
  fill(s, 0, 0, w, h, FIELD);
  rows(s, c, v, 1, (h - 2) / CONTROL_ROW_HEIGHT, w);
  frame(s, w, h, FRAME, 1);
  SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, s);
  SDL_FreeSurface(s);
  return t;
}

void release(Cached& c) {
  if (c.look != nullptr) SDL_DestroyTexture(c.look);
  if (c.list != nullptr) SDL_DestroyTexture(c.list);
  for (Line& l : c.lines) SDL_FreeSurface(l.surface);
  c = Cached{};
}

// Makes the textures of a control again when it changed; lines of text no
// longer shown are dropped, the others are reused as they are.
void refresh(SDL_Renderer* renderer, Cached& c, const ControlView& v) {
  if (c.look != nullptr && c.version == v.version) return;
  for (Line& l : c.lines) l.used = false;
  if (c.look != nullptr) SDL_DestroyTexture(c.look);
  if (c.list != nullptr) SDL_DestroyTexture(c.list);
  c.look = lookOf(renderer, c, v);
  c.list = v.dropped ? droppedListOf(renderer, c, v) : nullptr;
  c.version = v.version;
  for (std::size_t i = 0; i < c.lines.size();) {
    if (c.lines[i].used) {
      ++i;
      continue;
    }
    SDL_FreeSurface(c.lines[i].surface);
    c.lines.erase(c.lines.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

// A client rectangle on the picture: whole multiples, so edges stay sharp.
SDL_Rect sdlRect(const RECT& r, const SDL_Rect& picture, int scale) {
  return SDL_Rect{picture.x + r.left * scale, picture.y + r.top * scale, (r.right - r.left) * scale,
                  (r.bottom - r.top) * scale};
}

}  // namespace

void drawControls(SDL_Renderer* renderer, HWND top, int client_width, int client_height,
                  const SDL_Rect& picture) {
  ControlView views[MAX_CONTROL_VIEWS];
  const int n = controlViews(top, views, MAX_CONTROL_VIEWS);
  for (Cached& c : g_painter.cache) c.seen = c.renderer != renderer;
  if (n > 0) {
    // Drawn in client pixels at the picture's scale.
    const int scale = client_width > 0 && picture.w >= client_width && client_height > 0
                          ? picture.w / client_width
                          : 1;
    const ControlView* dropped = nullptr;
    for (int i = 0; i < n; ++i) {
      const ControlView& v = views[i];
      Cached* c = nullptr;
      for (Cached& k : g_painter.cache) {
        if (k.renderer == renderer && k.hwnd == v.hwnd) c = &k;
      }
      if (c == nullptr) {
        Cached fresh;
        fresh.renderer = renderer;
        fresh.hwnd = v.hwnd;
        g_painter.cache.push_back(fresh);
        c = &g_painter.cache.back();
      }
      c->seen = true;
      refresh(renderer, *c, v);
      const SDL_Rect r = sdlRect(v.rect, picture, scale);
      if (c->look != nullptr) SDL_RenderCopy(renderer, c->look, nullptr, &r);
      if (v.dropped) dropped = &v;
    }
    // A dropped list lies over everything else.
    if (dropped != nullptr) {
      for (Cached& k : g_painter.cache) {
        if (k.renderer == renderer && k.hwnd == dropped->hwnd && k.list != nullptr) {
          const SDL_Rect r = sdlRect(dropped->list_rect, picture, scale);
          SDL_RenderCopy(renderer, k.list, nullptr, &r);
        }
      }
    }
  }
  // Controls that are gone.
  for (std::size_t i = 0; i < g_painter.cache.size();) {
    if (g_painter.cache[i].seen) {
      ++i;
      continue;
    }
    release(g_painter.cache[i]);
    g_painter.cache.erase(g_painter.cache.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void dropControlTextures(SDL_Renderer* renderer) {
  for (std::size_t i = 0; i < g_painter.cache.size();) {
    if (g_painter.cache[i].renderer != renderer) {
      ++i;
      continue;
    }
    release(g_painter.cache[i]);
    g_painter.cache.erase(g_painter.cache.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

}  // namespace platform::sdl
