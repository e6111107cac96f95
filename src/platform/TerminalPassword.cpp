#include "platform/TerminalPassword.h"

#include <QScopeGuard>

#include <cstring>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

std::optional<QByteArray> passwordFromTerminal(const char* prompt) {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const auto closeTty = qScopeGuard([fd] { ::close(fd); });
    // Echo goes off before the prompt shows, and without discarding what was typed ahead:
    // a person (or a script at a terminal) may answer as soon as the prompt appears.
    termios saved{};
    const bool quiet = ::tcgetattr(fd, &saved) == 0;
    if (quiet) {
        termios off = saved;
        off.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(fd, TCSANOW, &off);
    }
    const auto restoreEcho = qScopeGuard([&] {
        if (quiet) ::tcsetattr(fd, TCSANOW, &saved);
    });
    if (::write(fd, prompt, std::strlen(prompt)) < 0) return std::nullopt;
    QByteArray typed;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n' && c != '\r')
        typed.append(c);
    if (::write(fd, "\n", 1) < 0) return std::nullopt;
    return typed;
}

bool inputIsTerminal() {
    return ::isatty(STDIN_FILENO) != 0;
}

bool errorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace platform
