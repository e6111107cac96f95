// The companion scheduler: no window; one per user; starts "postora /auto"
// from its own folder when a scheduled backup is due; ends cleanly on SIGTERM.

#include "platform/Registry.h"
#include "schedule/companion/CompanionLock.h"
#include "schedule/companion/CompanionScheduler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP end the event loop, so that the lock is given back.
bool catchEndSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGINT, &sa, nullptr) == 0 &&
           ::sigaction(SIGHUP, &sa, nullptr) == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!catchEndSignals()) {
        std::fputs("ZuveDizizo: cannot watch for the end signal\n", stderr);
        return 1;
    }
    QSocketNotifier ended(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&ended, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

    platform::Registry reg(platform::Registry::configFromEnvironment());
    const QString lockPath = schedule::companion::CompanionLockPath(reg);
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0); // a lock is stale only when its owner is gone
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError) return 0; // one runs already for this user
        std::fprintf(stderr, "ZuveDizizo: cannot use the lock file %s\n", qPrintable(lockPath));
        return 1;
    }

    schedule::CompanionScheduler scheduler(
        reg, schedule::CompanionScheduler::PostoraRunner(QCoreApplication::applicationDirPath()));
    scheduler.Start();
    return app.exec();
}
