// Benchmarks of the texts the detail window rebuilds on every redraw and of
// the searches a dialog runs on every change of condition, at the largest
// result count (256).
//
// Build (Release), then run:
//   cmake -S . -B build/h9bench -G Ninja -DCMAKE_BUILD_TYPE=Release
//         -DORBEL_BUILD_BENCH=ON -DORBEL_BUILD_TESTS=OFF
//   cmake --build build/h9bench -j2 --target bench
//   TZ=Asia/Tokyo build/h9bench/bench/bench --benchmark_filter='Detail|Search'
//         --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "app/timeTexts.h"
#include "detail/detailText.h"
#include "search/ballista.h"
#include "search/lunarSearch.h"
#include "search/searchLimits.h"
#include "search/todaySearch.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

using orlib::odate_t;

constexpr std::time_t kSampleEarth = 1796481665; // 944/03/26 07:07:05
using Results = std::array<odate_t, orbel::kMaxResults>;

// One redraw's text; the moment moves on by a tick's worth of Earth time
// so that the calendar's answers change from run to run.
void BM_DetailBuildText(benchmark::State& state) {
    // The two time lines as the ticker renders them in mode 0 (CP932).
    orbel::TimeTexts texts;
    texts.setFormats(0);
    texts.render(odate_t(kSampleEarth));
    std::time_t t = kSampleEarth;
    for (auto _ : state) {
        const odate_t date(t);
        benchmark::DoNotOptimize(orbel::buildDetailText(date, texts.gameLine, texts.earthLine));
        t += 61;
    }
}
BENCHMARK(BM_DetailBuildText);

// Arguments: the two conditions as item data (12 / 8 = all).
void BM_SearchLunar256(benchmark::State& state) {
    const auto L = static_cast<unsigned>(state.range(0));
    const auto W = static_cast<unsigned>(state.range(1));
    Results results;
    for (auto _ : state) {
        orbel::findLunarDates(L, W, results.data(), orbel::kMaxResults, kSampleEarth);
        benchmark::DoNotOptimize(results.data());
    }
}
BENCHMARK(BM_SearchLunar256)
    ->ArgNames({"L", "W"})
    ->Args({12, 8}) // no condition
    ->Args({12, 5}) // weekday only
    ->Args({5, 8})  // phase only
    ->Args({5, 6})  // both, a weekday every other occurrence lacks
    ->Unit(benchmark::kMicrosecond);

void BM_SearchLunarText256(benchmark::State& state) {
    Results results;
    orbel::findLunarDates(5, 6, results.data(), orbel::kMaxResults, kSampleEarth);
    for (auto _ : state)
        benchmark::DoNotOptimize(orbel::lunarResultText(results.data(), orbel::kMaxResults));
}
BENCHMARK(BM_SearchLunarText256)->Unit(benchmark::kMicrosecond);

// Arguments: list positions of the card and the level. 4/1 matches once a
// month, the sparsest filter the lists offer; 0/0 every other day.
void BM_SearchBallista256(benchmark::State& state) {
    const unsigned card = orbel::ballistaCardItems()[state.range(0)].data;
    const unsigned level = orbel::ballistaLevelItems()[state.range(1)].data;
    Results results;
    for (auto _ : state) {
        orbel::searchBallista(card, level, results.data(), orbel::kMaxResults, kSampleEarth);
        benchmark::DoNotOptimize(results.data());
    }
}
BENCHMARK(BM_SearchBallista256)
    ->ArgNames({"card", "level"})
    ->Args({0, 0})
    ->Args({4, 1})
    ->Unit(benchmark::kMicrosecond);

// A filter no day passes: the search gives up after one Orithaven year.
void BM_SearchBallistaNever(benchmark::State& state) {
    Results results;
    for (auto _ : state) {
        orbel::searchBallista(0, 0x1F00, results.data(), orbel::kMaxResults, kSampleEarth);
        benchmark::DoNotOptimize(results.data());
    }
}
BENCHMARK(BM_SearchBallistaNever)->Unit(benchmark::kMicrosecond);

void BM_SearchToday256(benchmark::State& state) {
    Results results;
    for (auto _ : state) {
        orbel::searchToday(kSampleEarth, results.data(), orbel::kMaxResults);
        benchmark::DoNotOptimize(orbel::todayResultText(results.data(), orbel::kMaxResults));
    }
}
BENCHMARK(BM_SearchToday256)->Unit(benchmark::kMicrosecond);

} // namespace
