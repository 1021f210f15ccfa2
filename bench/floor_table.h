#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

// The console output of Google Benchmark, followed at the end by a table that sets each of our
// figures beside its floor: the medians of the repetitions (or the single run when there was
// only one), their ratio, the targets and whether they are met.
class FloorTableReporter : public benchmark::ConsoleReporter {
  public:
    struct Row {
        std::string what;
        std::string ours;   // benchmark name with its arguments, e.g. "tree_build/20"
        std::string floor;  // the same for the floor
        std::string unit;   // "ns/ball", "ms", "B/ball", ...
        // A time per iteration is divided by the counter "units" (balls, nodes, ...) and by
        // this many nanoseconds: 1 for ns, 1e6 for ms. Zero when the figure is the counter
        // named `counter` instead.
        double nanosecondsPerUnit;
        std::string counter;
        double maxRatio;   // 0: no target on the ratio
        double maxFigure;  // 0: no target on our figure itself
    };

    // In colour only on a terminal, so that files and pipes get plain text.
    explicit FloorTableReporter(std::vector<Row> rows);

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    // Whether every row had both figures and met its targets.
    bool allTargetsMet() const { return allMet_; }

  private:
    struct Result {
        double nanoseconds = 0.0;  // per iteration
        std::map<std::string, double> counters;
        bool isMedian = false;
    };

    // Our figure or the floor's for the row, false when the benchmark did not run.
    bool figure(const std::string& name, const Row& row, double& value) const;

    std::vector<Row> rows_;
    std::map<std::string, Result> results_;
    bool allMet_ = true;
};
