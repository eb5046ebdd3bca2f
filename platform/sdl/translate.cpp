#include "platform/sdl/translate.h"

#include <cstring>

#include "platform/sdl/scale.h"

namespace platform::sdl {

namespace {

bool isAltKey(SDL_Keycode key) { return key == SDLK_LALT || key == SDLK_RALT; }

// Windows makes a key a system key when it is F10, or when Alt is held without
// Ctrl (Ctrl+Alt is AltGr on many layouts, which types ordinary characters).
bool isSystemKey(UINT vk, const SDL_Keysym& sym) {
  if (vk == VK_F10) return true;
  const bool ctrl = (sym.mod & KMOD_CTRL) != 0;
  if (isAltKey(sym.sym)) return !ctrl;
  return (sym.mod & KMOD_ALT) != 0 && !ctrl;
}

NativeEvent sized(NativeEventKind kind, const WindowView* view, int width, int height) {
  NativeEvent n;
  n.kind = kind;
  n.window = view != nullptr ? view->hwnd : nullptr;
  n.width = width;
  n.height = height;
  return n;
}

int zoomOf(const WindowView& view) { return view.zoom > 1 ? view.zoom : 1; }

// A size reported by the window system. Sizes the core already has, late
// echoes of sizes the backend asked for, and any size in fullscreen change
// nothing; in a zoomed window the client is the window divided by the zoom.
int translateSizeChange(const SDL_WindowEvent& w, WindowView* view, NativeEvent out[]) {
  if (view == nullptr || view->fullscreen) return 0;
  const int width = w.data1;
  const int height = w.data2;
  if (view->resize_pending) {
    if (width == view->pending_width && height == view->pending_height) {
      view->resize_pending = false;
    } else if (w.timestamp - view->pending_since < RESIZE_ECHO_MS) {
      return 0;
    } else {
      view->resize_pending = false;  // the request was refused or overridden
    }
  }
  const int zoom = zoomOf(*view);
  if (width / zoom == view->client_width && height / zoom == view->client_height) return 0;
  out[0] = sized(view->maximised ? NativeEventKind::Maximise : NativeEventKind::Resize, view,
                 width / zoom, height / zoom);
  return 1;
}

// Restored (from minimised or maximised): the window's size as the client's,
// except where the window is still on its way to a size the backend asked for
// or shows the client fullscreen, where the client keeps its size.
int translateRestore(const WindowView* view, NativeEvent out[]) {
  if (view == nullptr) return 0;
  if (view->fullscreen || view->resize_pending) {
    out[0] = sized(NativeEventKind::Restore, view, view->client_width, view->client_height);
  } else {
    out[0] = sized(NativeEventKind::Restore, view, view->window_width / zoomOf(*view),
                   view->window_height / zoomOf(*view));
  }
  return 1;
}

int translateWindowEvent(const SDL_WindowEvent& w, WindowView* view, NativeEvent out[]) {
  switch (w.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      return translateSizeChange(w, view, out);
    case SDL_WINDOWEVENT_MAXIMIZED:
      if (view == nullptr || view->fullscreen) return 0;
      out[0] = sized(NativeEventKind::Maximise, view, view->window_width / zoomOf(*view),
                     view->window_height / zoomOf(*view));
      return 1;
    case SDL_WINDOWEVENT_RESTORED:
      return translateRestore(view, out);
    case SDL_WINDOWEVENT_MINIMIZED:
      out[0] = sized(NativeEventKind::Minimise, view, 0, 0);
      return 1;
    case SDL_WINDOWEVENT_EXPOSED:
      out[0] = sized(NativeEventKind::Expose, view, 0, 0);
      return 1;
    case SDL_WINDOWEVENT_CLOSE:
      out[0] = sized(NativeEventKind::Close, view, 0, 0);
      return 1;
    default:
      return 0;
  }
}

int translateKey(const SDL_KeyboardEvent& k, const WindowView* view, NativeEvent out[]) {
  const UINT vk = virtualKeyOf(k.keysym.sym, k.keysym.scancode);
  if (vk == 0) return 0;
  NativeEvent n;
  n.kind = k.type == SDL_KEYDOWN ? NativeEventKind::KeyDown : NativeEventKind::KeyUp;
  n.window = view != nullptr ? view->hwnd : nullptr;
  n.vk = vk;
  n.system = isSystemKey(vk, k.keysym);
  n.repeat = k.type == SDL_KEYDOWN && k.repeat != 0;
  out[0] = n;
  return 1;
}

int translateButton(const SDL_MouseButtonEvent& b, const WindowView* view, NativeEvent out[]) {
  int button = -1;
  if (b.button == SDL_BUTTON_LEFT) button = 0;
  if (b.button == SDL_BUTTON_RIGHT) button = 1;
  if (button < 0) return 0;
  const bool down = b.type == SDL_MOUSEBUTTONDOWN;
  // The window does not capture the mouse: a release over another place is
  // not its business, even where the window system still reports it. SDL
  // names no window for such a release (the pointer has left the window) and
  // clamps its position to the window's edge.
  if (!down &&
      (b.windowID == 0 || (view != nullptr && (b.x < 0 || b.y < 0 || b.x >= view->window_width ||
                                               b.y >= view->window_height)))) {
    return 0;
  }
  NativeEvent n;
  n.kind = down ? NativeEventKind::ButtonDown : NativeEventKind::ButtonUp;
  n.window = view != nullptr ? view->hwnd : nullptr;
  n.button = button;
  // Window coordinates to client pixels, through the picture's scale.
  n.x = b.x;
  n.y = b.y;
  if (view != nullptr) {
    windowToClient(b.x, b.y, view->window_width, view->window_height, view->output_width,
                   view->output_height, view->client_width, view->client_height, &n.x, &n.y);
  }
  out[0] = n;
  return 1;
}

}  // namespace

UINT virtualKeyOf(SDL_Keycode key, SDL_Scancode scancode) {
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<UINT>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<UINT>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<UINT>(VK_F1 + (key - SDLK_F1));
  if (key >= SDLK_F13 && key <= SDLK_F24) return static_cast<UINT>(VK_F1 + 12 + (key - SDLK_F13));
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
    return static_cast<UINT>(VK_NUMPAD0 + 1 + (key - SDLK_KP_1));
  }
  switch (key) {
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_LGUI:
      return VK_LWIN;
    case SDLK_RGUI:
      return VK_RWIN;
    case SDLK_APPLICATION:
      return VK_APPS;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR:
      return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
      return VK_SCROLL;
    case SDLK_PRINTSCREEN:
      return VK_SNAPSHOT;
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDLK_KP_PLUS:
      return VK_ADD;
    case SDLK_KP_MINUS:
      return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
      return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
      return VK_DIVIDE;
    case SDLK_SEMICOLON:
      return VK_OEM_1;
    case SDLK_EQUALS:
      return VK_OEM_PLUS;
    case SDLK_COMMA:
      return VK_OEM_COMMA;
    case SDLK_MINUS:
      return VK_OEM_MINUS;
    case SDLK_PERIOD:
      return VK_OEM_PERIOD;
    case SDLK_SLASH:
      return VK_OEM_2;
    case SDLK_BACKQUOTE:
      return VK_OEM_3;
    case SDLK_LEFTBRACKET:
      return VK_OEM_4;
    case SDLK_BACKSLASH:
      return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
      return VK_OEM_6;
    case SDLK_QUOTE:
      return VK_OEM_7;
    default:
      break;
  }
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return static_cast<UINT>('A' + (scancode - SDL_SCANCODE_A));
  }
  // Scan codes run 1..9 then 0.
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    return static_cast<UINT>('1' + (scancode - SDL_SCANCODE_1));
  }
  if (scancode == SDL_SCANCODE_0) return '0';
  return 0;
}

std::uint32_t eventWindowId(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT:
      return e.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return e.key.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return e.button.windowID;
    default:
      return 0;
  }
}

int translateEvent(const SDL_Event& e, WindowView* view, NativeEvent out[MAX_TRANSLATED]) {
  switch (e.type) {
    case SDL_WINDOWEVENT:
      return translateWindowEvent(e.window, view, out);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return translateKey(e.key, view, out);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return translateButton(e.button, view, out);
    default:
      return 0;
  }
}

void describeMessageBox(const char* text, const char* caption, UINT style, SDL_Window* parent,
                        SDL_MessageBoxButtonData buttons[3], SDL_MessageBoxData* data) {
  const Uint32 ret = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  const Uint32 esc = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  int count = 0;
  switch (style & MB_TYPEMASK) {
    case MB_YESNO:
      // Like its Windows counterpart, a Yes/No box has no Escape answer.
      buttons[count++] = SDL_MessageBoxButtonData{ret, IDYES, "Yes"};
      buttons[count++] = SDL_MessageBoxButtonData{0, IDNO, "No"};
      break;
    case MB_OKCANCEL:
      buttons[count++] = SDL_MessageBoxButtonData{ret, IDOK, "OK"};
      buttons[count++] = SDL_MessageBoxButtonData{esc, IDCANCEL, "Cancel"};
      break;
    default:
      buttons[count++] = SDL_MessageBoxButtonData{ret | esc, IDOK, "OK"};
      break;
  }
  Uint32 flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  switch (style & MB_ICONMASK) {
    case MB_ICONERROR:
      flags |= SDL_MESSAGEBOX_ERROR;
      break;
    case MB_ICONWARNING:
      flags |= SDL_MESSAGEBOX_WARNING;
      break;
    case MB_ICONQUESTION:
    case MB_ICONINFORMATION:
      flags |= SDL_MESSAGEBOX_INFORMATION;
      break;
    default:
      break;
  }
  *data = SDL_MessageBoxData{};
  data->flags = flags;
  data->window = parent;
  data->title = caption;
  data->message = text;
  data->numbuttons = count;
  data->buttons = buttons;
  data->colorScheme = nullptr;
}

int unshownMessageBoxAnswer(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_YESNO:
      return IDNO;
    case MB_OKCANCEL:
      return IDCANCEL;
    default:
      return IDOK;
  }
}

const std::uint32_t* PaletteCache::lutFor(const IndexedBlit& blit) {
  if (!valid_ || version_ != blit.lut_version) {
    std::memcpy(lut_, blit.lut, sizeof lut_);
    version_ = blit.lut_version;
    valid_ = true;
    ++rebuilds_;
  }
  return lut_;
}

void convertBlit(const IndexedBlit& blit, PaletteCache& cache, void* pixels, int pitch) {
  convertIndexedRows(blit.top_row, blit.row_step, blit.width, blit.height, cache.lutFor(blit),
                     static_cast<std::uint32_t*>(pixels),
                     static_cast<std::ptrdiff_t>(pitch) / static_cast<std::ptrdiff_t>(4));
}

}  // namespace platform::sdl
