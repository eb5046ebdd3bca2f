// Fuzz target: padText on any bytes and any width, with some spare room.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  const std::uint8_t wide = in.byte();
  const std::int32_t width = wide == 0xFF ? in.any32() : in.number(-300, 300);
  const std::size_t room = in.byte();
  TextCall call(in, room);
  const std::vector<char> before = call.buffer;
  const std::int32_t length = call.end();
  padText(call.pointer(), call.size, width);

  const std::int64_t magnitude = std::llabs(static_cast<long long>(width));
  const bool pads = call.pointer() != nullptr && width != 0 && length < magnitude &&
                    magnitude <= static_cast<std::int64_t>(call.size) - 1;
  if (!pads) {
    FUZZ_CHECK(call.buffer == before);
    return 0;
  }
  FUZZ_CHECK(call.end() == magnitude);
  const auto n = static_cast<std::size_t>(length);
  const auto m = static_cast<std::size_t>(magnitude);
  for (std::size_t i = 0; i < m - n; ++i) {
    FUZZ_CHECK(call.buffer[width > 0 ? n + i : i] == ' ');
  }
  for (std::size_t i = 0; i < n; ++i) {
    FUZZ_CHECK(call.buffer[width > 0 ? i : m - n + i] == before[i]);
  }
  return 0;
}
