// The options and schedule editors: the two tabs' contents, the two dialogs,
// the folder picker and the message boxes these editors show.

#include "Shots.h"

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "app/gui/GuiInteraction.h"
#include "base/Settings.h"
#include "clients/ClientTreeModel.h"
#include "clients/Clients.h"
#include "clients/gui/ClientTree.h"
#include "lang/Localization.h"
#include "options/gui/OptionsDialog.h"
#include "options/gui/OptionsTab.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "schedule/CompanionControl.h"
#include "schedule/LastRun.h"
#include "schedule/ScheduleStore.h"
#include "schedule/gui/ScheduleDialog.h"
#include "schedule/gui/ScheduleTab.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>

namespace {

// Stand-ins for the check images: an empty box, a ticked box, the root's folder.
QList<QIcon> checkImages() {
    QList<QIcon> out;
    for (int kind = 0; kind < 3; ++kind) {
        QPixmap p(16, 16);
        p.fill(Qt::transparent);
        QPainter g(&p);
        g.setRenderHint(QPainter::Antialiasing);
        if (kind == 2) {
            g.setBrush(QColor(0xe8, 0xc0, 0x50));
            g.setPen(QColor(0x90, 0x70, 0x20));
            g.drawRect(1, 4, 13, 10);
        } else {
            g.setBrush(Qt::white);
            g.setPen(QColor(0x40, 0x40, 0x40));
            g.drawRect(2, 2, 11, 11);
            if (kind == 1) {
                g.setPen(QPen(QColor(0x10, 0x80, 0x10), 2));
                g.drawPolyline(QPolygon({QPoint(4, 8), QPoint(7, 11), QPoint(12, 4)}));
            }
        }
        out << QIcon(p);
    }
    return out;
}

QTreeWidgetItem* node(QWidget* editor, int code) {
    return clients::FindClientNode(*editor->findChild<QTreeWidget*>(QStringLiteral("TreeView2")),
                                   code);
}

} // namespace

int main(int argc, char** argv) {
    return shots::Run(argc, argv, [] {
        app::GuiInteraction gui;
        app::AppContext ctx(gui);
        app::SettingsStore& store = ctx.settingsStore();
        store.InitFolders();
        // A program folder of its own, without the companion.
        const QString ownHost = QDir::tempPath() + QStringLiteral("/postora-shots-editors");
        const QString programHost = shots::ProgramFolder(ownHost);
        QDir().mkpath(programHost);
        store.settings().programFolder =
            platform::includeTrailingBackslash(ctx.files().windowsPath(programHost));
        if (!shots::Language().isEmpty()) store.settings().language = shots::Language();
        (void)ctx.localization().SelectLanguageFile({});
        store.LoadOptionSettings();
        store.LoadMainSettings();
        gui.setMessages(&ctx.localization().messages());
        auto message = [&ctx](const QString& key) {
            return ctx.localization().messages().GetMessage(key);
        };
        base::Settings& s = store.settings();

        // Options: a new file each time, the last 5 kept, protected.
        s.backupMode = base::BackupMode::KeepLast;
        s.backupKeep = 5;
        s.backupUsePsw = true;
        s.backupPassword = QStringLiteral("secret1");
        options::OptionsTab optionsTab(store, gui, message);
        optionsTab.setFixedSize(552, 295);
        optionsTab.fill();
        optionsTab.showTab();
        optionsTab.show();
        shots::Save(&optionsTab, QStringLiteral("editors-options-tab"));

        optionsTab.findChild<QLineEdit*>(QStringLiteral("Edit7"))->setText(QStringLiteral("other"));
        shots::SaveModal(QStringLiteral("editors-message6"), [&] {
            optionsTab.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        });
        optionsTab.findChild<QLineEdit*>(QStringLiteral("Edit6"))->setText(QStringLiteral("abcd"));
        optionsTab.findChild<QLineEdit*>(QStringLiteral("Edit7"))->setText(QStringLiteral("abcd"));
        shots::SaveModal(QStringLiteral("editors-message23"), [&] {
            optionsTab.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        });

        options::OptionsDialog form9(store, gui, message, nullptr, &ctx.localization().captions());
        shots::SaveModal(QStringLiteral("editors-form9"), [&] { form9.exec(); });

        // Schedule: Outlook Express ticked, Outlook's last run failed.
        clients::ClientTreeModel model(ctx.catalogue());
        schedule::CompanionControl companion(
            ctx.registry(), ctx.files(), ctx.procList(), s.programFolder,
            [&ctx](const QString& key) { ctx.localization().messageBox().ShowErrorMessage(key); });
        schedule::ScheduleStore scheduleStore(ctx.registry());
        scheduleStore.WriteSelected(clients::kOutlookExpress, true);
        scheduleStore.WriteSelected(clients::kOutlook, true);
        const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
        schedule::RecordSuccess(ctx.registry(), clients::kOutlookExpress, yesterday);
        schedule::RecordFailure(ctx.registry(), clients::kOutlook, yesterday,
                                QStringLiteral("skipped: the program was running"));
        auto deps = [&] {
            return schedule::ScheduleDeps{ctx.registry(), ctx.files(),   ctx.catalogue(), s,
                                          companion,      checkImages(), message};
        };
        schedule::ScheduleTab scheduleTab(deps());
        scheduleTab.setFixedSize(552, 295);
        scheduleTab.buildTree(model);
        scheduleTab.fill();
        scheduleTab.showTab();
        scheduleTab.show();
        auto* tree = scheduleTab.findChild<QTreeWidget*>(QStringLiteral("TreeView2"));
        tree->setCurrentItem(node(&scheduleTab, clients::kOutlookExpress));
        scheduleTab.editor().NodeClicked(node(&scheduleTab, clients::kOutlookExpress), false);
        shots::Save(&scheduleTab, QStringLiteral("editors-schedule-tab-ticked"));
        tree->setCurrentItem(node(&scheduleTab, clients::kOutlook));
        scheduleTab.editor().NodeClicked(node(&scheduleTab, clients::kOutlook), false);
        shots::Save(&scheduleTab, QStringLiteral("editors-schedule-tab-failed"));

        shots::SaveModal(QStringLiteral("editors-folder-picker"), [&] {
            scheduleTab.findChild<QPushButton*>(QStringLiteral("Button6"))->click();
        });
        // The companion is not in this program folder.
        shots::SaveModal(QStringLiteral("editors-message49"), [&] {
            scheduleTab.findChild<QCheckBox*>(QStringLiteral("CheckBox3"))->setChecked(true);
        });
        scheduleTab.findChild<QCheckBox*>(QStringLiteral("CheckBox3"))->setChecked(false);
        // The box shown when the running companion cannot be opened to end it.
        shots::SaveModal(QStringLiteral("editors-message2"), [&] {
            ctx.localization().messageBox().ShowErrorMessage(QStringLiteral("Message2"));
        });

        schedule::ScheduleDialog form10(deps(), nullptr, &ctx.localization().captions());
        form10.buildTree(model);
        shots::SaveModal(QStringLiteral("editors-form10"), [&] { form10.exec(); });
        if (programHost == ownHost) QDir(programHost).removeRecursively();
    });
}
