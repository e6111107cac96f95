// "postora-inspect export" writes what a backup holds: the same escapes, typed
// forms and character set, chosen by the locale of the command's environment.

#include "platform/encoding.h"
#include "platform/registry.h"
#include "support/InspectRun.h"
#include "support/SamplePrefix.h"

#include <QFile>
#include <QProcess>
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
};

QTEST_GUILESS_MAIN(TestInspectExport)
#include "tst_inspectexport.moc"
