// orbel-cli's output to a Windows console. A console shows what a program
// hands it in UTF-16 the same on every Windows and whatever code page the
// console is in, so texts go out through WriteConsoleW; files and pipes get
// the UTF-8 bytes unchanged (main.cpp decides which). Switching the console
// to code page 65001 instead would outlive us (the next program in that
// console would find it changed) and, on older consoles, turn a character
// split across two writes into replacement marks.
#pragma once

#include <memory>
#include <streambuf>
#include <string>

namespace orbel::cli {

// UTF-16 (a Windows argument) as UTF-8; what cannot be converted becomes
// U+FFFD.
std::string wideToUtf8(const wchar_t* s);

class ConsoleBuf final : public std::streambuf {
public:
    // For stdout (1) or stderr (2) when that handle is a console; null for a
    // file, a pipe or no handle at all.
    static std::unique_ptr<ConsoleBuf> open(int fd);
    ~ConsoleBuf() override;
    ConsoleBuf(const ConsoleBuf&) = delete;
    ConsoleBuf& operator=(const ConsoleBuf&) = delete;

    // --raw: the bytes go to the console unchanged (WriteFile), to be read
    // in the console's own code page like any other program's bytes.
    void setPassThrough(bool on);

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    explicit ConsoleBuf(void* handle) : m_handle(handle) {}
    // Writes what is pending; a character cut short at the end waits for
    // its other bytes unless `all`.
    bool drain(bool all);

    void* m_handle;
    std::string m_pending;
    bool m_passThrough = false;
};

} // namespace orbel::cli
