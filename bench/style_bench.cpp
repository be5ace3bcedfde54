// Style lookups: every widget reads its colours and line widths by key each
// time it draws, so a frame with the viewport and two knobs makes a few
// dozen lookups. Budget: well under 1% of a 60 Hz frame (167 us) for 100.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/style.h"

namespace {
const std::vector<std::string>& default_keys() {
    static const std::vector<std::string> keys = {
        "bg-color",         "border-color",         "border-line-width",
        "contents-fill-color", "contents-color",     "contents-line-width",
        "title-color",      "title-line-width",     "buffer-display-color",
        "buffer-display-line-width", "image-display-color", "param-text-color",
        "param-text-line-width"};
    return keys;
}

// 100 lookups spread over the thirteen defaults, as a busy frame would make.
void BM_HundredDefaultLookups(benchmark::State& state) {
    Style* style = create_default_style();
    const std::vector<std::string>& keys = default_keys();
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            Color color{};
            benchmark::DoNotOptimize(style->find_color(keys[i % keys.size()].c_str(), &color));
            benchmark::DoNotOptimize(color);
        }
    }
    state.counters["budget_us"] = 167.0;
    Style::destroy(style);
}
BENCHMARK(BM_HundredDefaultLookups)->Unit(benchmark::kMicrosecond);

// Lookups in a store of n keys: bisection keeps the comparisons logarithmic
// while the link walks stay linear.
void BM_LookupInStoreOfSize(benchmark::State& state) {
    Style* style = Style::create();
    std::vector<std::string> keys;
    for (int i = 0; i < state.range(0); ++i) {
        keys.push_back("key-" + std::to_string(i));
        style->add_number(keys.back().c_str(), i);
    }
    size_t next = 0;
    for (auto _ : state) {
        double number = 0.0;
        benchmark::DoNotOptimize(style->find_number(keys[next].c_str(), &number));
        next = (next + 7) % keys.size();
    }
    Style::destroy(style);
}
BENCHMARK(BM_LookupInStoreOfSize)->Arg(13)->Arg(64)->Arg(256);
}  // namespace

BENCHMARK_MAIN();
