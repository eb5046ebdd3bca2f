// Fuzz target: fetchField on any arguments, into a destination of exactly
// width + 1 bytes.
#include "fuzz/fuzz_input.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  FieldCall call(in);
  const bool usable = call.width >= 1 && call.offset >= 0;
  std::vector<char> destination(usable ? static_cast<std::size_t>(call.width) + 1 : 1, 'z');
  char* target = call.text_missing ? nullptr : destination.data();
  if (call.same_address) target = call.recordPointer();
  const std::int32_t length = fetchField(target, call.recordPointer(), call.width, call.offset);
  if (!call.valid()) {
    FUZZ_CHECK(length == 0);
    FUZZ_CHECK(destination[0] == 'z');
    return 0;
  }
  FUZZ_CHECK(length >= 0 && length <= call.width);
  const auto n = static_cast<std::size_t>(length);
  for (std::size_t i = 0; i < n; ++i) FUZZ_CHECK(destination[i] != 0);
  for (std::size_t i = n; i < destination.size(); ++i) FUZZ_CHECK(destination[i] == 0);
  if (length > 0) {
    FUZZ_CHECK(static_cast<unsigned char>(destination[0]) > 32);
    FUZZ_CHECK(static_cast<unsigned char>(destination[n - 1]) > 32);
  }
  return 0;
}
