#include "text/script_compactor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fresh_state.h"

namespace {

using namespace std::string_literals;

constexpr const char* STRAY_END = "Found */ without preceeding /*.";
constexpr const char* BAD_QUOTED = "Illegal escape char found in quoted string.";
constexpr const char* MISSING_TERMINATOR =
    "Missing ; or other terminator on previous line before starting # statement.";
constexpr const char* HASH_NOT_FIRST = "# charater not the first non blank on line.";
constexpr const char* OVERFLOW = "Buffer overflow. Missing terminator.";

constexpr std::int32_t KEEP = 0;
constexpr std::int32_t DROP = SCRIPT_DROP_COMMENTS;

// Lines each ended by CR LF, then the NUL.
std::string lines(const std::vector<std::string>& text) {
  std::string joined;
  for (const auto& line : text) joined += line + "\r\n";
  return joined + '\0';
}

class ScriptCompactor : public FreshState {};

TEST_F(ScriptCompactor, CompactsStatementsCommentsStringsAndHashLines) {
  struct Case {
    std::string buffer;  // all of it: a buffer without a NUL is full
    std::int32_t options;
    std::string stream;
    std::vector<std::string> reports = {};
  };
  const std::vector<std::string> three = {"name = 'Hello world';   // greeting", "#include foo",
                                          "x = 1;"};
  const Case cases[] = {
      {lines(three), DROP, "name='Hello world';#include foo\rx=1;"},
      {lines(three), KEEP, "name='Hello world';// greeting\r#include foo\rx=1;"},
      {lines({"  #  define\tX\t\t2 ;", "b=2;"}), DROP, "# define X 2 ;\rb=2;"},
      {lines({"/* block", " comment */ k = 3;"}), DROP, "k=3;"},
      {lines({"/* block", " comment */ k = 3;"}), KEEP, "/* block comment */k=3;"},
      // Outside quotes only "!" to "}" are kept: "~" and what lies beyond are dropped.
      {lines({"v = a~b!;"}), DROP, "v=ab!;"},
      {lines({"t = 'tab\there';"}), DROP, "t='tab\there';"},
      // "}" ends a statement as ";" does.
      {lines({"f(){x;}", "#a"}), DROP, "f(){x;}#a\r"},
      // LF CR is a pair as well; a lone LF or CR is a line end of its own.
      {"#a\n\rb;\n#c\r\0"s, DROP, "#a\rb;#c\r"},
      // A kept line comment leaves its "#" statement open; with comments
      // dropped the line end ends it.
      {lines({"#if  a // note", "  b  c", "d;"}), KEEP, "#if a // note\r b c\rd;"},
      {lines({"#if  a // note", "  b  c", "d;"}), DROP, "#if a \rbcd;"},
      // A quote of the other kind is plain text inside a string; a string
      // spans lines, and the line ends inside it vanish without a report.
      {lines({"t = '\" x';", "u = \"a", "b ' c\";"}), DROP, "t='\" x';u=\"ab ' c\";"},
      // High bytes count as control bytes: outside quotes they are dropped,
      // inside quotes they are kept and reported.
      {lines({"a\xE9=\x7F"
              "1;"}),
       DROP, "a=1;"},
      {lines({"s=\"\xE9\x7F\";"}), DROP, "s=\"\xE9\x7F\";", {BAD_QUOTED, BAD_QUOTED}},
      {lines({"u = 'bell\x07';"}), DROP, "u='bell\x07';", {BAD_QUOTED}},
      {lines({"a = 1", "#define X  2"}), DROP, "a=1#define X 2\r", {MISSING_TERMINATOR}},
      {lines({"x = 1; # late"}), DROP, "x=1;#late", {HASH_NOT_FIRST}},
      {lines({"a=1; */ b=2;"}), DROP, "a=1;*b=2;", {STRAY_END}},
      // "*//" closes the block comment and opens a line comment.
      {lines({"/* a *// b", "c;"}), DROP, "c;"},
      {lines({"/* a *// b", "c;"}), KEEP, "/* a *// b\rc;"},
      // A line end between "*" and "/" closes nothing: the line end is the
      // previous byte of the "/".
      {lines({"/* a *", "/ b */c;"}), DROP, "c;"},
      {lines({"/* a *", "/ b */c;"}), KEEP, "/* a */ b */c;"},
      // "*/*" closes nothing: a "/" that opens a block comment closes none.
      {lines({"/* a */* b */c;"}), DROP, "c;"},
      {lines({"/* a */* b */c;"}), KEEP, "/* a */* b */c;"},
      // Markers count inside strings; quotes inside comments open nothing.
      {lines({"s = 'a // b';", "k=1;"}), DROP, "s='a k=1;"},
      {lines({"// it's", "x = 1;"}), DROP, "x=1;"},
      // A comment left open at the end is not reported.
      {lines({"k=1; /* open"}), DROP, "k=1;"},
      // A full buffer without a NUL loses its last byte to it.
      {"abc"s, DROP, "ab", {OVERFLOW}},
      {"abc"s, KEEP, "ab", {OVERFLOW}},
      {"a"s, DROP, "", {OVERFLOW}},
      // A dropped byte leaves room for the NUL: no report.
      {"a b"s, DROP, "ab"},
      // The last byte's successor counts as NUL: "/" at the end opens nothing.
      {"x;/"s, DROP, "x;", {OVERFLOW}},
      // A CR at the very end is a one-byte line end; it ends the "#"
      // statement with a CR, which fills the buffer.
      {"#a\r"s, DROP, "#a", {OVERFLOW}},
  };
  for (const Case& c : cases) {
    headless::clearBoxes();
    std::vector<char> buffer(c.buffer.begin(), c.buffer.end());
    const std::int32_t length =
        compactScriptText(buffer.data(), static_cast<std::int32_t>(buffer.size()), c.options);
    const std::string what =
        ::testing::PrintToString(c.buffer) + " options " + std::to_string(c.options);
    ASSERT_GE(length, 0) << what;
    ASSERT_LT(length, static_cast<std::int32_t>(buffer.size())) << what;
    EXPECT_EQ(buffer[static_cast<std::size_t>(length)], 0) << what;
    EXPECT_EQ(std::string(buffer.data(), static_cast<std::size_t>(length)), c.stream) << what;
    std::vector<std::string> reports;
    for (const auto& box : headless::boxes()) {
      reports.push_back(box.text);
      // Each problem is a question: Yes goes on.
      EXPECT_EQ(box.caption, "ERROR") << what;
      EXPECT_EQ(box.style, 0x2014u) << what;
    }
    EXPECT_EQ(reports, c.reports) << what;
  }
  // Nothing to read: nothing touched.
  EXPECT_EQ(compactScriptText(nullptr, 10, DROP), 0);
  char one = 'q';
  EXPECT_EQ(compactScriptText(&one, 0, DROP), 0);
  EXPECT_EQ(one, 'q');
}

TEST_F(ScriptCompactor, NoToAnyReportEndsTheProcess) {
  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        std::string text = lines({"x = 1; # late"});
        compactScriptText(text.data(), static_cast<std::int32_t>(text.size()), DROP);
      },
      ::testing::ExitedWithCode(1), "ExitProcess\\(1\\)");
}

TEST_F(ScriptCompactor, ScriptErrorSeverity) {
  reportScriptError(3, "odd", 1);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text, "odd");
  EXPECT_EQ(headless::boxes()[0].style, 0x2014u);
  EXPECT_EXIT(reportScriptError(3, "bad", 0), ::testing::ExitedWithCode(1), "ExitProcess\\(1\\)");
}

class FindStatement : public FreshState {
 protected:
  static std::vector<std::string> reports() {
    std::vector<std::string> texts;
    for (const auto& box : headless::boxes()) texts.push_back(box.text);
    return texts;
  }
  static std::string report(int number) {
    return "Error " + std::to_string(number) + "  Contine?    (err_context=0)";
  }
};

TEST_F(FindStatement, KeyAfterATerminator) {
  struct Case {
    std::string key, stream;
    std::int32_t found;
  };
  // The key must follow a terminator and stand wholly within the stream.
  for (const Case& c : {Case{"ab", ";ax;ab=1;", 6}, Case{"cd", "ab=0;cd=1;ab=2;", 7},
                        Case{"ab", "ab=0;cd=1;ab=2;", 12}, Case{"zz", "ab=0;cd=1;ab=2;", -1},
                        Case{"if", "#x\rif}else", 5}, Case{"else", "#x\rif}else", 10},
                        Case{"abc", "x;ab", -1}, Case{"", "x;ab", -1}, Case{"ab", "", -1}}) {
    EXPECT_EQ(findStatement(c.key.c_str(), static_cast<std::int32_t>(c.key.size()),
                            c.stream.c_str(), static_cast<std::int32_t>(c.stream.size())),
              c.found)
        << c.key << " in " << c.stream;
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(FindStatement, ArgumentChecks) {
  const char stream[] = ";ab;x";
  EXPECT_EQ(findStatement(nullptr, 2, stream, 5), -1);
  EXPECT_EQ(findStatement("ab", 2, nullptr, 5), -1);
  EXPECT_EQ(findStatement("ab", -1, stream, 5), -1);
  EXPECT_EQ(findStatement(nullptr, 2, stream, -5), -1);
  EXPECT_EQ(reports(), (std::vector<std::string>{report(4453), report(4453), report(4456),
                                                 report(4453), report(4456)}));

  // Without a NUL at a length the search still runs, reading one byte past it.
  headless::clearBoxes();
  EXPECT_EQ(findStatement("abX", 2, ";ab;x", 3), 3);
  EXPECT_EQ(reports(), (std::vector<std::string>{report(4454), report(4455)}));

  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        findStatement(nullptr, 1, stream, 1);
      },
      ::testing::ExitedWithCode(4453 & 0xFF), "ExitProcess\\(4453\\)");
}

}  // namespace
