// Shared by the text fuzz targets: turns a fuzzer's input into the arguments of
// one call, keeps the message boxes answering Yes (every report of the text
// library may be continued) without collecting them, and checks the results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/headless/headless.h"

// Fails the run, in the fuzzer and in the corpus replay alike.
#define FUZZ_CHECK(condition)                                                      \
  do {                                                                             \
    if (!(condition)) {                                                            \
      std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                \
    }                                                                              \
  } while (0)

// Message boxes answer Yes: the library never ends the process then. The
// record of boxes shown is dropped so that it does not grow with every run.
inline void answerYes() {
  headless::clearBoxes();
  headless::setDefaultAnswer(IDYES);
}

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

  // A number in low..high from two bytes.
  std::int32_t number(std::int32_t low, std::int32_t high) {
    const std::int64_t span = static_cast<std::int64_t>(high) - low + 1;
    const std::int64_t low_byte = byte();
    const std::int64_t raw = low_byte | static_cast<std::int64_t>(byte()) << 8;
    return static_cast<std::int32_t>(low + raw % span);
  }

  // Any 32-bit number.
  std::int32_t any32() {
    std::uint32_t raw = 0;
    for (int i = 0; i < 4; ++i) raw = raw << 8 | byte();
    return static_cast<std::int32_t>(raw);
  }

  // The bytes not taken yet, in a buffer of exactly their number.
  std::vector<char> rest() {
    std::vector<char> bytes(data_ + at_, data_ + size_);
    at_ = size_;
    return bytes;
  }

  // Up to count bytes.
  std::vector<char> take(std::size_t count) {
    const std::size_t n = count < size_ - at_ ? count : size_ - at_;
    std::vector<char> bytes(data_ + at_, data_ + at_ + n);
    at_ += n;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Arguments of a field operation: a text, and a record of exactly
// offset + width bytes (one byte when those are out of range). Sometimes a
// pointer is missing or the text is the record itself.
struct FieldCall {
  std::vector<char> text;
  std::vector<char> record;
  std::int32_t width = 0;
  std::int32_t offset = 0;
  bool text_missing = false;
  bool record_missing = false;
  bool same_address = false;

  explicit FieldCall(FuzzInput& in) {
    const std::uint8_t mode = in.byte();
    text_missing = (mode & 0x0F) == 1;
    record_missing = (mode & 0x0F) == 2;
    same_address = (mode & 0x0F) == 3;
    // Any negative number may come; a record must exist, so others stay small.
    width = (mode & 0x30) == 0x30 ? smallOrNegative(in.any32()) : in.number(-2, 300);
    offset = (mode & 0xC0) == 0xC0 ? smallOrNegative(in.any32()) : in.number(-2, 300);
    const bool usable = width >= 1 && offset >= 0;
    record.assign(usable ? static_cast<std::size_t>(offset) + static_cast<std::size_t>(width) : 1,
                  ' ');
    const std::vector<char> fill = in.take(record.size());
    for (std::size_t i = 0; i < fill.size(); ++i) record[i] = fill[i];
    text = in.rest();
    // The text ends within the width or holds width bytes.
    std::size_t end = 0;
    while (end < text.size() && text[end] != 0) ++end;
    if (usable && end == text.size() && text.size() < static_cast<std::size_t>(width)) {
      text.push_back(0);
    }
  }

  static std::int32_t smallOrNegative(std::int32_t value) {
    return value < 0 ? value : value % 301;
  }

  bool valid() const {
    return !text_missing && !record_missing && !same_address && width >= 1 && offset >= 0;
  }
  char* textPointer() {
    if (text_missing) return nullptr;
    if (same_address) return record.data();
    return text.empty() ? nullptr : text.data();
  }
  char* recordPointer() { return record_missing ? nullptr : record.data(); }
};

// A text buffer: the bytes as given (often with no NUL), the size passed
// sometimes smaller than the buffer, and sometimes no buffer at all.
struct TextCall {
  std::vector<char> buffer;
  std::int32_t size = 0;
  bool missing = false;

  explicit TextCall(FuzzInput& in, std::size_t extra_room = 0) {
    const std::uint8_t mode = in.byte();
    missing = mode == 0xFF;
    buffer = in.rest();
    buffer.resize(buffer.size() + extra_room, 0);
    size = static_cast<std::int32_t>(buffer.size());
    if ((mode & 0x0F) == 0x0F && size > 0) size = mode >> 4 < size ? mode >> 4 : size;
  }
  char* pointer() { return missing || buffer.empty() ? nullptr : buffer.data(); }
  // Index of the text's NUL within the size, or the size.
  std::int32_t end() const {
    std::int32_t at = 0;
    while (at < size && buffer[static_cast<std::size_t>(at)] != 0) ++at;
    return at;
  }
};
