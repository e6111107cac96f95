#pragma once
// postora-inspect run as a person runs it: its exit code and what it printed.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

struct InspectRun {
    int code = -1; // -1: it did not end normally within a minute
    QString out;
    QString err;
};

inline InspectRun
runInspect(const QStringList& args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR)) +
                QStringLiteral("/postora-inspect"),
            args);
    InspectRun r;
    if (!p.waitForFinished(60000)) return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace testsupport
