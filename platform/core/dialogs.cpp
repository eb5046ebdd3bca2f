// The file-open dialog and the two forms of a path. The backend shows the
// desktop's own chooser; here the request is checked and the answer is put
// into the caller's record the way Windows fills it. Paths reach the program
// in Windows form, the root of the file system being drive Z:.
#include <cstring>

#include "platform/core/state.h"

namespace platform {

namespace core {

bool toWindowsPath(const char* native, char* out, std::size_t capacity) {
  if (native == nullptr || capacity == 0) return false;
  std::size_t n = 0;
  auto put = [&](char ch) {
    if (n + 1 >= capacity) return false;
    out[n++] = ch;
    return true;
  };
  if (native[0] == '/' && (!put('Z') || !put(':'))) return false;
  for (const char* p = native; *p != 0; ++p) {
    if (!put(*p == '/' ? '\\' : *p)) return false;
  }
  out[n] = 0;
  return true;
}

bool toNativePath(const char* windows, char* out, std::size_t capacity) {
  if (windows == nullptr || capacity == 0) return false;
  const char* p = windows;
  if ((p[0] == 'Z' || p[0] == 'z') && p[1] == ':') {
    p += 2;
  } else if (p[0] != 0 && p[1] == ':') {
    return false;  // no other drive exists
  }
  std::size_t n = 0;
  for (; *p != 0; ++p) {
    if (n + 1 >= capacity) return false;
    out[n++] = *p == '\\' ? '/' : *p;
  }
  out[n] = 0;
  return true;
}

}  // namespace core

int parseFilter(const char* filter, FilterPair* out, int max) {
  if (filter == nullptr) return 0;
  int count = 0;
  const char* p = filter;
  while (count < max && *p != 0) {
    FilterPair& pair = out[count];
    pair = FilterPair{};
    core::copyText(pair.description, sizeof pair.description, p);
    p += std::strlen(p) + 1;
    if (*p == 0) break;  // a description without patterns ends the list
    // "*.txt;*.md" -> "*.txt *.md"; "*.*" -> "*"
    std::size_t n = 0;
    for (const char* q = p; *q != 0 && n + 1 < sizeof pair.patterns; ++q) {
      if (std::strncmp(q, "*.*", 3) == 0 && (q[3] == 0 || q[3] == ';')) {
        pair.patterns[n++] = '*';
        q += 2;
      } else {
        pair.patterns[n++] = *q == ';' ? ' ' : *q;
      }
    }
    pair.patterns[n] = 0;
    p += std::strlen(p) + 1;
    ++count;
  }
  return count;
}

}  // namespace platform

using namespace platform;
using namespace platform::core;

namespace {

BOOL failDialog(DWORD code) {
  state().dialog_error = code;
  return FALSE;
}

}  // namespace

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) {
  state().dialog_error = 0;
  if (ofn == nullptr) return failDialog(CDERR_INITIALIZATION);
  // The whole record, or the shorter one of older programs.
  if (ofn->lStructSize != sizeof(OPENFILENAMEA) &&
      ofn->lStructSize != static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A)) {
    return failDialog(CDERR_STRUCTSIZE);
  }
  if (ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) return failDialog(CDERR_INITIALIZATION);
  char initial[WINDOW_TEXT_MAX] = {};
  if (ofn->lpstrInitialDir != nullptr &&
      !toNativePath(ofn->lpstrInitialDir, initial, sizeof initial)) {
    initial[0] = 0;
  }
  FileChoice choice;
  backend::chooseOpenFile(ofn->hwndOwner, ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : "Open",
                          ofn->lpstrFilter, initial, &choice);
  if (choice.result == FileChoice::Result::Cancelled) return FALSE;
  if (choice.result == FileChoice::Result::Failed) return failDialog(choice.error);
  char path[WINDOW_TEXT_MAX];
  if (!toWindowsPath(choice.path, path, sizeof path)) return failDialog(FNERR_INVALIDFILENAME);
  const std::size_t length = std::strlen(path);
  if (length + 1 > ofn->nMaxFile) {
    // Too small: the first two bytes say how many are needed.
    if (ofn->nMaxFile >= 2) {
      const WORD needed = static_cast<WORD>(length + 1 > 0xFFFF ? 0xFFFF : length + 1);
      std::memcpy(ofn->lpstrFile, &needed, sizeof needed);
    }
    return failDialog(FNERR_BUFFERTOOSMALL);
  }
  std::memcpy(ofn->lpstrFile, path, length + 1);
  std::size_t name = length;
  while (name > 0 && path[name - 1] != '\\' && path[name - 1] != ':') --name;
  std::size_t dot = length;
  for (std::size_t i = length; i > name; --i) {
    if (path[i - 1] == '.') {
      dot = i;
      break;
    }
  }
  ofn->nFileOffset = static_cast<WORD>(name);
  ofn->nFileExtension = static_cast<WORD>(dot);
  if (ofn->lpstrFileTitle != nullptr && ofn->nMaxFileTitle > 0) {
    copyText(ofn->lpstrFileTitle, ofn->nMaxFileTitle, path + name);
  }
  return TRUE;
}

DWORD CommDlgExtendedError(void) { return state().dialog_error; }
