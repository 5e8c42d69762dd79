// Settings load at start-up: the five keys of "Settings" read from a
// 100-line INI file, once the way the application object does it (one file
// read per key) and once with a single read, plus the write-through of one
// setter for comparison.
#include "app/iniFile.h"
#include "bench/sampleIni.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;
using namespace orbel::ini;

namespace {

// One scratch file for the whole run, removed at exit.
struct SampleOnDisk {
    fs::path dir;
    fs::path path;
    std::string bytes = orbel::bench::sampleIniFile();

    SampleOnDisk() {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("orbel-inibench-" + std::to_string(rd()));
        fs::create_directories(dir);
        path = dir / "orbel.ini";
        std::ofstream(path, std::ios::binary) << bytes;
    }
    ~SampleOnDisk() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const SampleOnDisk& sample() {
    static const SampleOnDisk s;
    return s;
}

struct Loaded {
    int tipUpdate, tsMode, notification, trayIcon;
    std::string notifySound;
};

void BM_LoadSettingsPerKeyRead(benchmark::State& state) {
    const fs::path& p = sample().path;
    for (auto _ : state) {
        Loaded l{getProfileInt(p, "Settings", "tipupdate", 1),
                 getProfileInt(p, "Settings", "tsmode", 0),
                 getProfileInt(p, "Settings", "notification", 1179647),
                 getProfileInt(p, "Settings", "trayicon", 255),
                 getProfileString(p, "Settings", "notifysound", "orbel.wav")};
        benchmark::DoNotOptimize(l);
        if (l.tsMode != 2) state.SkipWithError("wrong tsmode read");
    }
}
BENCHMARK(BM_LoadSettingsPerKeyRead)->Unit(benchmark::kMicrosecond);

void BM_LoadSettingsOneRead(benchmark::State& state) {
    const fs::path& p = sample().path;
    for (auto _ : state) {
        Document doc;
        if (!readFile(p, doc)) state.SkipWithError("read failed");
        Loaded l{doc.getInt("Settings", "tipupdate", 1), doc.getInt("Settings", "tsmode", 0),
                 doc.getInt("Settings", "notification", 1179647),
                 doc.getInt("Settings", "trayicon", 255),
                 doc.get("Settings", "notifysound").value_or("orbel.wav")};
        benchmark::DoNotOptimize(l);
    }
}
BENCHMARK(BM_LoadSettingsOneRead)->Unit(benchmark::kMicrosecond);

// The same lookups without the file system: what the parse itself costs.
void BM_ParseAndLookUp(benchmark::State& state) {
    const std::string& bytes = sample().bytes;
    for (auto _ : state) {
        Document doc(bytes);
        int sum = doc.getInt("Settings", "tipupdate", 1) + doc.getInt("Settings", "tsmode", 0) +
                  doc.getInt("Settings", "notification", 0) +
                  doc.getInt("Settings", "trayicon", 255);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(doc.get("Settings", "notifysound"));
    }
}
BENCHMARK(BM_ParseAndLookUp)->Unit(benchmark::kMicrosecond);

// One setter's write-through: read, edit, temporary file, rename.
void BM_WriteThroughOneKey(benchmark::State& state) {
    const fs::path& p = sample().path;
    int mode = 0;
    for (auto _ : state) {
        mode ^= 1; // a changed value, so the file really is rewritten
        if (!writeProfileInt(p, "Settings", "tsmode", mode)) state.SkipWithError("write failed");
    }
    writeProfileInt(p, "Settings", "tsmode", 2);
}
BENCHMARK(BM_WriteThroughOneKey)->Unit(benchmark::kMicrosecond);

} // namespace
