#include "platform/Process.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

using namespace platform;

namespace {

std::optional<ProcessEntry> findPid(quint32 pid) {
    for (const ProcessEntry& e : processSnapshot()) {
        if (e.pid == pid) return e;
    }
    return std::nullopt;
}

void put16(QByteArray& b, int at, quint16 v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void put32(QByteArray& b, int at, quint32 v) {
    put16(b, at, quint16(v & 0xFFFF));
    put16(b, at + 2, quint16(v >> 16));
}

// An MZ header whose new header starts at 0x80.
QByteArray mzWith(const QByteArray& sig, int size = 0x200) {
    QByteArray b(size, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3C, 0x80);
    b.replace(0x80, sig.size(), sig);
    return b;
}

QByteArray pe(quint16 subsystem, quint16 major, quint16 minor, bool dll, bool plus) {
    QByteArray b = mzWith(QByteArray("PE\0\0", 4));
    const int coff = 0x84;
    put16(b, coff + 18, dll ? 0x2102 : 0x0102);
    const int opt = coff + 20;
    put16(b, opt, plus ? 0x20B : 0x10B);
    put16(b, opt + 48, major);
    put16(b, opt + 50, minor);
    put16(b, opt + 68, subsystem);
    return b;
}

} // namespace

class TestProcess : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    QString writeFile(const QString& name, const QByteArray& data) {
        const QString path = tmp_.path() + "/" + name;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return {};
        f.write(data);
        return path;
    }

private Q_SLOTS:
    void snapshotSeesAChild() {
        QProcess child;
        child.start("sleep", {"30"});
        QVERIFY(child.waitForStarted());
        const auto e = findPid(quint32(child.processId()));
        QVERIFY(e);
        QCOMPARE(e->parentPid, quint32(::getpid()));
        QCOMPARE(e->exeName, QString("sleep"));
        QVERIFY(e->exePath.endsWith("/sleep"));
        QCOMPARE(e->threads, 1u);
        const int nice = ::getpriority(PRIO_PROCESS, 0);
        QCOMPARE(e->basePriority, nice < 0 ? 13 : nice == 0 ? 8 : 4);
        const auto self = findPid(quint32(::getpid()));
        QVERIFY(self);
        QVERIFY(self->threads >= 1);
        child.kill();
        child.waitForFinished();
        QVERIFY(!findPid(quint32(child.processId()))); // gone, and no zombie listed
    }

    void priorityFollowsNice() {
        QProcess child;
        child.start("nice", {"-n", "10", "sleep", "30"});
        QVERIFY(child.waitForStarted());
        std::optional<ProcessEntry> e;
        for (int i = 0; i < 100 && !(e && e->exeName == "sleep"); ++i) {
            QTest::qWait(20); // until nice has become sleep
            e = findPid(quint32(child.processId()));
        }
        QVERIFY(e);
        QCOMPARE(e->exeName, QString("sleep"));
        QCOMPARE(e->basePriority, 4);
        child.kill();
        child.waitForFinished();
    }

    void wineProcessShowsItsWindowsProgram() {
        // A Wine process runs the loader with the Windows program on its command line.
        const QString sleep = QStandardPaths::findExecutable("sleep");
        QVERIFY(!sleep.isEmpty());
        const QString loader = tmp_.path() + "/wine64-preloader";
        QVERIFY(QFile::copy(sleep, loader));
        QProcess child;
        child.start("bash", {"-c", "exec -a 'C:\\Program Files\\Outlook\\OUTLOOK.EXE' '" + loader +
                                       "' 30"});
        QVERIFY(child.waitForStarted());
        std::optional<ProcessEntry> e;
        for (int i = 0; i < 100 && !(e && e->exeName == "OUTLOOK.EXE"); ++i) {
            QTest::qWait(20);
            e = findPid(quint32(child.processId()));
        }
        QVERIFY(e);
        QCOMPARE(e->exePath, QString("C:\\Program Files\\Outlook\\OUTLOOK.EXE"));
        QCOMPARE(e->exeName, QString("OUTLOOK.EXE"));
        child.kill();
        child.waitForFinished();
    }

    void oddProgramNames() {
        // The name in /proc/<pid>/stat may hold blanks and parentheses.
        const QString odd = tmp_.path() + "/x) 1 (y";
        QVERIFY(QFile::copy(QStandardPaths::findExecutable("sleep"), odd));
        QProcess child;
        child.start(odd, {"30"});
        QVERIFY(child.waitForStarted());
        const auto e = findPid(quint32(child.processId()));
        QVERIFY(e);
        QCOMPARE(e->exeName, QString("x) 1 (y"));
        QCOMPARE(e->parentPid, quint32(::getpid()));
        QCOMPARE(e->threads, 1u);
        child.kill();
        child.waitForFinished();
    }

    void terminateAndWait() {
        QProcess child;
        child.start("sleep", {"30"});
        QVERIFY(child.waitForStarted());
        auto opened = ProcessHandle::openForTerminate(quint32(child.processId()));
        QVERIFY2(opened.isOk(), qPrintable(opened.error().message));
        ProcessHandle h = std::move(opened).value();
        QCOMPARE(h.pid(), quint32(child.processId()));
        QVERIFY(!h.hasExited());
        QVERIFY(h.terminate(-1).isOk());
        QVERIFY(h.waitForExit().isOk());
        QVERIFY(h.hasExited());
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit); // ended by SIGKILL

        ProcessHandle moved(std::move(h));
        QVERIFY(moved.hasExited());
        QCOMPARE(h.terminate(0).code(), int(kInvalidHandle)); // NOLINT: moved-from on purpose
    }

    void openFailures() {
        QVERIFY(!ProcessHandle::openForTerminate(0).isOk());
        QVERIFY(!ProcessHandle::openForTerminate(0x7FFFFFF0u).isOk());
        QVERIFY(!ProcessHandle::openForTerminate(0xFFFFFFFFu).isOk());
    }

    void detached() {
        const auto pid = startDetached("sleep", {"30"}, tmp_.path());
        QVERIFY2(pid.isOk(), qPrintable(pid.error().message));
        const auto e = findPid(quint32(*pid));
        QVERIFY(e);
        QVERIFY(e->parentPid != quint32(::getpid()));
        auto h = ProcessHandle::openForTerminate(quint32(*pid));
        QVERIFY(h.isOk());
        QVERIFY(std::move(h).value().terminate(0).isOk());
        QCOMPARE(startDetached(tmp_.path() + "/no-such-program", {}).code(), int(kFileNotFound));
    }

    void executableTypes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("type");
        QTest::newRow("PE GUI 4.0") << pe(2, 4, 0, false, false) << "a.exe" << 0x04004550u;
        QTest::newRow("PE32+ GUI 6.1") << pe(2, 6, 1, false, true) << "a.exe" << 0x06014550u;
        QTest::newRow("PE console") << pe(3, 4, 0, false, false) << "a.exe" << 0x00004550u;
        QTest::newRow("PE DLL") << pe(2, 4, 0, true, false) << "a.dll" << 0u;
        QTest::newRow("PE cut short") << pe(2, 4, 0, false, false).left(0x90) << "a.exe" << 0x5A4Du;
        QByteArray ne = mzWith("NE");
        ne[0x80 + 0x36] = 2;
        put16(ne, 0x80 + 0x3E, 0x030A);
        QTest::newRow("NE Windows 3.1") << ne << "a.exe" << 0x030A454Eu;
        QByteArray os2 = ne;
        os2[0x80 + 0x36] = 1;
        QTest::newRow("NE OS/2") << os2 << "a.exe" << 0u;
        QTest::newRow("LE") << mzWith("LE") << "a.vxd" << 0x454Cu;
        QTest::newRow("MZ only") << mzWith("??") << "a.exe" << 0x5A4Du;
        QByteArray far = mzWith("");
        put32(far, 0x3C, 0x7FFFFFFF);
        QTest::newRow("new header past the end") << far << "a.exe" << 0x5A4Du;
        QTest::newRow("short MZ") << QByteArray("MZ") << "a.exe" << 0x5A4Du;
        QTest::newRow("text") << QByteArray("#!/bin/sh\n") << "a.exe" << 0u;
        QTest::newRow("empty") << QByteArray() << "a.exe" << 0u;
        QTest::newRow("DOS .com") << QByteArray("\xB4\x4C\xCD\x21") << "a.COM" << 0x5A4Du;
    }
    void executableTypes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(quint32, type);
        QCOMPARE(executableType(writeFile(name, bytes)), type);
    }

    void executableTypeOfMissingAndRandom() {
        QCOMPARE(executableType(tmp_.path() + "/missing.exe"), 0u);
        QCOMPARE(executableType(tmp_.path()), 0u);
        QRandomGenerator rng(7);
        const QByteArray base = pe(2, 4, 0, false, false);
        for (int i = 0; i < 500; ++i) {
            QByteArray b = base.left(rng.bounded(base.size() + 1));
            for (int k = 0; k < 8 && !b.isEmpty(); ++k)
                b[rng.bounded(int(b.size()))] = char(rng.bounded(256));
            const quint32 t = executableType(writeFile("fuzz.exe", b));
            const quint32 sig = t & 0xFFFF;
            QVERIFY(t == 0 || sig == 0x5A4D || sig == 0x4550 || sig == 0x454E || sig == 0x454C);
        }
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
