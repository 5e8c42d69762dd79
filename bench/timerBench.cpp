// The timer service on the machine's clock: how many times a 10 ms periodic
// timer fires in 120 ms of wall time (about 12 on an idle machine; the
// tests only count faults, so the figure lives here).
#include "common/timerService.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

namespace {

void BM_TenMillisecondTimerFiringsIn120ms(benchmark::State& state) {
    std::atomic<int> calls{0};
    orbel::TimerService service;
    std::int64_t firings = 0;
    for (auto _ : state) {
        calls = 0;
        const unsigned id = service.setEvent(
            10, 1, [](unsigned, void* u) { static_cast<std::atomic<int>*>(u)->fetch_add(1); },
            &calls, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        service.killEvent(id);
        firings += calls.load();
    }
    state.counters["firings/120ms"] =
        benchmark::Counter(static_cast<double>(firings), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TenMillisecondTimerFiringsIn120ms)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
