// The report family: exact texts, buttons, and what each answer does.
#include "shell/reports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/fresh_state.h"

namespace {

class Reports : public FreshState {
 protected:
  static constexpr UINT QUESTION = 0x2014;  // Yes/No, stop icon, task-modal
  static constexpr UINT NOTE = 0x2000;      // OK, task-modal
  const headless::Box& lastBox() { return headless::boxes().back(); }
  void expectLastBox(const char* text, const char* caption, UINT style) {
    EXPECT_EQ(lastBox().text, text);
    EXPECT_EQ(lastBox().caption, caption) << text;
    EXPECT_EQ(lastBox().style, style) << text;
  }
};

bool g_exit_hook_ran = false;

TEST_F(Reports, EveryMemberShowsItsOwnTextCaptionAndStyle) {
  // Going on past a report is no exit: the exit hook does not run.
  setExitHook([] { g_exit_hook_ran = true; });
  ReportError(7010);
  expectLastBox("Error 7010  Contine?    (err_context=0)", "ERROR", QUESTION);
  EXPECT_EQ(ReportErrorWithStatus(4452, 2), IDYES);
  expectLastBox("Error 4452   stat 2   Contine?    (err_context=0)", "ERROR", QUESTION);
  EXPECT_EQ(AskToContinue("Unterminated string."), IDYES);
  expectLastBox("Unterminated string.", "ERROR", QUESTION);
  EXPECT_EQ(ShowWarning("Font not found"), IDOK);
  expectLastBox("Font not found", "Warning", NOTE);
  EXPECT_EQ(ReportWarning("Odd value", 12), IDOK);
  expectLastBox("Odd value  Error num=12  Contine?    (err_context=0)", "Warning", NOTE);
  EXPECT_EQ(ShowMessage("Note", "Hello"), IDOK);
  expectLastBox("Hello", "Note", NOTE);
  EXPECT_EQ(headless::boxes().size(), 6u);
  EXPECT_FALSE(g_exit_hook_ran);
}

TEST_F(Reports, ErrorContextIsShownAndMinusOneSticks) {
  EXPECT_EQ(setErrorContext(5), 0);
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

// No ends the process with the number (or 1 without one); a fatal message
// ends it whatever the answer. The exit hook runs just before.
TEST_F(ReportsDeath, NoOrAFatalMessageEndsTheProcess) {
  struct Case {
    void (*report)();
    int answer;
    int code;
  };
  const Case cases[] = {{[] { ReportError(7010); }, IDNO, 7010},
                        {[] { ReportErrorWithStatus(4452, 3); }, IDNO, 4452},
                        {[] { AskToContinue("x"); }, IDNO, 1},
                        {[] { FatalMessage("fatal"); }, IDOK, 1},
                        {[] { FatalMessage("fatal"); }, IDYES, 1}};
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          setExitHook([] { std::fputs("exit hook\n", stderr); });
          headless::queueAnswer(c.answer);
          c.report();
        },
        ::testing::ExitedWithCode(c.code & 0xFF),
        "^exit hook\nExitProcess\\(" + std::to_string(c.code) + "\\)");
  }
}

}  // namespace
