// The companion scheduler: no window; one per user; starts "postora /auto"
// from its own folder when a scheduled backup is due; ends cleanly on SIGTERM.

#include "platform/EndSignals.h"
#include "platform/Registry.h"
#include "schedule/companion/CompanionLock.h"
#include "schedule/companion/CompanionScheduler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // SIGTERM, SIGINT and SIGHUP end the event loop, so that the lock is given back.
    if (!platform::quitOnEndSignals()) {
        std::fputs("ZuveDizizo: cannot watch for the end signal\n", stderr);
        return 1;
    }

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
