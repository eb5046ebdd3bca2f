// A console reporter that also keeps each benchmark's median (or its single
// result when there are no repetitions), for the ratios the programs print last.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <string>
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
      } else if (r.run_type == Run::RT_Iteration && median_.count(name) == 0) {
        single_[name] = r.GetAdjustedRealTime();
      }
    }
  }
  bool get(const std::string& name, double* value) const {
    if (auto it = median_.find(name); it != median_.end()) {
      *value = it->second;
      return true;
    }
    if (auto it = single_.find(name); it != single_.end()) {
      *value = it->second;
      return true;
    }
    return false;
  }

 private:
  std::map<std::string, double> median_;
  std::map<std::string, double> single_;
};
