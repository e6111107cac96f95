#pragma once
// The postora program run as a script runs it, without a display: its exit
// code and what it printed (see InspectRun.h for postora-inspect).

#include "support/InspectRun.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

inline InspectRun runPostora(const QStringList& args,
                             QProcessEnvironment env = QProcessEnvironment::systemEnvironment()) {
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR)) +
                QStringLiteral("/postora"),
            args);
    InspectRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace testsupport
