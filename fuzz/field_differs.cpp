// Fuzz target: fieldDiffers on any arguments; a field just stored from the
// text must match it.
#include "fuzz/fuzz_input.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  FieldCall call(in);
  const std::int32_t result =
      fieldDiffers(call.textPointer(), call.recordPointer(), call.width, call.offset);
  FUZZ_CHECK(result == 0 || result == 1);
  if (!call.valid()) {
    FUZZ_CHECK(result == 1);
    return 0;
  }
  storeField(call.textPointer(), call.recordPointer(), call.width, call.offset);
  FUZZ_CHECK(fieldDiffers(call.textPointer(), call.recordPointer(), call.width, call.offset) == 0);
  return 0;
}
