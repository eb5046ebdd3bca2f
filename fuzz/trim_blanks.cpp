// Fuzz target: trimBlanks on any bytes, often with no NUL.
#include "fuzz/fuzz_input.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  TextCall call(in);
  const bool filled = call.end() == call.size;
  const std::vector<char> before = call.buffer;
  const std::int32_t length = trimBlanks(call.pointer(), call.size);
  if (call.pointer() == nullptr || call.size < 1) {
    FUZZ_CHECK(length == 0);
    return 0;
  }
  FUZZ_CHECK(length >= 0 && length < call.size);
  FUZZ_CHECK(call.end() == length);
  if (length == 0) return 0;
  const auto first = static_cast<unsigned char>(call.buffer[0]);
  const auto last = static_cast<unsigned char>(call.buffer[static_cast<std::size_t>(length) - 1]);
  FUZZ_CHECK(first > 32);
  // A text that filled the buffer untrimmed loses its last byte to the NUL and
  // may end in a blank then.
  const bool lost_last_byte =
      filled && length == call.size - 1 && static_cast<unsigned char>(before[0]) > 32 &&
      static_cast<unsigned char>(before[static_cast<std::size_t>(length)]) > 32;
  FUZZ_CHECK(last > 32 || lost_last_byte);
  return 0;
}
