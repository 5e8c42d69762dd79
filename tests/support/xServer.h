// A private Xvfb for one test program, ended with the object: the server
// picks a free display number itself, so tests side by side never collide.
#pragma once

#include <csignal>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orbel::test {

class XServer {
public:
    explicit XServer(const char* xvfb) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            const int devNull = ::open("/dev/null", O_WRONLY);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
            const std::string fd = std::to_string(fds[1]);
            // -noreset: a server that resets when its last client leaves
            // refuses the next test's connection for a moment.
            ::execl(xvfb, "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp",
                    "-screen", "0", "640x480x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // The number arrives once the server accepts connections.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (m_pid > 0 && ::poll(&p, 1, 15000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (c == '\n' && !number.empty()) m_display = ":" + number;
    }
    ~XServer() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", empty when the server did not start.
    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

} // namespace orbel::test
