#include "text/text_fields.h"

#include <cstring>

#include "shell/reports.h"

namespace {

using Byte = unsigned char;

bool isBlank(Byte byte) { return byte >= 1 && byte <= 32; }

// Index of the first NUL within the size, or the size when there is none.
std::int32_t textEnd(const char* text, std::int32_t size) {
  std::int32_t end = 0;
  while (end < size && text[end] != 0) ++end;
  return end;
}

// The argument checks shared by the field operations; every failing check is
// reported, in order. True when all passed.
struct FieldChecks {
  std::int32_t text_missing;
  std::int32_t record_missing;
  std::int32_t same_address;
  std::int32_t width_below_1;
  std::int32_t offset_below_0;
};

constexpr FieldChecks COMPARE_CHECKS{4221, 4222, 4223, 4224, 4225};
constexpr FieldChecks STORE_CHECKS{4230, 4231, 4232, 4233, 4234};

bool fieldArgumentsPass(const FieldChecks& numbers, const void* text, const void* record,
                        std::int32_t width, std::int32_t offset) {
  bool pass = true;
  auto fail = [&pass](std::int32_t number) {
    ReportError(number);
    pass = false;
  };
  if (text == nullptr) fail(numbers.text_missing);
  if (record == nullptr) fail(numbers.record_missing);
  if (text != nullptr && text == record) fail(numbers.same_address);
  if (width < 1) fail(numbers.width_below_1);
  if (offset < 0) fail(numbers.offset_below_0);
  return pass;
}

// Removes `count` leading bytes of a text that ends at `end` (its NUL's index,
// or the size when it has none): the rest moves left and NUL fills the bytes
// it leaves, up to the old NUL. Returns the new end.
std::int32_t dropLeading(char* text, std::int32_t size, std::int32_t end, std::int32_t count) {
  if (count == 0) return end;
  const std::int32_t kept = end - count;
  std::memmove(text, text + count, static_cast<std::size_t>(kept));
  const std::int32_t last = end < size ? end : size - 1;
  std::memset(text + kept, 0, static_cast<std::size_t>(last - kept + 1));
  return kept;
}

template <char From, char To>
std::int32_t changeCase(char* text, std::int32_t size) {
  if (text == nullptr || size < 1) {
    ReportError(4372);
    return 0;
  }
  std::int32_t at = 0;
  for (; at < size && text[at] != 0; ++at) {
    if (text[at] >= From && text[at] <= From + 25)
      text[at] = static_cast<char>(text[at] - From + To);
  }
  if (at < size) return at;
  ReportError(4372);
  return size - 1;
}

}  // namespace

std::int32_t fieldDiffers(const char* text, const char* record, std::int32_t width,
                          std::int32_t offset) {
  if (!fieldArgumentsPass(COMPARE_CHECKS, text, record, width, offset)) return 1;
  const char* field = record + offset;
  std::int32_t at = 0;
  for (; at < width && text[at] != 0; ++at) {
    if (field[at] != text[at]) return 1;
  }
  for (; at < width; ++at) {
    if (field[at] != ' ') return 1;
  }
  return 0;
}

void storeField(const char* text, char* record, std::int32_t width, std::int32_t offset) {
  if (!fieldArgumentsPass(STORE_CHECKS, text, record, width, offset)) return;
  char* field = record + offset;
  std::int32_t at = 0;
  for (; at < width && text[at] != 0; ++at) field[at] = text[at];
  for (; at < width; ++at) field[at] = ' ';
}

std::int32_t fetchField(char* destination, const char* record, std::int32_t width,
                        std::int32_t offset) {
  if (!fieldArgumentsPass(COMPARE_CHECKS, destination, record, width, offset)) return 0;
  const char* field = record + offset;
  const std::int32_t end = textEnd(field, width);
  std::int32_t first = 0;
  while (first < end && static_cast<Byte>(field[first]) <= 32) ++first;
  std::int32_t stop = end;
  while (stop > first && static_cast<Byte>(field[stop - 1]) <= 32) --stop;
  const std::int32_t length = stop - first;
  // memmove: the destination may overlap the field.
  std::memmove(destination, field + first, static_cast<std::size_t>(length));
  std::memset(destination + length, 0, static_cast<std::size_t>(width - length) + 1);
  return length;
}

std::int32_t trimBlanks(char* text, std::int32_t size) {
  if (text == nullptr || size < 1) return 0;
  std::int32_t end = textEnd(text, size);
  const bool had_nul = end < size;

  std::int32_t leading = 0;
  while (leading < end && isBlank(static_cast<Byte>(text[leading]))) ++leading;
  end = dropLeading(text, size, end, leading);

  const std::int32_t before_cut = end;
  while (end > 0 && static_cast<Byte>(text[end - 1]) <= 32) text[--end] = 0;

  if (!had_nul && leading == 0 && end == before_cut) {
    text[size - 1] = 0;
    return size - 1;
  }
  return end;
}

std::int32_t normaliseNumberText(char* text, std::int32_t size, std::int32_t max_length) {
  if (max_length < 1) ReportError(4192);
  if (text == nullptr || size < 1) return 0;
  std::int32_t null_pos = textEnd(text, size);

  std::int32_t leading = 0;
  while (leading < null_pos &&
         (isBlank(static_cast<Byte>(text[leading])) || text[leading] == '0')) {
    ++leading;
  }
  null_pos = dropLeading(text, size, null_pos, leading);

  std::int32_t point = 0;
  while (point < null_pos && text[point] != '.') ++point;

  while (null_pos > 0) {
    const char last = text[null_pos - 1];
    const bool cut =
        static_cast<Byte>(last) <= 32 || last == '.' || (last == '0' && null_pos - 1 > point);
    if (!cut) break;
    text[--null_pos] = 0;
  }

  if (null_pos == 0) {
    text[0] = '0';
    if (size > 1) text[1] = 0;
    null_pos = 1;
  }
  return null_pos > max_length ? 1 : 0;
}

void padText(char* text, std::int32_t size, std::int32_t width) {
  if (text == nullptr) {
    ReportError(4357);
    return;
  }
  if (width == 0) {
    ReportError(4360);
    return;
  }
  // 64-bit: the magnitude of the most negative width does not fit 32 bits.
  const std::int64_t magnitude = width < 0 ? -static_cast<std::int64_t>(width) : width;
  const std::int32_t length = size > 0 ? textEnd(text, size) : 0;
  if (length >= magnitude) return;

  const std::int64_t room = static_cast<std::int64_t>(size) - 1;
  if (width > 0) {
    if (width > room) {
      ReportError(4358);
      return;
    }
    std::memset(text + length, ' ', static_cast<std::size_t>(width - length));
    text[width] = 0;
    return;
  }
  if (magnitude > room) {
    ReportError(4359);
    return;
  }
  const auto shift = static_cast<std::size_t>(magnitude - length);
  std::memmove(text + shift, text, static_cast<std::size_t>(length) + 1);
  std::memset(text, ' ', shift);
}

std::int32_t upperCase(char* text, std::int32_t size) { return changeCase<'a', 'A'>(text, size); }

std::int32_t lowerCase(char* text, std::int32_t size) { return changeCase<'A', 'a'>(text, size); }
