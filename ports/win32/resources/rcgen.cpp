// orbel_rcgen: writes the Windows resource scripts and the icon files they
// name from the res/ data. Runs on the build machine while the Windows
// program builds.
//
//   orbel_rcgen OUTDIR            orbel.rc, orbel.ico, orbel.manifest,
//                                 uires0.rc, phase102.ico .. phase113.ico
//   orbel_rcgen --string-block N  string table block N as Windows stores
//                                 it, to standard output (for the check
//                                 that compares a built program with it)
//
// Exit codes: 0 done, 1 bad data or a file that could not be written,
// 2 bad usage.
#include "ports/win32/resources/icoFile.h"
#include "ports/win32/resources/rcScript.h"
#include "res/artwork.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kExitBadData = 1;
constexpr int kExitUsage = 2;

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw orbel::rc::RcError("cannot write " + path.string());
}

void writeAll(const fs::path& dir) {
    using namespace orbel;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw rc::RcError("cannot create " + dir.string() + ": " + ec.message());
    // Everything is built before anything is written, so bad data leaves
    // no half-new set of files behind.
    const std::string exe = rc::exeScript();
    const std::string dll = rc::resourceDllScript();
    const std::string manifest = rc::manifestXml(res::versionResource());
    const std::string exeIcon = rc::iconFile(res::IDR_MAINFRAME);
    std::vector<std::string> phaseIcons;
    for (unsigned id = res::IDI_PHASE_FIRST; id <= res::IDI_PHASE_LAST; ++id)
        phaseIcons.push_back(rc::iconFile(id));

    writeFile(dir / rc::kExeIconFile, exeIcon);
    writeFile(dir / rc::kManifestFile, manifest);
    for (unsigned id = res::IDI_PHASE_FIRST; id <= res::IDI_PHASE_LAST; ++id)
        writeFile(dir / rc::phaseIconFile(id), phaseIcons[id - res::IDI_PHASE_FIRST]);
    // The scripts last: they are what the build waits for.
    writeFile(dir / "orbel.rc", exe);
    writeFile(dir / "uires0.rc", dll);
}

int usage() {
    std::cerr << "usage: orbel_rcgen OUTDIR\n"
                 "       orbel_rcgen --string-block N\n";
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 2 && std::string_view(argv[1]).substr(0, 1) != "-") {
            writeAll(argv[1]);
            return 0;
        }
        if (argc == 3 && std::string_view(argv[1]) == "--string-block") {
            const std::string_view arg = argv[2];
            unsigned block = 0;
            const auto [end, err] = std::from_chars(arg.data(), arg.data() + arg.size(), block);
            if (err != std::errc() || end != arg.data() + arg.size() || arg.empty()) return usage();
            const std::string bytes = orbel::rc::stringBlock(block);
            std::fwrite(bytes.data(), 1, bytes.size(), stdout);
            return std::fflush(stdout) == 0 ? 0 : kExitBadData;
        }
        return usage();
    } catch (const std::exception& e) {
        std::cerr << "orbel_rcgen: " << e.what() << "\n";
        return kExitBadData;
    }
}
