#include "app/reports.h"

#include <gtest/gtest.h>

#include "app/shell_globals.h"
#include "tests/support/fresh_state.h"

namespace {

class Reports : public FreshState {};

TEST_F(Reports, ErrorShowsNumberAndContextWithItsBlanks) {
  headless::queueAnswer(IDYES);
  ReportError(7010);
  ASSERT_EQ(headless::boxes().size(), 1u);
  const auto& box = headless::boxes()[0];
  EXPECT_EQ(box.text, "Error 7010  Contine?    (err_context=0)");
  EXPECT_EQ(box.caption, "ERROR");
  EXPECT_EQ(box.style, 0x2014u);
}

}  // namespace
