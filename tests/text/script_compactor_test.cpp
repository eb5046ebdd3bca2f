#include "text/script_compactor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fresh_state.h"

namespace {

constexpr const char* STRAY_END = "Found */ without preceeding /*.";
constexpr const char* BAD_QUOTED = "Illegal escape char found in quoted string.";
constexpr const char* MISSING_TERMINATOR =
    "Missing ; or other terminator on previous line before starting # statement.";
constexpr const char* HASH_NOT_FIRST = "# charater not the first non blank on line.";
constexpr const char* OVERFLOW = "Buffer overflow. Missing terminator.";

constexpr std::int32_t KEEP = 0;
constexpr std::int32_t DROP = SCRIPT_DROP_COMMENTS;

std::vector<std::string> reports() {
  std::vector<std::string> texts;
  for (const auto& box : headless::boxes()) texts.push_back(box.text);
  return texts;
}

// Lines joined by CR LF, each line ended by one; in a buffer of exactly the
// text and its NUL, so a stray access shows under the sanitizers.
std::vector<char> script(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back(0);
  return buffer;
}

// Compacts and gives the stream, checking that its NUL stands at the result.
std::string compact(std::vector<char>& buffer, std::int32_t options) {
  const std::int32_t length =
      compactScriptText(buffer.data(), static_cast<std::int32_t>(buffer.size()), options);
  if (length < 0 || length >= static_cast<std::int32_t>(buffer.size())) {
    ADD_FAILURE() << "length " << length << " outside a buffer of " << buffer.size();
    return {};
  }
  EXPECT_EQ(buffer[static_cast<std::size_t>(length)], 0);
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string compactLines(const std::vector<std::string>& lines, std::int32_t options) {
  auto buffer = script(lines);
  return compact(buffer, options);
}

class ScriptCompactor : public FreshState {};

TEST_F(ScriptCompactor, StatementsCommentsAndHashLines) {
  const std::vector<std::string> three = {"name = 'Hello world';   // greeting", "#include foo",
                                          "x = 1;"};
  EXPECT_EQ(compactLines(three, DROP), "name='Hello world';#include foo\rx=1;");
  EXPECT_EQ(compactLines(three, KEEP), "name='Hello world';// greeting\r#include foo\rx=1;");
  EXPECT_EQ(compactLines({"  #  define\tX\t\t2 ;", "b=2;"}, DROP), "# define X 2 ;\rb=2;");
  EXPECT_EQ(compactLines({"/* block", " comment */ k = 3;"}, DROP), "k=3;");
  EXPECT_EQ(compactLines({"/* block", " comment */ k = 3;"}, KEEP), "/* block comment */k=3;");
  EXPECT_EQ(compactLines({"v = a~b;"}, DROP), "v=ab;");
  EXPECT_EQ(compactLines({"t = 'tab\there';"}, DROP), "t='tab\there';");
  // "}" ends a statement as ";" does.
  EXPECT_EQ(compactLines({"f(){x;}", "#a"}, DROP), "f(){x;}#a\r");
  EXPECT_TRUE(reports().empty());
}

TEST_F(ScriptCompactor, EachProblemIsReportedAndCompactionGoesOn) {
  EXPECT_EQ(compactLines({"a = 1", "#define X  2"}, DROP), "a=1#define X 2\r");
  EXPECT_EQ(reports(), std::vector<std::string>{MISSING_TERMINATOR});

  headless::clearBoxes();
  EXPECT_EQ(compactLines({"x = 1; # late"}, DROP), "x=1;#late");
  EXPECT_EQ(reports(), std::vector<std::string>{HASH_NOT_FIRST});

  headless::clearBoxes();
  EXPECT_EQ(compactLines({"a=1; */ b=2;"}, DROP), "a=1;*b=2;");
  EXPECT_EQ(reports(), std::vector<std::string>{STRAY_END});

  headless::clearBoxes();
  EXPECT_EQ(compactLines({"u = 'bell\x07';"}, DROP), "u='bell\x07';");
  EXPECT_EQ(reports(), std::vector<std::string>{BAD_QUOTED});
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].caption, "ERROR");
  EXPECT_EQ(headless::boxes()[0].style, 0x2014u);
}

TEST_F(ScriptCompactor, QuotedStrings) {
  // A quote of the other kind is plain text inside a string; a string spans
  // lines, and the line ends inside it vanish without a report.
  EXPECT_EQ(compactLines({"t = '\" x';", "u = \"a", "b ' c\";"}, DROP), "t='\" x';u=\"ab ' c\";");
  EXPECT_TRUE(reports().empty());
  // High bytes count as control bytes: outside quotes they are dropped, inside
  // quotes they are kept and reported.
  EXPECT_EQ(compactLines({"a\xE9=\x7F"
                          "1;"},
                         DROP),
            "a=1;");
  EXPECT_TRUE(reports().empty());
  EXPECT_EQ(compactLines({"s=\"\xE9\x7F\";"}, DROP), "s=\"\xE9\x7F\";");
  EXPECT_EQ(reports(), (std::vector<std::string>{BAD_QUOTED, BAD_QUOTED}));
}

TEST_F(ScriptCompactor, FullBufferWithoutNulLosesItsLastByte) {
  std::vector<char> buffer = {'a', 'b', 'c'};
  EXPECT_EQ(compact(buffer, DROP), "ab");
  EXPECT_EQ(reports(), std::vector<std::string>{OVERFLOW});

  headless::clearBoxes();
  buffer = {'a', 'b', 'c'};
  EXPECT_EQ(compact(buffer, KEEP), "ab");
  EXPECT_EQ(reports(), std::vector<std::string>{OVERFLOW});
}

TEST_F(ScriptCompactor, BufferWithoutNulStaysInsideItsBytes) {
  // A dropped byte leaves room for the NUL: no report.
  std::vector<char> buffer = {'a', ' ', 'b'};
  EXPECT_EQ(compact(buffer, DROP), "ab");
  EXPECT_TRUE(reports().empty());

  // The last byte's successor counts as NUL: "/" at the end opens nothing.
  buffer = {'x', ';', '/'};
  EXPECT_EQ(compact(buffer, DROP), "x;");
  EXPECT_EQ(reports(), std::vector<std::string>{OVERFLOW});

  // A CR at the very end is a one-byte line end; it ends the "#" statement
  // with a CR, which fills the buffer.
  headless::clearBoxes();
  buffer = {'#', 'a', '\r'};
  EXPECT_EQ(compact(buffer, DROP), "#a");
  EXPECT_EQ(reports(), std::vector<std::string>{OVERFLOW});

  // Nothing to read: nothing touched.
  EXPECT_EQ(compactScriptText(nullptr, 10, DROP), 0);
  char one = 'q';
  EXPECT_EQ(compactScriptText(&one, 0, DROP), 0);
  EXPECT_EQ(one, 'q');
}

TEST_F(ScriptCompactor, CommentMarkers) {
  // "*//" closes the block comment and opens a line comment.
  EXPECT_EQ(compactLines({"/* a *// b", "c;"}, DROP), "c;");
  EXPECT_EQ(compactLines({"/* a *// b", "c;"}, KEEP), "/* a *// b\rc;");
  // A line end between "*" and "/" closes nothing: the line end is the
  // previous byte of the "/".
  EXPECT_EQ(compactLines({"/* a *", "/ b */c;"}, DROP), "c;");
  EXPECT_EQ(compactLines({"/* a *", "/ b */c;"}, KEEP), "/* a */ b */c;");
  // "*/*" closes nothing: a "/" that opens a block comment does not close one.
  EXPECT_EQ(compactLines({"/* a */* b */c;"}, DROP), "c;");
  EXPECT_EQ(compactLines({"/* a */* b */c;"}, KEEP), "/* a */* b */c;");
  // Markers count inside strings; quotes inside comments open nothing.
  EXPECT_EQ(compactLines({"s = 'a // b';", "k=1;"}, DROP), "s='a k=1;");
  EXPECT_EQ(compactLines({"// it's", "x = 1;"}, DROP), "x=1;");
  EXPECT_TRUE(reports().empty());
  // A comment left open at the end is not reported.
  EXPECT_EQ(compactLines({"k=1; /* open"}, DROP), "k=1;");
  EXPECT_TRUE(reports().empty());
}

TEST_F(ScriptCompactor, KeptLineCommentLeavesHashStatementOpen) {
  EXPECT_EQ(compactLines({"#if  a // note", "  b  c", "d;"}, KEEP), "#if a // note\r b c\rd;");
  // With comments dropped the line end ends the statement.
  EXPECT_EQ(compactLines({"#if  a // note", "  b  c", "d;"}, DROP), "#if a \rbcd;");
}

TEST_F(ScriptCompactor, LineEndPairs) {
  // LF CR is a pair as well; a lone LF or CR is a line end of its own.
  std::string text = "#a\n\rb;\n#c\r";
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back(0);
  EXPECT_EQ(compact(buffer, DROP), "#a\rb;#c\r");
}

TEST_F(ScriptCompactor, NoToAnyReportEndsTheProcess) {
  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        compactLines({"x = 1; # late"}, DROP);
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
  static std::int32_t find(const std::string& key, const std::string& stream) {
    return findStatement(key.c_str(), static_cast<std::int32_t>(key.size()), stream.c_str(),
                         static_cast<std::int32_t>(stream.size()));
  }
};

TEST_F(FindStatement, KeyAfterATerminator) {
  EXPECT_EQ(find("ab", ";ax;ab=1;"), 6);
  EXPECT_EQ(find("cd", "ab=0;cd=1;ab=2;"), 7);
  EXPECT_EQ(find("ab", "ab=0;cd=1;ab=2;"), 12);
  EXPECT_EQ(find("zz", "ab=0;cd=1;ab=2;"), -1);
  EXPECT_EQ(find("if", "#x\rif}else"), 5);
  EXPECT_EQ(find("else", "#x\rif}else"), 10);
  // The key must stand wholly within the stream.
  EXPECT_EQ(find("abc", "x;ab"), -1);
  EXPECT_EQ(find("", "x;ab"), -1);
  EXPECT_EQ(find("ab", ""), -1);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(FindStatement, ArgumentChecks) {
  const char stream[] = ";ab;x";
  EXPECT_EQ(findStatement(nullptr, 2, stream, 5), -1);
  EXPECT_EQ(findStatement("ab", 2, nullptr, 5), -1);
  EXPECT_EQ(findStatement("ab", -1, stream, 5), -1);
  EXPECT_EQ(findStatement(nullptr, 2, stream, -5), -1);
  std::vector<std::string> expected = {
      "Error 4453  Contine?    (err_context=0)", "Error 4453  Contine?    (err_context=0)",
      "Error 4456  Contine?    (err_context=0)", "Error 4453  Contine?    (err_context=0)",
      "Error 4456  Contine?    (err_context=0)"};
  std::vector<std::string> shown;
  for (const auto& box : headless::boxes()) shown.push_back(box.text);
  EXPECT_EQ(shown, expected);

  // Without a NUL at a length the search still runs, reading one byte past it.
  headless::clearBoxes();
  EXPECT_EQ(findStatement("abX", 2, ";ab;x", 3), 3);
  ASSERT_EQ(headless::boxes().size(), 2u);
  EXPECT_EQ(headless::boxes()[0].text, "Error 4454  Contine?    (err_context=0)");
  EXPECT_EQ(headless::boxes()[1].text, "Error 4455  Contine?    (err_context=0)");

  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        findStatement(nullptr, 1, stream, 1);
      },
      ::testing::ExitedWithCode(4453 & 0xFF), "ExitProcess\\(4453\\)");
}

}  // namespace
