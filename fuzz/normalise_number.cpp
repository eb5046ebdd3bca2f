// Fuzz target: normaliseNumberText on any bytes and any maximum length.
#include "fuzz/fuzz_input.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  const std::int32_t max_length = in.number(-2, 40);
  TextCall call(in);
  const std::int32_t longer = normaliseNumberText(call.pointer(), call.size, max_length);
  if (call.pointer() == nullptr || call.size < 1) {
    FUZZ_CHECK(longer == 0);
    return 0;
  }
  const std::int32_t length = call.end();
  FUZZ_CHECK(length >= 1);
  FUZZ_CHECK(longer == (length > max_length ? 1 : 0));
  const char first = call.buffer[0];
  const char last = call.buffer[static_cast<std::size_t>(length) - 1];
  FUZZ_CHECK(length == 1 || first != '0');
  FUZZ_CHECK(static_cast<unsigned char>(first) > 32 && static_cast<unsigned char>(last) > 32);
  FUZZ_CHECK(last != '.');
  return 0;
}
