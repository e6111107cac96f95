#pragma once
// A running process named like a mail client's program: a copy of sleep
// renamed, started from a folder of the test's own.

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace testx {

class FakeClient {
public:
    FakeClient(const QString& folder, const QString& exeName) {
        path_ = folder + QLatin1Char('/') + exeName;
        const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
        if (sleep.isEmpty() || (!QFile::exists(path_) && !QFile::copy(sleep, path_))) return;
        QFile::setPermissions(path_, QFile::permissions(path_) | QFile::ExeOwner);
        process_.start(path_, {QStringLiteral("600")});
        process_.waitForStarted(5000);
    }
    ~FakeClient() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    FakeClient(const FakeClient&) = delete;
    FakeClient& operator=(const FakeClient&) = delete;

    bool isRunning() { return process_.state() == QProcess::Running; }
    quint32 pid() const { return quint32(process_.processId()); }
    const QString& path() const { return path_; }
    // Lets the process object see an end that someone else caused.
    bool waitForEnd(int ms) { return process_.waitForFinished(ms); }

private:
    QString path_;
    QProcess process_;
};

} // namespace testx
