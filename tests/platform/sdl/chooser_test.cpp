// The desktop file chooser's command line: the dialog's title, its folder and
// the filter's pairs in each chooser's own form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sdl/chooser.h"

namespace {

using platform::sdl::Chooser;
using platform::sdl::chooserArguments;
using Args = std::vector<std::string>;

TEST(ChooserArguments, EachChooserInItsOwnForm) {
  const char filter[] = "Text files\0*.txt;*.md\0All files\0*.*\0";
  struct Case {
    Chooser chooser;
    const char* dir;
    Args expected;
  };
  const Case cases[] = {
      {Chooser::Zenity,
       "",
       {"zenity", "--file-selection", "--title=Browse", "--file-filter=Text files | *.txt *.md",
        "--file-filter=All files | *"}},
      {Chooser::Zenity,
       "/home/u",
       {"zenity", "--file-selection", "--title=Browse", "--filename=/home/u/",
        "--file-filter=Text files | *.txt *.md", "--file-filter=All files | *"}},
      {Chooser::Kdialog,
       "",
       {"kdialog", "--title", "Browse", "--getopenfilename", ".",
        "*.txt *.md|Text files\n*|All files"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(chooserArguments(c.chooser, "Browse", filter, c.dir), c.expected);
  EXPECT_EQ(chooserArguments(Chooser::Kdialog, "Open", nullptr, nullptr),
            (Args{"kdialog", "--title", "Open", "--getopenfilename", "."}));
}

}  // namespace
