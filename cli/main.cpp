// orbel-cli: the command-line companion. The commands are in cli.cpp, so
// the tests run the same code in-process; here is only how the process
// meets its terminal (on Windows: UTF-16 arguments and the console).
#include "cli/cli.h"

#include <iostream>

#if defined(_WIN32)
#include "cli/consoleWin32.h"

#include <fcntl.h>
#include <io.h>

#include <string>
#include <vector>

// The Windows entry point with the arguments as typed (UTF-16): the narrow
// argv is in the ANSI code page, while FORMAT is read as UTF-8 as on Linux.
int wmain(int argc, wchar_t** wargv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(orbel::cli::wideToUtf8(wargv[i]));
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);

    // A text-mode stream would turn --raw's CRLF into CR CR LF and every LF
    // into CRLF; the program writes the line ends it means, to files and
    // pipes as on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console is not a byte stream: it gets the texts as characters.
    const std::unique_ptr<orbel::cli::ConsoleBuf> outConsole = orbel::cli::ConsoleBuf::open(1);
    const std::unique_ptr<orbel::cli::ConsoleBuf> errConsole = orbel::cli::ConsoleBuf::open(2);
    std::ostream out(outConsole ? outConsole.get() : std::cout.rdbuf());
    std::ostream err(errConsole ? errConsole.get() : std::cerr.rdbuf());
    const int code = orbel::cli::runCli(
        argc, argv.data(), out, err, [] { return std::time(nullptr); }, [&](bool raw) {
            if (outConsole) outConsole->setPassThrough(raw);
        });
    out.flush();
    err.flush();
    return code;
}
#else
int main(int argc, char** argv) { return orbel::cli::runCli(argc, argv, std::cout, std::cerr); }
#endif
