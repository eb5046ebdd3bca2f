// Fuzz target: lowerCase on any bytes, often with no NUL.
#include "fuzz/case_change.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzCaseChange(data, size, lowerCase, 'A');
}
