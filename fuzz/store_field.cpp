// Fuzz target: storeField on any arguments; it writes the field only, and only
// when every check passed.
#include "fuzz/fuzz_input.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  FieldCall call(in);
  const std::vector<char> before = call.record;
  storeField(call.textPointer(), call.recordPointer(), call.width, call.offset);
  if (!call.valid()) {
    FUZZ_CHECK(call.record == before);
    return 0;
  }
  const auto offset = static_cast<std::size_t>(call.offset);
  const auto width = static_cast<std::size_t>(call.width);
  bool ended = false;
  for (std::size_t i = 0; i < width; ++i) {
    ended = ended || call.text[i] == 0;
    FUZZ_CHECK(call.record[offset + i] == (ended ? ' ' : call.text[i]));
  }
  for (std::size_t i = 0; i < offset; ++i) FUZZ_CHECK(call.record[i] == before[i]);
  return 0;
}
