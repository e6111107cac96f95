// The language files are keyed by the windows' and widgets' object names ("[Form1]",
// "SpeedButton7"): a translator's file must keep finding every control it names. Every section
// and key of the English file the program writes must name a live window and one of its widgets.

#include "MainWindowStart.h"
#include "support/SamplePrefix.h"

#include "lang/LanguageFiles.h"
#include "restore/gui/RestoreProgressWindow.h"

#include <QApplication>
#include <QTemporaryDir>

namespace {

// section -> keys, as the written file holds them (bytes decoded as the program reads them).
QMap<QString, QStringList> sectionsOf(const QByteArray& bytes) {
    QMap<QString, QStringList> out;
    QString section;
    for (const QString& raw : QString::fromLatin1(bytes).split(QStringLiteral("\r\n"))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            out[section];
        } else if (!section.isEmpty() && line.contains(QLatin1Char('='))) {
            out[section] << line.section(QLatin1Char('='), 0, 0).trimmed();
        }
    }
    return out;
}

QWidget* windowNamed(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName().compare(name, Qt::CaseInsensitive) == 0) return w;
    return nullptr;
}

} // namespace

class TestObjectNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyCaptionKeyNamesALiveWidget() {
        support::SamplePrefix prefix;
        testsupport::Start start;
        QVERIFY(start.form);
        restore::RestoreProgressWindow restoreWindow; // made when a restore starts

        const auto sections = sectionsOf(lang::englishLanguageFileBytes());
        QVERIFY(sections.contains(QStringLiteral("Form1")));
        QStringList missing;
        for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
            if (it.key() == QLatin1String("Language") || it.key() == QLatin1String("Messages"))
                continue; // not windows: the language's name and the message table
            QWidget* window = windowNamed(it.key());
            if (!window) {
                missing << QStringLiteral("[%1]").arg(it.key());
                continue;
            }
            for (const QString& key : it.value())
                if (!window->findChild<QObject*>(key) &&
                    window->objectName().compare(key, Qt::CaseInsensitive) != 0)
                    missing << QStringLiteral("[%1] %2").arg(it.key(), key);
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(TestObjectNames)
#include "tst_objectnames.moc"
