// Fuzz target: compactScriptText with comments kept and dropped, on the bytes
// as given (any size, often without a NUL) and with a NUL added; then
// findStatement with a key taken from the input on each compacted stream.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "text/script_compactor.h"

namespace {

bool isTerminator(char byte) { return byte == '\r' || byte == ';' || byte == '}'; }

void compactAndFind(std::vector<char> buffer, std::int32_t options, const std::vector<char>& key) {
  const auto size = static_cast<std::int32_t>(buffer.size());
  const std::int32_t length = compactScriptText(buffer.data(), size, options);
  if (size == 0) {
    FUZZ_CHECK(length == 0);
    return;
  }
  FUZZ_CHECK(length >= 0 && length < size);
  FUZZ_CHECK(buffer[static_cast<std::size_t>(length)] == 0);
  FUZZ_CHECK(std::memchr(buffer.data(), 0, static_cast<std::size_t>(length)) == nullptr);

  const auto key_length = static_cast<std::int32_t>(key.size()) - 1;
  const std::int32_t found = findStatement(key.data(), key_length, buffer.data(), length);
  if (found == -1) return;
  FUZZ_CHECK(key_length > 0 && found >= key_length + 1 && found <= length);
  const std::int32_t start = found - key_length;
  FUZZ_CHECK(isTerminator(buffer[static_cast<std::size_t>(start - 1)]));
  FUZZ_CHECK(std::memcmp(buffer.data() + start, key.data(), static_cast<std::size_t>(key_length)) ==
             0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  answerYes();
  FuzzInput in(data, size);
  std::vector<char> key = in.take(in.byte() % 6);
  key.push_back(0);
  const std::vector<char> text = in.rest();
  std::vector<char> terminated = text;
  terminated.push_back(0);
  for (const std::int32_t options : {0, SCRIPT_DROP_COMMENTS}) {
    compactAndFind(text, options, key);
    compactAndFind(terminated, options, key);
  }
  return 0;
}
