// Desktop utilities: the version text, the narrow-font search, positions in a
// path, the file-open dialog and the test square.
#include <cstdio>
#include <cstring>
#include <string>

#include "controls/desktop_utilities.h"
#include "tests/controls/host.h"

namespace {

using Desktop = ControlHost;

TEST_F(Desktop, VersionTextFromTheProgramsOwnVersionInformation) {
  char expected[16];
  std::snprintf(expected, sizeof expected, "V%d.%02d", PROJECT_VERSION_MAJOR,
                PROJECT_VERSION_MINOR);
  const std::string bare = ::testing::TempDir() + "no_version_info";
  std::FILE* f = std::fopen(bare.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("a program file without version information", f);
  std::fclose(f);
  struct Case {
    const char* program;  // null: this test program
    std::int32_t size;
    std::int32_t status;
    const char* text;  // what the buffer holds after
  };
  for (const Case c : {Case{nullptr, 16, 0, expected}, Case{nullptr, 6, 6, "untouched"},
                       Case{bare.c_str(), 16, 2, "untouched"}}) {
    platform::setModuleFileName(c.program);
    char out[16] = "untouched";
    EXPECT_EQ(formatVersionString(out, c.size), c.status) << c.size;
    EXPECT_STREQ(out, c.text);
  }
  EXPECT_TRUE(headless::boxes().empty());
  std::remove(bare.c_str());
}

TEST_F(Desktop, NarrowFontSearch) {
  using platform::CoreFault;
  struct Case {
    std::int32_t largest;
    std::int32_t height;
    CoreFault fault;  // Count: none
    std::int32_t status;
    int report;
    const char* warning;
  };
  for (const Case c : {
           Case{7, 16, CoreFault::Count, 0, 0, nullptr},
           Case{4, 16, CoreFault::Count, -3, 4356, nullptr},
           Case{5, 40, CoreFault::Count, 4, 0,
                "Sorry, cannot select a narrow enough fixed-pitch font."},
           Case{8, 5, CoreFault::Count, 3, 0, "A fixed pitch font could not be selected."},
           Case{8, 16, CoreFault::CreateFont, 1, 0,
                "Cannot create a narrow enough fixed-pitch font."},
           Case{8, 16, CoreFault::SelectObject, 2, 0,
                "Cannot select a narrow enough fixed-pitch font."},
           Case{8, 16, CoreFault::DeleteObject, -5, 4353, nullptr},
           Case{8, 16, CoreFault::TextMetrics, -6, 4336, nullptr},
       }) {
    headless::clearBoxes();
    HDC dc = GetDC(host);
    if (c.fault != CoreFault::Count) platform::failNextCall(c.fault);
    HFONT font = nullptr;
    std::int32_t width = -1;
    std::int32_t line = -1;
    EXPECT_EQ(selectNarrowFixedFont(dc, c.largest, c.height, 0, &font, &width, &line), c.status)
        << c.largest << "x" << c.height;
    if (c.report != 0) {
      EXPECT_EQ(reports(c.report), 1);
    }
    if (c.warning != nullptr) {
      ASSERT_EQ(headless::boxes().size(), 1u);
      EXPECT_EQ(headless::boxes()[0].caption, "Warning");
      EXPECT_EQ(headless::boxes()[0].text, c.warning);
    }
    if (c.status == 0) {
      EXPECT_LE(width, c.largest);
      EXPECT_EQ(line, c.height);
      EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT)), font) << "left selected";
    }
    ReleaseDC(host, dc);
  }
}

TEST_F(Desktop, FileNameAndExtensionPositions) {
  struct Case {
    const char* path;
    std::int32_t name;
    std::int32_t extension;
  };
  for (const Case c :
       {Case{"D:\\dir\\name.txt", 7, 11}, Case{"name.txt", 0, 4}, Case{"D:name", 2, 6},
        Case{"D:\\dir.d\\name", 9, 13}, Case{"name", 0, 4}, Case{"", 0, 0}}) {
    EXPECT_EQ(fileNameStart(c.path, 64), c.name) << c.path;
    EXPECT_EQ(extensionStart(c.path, 64), c.extension) << c.path;
  }
  EXPECT_TRUE(headless::boxes().empty());
  const char unended[4] = {'a', '.', 'b', 'c'};
  EXPECT_EQ(fileNameStart(unended, 4), 0);
  EXPECT_EQ(extensionStart(unended, 1), 0);
  EXPECT_EQ(reports(4371), 1);
  EXPECT_EQ(reports(4373), 1);
}

TEST_F(Desktop, FileDialogChoiceCancelAndEveryError) {
  char file[260] = {};
  char title[64] = {};
  const char filter[] = "Text files\0*.txt;*.md\0All files\0*.*\0";
  headless::scriptFileChosen("/tmp/notes.txt");
  EXPECT_EQ(browseForFile(&mw, 0, filter, file, sizeof file, title, sizeof title, "txt"),
            BROWSE_CHOSEN);
  EXPECT_STREQ(file, "Z:\\tmp\\notes.txt");
  EXPECT_STREQ(title, "notes.txt");
  EXPECT_EQ(headless::lastFileRequest().title, "Browse");
  EXPECT_EQ(headless::lastFileRequest().patterns, "*.txt *.md");
  headless::scriptFileCancelled();
  EXPECT_EQ(browseForFile(&mw, 0, filter, file, sizeof file, title, sizeof title, "txt"),
            BROWSE_CANCELLED);
  EXPECT_TRUE(headless::boxes().empty());
  struct Case {
    DWORD code;
    int report;
  };
  for (const Case c : {Case{1, 4445}, Case{2, 4440}, Case{3, 4443}, Case{4, 4439}, Case{5, 4446},
                       Case{6, 4438}, Case{7, 4444}, Case{8, 4442}, Case{9, 4448}, Case{10, 4450},
                       Case{11, 4441}, Case{12289, 4451}, Case{12290, 4449}, Case{12291, 4447},
                       Case{65535, 4437}, Case{77, 4452}}) {
    headless::clearBoxes();
    headless::scriptFileError(c.code);
    EXPECT_EQ(browseForFile(&mw, 0, filter, file, sizeof file, title, sizeof title, "txt"),
              BROWSE_FAILED);
    ASSERT_EQ(reports(c.report), 1) << c.code;
    if (c.code == 77) {
      EXPECT_NE(headless::boxes()[0].text.find("stat 77"), std::string::npos);
    }
  }
  // A name longer than the buffer is the dialog's own error.
  headless::clearBoxes();
  headless::scriptFileChosen("/tmp/notes.txt");
  EXPECT_EQ(browseForFile(&mw, 0, filter, file, 8, title, sizeof title, "txt"), BROWSE_FAILED);
  EXPECT_EQ(reports(4447), 1);
}

TEST_F(Desktop, TestSquareAtACornerFillsOnlyThePixelMemory) {
  paint();  // makes the back buffer
  ASSERT_TRUE(mw.hasPixels());
  std::memset(mw.pixel_base, 0, static_cast<std::size_t>(mw.size));
  struct Case {
    std::int32_t x;
    std::int32_t y;
    int filled;
  };
  // Bottom-left below the buffer: the 6 rows inside. Top-right: the bytes up to
  // the end of the last row (stride 736 for 734 pixels), nothing past it.
  for (const Case c : {Case{0, -4, 60}, Case{mw.width - 2, mw.height - 1, 4}}) {
    std::memset(mw.pixel_base, 0, static_cast<std::size_t>(mw.size));
    fillTestSquare(&mw, c.x, c.y, 7);
    int filled = 0;
    for (std::int32_t i = 0; i < mw.size; ++i) filled += mw.pixel_base[i] == 7 ? 1 : 0;
    EXPECT_EQ(filled, c.filled) << c.x << "," << c.y;
  }
  EXPECT_EQ(mw.pixel_base[mw.size - 1], 7);
  fillTestSquare(nullptr, 0, 0, 1);
}

}  // namespace
