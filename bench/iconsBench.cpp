// One whole tray icon build (createTrayIcon: the bar and the eight slide
// frames, each with its colour and mask pass) on the fake port, with the
// program's own artwork as the phase icons, at 16 and 48 pixels.
//
// The phase icons are loaded shared, so the system renders each once and
// hands out the same picture afterwards: the "Shared" run keeps the
// rendered artwork, the "Rendered" run draws it again on every load.
#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "res/artwork.h"
#include "tests/support/appAccess.h"
#include "tray/icons.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>

namespace orbel {

namespace {

// The fake port with a chosen small icon size.
class SizedPort : public FakePort {
public:
    explicit SizedPort(int size) : m_size(size) {}
    int getSystemMetrics(int index) override {
        if (index == kSmCxSmIcon || index == kSmCySmIcon) return m_size;
        return FakePort::getSystemMetrics(index);
    }

private:
    int m_size;
};

void runBuilds(benchmark::State& state, bool shared) {
    const int size = static_cast<int>(state.range(0));
    SizedPort port(size);
    std::map<unsigned, gfx::IconImage> rendered;
    for (unsigned id = res::IDI_PHASE_FIRST; id <= res::IDI_PHASE_LAST; ++id)
        rendered[id] = res::iconResource(id, size);
    if (shared)
        port.iconSource = [&rendered](unsigned id, int, int) { return rendered.at(id); };
    else
        port.iconSource = [](unsigned id, int cx, int) { return res::iconResource(id, cx); };

    COrbelApp app(port);
    // Nothing should fail; if something does, its entry goes to the temp folder.
    app.log().setPath((std::filesystem::temp_directory_path() / "orbel-iconsBench.log").string());
    AppTestAccess::setResourceModule(app, port.loadLibrary("uires0.dll"));
    CTrayIconSet icons(app);

    int day = 0;
    for (auto _ : state) {
        // A new day each time: another bar length and weekday colour.
        const bool built = icons.createTrayIcon(day % 12, day % 7, day % 8);
        benchmark::DoNotOptimize(built);
        if (!built) {
            state.SkipWithError("createTrayIcon failed");
            break;
        }
        ++day;
        // The fake logs every call; without this the log grows for ever.
        port.clearCalls();
    }
    state.counters["liveIcons"] = static_cast<double>(port.liveIcons());
}

void BM_CreateTrayIconShared(benchmark::State& state) {
    runBuilds(state, true);
}
void BM_CreateTrayIconRendered(benchmark::State& state) {
    runBuilds(state, false);
}

BENCHMARK(BM_CreateTrayIconShared)
    ->Arg(16)
    ->Arg(48)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_CreateTrayIconRendered)
    ->Arg(16)
    ->Arg(48)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace orbel
