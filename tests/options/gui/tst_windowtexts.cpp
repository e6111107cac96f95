// The captions of the fixed-size windows: every English text shows whole on
// every page of the main window and in the options and schedule dialogs, and
// a translation a third longer wraps or elides with its whole text as tool
// tip, never cut off without a sign.

#include "app/gui/MainWindowStart.h"
#include "support/FindChild.h"
#include "support/SamplePrefix.h"
#include "support/clients/EveryClient.h"

#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTranslator.h"
#include "lang/LanguageFiles.h"
#include "lang/Localization.h"
#include "lang/gui/FittingCaptions.h"
#include "options/gui/OptionsDialog.h"
#include "platform/Files.h"
#include "schedule/gui/ScheduleDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using support::child;

namespace {

// The captions a person reads on what window shows now.
QList<QWidget*> shownCaptions(QWidget* window) {
    QList<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty())
            out << w;
        else if ((qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) &&
                 !static_cast<QAbstractButton*>(w)->text().isEmpty())
            out << w;
    }
    return out;
}

QString captionOf(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    return static_cast<QAbstractButton*>(w)->text();
}

// A caption is cut when its control is smaller than the caption needs.
bool cut(QWidget* w) {
    auto* label = qobject_cast<QLabel*>(w);
    if (label && label->wordWrap()) return w->height() < w->heightForWidth(w->width());
    return w->width() < w->sizeHint().width();
}

// Lets the layouts settle and the controls paint, as a person would see them.
void settle(QWidget* window) {
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents();
    (void)window->grab();
}

// Every caption shows whole; names the first one that does not.
void expectWhole(QWidget* window, const QString& where) {
    settle(window);
    for (QWidget* w : shownCaptions(window))
        QVERIFY2(!cut(w), qPrintable(QStringLiteral("%1: %2 \"%3\" %4 < %5")
                                         .arg(where, w->objectName(), captionOf(w))
                                         .arg(w->width())
                                         .arg(w->sizeHint().width())));
}

// Every caption shows whole, wraps, or shows elided with the whole text as tool tip.
void expectWholeOrElided(QWidget* window, const QString& where, int& elided) {
    settle(window);
    for (QWidget* w : shownCaptions(window)) {
        if (!cut(w)) continue;
        const QString what = where + QStringLiteral(": ") + w->objectName();
        QVERIFY2(lang::CaptionElided(w), qPrintable(what));
        QVERIFY2(w->toolTip() == captionOf(w), qPrintable(what));
        ++elided;
    }
}

// The English file with every word about a third longer.
QByteArray longerTexts() {
    QString text = QString::fromUtf8(lang::englishLanguageFileBytes());
    QString out;
    bool inLanguage = false;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QLatin1Char('['))) inLanguage = line == QStringLiteral("[Language]");
        const int at = line.indexOf(QLatin1Char('='));
        if (at < 0 || inLanguage) {
            out += line + QStringLiteral("\r\n");
            continue;
        }
        QString value = line.mid(at + 1);
        static const QRegularExpression word(QStringLiteral("(?<!%%)\\b[A-Za-z]+\\b"));
        QString longer;
        qsizetype from = 0;
        for (const auto& m : word.globalMatch(value)) {
            const QString w = m.captured();
            longer += value.mid(from, m.capturedStart() - from) + w +
                      (w + w).left((w.size() * 35 + 99) / 100).toLower();
            from = m.capturedEnd();
        }
        out += line.left(at + 1) + longer + value.mid(from) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

struct Windows {
    testsupport::Start& start;
    QTabWidget* standard() const { return start.child<QTabWidget>("PageControl1"); }
    QTabWidget* wizard() const { return start.child<QTabWidget>("PageControl2"); }
    QWidget* options() const { return start.hooks.optionsWindow(); }
    QWidget* schedule() const { return start.hooks.scheduleWindow(); }

    // Checks every page of both modes and both dialogs; returns how many captions elided.
    int check(bool english) {
        int elided = 0;
        const auto one = [&](QWidget* window, const QString& where) {
            if (english)
                expectWhole(window, where);
            else
                expectWholeOrElided(window, where, elided);
        };
        start.form->SetViewMode(false);
        for (int page = 0; page < standard()->count(); ++page) {
            standard()->setCurrentIndex(page);
            one(start.form, QStringLiteral("standard page %1").arg(page));
        }
        start.form->SetViewMode(true);
        // The pages as they look, without what entering them sets going.
        const QSignalBlocker quiet(wizard());
        for (int page = 0; page < wizard()->count(); ++page) {
            wizard()->setCurrentIndex(page);
            one(start.form, QStringLiteral("wizard page %1").arg(page));
        }
        wizard()->setCurrentIndex(0);
        for (QWidget* dialog : {options(), schedule()}) {
            dialog->show();
            one(dialog, dialog->objectName());
            dialog->hide();
        }
        return elided;
    }
};

} // namespace

class TestWindowTexts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void englishShowsWholeLongerTextsElide();
};

void TestWindowTexts::englishShowsWholeLongerTextsElide() {
    support::SamplePrefix prefix;
    support::addEveryClient(prefix);
    testsupport::Start start;
    Windows windows{start};
    windows.check(true);

    // The schedule editors show the whole folder and every client's name.
    start.form->SetViewMode(false);
    windows.standard()->setCurrentIndex(2);
    for (QWidget* editor : {windows.standard()->currentWidget(), windows.schedule()}) {
        editor->window()->show();
        settle(editor->window());
        auto* folder = child<QLineEdit>(editor, "Edit4");
        QVERIFY(!folder->text().isEmpty());
        QVERIFY2(folder->width() > folder->fontMetrics().horizontalAdvance(folder->text()) + 8,
                 qPrintable(folder->text()));
        auto* tree = child<QTreeWidget>(editor, "TreeView2");
        tree->expandAll();
        settle(editor->window());
        for (QTreeWidgetItem* node :
             tree->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive)) {
            const int end = tree->visualItemRect(node).left() + tree->iconSize().width() + 8 +
                            tree->fontMetrics().horizontalAdvance(node->text(0));
            QVERIFY2(end <= tree->viewport()->width(), qPrintable(node->text(0)));
        }
    }
    windows.schedule()->hide();

    // The German file shipped beside the program shows whole as well.
    lang::CaptionTranslator& captions = start.ctx.localization().captions();
    captions.SetFileName(
        start.ctx.files().windowsPath(QStringLiteral(POSTORA_SHIPPING_BIN_DIR "/Deutsch.lng")));
    QVERIFY(captions.Translate(clients::CaptionWindows()));
    QCOMPARE(start.child<QWidget>("Button8")->property("text").toString(),
             QStringLiteral("Beenden"));
    windows.check(true);

    // A translation a third longer than English.
    QTemporaryDir dir;
    QFile longer(dir.filePath(QStringLiteral("Longer.lng")));
    QVERIFY(longer.open(QIODevice::WriteOnly));
    longer.write(longerTexts());
    longer.close();
    captions.SetFileName(start.ctx.files().windowsPath(longer.fileName()));
    QVERIFY(captions.Translate(clients::CaptionWindows()));
    QVERIFY(child<QLabel>(windows.schedule(), "Label14")->text().startsWith("Backupsbac "));
    QVERIFY(windows.check(false) > 0);
    start.form->close();
}

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
