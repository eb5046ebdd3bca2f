#include "text/text_fields.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/support/fresh_state.h"

namespace {

using namespace std::string_literals;

// Exactly the bytes given, no NUL added: a stray access shows under the
// sanitizers.
std::vector<char> bytes(const std::string& text) { return {text.begin(), text.end()}; }
std::string str(const std::vector<char>& buffer) { return {buffer.begin(), buffer.end()}; }

class Fields : public FreshState {};

TEST_F(Fields, CompareStoreAndFetch) {
  // A text with no NUL is read for the width only.
  const auto record = bytes("xxabc   yy");
  for (const auto& [text, width, differs] : {std::tuple{"abc\0"s, 6, 0},
                                             {"ab\0"s, 6, 1},
                                             {"abcdefgh"s, 3, 0},
                                             {"abd\0"s, 6, 1},
                                             {"abc"s, 3, 0},
                                             {"a\0"s, 1, 0},
                                             {"b\0"s, 1, 1}}) {
    EXPECT_EQ(fieldDiffers(bytes(text).data(), record.data(), width, 2), differs) << text;
  }
  // Bytes are compared as they are, control bytes and bytes above 127 too.
  const auto other = bytes("\xE9\x01  ");
  EXPECT_EQ(fieldDiffers("\xE9\x01", other.data(), 4, 0), 0);
  EXPECT_EQ(fieldDiffers("\xE9\x02", other.data(), 4, 0), 1);
  EXPECT_EQ(fieldDiffers("\xE9\x01\x01", other.data(), 4, 0), 1);
  for (const auto& [text, before, width, after] :
       {std::tuple{"hi\0"s, "xxabc   yy"s, 6, "xxhi    yy"s},
        {"abcdefgh"s, "xxabc   yy"s, 6, "xxabcdefyy"s},
        {"abc"s, "-----"s, 3, "--abc"s},
        {"\x01\xFF\0"s, "--------"s, 4, "--\x01\xFF  --"s}}) {
    auto target = bytes(before);
    storeField(bytes(text).data(), target.data(), width, 2);
    EXPECT_EQ(str(target), after) << text;
  }
  // The destination gets the field without blanks, then NULs to index width.
  // Bytes 128 and up are text, and a NUL ends the field.
  struct Fetch {
    std::string record;
    std::int32_t width, offset, length;
    std::string destination;  // all of it, from a fill of 'z'
  };
  for (const Fetch& f : {Fetch{"  a b  ", 7, 0, 3, "a b\0\0\0\0\0"s},
                         Fetch{"......      ", 6, 6, 0, "\0\0\0\0\0\0\0z"s},
                         Fetch{" \xE9x\0yz"s, 6, 0, 2, "\xE9x\0\0\0\0\0"s},
                         // Control bytes are blanks; 127 and bytes above it are text.
                         Fetch{"\x01\x7F"
                               "a\x80\x1F"s,
                               5, 0, 3,
                               "\x7F"
                               "a\x80\0\0\0"s},
                         Fetch{"\x1F\xFF\x1F"s, 3, 0, 1, "\xFF\0\0\0"s}}) {
    const auto field = bytes(f.record);
    std::vector<char> destination(f.destination.size(), 'z');
    EXPECT_EQ(fetchField(destination.data(), field.data(), f.width, f.offset), f.length);
    EXPECT_EQ(str(destination), f.destination) << f.record;
  }
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Fields, EveryFailingCheckIsReportedThenNothingHappens) {
  auto record = bytes("abcdef");
  EXPECT_EQ(fieldDiffers(nullptr, nullptr, 0, -1), 1);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4221, 4222, 4224, 4225}));

  headless::clearBoxes();
  EXPECT_EQ(fieldDiffers(record.data(), record.data(), 3, 0), 1);
  EXPECT_EQ(fieldDiffers("abc", record.data(), 3, -1), 1);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4223, 4225}));

  headless::clearBoxes();
  storeField(nullptr, nullptr, -3, -1);
  storeField(record.data(), record.data(), 2, 0);
  storeField("zz", record.data(), 0, 0);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4230, 4231, 4233, 4234, 4232, 4233}));
  EXPECT_EQ(str(record), "abcdef");

  headless::clearBoxes();
  std::vector<char> destination(4, 'z');
  EXPECT_EQ(fetchField(destination.data(), record.data(), 3, -2), 0);
  EXPECT_EQ(fetchField(destination.data(), nullptr, 3, 0), 0);
  EXPECT_EQ(fetchField(nullptr, record.data(), 0, 0), 0);
  EXPECT_EQ(fetchField(record.data(), record.data(), 3, 0), 0);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4225, 4222, 4221, 4224, 4223}));
  EXPECT_EQ(str(destination), "zzzz");
  EXPECT_EQ(str(record), "abcdef");

  EXPECT_EXIT(
      {
        headless::queueAnswer(IDYES);
        headless::queueAnswer(IDNO);
        storeField(nullptr, nullptr, 1, 0);
      },
      ::testing::ExitedWithCode(4231 & 0xFF), "ExitProcess\\(4231\\)");
}

// One call on a buffer of exactly the bytes given; NULs are written out, and
// a buffer without one is a text that fills it.
struct TextCase {
  std::string before;
  std::int32_t arg;  // the maximum length or the width; unused otherwise
  std::int32_t result;
  std::string after;  // the buffer's first after.size() bytes afterwards
  std::vector<int> reports = {};
};

using TextOp = std::int32_t (*)(char* text, std::int32_t size, std::int32_t arg);

class Texts : public FreshState {
 protected:
  static void expectTexts(TextOp op, const std::vector<TextCase>& cases) {
    for (const TextCase& c : cases) {
      headless::clearBoxes();
      auto buffer = bytes(c.before);
      const std::string what = ::testing::PrintToString(c.before) + " " + std::to_string(c.arg);
      EXPECT_EQ(op(buffer.data(), static_cast<std::int32_t>(buffer.size()), c.arg), c.result)
          << what;
      EXPECT_EQ(std::string(buffer.data(), c.after.size()), c.after) << what;
      EXPECT_EQ(reportedErrors(), c.reports) << what;
    }
  }
};

TEST_F(Texts, TrimBlanks) {
  expectTexts([](char* text, std::int32_t size, std::int32_t) { return trimBlanks(text, size); },
              {{"  ab  \0"s, 0, 2, "ab\0\0\0\0\0"s},
               {"\t\tx\0"s, 0, 1, "x\0"s},
               {"   \0"s, 0, 0, "\0"s},
               {"\xE9 a \xE9\0"s, 0, 5, "\xE9 a \xE9\0"s},
               // Control bytes are blanks at either end; 127 and bytes above it are text.
               {"\x01\x1F\x7F"
                "a\x80\x1F\0"s,
                0, 3,
                "\x7F"
                "a\x80\0\0\0\0"s},
               {"\xFF\x01"s, 0, 1, "\xFF\0"s},
               // One byte: a blank is dropped, any other byte gives way to the NUL.
               {" "s, 0, 0, "\0"s},
               {"a"s, 0, 0, "\0"s},
               {"  ab"s, 0, 2, "ab\0\0"s},
               {"ab "s, 0, 2, "ab\0"s},
               {"abc"s, 0, 2, "ab\0"s},
               // The last byte gives way to the NUL; the blank before it stays.
               {"a c"s, 0, 2, "a \0"s},
               {"   "s, 0, 0, "\0\0\0"s}});
  char byte = 'q';
  EXPECT_EQ(trimBlanks(nullptr, 4), 0);
  EXPECT_EQ(trimBlanks(&byte, 0), 0);
  EXPECT_EQ(byte, 'q');
}

TEST_F(Texts, NormaliseNumberText) {
  expectTexts(normaliseNumberText, {{" 007\0"s, 10, 0, "7\0"s},
                                    {"12.50\0"s, 10, 0, "12.5\0"s},
                                    {"12.00\0"s, 10, 0, "12\0"s},
                                    {"100\0"s, 10, 0, "100\0"s},
                                    {"0.5\0"s, 10, 0, ".5\0"s},
                                    {"0\0"s, 10, 0, "0\0"s},
                                    {"0.000\0"s, 10, 0, "0\0"s},
                                    {"-0.50\0"s, 10, 0, "-0.5\0"s},
                                    {" 3.\0"s, 10, 0, "3\0"s},
                                    {"1.2.30\0"s, 10, 0, "1.2.3\0"s},
                                    {"12.50\0"s, 3, 1, "12.5\0"s},
                                    {"12.00\0"s, 3, 0, "12\0"s},
                                    {"12.3\0"s, 4, 0, "12.3\0"s},
                                    // A maximum below 1 is reported; the text is still tidied.
                                    {"0012\0"s, 0, 1, "12\0"s, {4192}},
                                    {"007"s, 1, 0, "7\0\0"s},
                                    {"0.0"s, 1, 0, "0\0\0"s},
                                    // No room after the "0" for its NUL.
                                    {"0"s, 1, 0, "0"s},
                                    // Nothing to cut: the text keeps filling the buffer.
                                    {"12"s, 1, 1, "12"s},
                                    {"1.50"s, 3, 0, "1.5\0"s},
                                    {"12 \0"s, 10, 0, "12\0"s},
                                    {" "s, 1, 0, "0"s},
                                    // Control bytes are blanks; bytes from 127 up are not.
                                    {"\x01\x1F"
                                     "07\x80\0"s,
                                     10, 0, "7\x80\0"s},
                                    {"\xFF"
                                     "0\x1F\0"s,
                                     10, 0,
                                     "\xFF"
                                     "0\0"s},
                                    {"\x7F"
                                     "0.50\x01\0"s,
                                     10, 0,
                                     "\x7F"
                                     "0.5\0"s}});
  EXPECT_EQ(normaliseNumberText(nullptr, 3, 3), 0);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Texts, PadText) {
  const TextOp pad = [](char* text, std::int32_t size, std::int32_t width) {
    padText(text, size, width);
    return 0;
  };
  expectTexts(pad, {{"ab\0\0\0\0"s, 5, 0, "ab   \0"s},
                    {"ab\0\0\0\0"s, -5, 0, "   ab\0"s},
                    {"abcdef\0"s, 3, 0, "abcdef\0"s},
                    {"abcdef\0"s, -3, 0, "abcdef\0"s},
                    {"abcdef\0"s, 6, 0, "abcdef\0"s},
                    {"abcdef\0"s, -6, 0, "abcdef\0"s},
                    {"\0"s, 0, 0, "\0"s, {4360}},
                    // Width 5 needs 6 bytes; 4 fit exactly.
                    {"ab\0\0\0"s, 5, 0, "ab\0\0\0"s, {4358}},
                    {"ab\0\0\0"s, -5, 0, "ab\0\0\0"s, {4359}},
                    {"ab\0\0\0"s, INT_MIN, 0, "ab\0\0\0"s, {4359}},
                    {"ab\0\0\0"s, -4, 0, "  ab\0"s},
                    {"ab\0\0\0"s, 4, 0, "ab  \0"s},
                    // Without a NUL the size is the length.
                    {"abc"s, 3, 0, "abc"s},
                    {"abc"s, -2, 0, "abc"s},
                    {"abc"s, 4, 0, "abc"s, {4358}},
                    {"abc"s, -4, 0, "abc"s, {4359}},
                    {"\x01\xFF\0\0\0"s, -4, 0, "  \x01\xFF\0"s}});
  headless::clearBoxes();
  char byte = 'q';
  padText(nullptr, 8, 2);
  padText(&byte, 0, 1);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4357, 4358}));
  EXPECT_EQ(byte, 'q');
}

TEST_F(Texts, ChangeCase) {
  const TextOp upper = [](char* text, std::int32_t size, std::int32_t) {
    return upperCase(text, size);
  };
  const TextOp lower = [](char* text, std::int32_t size, std::int32_t) {
    return lowerCase(text, size);
  };
  // Without a NUL every byte is converted and 4372 reported.
  expectTexts(upper, {{"aZ9\xE9\0"s, 0, 4, "AZ9\xE9\0"s},
                      {"\x01\xE1\x7F\xFF"
                       "a\0"s,
                       0, 5,
                       "\x01\xE1\x7F\xFF"
                       "A\0"s},
                      {"@[`{\0"s, 0, 4, "@[`{\0"s},
                      {"ab"s, 0, 1, "AB"s, {4372}},
                      {"\0"s, 0, 0, "\0"s}});
  expectTexts(lower, {{"aZ9\xE9\0"s, 0, 4, "az9\xE9\0"s},
                      {"\x01\xC1\x7F\xDF"
                       "A\0"s,
                       0, 5,
                       "\x01\xC1\x7F\xDF"
                       "a\0"s},
                      {"@[`{\0"s, 0, 4, "@[`{\0"s},
                      {"AB"s, 0, 1, "ab"s, {4372}}});
  headless::clearBoxes();
  char byte = 'a';
  EXPECT_EQ(upperCase(nullptr, 4), 0);
  EXPECT_EQ(lowerCase(&byte, 0), 0);
  EXPECT_EQ(reportedErrors(), (std::vector<int>{4372, 4372}));
  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        upperCase(&byte, 1);
      },
      ::testing::ExitedWithCode(4372 & 0xFF), "ExitProcess\\(4372\\)");
}

}  // namespace
