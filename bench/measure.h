// Shared by the effect and mixing benchmarks: each case's CPU seconds per iteration, remembered
// by name, and its ratios to baselines measured before it in the same run. Thread CPU time, so
// that other processes on a shared machine do not skew the ratios.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

inline std::map<std::string, double> g_seconds;

inline double NowSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Runs body once to warm the caches, then times it; counters[counter] = this case's time over the
// named baseline's.
template <class Body>
void Measure(benchmark::State& state, const std::string& name, Body body,
             std::vector<std::pair<std::string, std::string>> ratios = {}) {
    body();
    const double start = NowSeconds();
    for (auto _ : state) body();
    g_seconds[name] = (NowSeconds() - start) / static_cast<double>(state.iterations());
    for (const auto& [counter, baseline] : ratios)
        if (g_seconds.count(baseline))
            state.counters[counter] = g_seconds[name] / g_seconds[baseline];
}
