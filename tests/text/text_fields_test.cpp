#include "text/text_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/fresh_state.h"

namespace {

std::vector<int> reportedNumbers() {
  std::vector<int> numbers;
  for (const auto& box : headless::boxes()) {
    int number = 0;
    if (std::sscanf(box.text.c_str(), "Error %d", &number) == 1) numbers.push_back(number);
  }
  return numbers;
}

// Exactly the bytes given, no NUL added: a stray access shows under the
// sanitizers.
std::vector<char> bytes(const std::string& text) { return {text.begin(), text.end()}; }
std::vector<char> withNul(const std::string& text) {
  auto buffer = bytes(text);
  buffer.push_back(0);
  return buffer;
}
std::string asText(const std::vector<char>& buffer) { return std::string(buffer.data()); }
std::int32_t sizeOf(const std::vector<char>& buffer) {
  return static_cast<std::int32_t>(buffer.size());
}

class Fields : public FreshState {};

TEST_F(Fields, CompareStoreAndFetch) {
  auto record = bytes("xxabc   yy");
  EXPECT_EQ(fieldDiffers("abc", record.data(), 6, 2), 0);
  EXPECT_EQ(fieldDiffers("ab", record.data(), 6, 2), 1);
  EXPECT_EQ(fieldDiffers("abcdefgh", record.data(), 3, 2), 0);
  EXPECT_EQ(fieldDiffers("abd", record.data(), 6, 2), 1);

  storeField("hi", record.data(), 6, 2);
  EXPECT_EQ(std::string(record.begin(), record.end()), "xxhi    yy");
  storeField("abcdefgh", record.data(), 6, 2);
  EXPECT_EQ(std::string(record.begin(), record.end()), "xxabcdefyy");

  auto padded = bytes("  a b  ");
  std::vector<char> destination(8, 'z');
  EXPECT_EQ(fetchField(destination.data(), padded.data(), 7, 0), 3);
  EXPECT_EQ(std::string(destination.begin(), destination.end()), std::string("a b\0\0\0\0\0", 8));

  auto blanks = bytes("......      ");
  std::fill(destination.begin(), destination.end(), 'z');
  EXPECT_EQ(fetchField(destination.data(), blanks.data(), 6, 6), 0);
  EXPECT_EQ(std::string(destination.begin(), destination.begin() + 7), std::string(7, '\0'));
  EXPECT_EQ(destination[7], 'z');
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Fields, FetchStopsAtNulAndTreatsHighBytesAsText) {
  auto record = bytes(std::string(" \xE9x\0yz", 6));
  std::vector<char> destination(7, 'z');
  EXPECT_EQ(fetchField(destination.data(), record.data(), 6, 0), 2);
  EXPECT_EQ(std::string(destination.begin(), destination.end()), std::string("\xE9x\0\0\0\0\0", 7));
}

TEST_F(Fields, TextWithoutNulIsReadForTheWidthOnly) {
  auto text = bytes("abc");
  auto record = bytes("abc");
  EXPECT_EQ(fieldDiffers(text.data(), record.data(), 3, 0), 0);
  std::vector<char> target(5, '-');
  storeField(text.data(), target.data(), 3, 2);
  EXPECT_EQ(std::string(target.begin(), target.end()), "--abc");
}

TEST_F(Fields, EveryFailingCheckIsReportedThenNothingHappens) {
  auto record = bytes("abcdef");
  EXPECT_EQ(fieldDiffers(nullptr, nullptr, 0, -1), 1);
  EXPECT_EQ(reportedNumbers(), (std::vector<int>{4221, 4222, 4224, 4225}));

  headless::clearBoxes();
  EXPECT_EQ(fieldDiffers(record.data(), record.data(), 3, 0), 1);
  EXPECT_EQ(fieldDiffers("abc", record.data(), 3, -1), 1);
  EXPECT_EQ(reportedNumbers(), (std::vector<int>{4223, 4225}));

  headless::clearBoxes();
  storeField(nullptr, nullptr, -3, -1);
  storeField(record.data(), record.data(), 2, 0);
  storeField("zz", record.data(), 0, 0);
  EXPECT_EQ(reportedNumbers(), (std::vector<int>{4230, 4231, 4233, 4234, 4232, 4233}));
  EXPECT_EQ(std::string(record.begin(), record.end()), "abcdef");

  headless::clearBoxes();
  std::vector<char> destination(4, 'z');
  EXPECT_EQ(fetchField(destination.data(), record.data(), 3, -2), 0);
  EXPECT_EQ(fetchField(destination.data(), nullptr, 3, 0), 0);
  EXPECT_EQ(fetchField(nullptr, record.data(), 0, 0), 0);
  EXPECT_EQ(fetchField(record.data(), record.data(), 3, 0), 0);
  EXPECT_EQ(reportedNumbers(), (std::vector<int>{4225, 4222, 4221, 4224, 4223}));
  EXPECT_EQ(std::string(destination.begin(), destination.end()), "zzzz");
  EXPECT_EQ(std::string(record.begin(), record.end()), "abcdef");

  EXPECT_EXIT(
      {
        headless::queueAnswer(IDYES);
        headless::queueAnswer(IDNO);
        storeField(nullptr, nullptr, 1, 0);
      },
      ::testing::ExitedWithCode(4231 & 0xFF), "ExitProcess\\(4231\\)");
}

class Texts : public FreshState {};

TEST_F(Texts, TrimBlanks) {
  auto text = withNul("  ab  ");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 2);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("ab\0\0\0\0\0", 7));
  text = withNul("\t\tx");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 1);
  EXPECT_EQ(asText(text), "x");
  text = withNul("   ");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 0);
  EXPECT_EQ(asText(text), "");
  text = withNul("\xE9 a \xE9");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 5);
}

TEST_F(Texts, TrimBlanksWithoutNul) {
  auto text = bytes("  ab");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 2);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("ab\0\0", 4));
  text = bytes("ab ");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 2);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("ab\0", 3));
  text = bytes("abc");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 2);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("ab\0", 3));
  // The last byte gives way to the NUL; the blank before it stays.
  text = bytes("a c");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 2);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("a \0", 3));
  text = bytes("   ");
  EXPECT_EQ(trimBlanks(text.data(), sizeOf(text)), 0);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string(3, '\0'));
  EXPECT_EQ(trimBlanks(nullptr, 4), 0);
  EXPECT_EQ(trimBlanks(text.data(), 0), 0);
}

TEST_F(Texts, NormaliseNumberText) {
  const std::pair<const char*, const char*> cases[] = {
      {" 007", "7"}, {"12.50", "12.5"}, {"12.00", "12"},   {"100", "100"}, {"0.5", ".5"},
      {"0", "0"},    {"0.000", "0"},    {"-0.50", "-0.5"}, {" 3.", "3"},   {"1.2.30", "1.2.3"}};
  for (const auto& [input, expected] : cases) {
    auto text = withNul(input);
    EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 10), 0) << input;
    EXPECT_EQ(asText(text), expected) << input;
  }
  auto text = withNul("12.50");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 3), 1);
  EXPECT_EQ(asText(text), "12.5");
  text = withNul("12.00");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 3), 0);
  text = withNul("12.3");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 4), 0);
  EXPECT_TRUE(headless::boxes().empty());

  // A maximum below 1 is reported; the text is still normalised.
  text = withNul("0012");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 0), 1);
  EXPECT_EQ(asText(text), "12");
  EXPECT_EQ(reportedNumbers(), std::vector<int>{4192});
}

TEST_F(Texts, NormaliseNumberTextWithoutNul) {
  auto text = bytes("007");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 1), 0);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("7\0\0", 3));
  text = bytes("0.0");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 1), 0);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("0\0\0", 3));
  // No room after the "0" for its NUL.
  text = bytes("0");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 1), 0);
  EXPECT_EQ(text[0], '0');
  // Nothing to cut: the text keeps filling the buffer.
  text = bytes("12");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 1), 1);
  EXPECT_EQ(std::string(text.begin(), text.end()), "12");
  text = bytes("1.50");
  EXPECT_EQ(normaliseNumberText(text.data(), sizeOf(text), 3), 0);
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("1.5\0", 4));
  EXPECT_EQ(normaliseNumberText(nullptr, 3, 3), 0);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Texts, PadText) {
  auto text = withNul(std::string("ab\0\0\0", 5));
  padText(text.data(), sizeOf(text), 5);
  EXPECT_EQ(asText(text), "ab   ");
  text = withNul(std::string("ab\0\0\0", 5));
  padText(text.data(), sizeOf(text), -5);
  EXPECT_EQ(asText(text), "   ab");
  for (int width : {3, -3, 6, -6}) {
    text = withNul("abcdef");
    padText(text.data(), sizeOf(text), width);
    EXPECT_EQ(asText(text), "abcdef");
  }
  text = withNul("");
  padText(text.data(), sizeOf(text), 0);
  EXPECT_EQ(reportedNumbers(), std::vector<int>{4360});
}

TEST_F(Texts, PadTextChecksRoom) {
  // Width 5 needs 6 bytes.
  auto text = withNul(std::string("ab\0\0", 4));
  padText(text.data(), sizeOf(text), 5);
  padText(text.data(), sizeOf(text), -5);
  padText(text.data(), sizeOf(text), INT_MIN);
  padText(nullptr, 8, 2);
  EXPECT_EQ(reportedNumbers(), (std::vector<int>{4358, 4359, 4359, 4357}));
  EXPECT_EQ(std::string(text.begin(), text.end()), std::string("ab\0\0\0", 5));
  // Exactly enough room.
  padText(text.data(), sizeOf(text), -4);
  EXPECT_EQ(asText(text), "  ab");
}

TEST_F(Texts, PadTextWithoutNulTakesTheSizeAsLength) {
  auto text = bytes("abc");
  padText(text.data(), sizeOf(text), 3);
  padText(text.data(), sizeOf(text), -2);
  EXPECT_TRUE(headless::boxes().empty());
  padText(text.data(), sizeOf(text), 4);
  padText(text.data(), sizeOf(text), -4);
  EXPECT_EQ(reportedNumbers(), (std::vector<int>{4358, 4359}));
  EXPECT_EQ(std::string(text.begin(), text.end()), "abc");
  padText(text.data(), 0, 1);
  EXPECT_EQ(reportedNumbers(), (std::vector<int>{4358, 4359, 4358}));
}

TEST_F(Texts, ChangeCase) {
  auto text = withNul("aZ9\xE9");
  EXPECT_EQ(upperCase(text.data(), sizeOf(text)), 4);
  EXPECT_EQ(asText(text), "AZ9\xE9");
  text = withNul("aZ9\xE9");
  EXPECT_EQ(lowerCase(text.data(), sizeOf(text)), 4);
  EXPECT_EQ(asText(text), "az9\xE9");
  text = withNul("@[`{");
  upperCase(text.data(), sizeOf(text));
  lowerCase(text.data(), sizeOf(text));
  EXPECT_EQ(asText(text), "@[`{");
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Texts, ChangeCaseWithoutNul) {
  auto text = bytes("ab");
  EXPECT_EQ(upperCase(text.data(), sizeOf(text)), 1);
  EXPECT_EQ(std::string(text.begin(), text.end()), "AB");
  EXPECT_EQ(lowerCase(text.data(), sizeOf(text)), 1);
  EXPECT_EQ(std::string(text.begin(), text.end()), "ab");
  EXPECT_EQ(upperCase(nullptr, 4), 0);
  EXPECT_EQ(lowerCase(text.data(), 0), 0);
  EXPECT_EQ(reportedNumbers(), (std::vector<int>{4372, 4372, 4372, 4372}));
  EXPECT_EXIT(
      {
        headless::queueAnswer(IDNO);
        upperCase(text.data(), sizeOf(text));
      },
      ::testing::ExitedWithCode(4372 & 0xFF), "ExitProcess\\(4372\\)");
}

}  // namespace
