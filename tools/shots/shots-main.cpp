// The splash, the main window in both modes with Outlook Express chosen, and
// the Backup tab's error boxes.
#include "Shots.h"

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/SettingsStore.h"
#include "app/gui/GuiInteraction.h"
#include "app/gui/GuiStartup.h"
#include "app/gui/MainWindow.h"
#include "app/gui/SplashScreen.h"
#include "app/gui/Wizard.h"
#include "base/Settings.h"
#include "lang/Localization.h"
#include "platform/DriveMap.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

void tickAll(QListWidget* list, Qt::CheckState state) {
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(state);
}

class ShotHooks : public app::GuiStartupHooks {
public:
    using GuiStartupHooks::GuiStartupHooks;
    void splashStatus(int percent) override {
        GuiStartupHooks::splashStatus(percent);
        if (percent == 20) shots::Save(splash(), QStringLiteral("splash"));
    }
};

template <typename T> T* child(QWidget* w, const char* name) {
    return w->findChild<T*>(QString::fromLatin1(name));
}

} // namespace

int main(int argc, char** argv) {
    return shots::Run(argc, argv, [] {
        app::GuiInteraction ui;
        app::AppContext ctx(ui);
        ui.setMessages(&ctx.localization().messages());
        ui.setCaptions(&ctx.localization().captions());
        ShotHooks hooks(&ui);
        hooks.setRunEventLoop(false);
        if (!shots::Language().isEmpty())
            if (auto key = ctx.registry().open(platform::HKEY_CURRENT_USER,
                                               app::SettingsStore::kKeyPath, true))
                (void)key.value().writeString(QStringLiteral("Language"), shots::Language());
        app::RunProgram(ctx, hooks, app::DefaultCommandHandlers(), {},
                        shots::ProgramFolder(platform::programHostFolder()));
        app::MainWindow* form1 = hooks.mainWindow();
        shots::Save(form1, QStringLiteral("main-wizard"));
        form1->SetViewMode(false);
        shots::Save(form1, QStringLiteral("main-standard-first-start"));
        auto* button2 = child<QPushButton>(form1, "Button2");
        shots::SaveModal(QStringLiteral("message4-select-client"), [&] { button2->click(); });

        auto* tree = child<QTreeWidget>(form1, "TreeView1");
        const auto found = tree->findItems(QStringLiteral("Outlook Express"),
                                           Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty()) {
            tree->setCurrentItem(found.front());
            Q_EMIT tree->itemClicked(found.front(), 0);
        }
        shots::Save(form1, QStringLiteral("main-standard-outlook-express"));
        auto* tabs = child<QTabWidget>(form1, "PageControl1");
        tabs->setCurrentIndex(2);
        shots::Save(form1, QStringLiteral("main-standard-schedule-tab"));
        tabs->setCurrentIndex(3);
        shots::Save(form1, QStringLiteral("main-standard-options-tab"));
        tabs->setCurrentIndex(0);

        auto* identities = child<QListWidget>(form1, "CheckListBox1");
        tickAll(identities, Qt::Unchecked);
        shots::SaveModal(QStringLiteral("message5-no-identity"), [&] { button2->click(); });
        auto* edit1 = child<QLineEdit>(form1, "Edit1");
        const QString file = edit1->text();
        edit1->setText(QString());
        shots::SaveModal(QStringLiteral("message15-empty-file"), [&] { button2->click(); });
        edit1->setText(QStringLiteral("Q:\\nowhere\\a.ebk"));
        shots::SaveModal(QStringLiteral("message15-missing-drive"), [&] { button2->click(); });
        edit1->setText(file);

        // The wizard with Outlook Express, page by page.
        form1->SetViewMode(true);
        auto* next = child<QToolButton>(form1, "SpeedButton5");
        auto* back = child<QToolButton>(form1, "SpeedButton4");
        shots::SaveModal(QStringLiteral("wizard-options-dialog"),
                         [&] { child<QToolButton>(form1, "SpeedButton10")->click(); });
        shots::SaveModal(QStringLiteral("wizard-schedule-dialog"),
                         [&] { child<QToolButton>(form1, "SpeedButton9")->click(); });
        child<QToolButton>(form1, "SpeedButton7")->click();
        shots::Save(form1, QStringLiteral("wizard-3-client"));
        child<QRadioButton>(form1, "RadioButton5")->click();
        next->click();
        shots::Save(form1, QStringLiteral("wizard-4-items"));
        auto* wizardIds = child<QListWidget>(form1, "CheckListBox5");
        tickAll(wizardIds, Qt::Unchecked);
        shots::SaveModal(QStringLiteral("wizard-message34-no-identity"), [&] { next->click(); });
        tickAll(wizardIds, Qt::Checked);
        auto* items = child<QListWidget>(form1, "CheckListBox8");
        tickAll(items, Qt::Unchecked);
        shots::SaveModal(QStringLiteral("wizard-message35-no-item"), [&] { next->click(); });
        tickAll(items, Qt::Checked);
        next->click();
        shots::Save(form1, QStringLiteral("wizard-5-file"));
        child<QCheckBox>(form1, "CheckBox1")->setChecked(true);
        child<QLineEdit>(form1, "Edit9")->setText(QStringLiteral("secret1"));
        child<QLineEdit>(form1, "Edit10")->setText(QStringLiteral("secret2"));
        shots::SaveModal(QStringLiteral("wizard-message6-passwords-differ"),
                         [&] { next->click(); });
        // Protection on with no password is refused, as the options' Save refuses it.
        child<QLineEdit>(form1, "Edit9")->clear();
        child<QLineEdit>(form1, "Edit10")->clear();
        shots::SaveModal(QStringLiteral("wizard-password-empty-refused"), [&] { next->click(); });
        child<QCheckBox>(form1, "CheckBox1")->setChecked(false);
        child<QLineEdit>(form1, "Edit9")->clear();
        auto* edit8 = child<QLineEdit>(form1, "Edit8");
        const QString target = edit8->text();
        edit8->setText(QStringLiteral("\\\\server\\share\\a.ebk"));
        shots::SaveModal(QStringLiteral("wizard-message15-network-path"), [&] { next->click(); });
        edit8->setText(target);
        next->click();
        shots::Save(form1, QStringLiteral("wizard-6-ready"));
        // What page "6" shows when the mail client still runs.
        shots::SaveModal(QStringLiteral("wizard-running-client-window"), [&] {
            ui.showRunningClients(1, {QStringLiteral("Inbox - Outlook Express")},
                                  [](QStringList&) {});
        });
        // Before a restore, with "Close all" asking first.
        const QStringList running{QStringLiteral("Inbox - Outlook Express")};
        QTimer::singleShot(300, [&] {
            QWidget* guard = QApplication::activeModalWidget();
            if (!guard) return;
            shots::Save(guard, QStringLiteral("wizard-running-client-window-restore"));
            if (auto* closeAll = child<QPushButton>(guard, "Button3"))
                shots::SaveModal(QStringLiteral("running-client-close-all-question"),
                                 [&] { closeAll->click(); });
            if (auto* dialog = qobject_cast<QDialog*>(guard)) dialog->reject();
        });
        ui.showRunningClients(
            1, running, [](QStringList&) {}, true);
        back->click();
        next->click();
        // Page "7" is pictured from inside the run, which lets events through.
        QTimer during;
        during.setInterval(0);
        QObject::connect(&during, &QTimer::timeout, [&] {
            if (!form1->wizard().running()) return;
            during.stop();
            shots::Save(form1, QStringLiteral("wizard-7-backing-up"));
        });
        during.start();
        next->click(); // the backup runs inside this click
        shots::Settle(600);
        shots::Save(form1, QStringLiteral("wizard-8-done"));
        form1->SetViewMode(false);
        shots::SaveModal(QStringLiteral("main-about"),
                         [&] { child<QPushButton>(form1, "Button11")->click(); });
        form1->close();
    });
}
