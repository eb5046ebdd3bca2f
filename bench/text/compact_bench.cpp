// Compacting a 64 KiB script: statements, a "#" line, quoted strings and both
// kinds of comment, comments kept and dropped.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "text/script_compactor.h"

namespace {

std::string makeScript(std::size_t bytes) {
  const std::string block =
      "#define LIMIT\t 40\r\n"
      "name = 'Hello world';   // greeting\r\n"
      "/* a block\r\n   comment */ count = count + 1;\r\n"
      "if (count > LIMIT) { text = \"over the limit\"; count = 0; }\r\n"
      "\t\tvalue = value * 3 - 7;\r\n";
  std::string text;
  while (text.size() + block.size() < bytes) text += block;
  text.append(bytes - 1 - text.size(), ' ');
  return text;
}

void compactScript(benchmark::State& state) {
  const std::string script = makeScript(64 * 1024);
  std::vector<char> buffer(script.size() + 1);
  const auto options = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    std::copy(script.begin(), script.end(), buffer.begin());
    buffer.back() = 0;
    benchmark::DoNotOptimize(
        compactScriptText(buffer.data(), static_cast<std::int32_t>(buffer.size()), options));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(script.size()));
}
BENCHMARK(compactScript)->ArgName("options")->Arg(0)->Arg(SCRIPT_DROP_COMMENTS);

}  // namespace
