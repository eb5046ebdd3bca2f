// Small services for a desktop window beside the controls: the program's
// version as a short text, a narrow fixed-pitch font, the file name and
// extension within a path, the file-open dialog, and a test square drawn into
// the back buffer.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "shell/main_window.h"

// Largest program path formatVersionString reads.
inline constexpr std::int32_t MODULE_PATH_SIZE = 560;
inline constexpr std::int32_t TEST_SQUARE_SIZE = 10;

// "V<major>.<minor, two digits>" of the program's product version. Status: 0
// done, 1 no program path, 2 no version information, 3 no memory, 4 not
// read, 5 no fixed record, 6 buffer too small, 7 no buffer.
std::int32_t formatVersionString(char* out, std::int32_t size);

// Selects into the context a fixed-pitch font no wider than largest_width, at
// the given height, asking for narrower widths until one fits. Status: 0
// found; 1..4 after a warning (cannot create, cannot select, not fixed-pitch,
// none narrow enough); -1..-3 bad arguments; -5 a font not deleted; -6 no
// metrics. With keep_own_font 1 the context's own font is not deleted.
std::int32_t selectNarrowFixedFont(HDC dc, std::int32_t largest_width, std::int32_t height,
                                   std::int32_t keep_own_font, HFONT* font,
                                   std::int32_t* char_width, std::int32_t* line_height);

// Index of the first byte of the file name in a path ("\" and ":" end folders).
std::int32_t fileNameStart(const char* path, std::int32_t size);
// Index of the extension's "." in a path, or the path's length without one.
std::int32_t extensionStart(const char* path, std::int32_t size);

inline constexpr std::int32_t BROWSE_CHOSEN = 0;
inline constexpr std::int32_t BROWSE_CANCELLED = 1;
inline constexpr std::int32_t BROWSE_FAILED = 2;

// The file-open dialog titled "Browse", owned by the main window. On
// BROWSE_CHOSEN the buffers hold the path and the file's title; a dialog error
// is reported and gives BROWSE_FAILED.
std::int32_t browseForFile(MainWindow* mw, std::int32_t unused, const char* filter, char* file,
                           std::int32_t file_size, char* file_title, std::int32_t title_size,
                           const char* default_extension);

// Fills the 10 x 10 pixels whose lower-left corner is (x, y), y counted from
// the bottom; bytes outside the pixel memory are skipped.
void fillTestSquare(MainWindow* mw, std::int32_t x, std::int32_t y, ColourIndex colour);
