// A console reporter that also keeps each benchmark's median (or its single
// result when there are no repetitions), for the ratios the programs print last.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  MedianReporter() : ConsoleReporter(isatty(1) != 0 ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const std::string& name = r.run_name.function_name;
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        median_[name] = r.GetAdjustedRealTime();
        cpu_median_[name] = r.GetAdjustedCPUTime();
      } else if (r.run_type == Run::RT_Iteration && median_.count(name) == 0) {
        single_[name] = r.GetAdjustedRealTime();
        cpu_single_[name] = r.GetAdjustedCPUTime();
      }
    }
  }
  bool get(const std::string& name, double* value) const {
    return find(median_, single_, name, value);
  }
  // The same for the process's CPU time (the display server's work not counted).
  bool getCpu(const std::string& name, double* value) const {
    return find(cpu_median_, cpu_single_, name, value);
  }

 private:
  using Times = std::map<std::string, double>;
  static bool find(const Times& median, const Times& single, const std::string& name,
                   double* value) {
    if (auto it = median.find(name); it != median.end()) {
      *value = it->second;
      return true;
    }
    if (auto it = single.find(name); it != single.end()) {
      *value = it->second;
      return true;
    }
    return false;
  }
  Times median_;
  Times single_;
  Times cpu_median_;
  Times cpu_single_;
};

// Runs two benchmarks (real time, microseconds) and gives their medians; false
// when either produced none.
inline bool runMedianPair(const char* first_name, void (*first)(benchmark::State&),
                          const char* second_name, void (*second)(benchmark::State&),
                          double* first_median, double* second_median) {
  for (auto [name, fn] : {std::pair{first_name, first}, std::pair{second_name, second}}) {
    benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMicrosecond)->UseRealTime();
  }
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool both = reporter.get(first_name, first_median) &&
                    reporter.get(second_name, second_median) && *first_median > 0;
  benchmark::Shutdown();
  return both;
}
