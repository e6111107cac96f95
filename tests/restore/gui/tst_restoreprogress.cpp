// The restore progress window over a sample prefix with the real archiving
// library: Abort stops the restore before its next file and what was placed
// stays listed; a long reason for a failure can be read whole.

#include "support/BackupRig.h"
#include "support/clients/EudoraSample.h"

#include "backup/BackupJob.h"
#include "restore/RestoreJob.h"
#include "restore/gui/RestoreProgressWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <functional>

using testsupport::BackupRig;

class TestRestoreProgress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_TOOLS("7z", "bsdtar"); }

    void abortKeepsWhatWasPlacedListed() {
        BackupRig rig;
        support::addEudora(rig.prefix);
        QStringList identities, items;
        rig.catalogue.GetIdentitiesAndItems(clients::kEudora, identities, items);
        QVERIFY(
            !rig.run(clients::kEudora, backup::AllTicked(identities), backup::AllTicked(items)));
        backup::BackupJob backupJob{*rig.engine, [](int) { return false; }};
        restore::RestoreJob job{rig.restoreDeps(backupJob, [](int) { return false; })};
        restore::RestoreRequest request;
        request.archive = rig.archive();
        request.destination = restore::RestoreRequest::Destination::Folder;
        request.folder = rig.out.filePath(QStringLiteral("restored"));

        restore::RestoreProgressWindow window;
        QCOMPARE(window.objectName(), QStringLiteral("Form3"));
        window.setJob(&job, request, nullptr);
        auto* list = window.findChild<QListWidget*>(QStringLiteral("ListBox1"));
        auto* button = window.findChild<QPushButton*>(QStringLiteral("Button1"));
        QCOMPARE(button->text(), QStringLiteral("Abort"));
        // Abort once the first file is placed; Close once the window says how it ended.
        bool aborted = false;
        std::function<void()> atEnd;
        QTimer user;
        user.setInterval(0);
        connect(&user, &QTimer::timeout, &window, [&] {
            if (window.running() && !aborted && list->count() == 1) {
                aborted = true;
                button->click();
            } else if (!window.running() && button->text() == QLatin1String("Close")) {
                QCoreApplication::sendPostedEvents();
                if (atEnd) atEnd();
                button->click();
            }
        });
        user.start();
        window.ShowModal();

        QVERIFY(aborted);
        const restore::RestoreReport& report = window.report();
        QVERIFY(report.aborted);
        QVERIFY(!report.ok());
        QCOMPARE(report.placed.size(), 1);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), report.placed.front());
        QVERIFY(QFile::exists(report.placed.front()));
        // The rest was never written: one file below the folder, no more.
        QDirIterator it(request.folder, QDir::Files, QDirIterator::Subdirectories);
        QStringList written;
        while (it.hasNext())
            written << it.next();
        QCOMPARE(written, report.placed);
        auto* status = window.findChild<QLabel*>(QStringLiteral("Label1"));
        QCOMPARE(status->text(), QStringLiteral("Restore aborted by user!"));
        QCOMPARE(status->palette().color(QPalette::WindowText), QColor(Qt::red));

        // A whole restore, then the same folder again: every file exists, and
        // the refusal names them all. The whole reason can be read, however
        // long, and the window no longer says it is restoring.
        request.folder = rig.out.filePath(QStringLiteral("restored twice"));
        window.setJob(&job, request, nullptr);
        window.ShowModal();
        QVERIFY2(window.report().ok(), qPrintable(window.report().error));
        QCOMPARE(list->count(), window.report().placed.size());
        window.setJob(&job, request, nullptr);
        QLabel* shown = nullptr;
        bool whole = false;
        bool reachable = false;
        bool listRoom = false;
        atEnd = [&] {
            // What was placed stays readable beside a long reason: rows, not a sliver.
            listRoom = list->viewport()->height() >= 3 * list->fontMetrics().height();
            for (QLabel* label : window.findChildren<QLabel*>())
                if (label->text().contains(window.report().error)) shown = label;
            if (!shown) return;
            whole = shown->height() >= shown->heightForWidth(shown->width());
            const QRect place(shown->mapTo(&window, QPoint()), shown->size());
            QScrollArea* scroll = nullptr;
            for (QWidget* w = shown; w && !scroll; w = w->parentWidget())
                scroll = qobject_cast<QScrollArea*>(w);
            reachable = window.rect().contains(place) ||
                        (scroll && scroll->verticalScrollBar()->maximum() > 0);
        };
        window.ShowModal();
        QVERIFY(!window.report().ok());
        QVERIFY2(window.report().error.size() > 400, qPrintable(window.report().error));
        QVERIFY(shown);
        QVERIFY(whole);
        QVERIFY(reachable);
        QVERIFY(listRoom);
        QVERIFY(!window.findChild<QLabel*>(QStringLiteral("Label2"))
                     ->text()
                     .contains(QLatin1String("is restoring")));
    }
};

QTEST_MAIN(TestRestoreProgress)
#include "tst_restoreprogress.moc"
