// Shared body of the two case-change fuzz targets: the operation changes
// exactly the letters of one case before the text's end, and nothing else.
#pragma once

#include "fuzz/fuzz_input.h"

template <typename Operation>
int fuzzCaseChange(const std::uint8_t* data, std::size_t size, Operation operation,
                   char first_letter) {
  answerYes();
  FuzzInput in(data, size);
  TextCall call(in);
  const std::vector<char> before = call.buffer;
  const std::int32_t length = operation(call.pointer(), call.size);
  if (call.pointer() == nullptr || call.size < 1) {
    FUZZ_CHECK(length == 0 && call.buffer == before);
    return 0;
  }
  const std::int32_t end = call.end();
  FUZZ_CHECK(length == (end < call.size ? end : call.size - 1));
  for (std::size_t i = 0; i < call.buffer.size(); ++i) {
    const char was = before[i];
    const bool letter = was >= first_letter && was <= first_letter + 25;
    if (static_cast<std::int32_t>(i) < end) {
      FUZZ_CHECK(call.buffer[i] == (letter ? static_cast<char>(was ^ 0x20) : was));
    } else {
      FUZZ_CHECK(call.buffer[i] == was);
    }
  }
  return 0;
}
