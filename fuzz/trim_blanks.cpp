// Fuzz target: trimBlanks on any bytes, often with no NUL.
#include "fuzz/fuzz_input.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  TextCall call(in);
  const std::int32_t length = trimBlanks(call.pointer(), call.size);
  if (call.pointer() == nullptr || call.size < 1) {
    FUZZ_CHECK(length == 0);
    return 0;
  }
  FUZZ_CHECK(length >= 0 && length < call.size);
  FUZZ_CHECK(call.end() == length);
  if (length > 0) {
    const auto first = static_cast<unsigned char>(call.buffer[0]);
    const auto last = static_cast<unsigned char>(call.buffer[static_cast<std::size_t>(length) - 1]);
    FUZZ_CHECK(first > 32 || first == 0);
    FUZZ_CHECK(last > 32);
  }
  return 0;
}
