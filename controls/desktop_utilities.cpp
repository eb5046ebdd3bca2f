#include "controls/desktop_utilities.h"

#include <cstdio>
#include <cstring>

#include "shell/reports.h"

namespace {

// The product version's two halves, or false.
bool readProductVersion(HGLOBAL block, std::uint32_t* version_ms) {
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (VerQueryValueA(block, "\\", reinterpret_cast<LPVOID*>(&info), &length) == FALSE ||
      info == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return false;  // a short record is no record: nothing is read past it
  }
  *version_ms = info->dwProductVersionMS;
  return true;
}

void freeBlock(HGLOBAL block, std::int32_t number) {
  if (GlobalFree(block) != nullptr) ReportError(number);
}

// Where a path's NUL lies within size bytes; -1 (after the report) when none
// does or the path is missing.
std::int32_t pathLength(const char* path, std::int32_t size, std::int32_t short_number,
                        std::int32_t unended_number) {
  if (size < 2) {
    ReportError(short_number);
    return -1;
  }
  const void* nul =
      path == nullptr ? nullptr : std::memchr(path, 0, static_cast<std::size_t>(size));
  if (nul == nullptr) {
    ReportError(unended_number);
    return -1;
  }
  return static_cast<std::int32_t>(static_cast<const char*>(nul) - path);
}

bool endsFolder(char c) { return c == '\\' || c == ':'; }

struct DialogError {
  DWORD code;
  std::int32_t report;
};
constexpr DialogError DIALOG_ERRORS[] = {
    {CDERR_STRUCTSIZE, 4445},      {CDERR_INITIALIZATION, 4440}, {CDERR_NOTEMPLATE, 4443},
    {CDERR_NOHINSTANCE, 4439},     {CDERR_LOADSTRFAILURE, 4446}, {CDERR_FINDRESFAILURE, 4438},
    {CDERR_LOADRESFAILURE, 4444},  {CDERR_LOCKRESFAILURE, 4442}, {CDERR_MEMALLOCFAILURE, 4448},
    {CDERR_MEMLOCKFAILURE, 4450},  {CDERR_NOHOOK, 4441},         {FNERR_SUBCLASSFAILURE, 4451},
    {FNERR_INVALIDFILENAME, 4449}, {FNERR_BUFFERTOOSMALL, 4447}, {CDERR_DIALOGFAILURE, 4437},
};

DWORD bufferSize(std::int32_t size) { return size > 0 ? static_cast<DWORD>(size) : 0; }

}  // namespace

std::int32_t formatVersionString(char* out, std::int32_t size) {
  if (out == nullptr) {
    ReportError(4428);
    return 7;
  }
  char path[MODULE_PATH_SIZE];
  const DWORD path_length = GetModuleFileNameA(nullptr, path, MODULE_PATH_SIZE);
  if (path_length == 0 || path_length >= static_cast<DWORD>(MODULE_PATH_SIZE)) return 1;
  DWORD handle = 0;
  const DWORD info_size = GetFileVersionInfoSizeA(path, &handle);
  if (info_size == 0) return 2;
  // Four bytes more, as the block is read; a size that would wrap is no size.
  if (info_size > 0xFFFFFFFFu - 4) return 3;
  HGLOBAL block = GlobalAlloc(GPTR, static_cast<SIZE_T>(info_size) + 4);
  if (block == nullptr) return 3;
  if (GetFileVersionInfoA(path, handle, info_size, block) == FALSE) {
    freeBlock(block, 4425);
    return 4;
  }
  std::uint32_t version_ms = 0;
  if (!readProductVersion(block, &version_ms)) {
    freeBlock(block, 4426);
    return 5;
  }
  if (size < 7) {
    GlobalFree(block);
    return 6;
  }
  char text[32];
  const int length =
      std::snprintf(text, sizeof text, "V%d.%02d", static_cast<int>(HIWORD(version_ms)),
                    static_cast<int>(LOWORD(version_ms)));
  if (length < 0 || length + 1 > size) {
    ReportError(4429);
    GlobalFree(block);
    return 6;
  }
  std::memcpy(out, text, static_cast<std::size_t>(length) + 1);
  freeBlock(block, 4427);
  return 0;
}

std::int32_t selectNarrowFixedFont(HDC dc, std::int32_t largest_width, std::int32_t height,
                                   std::int32_t keep_own_font, HFONT* font,
                                   std::int32_t* char_width, std::int32_t* line_height) {
  if (dc == nullptr || font == nullptr || char_width == nullptr || line_height == nullptr) {
    ReportError(4355);
    return -1;
  }
  if (keep_own_font != 0 && keep_own_font != 1) {
    ReportError(4355);
    return -2;
  }
  if (largest_width < 5 || height < 5) {
    ReportError(4356);
    return -3;
  }
  *font = nullptr;
  *char_width = 0;
  *line_height = 0;
  std::int32_t width = largest_width;
  for (std::int32_t attempt = 0;; ++attempt) {
    HFONT next = CreateFontA(height, width, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             FIXED_PITCH | FF_DONTCARE, nullptr);
    if (next == nullptr) {
      ShowWarning("Cannot create a narrow enough fixed-pitch font.");
      return 1;
    }
    HGDIOBJ replaced = SelectObject(dc, next);
    if (replaced == nullptr) {
      DeleteObject(next);  // never selected: nobody else would free it
      ShowWarning("Cannot select a narrow enough fixed-pitch font.");
      return 2;
    }
    *font = next;
    if ((attempt > 0 || keep_own_font == 0) && DeleteObject(replaced) == FALSE) {
      ReportError(4353);
      return -5;
    }
    TEXTMETRICA tm = {};
    if (GetTextMetricsA(dc, &tm) == FALSE) {
      ReportError(4336);
      return -6;
    }
    *char_width = tm.tmAveCharWidth;
    *line_height = tm.tmHeight + tm.tmExternalLeading;
    // The low bit set means variable pitch (the name says the opposite).
    if ((tm.tmPitchAndFamily & 0x0F) == TMPF_FIXED_PITCH) {
      ShowWarning("A fixed pitch font could not be selected.");
      return 3;
    }
    const bool narrow_enough = tm.tmAveCharWidth <= largest_width;
    if (!narrow_enough) --width;
    if (attempt + 1 > 20 || width < 4) {
      ShowWarning("Sorry, cannot select a narrow enough fixed-pitch font.");
      return 4;
    }
    if (narrow_enough) return 0;
  }
}

std::int32_t fileNameStart(const char* path, std::int32_t size) {
  const std::int32_t length = pathLength(path, size, 4370, 4371);
  if (length <= 0) return 0;
  for (std::int32_t i = length - 1; i >= 0; --i) {
    if (endsFolder(path[i])) return i + 1;
  }
  return 0;
}

std::int32_t extensionStart(const char* path, std::int32_t size) {
  const std::int32_t length = pathLength(path, size, 4373, 4374);
  if (length <= 0) return 0;
  for (std::int32_t i = length - 1; i >= 0; --i) {
    if (path[i] == '.') return i;
    if (endsFolder(path[i])) break;
  }
  return length;
}

std::int32_t browseForFile(MainWindow* mw, std::int32_t /*unused*/, const char* filter, char* file,
                           std::int32_t file_size, char* file_title, std::int32_t title_size,
                           const char* default_extension) {
  OPENFILENAMEA ofn = {};
  // The record in its older, shorter form: 76 bytes in a 32-bit program, the
  // same fields up to lpTemplateName (and so more bytes) in a 64-bit one.
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400;
  ofn.hwndOwner = mw != nullptr ? mw->window : nullptr;
  ofn.hInstance = nullptr;
  ofn.lpstrFilter = filter;
  ofn.lpstrCustomFilter = nullptr;
  ofn.nFilterIndex = 0;
  ofn.lpstrFile = file;
  ofn.nMaxFile = bufferSize(file_size);
  ofn.lpstrFileTitle = file_title;
  ofn.nMaxFileTitle = bufferSize(title_size);
  ofn.lpstrInitialDir = nullptr;
  ofn.lpstrTitle = "Browse";
  ofn.Flags = OFN_LONGNAMES | OFN_NOTESTFILECREATE | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  ofn.nFileOffset = 0;
  ofn.nFileExtension = 0;
  ofn.lpstrDefExt = default_extension;
  ofn.lCustData = 0;
  ofn.lpfnHook = nullptr;
  ofn.lpTemplateName = nullptr;
  if (GetOpenFileNameA(&ofn) != FALSE) return BROWSE_CHOSEN;
  const DWORD code = CommDlgExtendedError();
  if (code == 0) return BROWSE_CANCELLED;
  for (const DialogError& e : DIALOG_ERRORS) {
    if (e.code == code) {
      ReportError(e.report);
      return BROWSE_FAILED;
    }
  }
  ReportErrorWithStatus(4452, static_cast<std::int32_t>(code));
  return BROWSE_FAILED;
}

void fillTestSquare(MainWindow* mw, std::int32_t x, std::int32_t y, ColourIndex colour) {
  if (mw == nullptr || !mw->hasPixels()) return;
  // Offsets from the pixel base, so that no pointer outside the memory is formed.
  const std::int64_t span = mw->pixel_end - mw->pixel_base;
  const std::int64_t first = std::int64_t{y} * mw->stride + x;
  for (std::int32_t row = 0; row < TEST_SQUARE_SIZE; ++row) {
    for (std::int32_t column = 0; column < TEST_SQUARE_SIZE; ++column) {
      const std::int64_t at = first + std::int64_t{row} * mw->stride + column;
      if (at >= 0 && at < span) mw->pixel_base[at] = colour;
    }
  }
}
