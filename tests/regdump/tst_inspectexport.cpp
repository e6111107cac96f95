// "postora-inspect export" writes what a backup holds: the same escapes, typed
// forms and character set, chosen by the locale of the command's environment.

#include "platform/Encoding.h"
#include "platform/Registry.h"
#include "support/InspectRun.h"
#include "support/RequireTools.h"
#include "support/SamplePrefix.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace platform;

class TestInspectExport : public QObject {
    Q_OBJECT

    std::unique_ptr<support::SamplePrefix> sample_;

    QByteArray exported(const QString& key, const QString& locale) {
        const QString file = sample_->root() + QStringLiteral("/dump.reg");
        QFile::remove(file);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), locale);
        const testsupport::InspectRun r = testsupport::runInspect(
            {QStringLiteral("export"), QStringLiteral("HKEY_CURRENT_USER"), key, file}, env);
        if (r.code != 0) return "<export failed>";
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

private Q_SLOTS:
    void initTestCase() {
        sample_ = std::make_unique<support::SamplePrefix>();
        sample_->setValue(HKEY_CURRENT_USER, QStringLiteral("Software\\Mail\\Id"),
                          RegValue::string(QStringLiteral("Store \"Root\""),
                                           QStringLiteral("C:\\Mail\\"), REG_EXPAND_SZ));
        sample_->setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Mail\\Id"),
                           QStringLiteral("Path"), QStringLiteral("C:\\Mail\\Inbox\\"));
        sample_->setString(HKEY_CURRENT_USER, QStringLiteral("Software\\Mail\\Имя"),
                           QStringLiteral("Username"), QStringLiteral("Иван"));
        sample_->save();
    }

    void sameRulesAsTheBackup() {
        QCOMPARE(exported(QStringLiteral("Software\\Mail\\Id"), QStringLiteral("C.UTF-8")),
                 QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Mail\\Id]\r\n"
                            "\"Store \\\"Root\\\"\"=hex(2):43,3A,5C,4D,61,69,6C,5C,00\r\n"
                            "\"Path\"=\"C:\\\\Mail\\\\Inbox\\\\\"\r\n"));
        const QString cyrillic = QStringLiteral("Software\\Mail\\Имя");
        const QString text = QStringLiteral("[HKEY_CURRENT_USER\\Software\\Mail\\Имя]\r\n"
                                            "\"Username\"=\"Иван\"\r\n");
        QCOMPARE(exported(cyrillic, QStringLiteral("C.UTF-8")),
                 QByteArray("\xFF\xFE") +
                     utf16LeBytes(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") +
                                  text));
        QCOMPARE(exported(cyrillic, QStringLiteral("ru_RU.UTF-8")),
                 "REGEDIT4\r\n\r\n" + encodeCodePage(text, 1251).value());
    }
    void archivePasswordStaysOffTheCommandLine() {
        // Other users read a command line in the process list: the password comes from the
        // environment (or the terminal), and one given on the command line still works but
        // draws a warning.
        SKIP_WITHOUT_TOOLS("7z");
        const QString file = sample_->root() + QStringLiteral("/mail.txt");
        const QString archive = sample_->root() + QStringLiteral("/secret.zip");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("mail\n");
        }
        QProcess zip;
        zip.start(QStringLiteral("7z"),
                  {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-pright"),
                   QStringLiteral("-mem=AES256"), archive, file});
        QVERIFY(zip.waitForFinished(60000) && zip.exitCode() == 0);
        const QStringList test{QStringLiteral("archive"), QStringLiteral("test"), archive};
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("POSTORA_PASSWORD"));

        const testsupport::InspectRun given = testsupport::runInspect(
            test + QStringList{QStringLiteral("--password"), QStringLiteral("right")}, env);
        QCOMPARE(given.code, 0);
        QVERIFY2(given.err.contains(QLatin1String("process list")), qPrintable(given.err));

        QProcessEnvironment withVariable = env;
        withVariable.insert(QStringLiteral("POSTORA_PASSWORD"), QStringLiteral("right"));
        const testsupport::InspectRun fromEnv = testsupport::runInspect(test, withVariable);
        QVERIFY2(fromEnv.code == 0 && fromEnv.err.isEmpty(), qPrintable(fromEnv.err));

        // Typed on the terminal, where it is not shown.
        if (!QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty()) {
            static const char kTerminal[] = R"(
import os, pty, sys
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], sys.argv[1:])
seen = b''
def more():
    global seen
    try:
        chunk = os.read(fd, 1024)
    except OSError:
        return False
    seen += chunk
    return bool(chunk)
while b'Password: ' not in seen and more():
    pass
os.write(fd, b'right\n')
while more():
    pass
status = os.waitpid(pid, 0)[1]
sys.stdout.write(seen.decode(errors='replace'))
sys.exit(os.waitstatus_to_exitcode(status))
)";
            QProcess typed;
            typed.setProcessEnvironment(env);
            typed.start(QStringLiteral("python3"),
                        QStringList{QStringLiteral("-c"), QString::fromLatin1(kTerminal),
                                    qEnvironmentVariable("POSTORA_BIN_DIR",
                                                         QStringLiteral(POSTORA_BIN_DIR)) +
                                        QStringLiteral("/postora-inspect")} +
                            test);
            QVERIFY(typed.waitForFinished(60000));
            const QString shown = QString::fromUtf8(typed.readAllStandardOutput());
            QVERIFY2(typed.exitCode() == 0 && shown.contains(QLatin1String("Password: ")) &&
                         !shown.contains(QLatin1String("right")),
                     qPrintable(shown + QString::fromUtf8(typed.readAllStandardError())));
        }

        withVariable.insert(QStringLiteral("POSTORA_PASSWORD"), QStringLiteral("wrong"));
        const testsupport::InspectRun wrong = testsupport::runInspect(test, withVariable);
        QCOMPARE(wrong.code, 1);
        QVERIFY2(wrong.err.contains(QLatin1String("wrong password")), qPrintable(wrong.err));
    }
    void extractionSaysWhatWasLeftAfterAFailingEntry() {
        // A damaged entry stops the extraction: the message names it and says that the entries
        // after it were not extracted, so that nobody takes the folder for the whole backup.
        SKIP_WITHOUT_TOOLS("7z");
        const QString dir = sample_->root() + QStringLiteral("/damaged");
        QVERIFY(QDir().mkpath(dir));
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            QFile f(dir + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("content of ") + name);
        }
        const QString archive = sample_->root() + QStringLiteral("/damaged.zip");
        QProcess zip;
        zip.setWorkingDirectory(dir);
        zip.start(QStringLiteral("7z"),
                  {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mx=0"), archive,
                   QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")});
        QVERIFY(zip.waitForFinished(60000) && zip.exitCode() == 0);
        QFile f(archive);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        const qsizetype at = bytes.indexOf("content of a.txt");
        QVERIFY(at > 0);
        bytes[at] = 'C';
        QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
        f.close();
        const testsupport::InspectRun r = testsupport::runInspect(
            {QStringLiteral("archive"), QStringLiteral("extract"), archive, QStringLiteral("--to"),
             sample_->root() + QStringLiteral("/out")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QLatin1String("entry a.txt: damaged data")) &&
                     r.err.contains(QLatin1String("the 2 entries after it were not extracted")),
                 qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestInspectExport)
#include "tst_inspectexport.moc"
