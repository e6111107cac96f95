// The wizard's restore pages on a backup of Outlook Express the wizard makes
// first: choosing the file, the items, the location, ready, restoring, and the
// outcomes (restored below a folder, refused as its files exist, a damaged
// archive refused when chosen); then the restore progress window at work,
// stopped by Abort.
#include "Shots.h"

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/SettingsStore.h"
#include "app/gui/GuiInteraction.h"
#include "app/gui/GuiStartup.h"
#include "app/gui/MainWindow.h"
#include "app/gui/Wizard.h"
#include "backup/BackupEngine.h"
#include "base/Settings.h"
#include "lang/Localization.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "restore/RestoreJob.h"
#include "restore/gui/RestoreProgressWindow.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

template <typename T> T* child(QWidget* w, const char* name) {
    return w->findChild<T*>(QString::fromLatin1(name));
}

// The archive picked in the restore file page's list, once the list has read its folder.
void pick(QWidget* form1, const QString& host) {
    auto* view = child<QListView>(form1, "ShellListView1");
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    for (int i = 0; i < 100 && !model->index(host).isValid(); ++i)
        shots::Settle(50);
    view->setCurrentIndex(model->index(host));
}

} // namespace

int main(int argc, char** argv) {
    return shots::Run(argc, argv, [] {
        app::GuiInteraction ui;
        app::AppContext ctx(ui);
        ui.setMessages(&ctx.localization().messages());
        ui.setCaptions(&ctx.localization().captions());
        app::GuiStartupHooks hooks(&ui);
        hooks.setRunEventLoop(false);
        if (!shots::Language().isEmpty())
            if (auto key = ctx.registry().open(platform::HKEY_CURRENT_USER,
                                               app::SettingsStore::kKeyPath, true))
                (void)key.value().writeString(QStringLiteral("Language"), shots::Language());
        app::RunProgram(ctx, hooks, app::DefaultCommandHandlers(), {},
                        shots::ProgramFolder(platform::programHostFolder()));
        app::MainWindow* form1 = hooks.mainWindow();
        form1->SetViewMode(true);
        auto* next = child<QToolButton>(form1, "SpeedButton5");
        auto* back = child<QToolButton>(form1, "SpeedButton4");
        auto* home = child<QToolButton>(form1, "SpeedButton11");

        // A backup to restore from, made by the wizard.
        child<QToolButton>(form1, "SpeedButton7")->click();
        child<QRadioButton>(form1, "RadioButton5")->click();
        next->click();
        next->click();
        const QString target = child<QLineEdit>(form1, "Edit8")->text();
        next->click();
        next->click();
        shots::Settle(600);
        home->click();
        const QString archive = ctx.files().hostPath(target).valueOr(QString());

        QTemporaryDir scratch;
        const QString damaged = QFileInfo(archive).absolutePath() + QStringLiteral("/Damaged.ebk");
        QFile::remove(damaged);
        QFile::copy(archive, damaged);
        {
            QFile f(damaged);
            if (f.open(QIODevice::ReadWrite)) {
                f.seek(f.size() / 3);
                f.write(QByteArray(2048, '\0'));
            }
        }

        child<QToolButton>(form1, "SpeedButton8")->click();
        pick(form1, archive);
        shots::Save(form1, QStringLiteral("wizard-9-restore-file"));
        next->click();
        shots::Save(form1, QStringLiteral("wizard-10-restore-items"));
        next->click();
        child<QRadioButton>(form1, "RadioButton20")->click();
        const QString folder =
            ctx.files().windowsPath(scratch.path()) + QStringLiteral("\\Restored");
        child<QLineEdit>(form1, "Edit11")->setText(folder);
        shots::Save(form1, QStringLiteral("wizard-11-restore-location"));
        next->click();
        shots::Save(form1, QStringLiteral("wizard-12-restore-ready"));
        QTimer during;
        during.setInterval(0);
        QObject::connect(&during, &QTimer::timeout, [&] {
            if (!form1->wizard().running()) return;
            during.stop();
            shots::Save(form1, QStringLiteral("wizard-13-restoring"));
            // Closing now asks; Cancel lets the restore go on.
            shots::SaveModal(QStringLiteral("wizard-13-close-during-restore"),
                             [&] { form1->close(); });
        });
        during.start();
        next->click();
        shots::Settle(600);
        shots::Save(form1, QStringLiteral("wizard-14-restore-completed"));
        home->click();

        // The same folder again: its files exist, nothing is replaced - a failure in red.
        child<QToolButton>(form1, "SpeedButton8")->click();
        pick(form1, archive);
        next->click();
        next->click();
        next->click();
        next->click();
        shots::Settle(600);
        shots::Save(form1, QStringLiteral("wizard-14-restore-failed"));
        home->click();

        // A damaged archive is refused as soon as it is chosen.
        child<QToolButton>(form1, "SpeedButton8")->click();
        pick(form1, damaged);
        shots::SaveModal(QStringLiteral("wizard-9-damaged-archive-refused"),
                         [&] { next->click(); });
        back->click();
        QFile::remove(damaged);

        // The standard mode's Restore tab, filled from the backup chosen in its tree.
        form1->SetViewMode(false);
        child<QTabWidget>(form1, "PageControl1")
            ->setCurrentWidget(child<QWidget>(form1, "TabSheet2"));
        auto* tree = child<QTreeView>(form1, "ShellTreeView2");
        tree->setCurrentIndex(qobject_cast<QFileSystemModel*>(tree->model())->index(archive));
        shots::Settle(400);
        shots::Save(form1, QStringLiteral("main-restore-tab"));
        form1->SetViewMode(true);

        // The restore progress window: at work, then stopped by Abort.
        if (ctx.job() && ctx.engine()) {
            restore::RestoreJob job(restore::RestoreJob::Deps{
                *ctx.job(), ctx.engine()->library(), ctx.registry(), ctx.files(), ctx.catalogue(),
                ui, [](int) { return false; }});
            restore::RestoreRequest request;
            request.archive = archive;
            request.destination = restore::RestoreRequest::Destination::Folder;
            request.folder = scratch.filePath(QStringLiteral("Form3"));
            restore::RestoreProgressWindow window(form1, &ctx.localization().captions());
            window.setJob(&job, request, &ctx.localization().messages());
            auto* button = child<QPushButton>(&window, "Button1");
            int steps = 0;
            QTimer user;
            user.setInterval(0);
            QObject::connect(&user, &QTimer::timeout, [&] {
                if (window.running()) {
                    // A few files placed, then Abort.
                    if (child<QListWidget>(&window, "ListBox1")->count() == 3 && ++steps == 1) {
                        shots::Save(&window, QStringLiteral("form3-restoring"));
                        button->click();
                    }
                } else if (steps >= 1) {
                    user.stop();
                    shots::Save(&window, QStringLiteral("form3-aborted"));
                    window.reject();
                }
            });
            user.start();
            window.ShowModal();
            user.stop();

            // A whole restore, then the same folder again: refused with every file named.
            request.folder = scratch.filePath(QStringLiteral("Form3 twice"));
            QTimer closer;
            closer.setInterval(0);
            QString shot;
            QObject::connect(&closer, &QTimer::timeout, [&] {
                // The window has ended its run once it holds the run's outcome.
                if (window.running() || window.report().headline.isEmpty()) return;
                if (!shot.isEmpty()) {
                    shots::Settle(100);
                    shots::Save(&window, shot);
                }
                window.reject();
            });
            window.setJob(&job, request, &ctx.localization().messages());
            closer.start();
            window.ShowModal();
            shot = QStringLiteral("form3-failed-long");
            window.setJob(&job, request, &ctx.localization().messages());
            window.ShowModal();
            closer.stop();
        }
        form1->close();
    });
}
