#include "floor_table.h"

#include <unistd.h>

#include <cstdio>
#include <ostream>

namespace {

// "tree_build/20": the function's name and its arguments, without the time type or the
// repetition count that Google Benchmark may add.
std::string keyOf(const benchmark::BenchmarkReporter::Run& run) {
    const auto& name = run.run_name;
    return name.args.empty() ? name.function_name : name.function_name + "/" + name.args;
}

std::string format(double value) {
    char text[32];
    if (value >= 100.0) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else if (value >= 10.0) {
        std::snprintf(text, sizeof text, "%.1f", value);
    } else {
        std::snprintf(text, sizeof text, "%.2f", value);
    }
    return text;
}

}  // namespace

FloorTableReporter::FloorTableReporter(std::vector<Row> rows)
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular),
      rows_(std::move(rows)) {}

void FloorTableReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) {
            continue;
        }
        const bool isMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !isMedian) {
            continue;
        }
        Result& r = results_[keyOf(run)];
        if (r.isMedian && !isMedian) {
            continue;  // a median is never replaced by a single repetition
        }
        // Wall-clock time where the benchmark asked for it (its own timing, or GL's threads),
        // otherwise the CPU time of the thread, which a busy machine disturbs less.
        const bool wallClock = !run.run_name.time_type.empty();
        const double perIteration =
            wallClock ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        r.nanoseconds = perIteration / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
        r.counters.clear();
        for (const auto& [counterName, counter] : run.counters) {
            r.counters[counterName] = counter.value;
        }
        r.isMedian = isMedian;
    }
}

bool FloorTableReporter::figure(const std::string& name, const Row& row, double& value) const {
    const auto found = results_.find(name);
    if (found == results_.end()) {
        return false;
    }
    const Result& r = found->second;
    if (row.nanosecondsPerUnit == 0.0) {
        const auto counter = r.counters.find(row.counter);
        if (counter == r.counters.end()) {
            return false;
        }
        value = counter->second;
        return true;
    }
    const auto units = r.counters.find("units");
    const double perIteration = units == r.counters.end() ? 1.0 : units->second;
    value = r.nanoseconds / perIteration / row.nanosecondsPerUnit;
    return true;
}

void FloorTableReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    bool anyMedian = false;
    for (const auto& [name, result] : results_) {
        anyMedian = anyMedian || result.isMedian;
    }
    out << "\nOur figures against their floors (" << (anyMedian ? "medians" : "single runs")
        << "; CPU time, or wall-clock time for manually timed benchmarks)\n\n";
    out << "| what | unit | ours | floor | ratio | target | met |\n";
    out << "|---|---|---:|---:|---:|---|---|\n";
    for (const Row& row : rows_) {
        double ours = 0.0, floor = 0.0;
        const bool haveOurs = figure(row.ours, row, ours);
        const bool haveFloor = !row.floor.empty() && figure(row.floor, row, floor);
        const char* verdict = "yes";
        char ratioTarget[32] = "";
        char figureTarget[48] = "";
        if (row.maxRatio > 0.0) {
            std::snprintf(ratioTarget, sizeof ratioTarget, "ratio <= %s",
                          format(row.maxRatio).c_str());
            if (!haveFloor || ours > row.maxRatio * floor) {
                verdict = "NO";
            }
        }
        if (row.maxFigure > 0.0) {
            std::snprintf(figureTarget, sizeof figureTarget, "ours <= %s %s",
                          format(row.maxFigure).c_str(), row.unit.c_str());
            if (ours > row.maxFigure) {
                verdict = "NO";
            }
        }
        char target[96];
        std::snprintf(target, sizeof target, "%s%s%s", ratioTarget,
                      *ratioTarget != '\0' && *figureTarget != '\0' ? ", " : "", figureTarget);
        if (*target == '\0') {
            std::snprintf(target, sizeof target, "(explains the above)");
            verdict = "-";
        }
        if (!haveOurs || (!row.floor.empty() && !haveFloor)) {
            verdict = "not run";
        }
        if (verdict[0] != 'y' && verdict[0] != '-') {
            allMet_ = false;
        }
        out << "| " << row.what << " | " << row.unit << " | " << (haveOurs ? format(ours) : "-")
            << " | " << (haveFloor ? format(floor) : "-") << " | "
            << (haveOurs && haveFloor && floor > 0.0 ? format(ours / floor) : "-") << " | "
            << target << " | " << verdict << " |\n";
    }
    out << std::flush;
}
