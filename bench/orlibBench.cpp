// Benchmarks of the calendar library on the paths the ticker and the
// detail window run many times a second: converting the Earth clock,
// advancing by the tick step, rendering the mode-2 texts into fixed
// buffers, and finding the next phase start.
//
// Build (Release), then run:
//   cmake -S . -B build/h1bench -G Ninja -DCMAKE_BUILD_TYPE=Release
//         -DORBEL_BUILD_BENCH=ON -DORBEL_BUILD_TESTS=OFF
//   cmake --build build/h1bench -j2 --target bench
//   build/h1bench/bench/bench --benchmark_filter=Orlib
//         --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "allocCounter.h"
#include "orlib/orlib.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using orbel::bench::allocationCount;
using orlib::odate_t;

constexpr std::time_t kSampleEarth = 1796481665; // 944/03/26 07:07:05

// Reports the heap allocations made inside the timed loop, per iteration.
class AllocationScope {
public:
    explicit AllocationScope(benchmark::State& state)
        : m_state(state), m_start(allocationCount()) {}
    ~AllocationScope() {
        m_state.counters["allocs"] = benchmark::Counter(
            static_cast<double>(allocationCount() - m_start), benchmark::Counter::kAvgIterations);
    }
    AllocationScope(const AllocationScope&) = delete;
    AllocationScope& operator=(const AllocationScope&) = delete;

private:
    benchmark::State& m_state;
    std::uint64_t m_start;
};

void BM_OrlibFromTime(benchmark::State& state) {
    std::time_t t = kSampleEarth;
    for (auto _ : state) {
        odate_t o(t);
        benchmark::DoNotOptimize(o);
        t += 7;
    }
}
BENCHMARK(BM_OrlibFromTime);

void BM_OrlibPlusEqualsTick(benchmark::State& state) {
    odate_t o(kSampleEarth);
    orlib::gtime_t step;
    step.sec = 5;
    for (auto _ : state) {
        o += step;
        benchmark::DoNotOptimize(o);
    }
}
BENCHMARK(BM_OrlibPlusEqualsTick);

void BM_OrlibNextLunarAge(benchmark::State& state) {
    odate_t o(kSampleEarth);
    orlib::gtime_t step;
    step.hour = 5;
    int index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(o.nextLunarAge(index));
        index = (index + 1) % orlib::kPhases;
        o += step;
    }
}
BENCHMARK(BM_OrlibNextLunarAge);

// The mode-2 texts, each into a 256-byte buffer as the ticker holds them.
void BM_OrlibFormatToOdate(benchmark::State& state, const char* fmt) {
    odate_t o(kSampleEarth);
    orlib::gtime_t step;
    step.sec = 1;
    char buf[256];
    AllocationScope allocs(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(o.formatTo(buf, sizeof buf, fmt));
        benchmark::DoNotOptimize(buf);
        o += step;
    }
}
BENCHMARK_CAPTURE(BM_OrlibFormatToOdate, tooltip, "%x(%a) %X <%L(%q)>");
BENCHMARK_CAPTURE(BM_OrlibFormatToOdate, orithavenLine, "Orithaven : %c");

void BM_OrlibFormatToEdate(benchmark::State& state, const char* fmt) {
    std::time_t t = kSampleEarth;
    char buf[256];
    AllocationScope allocs(state);
    for (auto _ : state) {
        const orlib::edate_t e(t);
        benchmark::DoNotOptimize(e.formatTo(buf, sizeof buf, fmt));
        benchmark::DoNotOptimize(buf);
        ++t;
    }
}
BENCHMARK_CAPTURE(BM_OrlibFormatToEdate, earthLine, "     Earth : %c");

// The allocating variant for comparison; its counter shows that the
// allocation count works (one string per call).
void BM_OrlibFormatString(benchmark::State& state) {
    const odate_t o(kSampleEarth);
    AllocationScope allocs(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(o.format("Orithaven : %c"));
}
BENCHMARK(BM_OrlibFormatString);

} // namespace
