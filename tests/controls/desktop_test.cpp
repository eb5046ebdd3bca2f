// Desktop utilities: the version text, the narrow-font search, positions in a
// path, the file-open dialog and the test square.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "controls/desktop_utilities.h"
#include "tests/controls/host.h"

namespace {

using Desktop = ControlHost;

// A program file: some bytes, then a version block whose product version is
// major.minor when `block` is set.
std::string programFile(const char* name, bool block, std::uint32_t major = 0,
                        std::uint32_t minor = 0) {
  unsigned char bytes[100] = "a program file";
  if (block) {
    unsigned char* b = bytes + 8;
    std::memset(b, 0, 92);
    const auto put16 = [](unsigned char* at, std::uint32_t v) {
      at[0] = static_cast<unsigned char>(v);
      at[1] = static_cast<unsigned char>(v >> 8);
    };
    put16(b, 92);      // whole length
    put16(b + 2, 52);  // length of the fixed record
    const char key[] = "VS_VERSION_INFO";
    for (std::size_t i = 0; i < sizeof key; ++i) put16(b + 6 + 2 * i, key[i]);
    put16(b + 40, VS_FFI_SIGNATURE & 0xFFFF);
    put16(b + 42, VS_FFI_SIGNATURE >> 16);
    put16(b + 56, minor);  // product version, most significant half
    put16(b + 58, major);
  }
  // In the working folder: a relative name reads the same on every system.
  const std::string path = name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  EXPECT_NE(f, nullptr);
  std::fwrite(bytes, 1, sizeof bytes, f);
  std::fclose(f);
  return path;
}

TEST_F(Desktop, VersionTextEveryStatusAndEveryReport) {
  using platform::CoreFault;
  char own[16];
  std::snprintf(own, sizeof own, "V%d.%02d", PROJECT_VERSION_MAJOR, PROJECT_VERSION_MINOR);
  const std::string bare = programFile("no_version_info", false);
  const std::string wide = programFile("wide_version", true, 65535, 65535);
  const std::string too_long(600, 'p');
  struct Case {
    const char* what;
    const char* program;  // null: this test program
    std::vector<CoreFault> faults;
    std::int32_t size;  // 0: no buffer
    std::int32_t status;
    int report;
    const char* text;  // what the buffer holds after
  };
  const Case cases[] = {
      {"this program", nullptr, {}, 16, 0, 0, own},
      {"no buffer", nullptr, {}, 0, 7, 4428, "untouched"},
      {"a program path too long", too_long.c_str(), {}, 16, 1, 0, "untouched"},
      {"no version information", bare.c_str(), {}, 16, 2, 0, "untouched"},
      {"a size that wraps", nullptr, {CoreFault::VersionInfoSize}, 16, 3, 0, "untouched"},
      {"no memory", nullptr, {CoreFault::GlobalAlloc}, 16, 3, 0, "untouched"},
      {"unreadable", nullptr, {CoreFault::FileVersionInfo}, 16, 4, 0, "untouched"},
      {"unreadable, not freed",
       nullptr,
       {CoreFault::FileVersionInfo, CoreFault::GlobalFree},
       16,
       4,
       4425,
       "untouched"},
      {"no fixed record", nullptr, {CoreFault::VersionQuery}, 16, 5, 0, "untouched"},
      {"no fixed record, not freed",
       nullptr,
       {CoreFault::VersionQuery, CoreFault::GlobalFree},
       16,
       5,
       4426,
       "untouched"},
      {"a short fixed record", nullptr, {CoreFault::ShortVersionRecord}, 16, 5, 0, "untouched"},
      {"a buffer below 7", nullptr, {}, 6, 6, 0, "untouched"},
      {"a text one byte too long", wide.c_str(), {}, 12, 6, 4429, "untouched"},
      {"a text that just fits", wide.c_str(), {}, 13, 0, 0, "V65535.65535"},
      {"not freed", nullptr, {CoreFault::GlobalFree}, 16, 0, 4427, own},
  };
  for (const Case& c : cases) {
    headless::clearBoxes();
    platform::setModuleFileName(c.program);
    for (const CoreFault f : c.faults) platform::failNextCall(f);
    char out[16] = "untouched";
    EXPECT_EQ(formatVersionString(c.size == 0 ? nullptr : out, c.size), c.status) << c.what;
    EXPECT_STREQ(out, c.text) << c.what;
    EXPECT_EQ(reportedErrors(), c.report == 0 ? std::vector<int>{} : std::vector<int>{c.report})
        << c.what;
  }
  // A size that wraps is refused before any memory is asked for.
  platform::setModuleFileName(nullptr);
  platform::failNextCall(CoreFault::VersionInfoSize);
  platform::failNextCall(CoreFault::GlobalAlloc);
  char out[16];
  EXPECT_EQ(formatVersionString(out, sizeof out), 3);
  EXPECT_EQ(GlobalAlloc(GMEM_FIXED, 1), nullptr) << "the allocation's failure is still to come";
  std::remove(bare.c_str());
  std::remove(wide.c_str());
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
  // A font whose selection failed is deleted: failing more often than the
  // font table holds fonts, a search still finds one afterwards.
  HDC dc = GetDC(host);
  HFONT font = nullptr;
  std::int32_t width = 0;
  std::int32_t line = 0;
  for (int i = 0; i < 40; ++i) {
    platform::failNextCall(CoreFault::SelectObject);
    ASSERT_EQ(selectNarrowFixedFont(dc, 8, 16, 0, &font, &width, &line), 2) << i;
  }
  EXPECT_EQ(selectNarrowFixedFont(dc, 8, 16, 0, &font, &width, &line), 0);
  // Arguments: a missing context or output, a keep flag other than 0 or 1.
  headless::clearBoxes();
  EXPECT_EQ(selectNarrowFixedFont(nullptr, 8, 16, 0, &font, &width, &line), -1);
  EXPECT_EQ(selectNarrowFixedFont(dc, 8, 16, 0, &font, nullptr, &line), -1);
  EXPECT_EQ(selectNarrowFixedFont(dc, 8, 16, 2, &font, &width, &line), -2);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4355, 4355, 4355}));
  ReleaseDC(host, dc);
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
  EXPECT_EQ(fileNameStart("a", 1), 0);
  EXPECT_EQ(extensionStart(unended, 4), 0);
  EXPECT_EQ(extensionStart(unended, 1), 0);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4371, 4370, 4374, 4373}));
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
