#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

// What every benchmark program's main does around its own summary lines.

// Runs the benchmarks the command line selects, reporting to `reporter`
// (the console's table when none). false, after Google Benchmark's own
// message, when the command line has an option it does not know.
inline bool run_benchmarks(int argc, char** argv, benchmark::BenchmarkReporter* reporter = nullptr) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    if (reporter != nullptr) benchmark::RunSpecifiedBenchmarks(reporter);
    else benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return true;
}

// The median of a run's figures: the middle one, or the mean of the middle
// two; 0 for none.
inline double median_of(std::vector<double> figures) {
    std::sort(figures.begin(), figures.end());
    const size_t n = figures.size();
    if (n == 0) return 0.0;
    return n % 2 == 1 ? figures[n / 2] : (figures[n / 2 - 1] + figures[n / 2]) / 2.0;
}
