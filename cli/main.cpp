// orbel-cli: the command-line companion. Everything is in cli.cpp, so the
// tests run the same code in-process.
#include "cli/cli.h"

#include <iostream>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    // A text-mode stdout would turn --raw's CRLF into CR CR LF and every
    // LF into CRLF; the program writes the line ends it means.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return orbel::cli::runCli(argc, argv, std::cout, std::cerr);
}
