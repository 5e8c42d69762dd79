// The game clock's tick and the settings load, on the fake port: onTick in
// modes 0 and 2 (with the heap allocations per tick as a counter) and
// loadSettings on a 100-line settings file.
#include "app/orbelApp.h"
#include "bench/allocCounter.h"
#include "bench/sampleIni.h"
#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"

#include <benchmark/benchmark.h>

namespace {

using orbel::COrbelApp;
using orbel::FakePort;

// A started clock: settings read from a scratch folder, ticker running on
// the fake (its callback is driven by the loop below), a main window to
// post the hour messages to.
struct Clock {
    orbel::test::TempDir dir;
    FakePort port;
    COrbelApp app{port};

    explicit Clock(int mode) {
        orbel::test::writeBytes(dir / "orbel.ini",
                                "[Settings]\r\ntsmode=" + std::to_string(mode) + "\r\n");
        port.moduleFileName = (dir.path() / "orbel.exe").string();
        app.initPaths();
        app.loadSettings();
        app.setMainWindow(orbel::Hwnd{0x42});
        app.startTicker();
    }
};

void BM_OnTick(benchmark::State& state) {
    Clock clock(static_cast<int>(state.range(0)));
    const std::uint64_t before = orbel::bench::allocationCount();
    for (auto _ : state)
        clock.app.onTick();
    const std::uint64_t after = orbel::bench::allocationCount();
    // Posting to the fake records the message (the fake allocates for
    // that); the tick's own work must not. Hour changes post 1 in 720
    // ticks in mode 0 and 1 in 3600 in mode 2.
    state.counters["allocs/tick"] =
        benchmark::Counter(static_cast<double>(after - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_OnTick)->Arg(0)->Arg(2)->Unit(benchmark::kNanosecond);

void BM_OnTickNoMainWindow(benchmark::State& state) {
    Clock clock(static_cast<int>(state.range(0)));
    clock.app.setMainWindow(orbel::Hwnd{});
    const std::uint64_t before = orbel::bench::allocationCount();
    for (auto _ : state)
        clock.app.onTick();
    state.counters["allocs/tick"] =
        benchmark::Counter(static_cast<double>(orbel::bench::allocationCount() - before),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_OnTickNoMainWindow)->Arg(0)->Arg(2)->Unit(benchmark::kNanosecond);

void BM_LoadSettings(benchmark::State& state) {
    orbel::test::TempDir dir;
    orbel::test::writeBytes(dir / "orbel.ini", orbel::bench::sampleIniFile());
    FakePort port;
    port.moduleFileName = (dir.path() / "orbel.exe").string();
    COrbelApp app(port);
    app.initPaths();
    for (auto _ : state)
        app.loadSettings();
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

} // namespace
