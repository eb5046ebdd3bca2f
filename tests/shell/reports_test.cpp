// The report family: exact texts, buttons, and what each answer does.
#include "shell/reports.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"

namespace {

class Reports : public FreshState {
 protected:
  const headless::Box& lastBox() { return headless::boxes().back(); }
};

TEST_F(Reports, EveryMemberShowsItsOwnTextCaptionAndStyle) {
  ReportError(7010);
  EXPECT_EQ(lastBox().text, "Error 7010  Contine?    (err_context=0)");
  EXPECT_EQ(lastBox().caption, "ERROR");
  EXPECT_EQ(lastBox().style, 0x2014u);

  EXPECT_EQ(ReportErrorWithStatus(4452, 2), IDYES);
  EXPECT_EQ(lastBox().text, "Error 4452   stat 2   Contine?    (err_context=0)");
  EXPECT_EQ(lastBox().style, 0x2014u);

  EXPECT_EQ(AskToContinue("Unterminated string."), IDYES);
  EXPECT_EQ(lastBox().text, "Unterminated string.");
  EXPECT_EQ(lastBox().caption, "ERROR");
  EXPECT_EQ(lastBox().style, 0x2014u);

  EXPECT_EQ(ShowWarning("Font not found"), IDOK);
  EXPECT_EQ(lastBox().caption, "Warning");
  EXPECT_EQ(lastBox().style, 0x2000u);

  EXPECT_EQ(ReportWarning("Odd value", 12), IDOK);
  EXPECT_EQ(lastBox().text, "Odd value  Error num=12  Contine?    (err_context=0)");
  EXPECT_EQ(lastBox().caption, "Warning");
  EXPECT_EQ(lastBox().style, 0x2000u);

  EXPECT_EQ(ShowMessage("Note", "Hello"), IDOK);
  EXPECT_EQ(lastBox().caption, "Note");
  EXPECT_EQ(lastBox().text, "Hello");
  EXPECT_EQ(lastBox().style, 0x2000u);
  EXPECT_EQ(headless::boxes().size(), 6u);
}

TEST_F(Reports, ErrorContextIsShownAndMinusOneSticks) {
  EXPECT_EQ(setErrorContext(5), 0);
  EXPECT_EQ(g_shell.err_context, 5);
  ReportError(4166);
  EXPECT_EQ(lastBox().text, "Error 4166  Contine?    (err_context=5)");
  EXPECT_EQ(setErrorContext(-1), 5);
  EXPECT_EQ(setErrorContext(5), -1);
  EXPECT_EQ(setErrorContext(0), -1);
  ReportErrorWithStatus(1, 2);
  EXPECT_EQ(lastBox().text, "Error 1   stat 2   Contine?    (err_context=-1)");
}

TEST_F(Reports, LongWarningTextIsCutSoTheNumberStillShows) {
  const std::string text(400, 'w');
  ReportWarning(text.c_str(), 4242);
  const std::string shown = lastBox().text;
  EXPECT_EQ(shown.size(), 199u);
  const std::string tail = "  Error num=4242  Contine?    (err_context=0)";
  EXPECT_EQ(shown.substr(shown.size() - tail.size()), tail);
  EXPECT_EQ(shown.substr(0, 5), "wwwww");
}

using ReportsDeath = Reports;

TEST_F(ReportsDeath, NoEndsTheProcessWithTheNumber) {
  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        ReportError(7010);
      },
      ::testing::ExitedWithCode(7010 & 0xFF), "ExitProcess\\(7010\\)");
  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        ReportErrorWithStatus(4452, 3);
      },
      ::testing::ExitedWithCode(4452 & 0xFF), "ExitProcess\\(4452\\)");
  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        AskToContinue("x");
      },
      ::testing::ExitedWithCode(1), "ExitProcess\\(1\\)");
}

TEST_F(ReportsDeath, FatalMessageNeverReturnsWhateverTheAnswer) {
  EXPECT_EXIT(FatalMessage("fatal"), ::testing::ExitedWithCode(1), "ExitProcess\\(1\\)");
  EXPECT_EXIT(
      {
        headless::queueAnswer(IDYES);
        FatalMessage("fatal");
      },
      ::testing::ExitedWithCode(1), "ExitProcess\\(1\\)");
}

}  // namespace
