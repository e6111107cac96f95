#include "app/gui/MainWindow.h"

#include "app/gui/Artwork.h"
#include "app/gui/CheckLists.h"
#include "app/gui/RestoreSteps.h"
#include "app/gui/WholeNames.h"
#include "app/gui/Wizard.h"

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "app/TypedPath.h"
#include "backup/BackupFiles.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "clients/RunningClientGuard.h"
#include "clients/gui/ClientTree.h"
#include "desktop/gui/FolderPicker.h"
#include "desktop/gui/WindowPlacement.h"
#include "lang/Localization.h"
#include "lang/ReplaceString.h"
#include "lang/gui/FittingCaptions.h"
#include "options/gui/OptionsTab.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/WindowsInstallation.h"
#include "restore/gui/RestoreProgressWindow.h"
#include "schedule/gui/ScheduleTab.h"
#include "ui_MainWindow.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <utility>

namespace app {

namespace {

constexpr int kBannerHeight = 70;
constexpr int kBottomBarHeight = 37;
constexpr int kWizardPagesHeight = 233;
constexpr int kTabsHeight = 323;
constexpr int kClientWidth = 552;
const QString kProduct = QStringLiteral("Postora");

// The file name after the last '\' has no '.'.
bool hasNoExtension(const QString& path) {
    return !platform::extractFileName(path).contains(QLatin1Char('.'));
}

} // namespace

MainWindow::MainWindow(AppContext& ctx, schedule::CompanionControl& companion, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui_(std::make_unique<Ui::MainWindow>()) {
    ui_->setupUi(this);
    // The Options and Schedule tabs' controls, owned by their pages; placed
    // before the caption controls are listed so they translate as this window's.
    optionsTab_ = new options::OptionsTab(
        ctx_.settingsStore(), ctx_.ui(), [this](const QString& key) { return ctx_.message(key); },
        ui_->TabSheet3);
    ui_->optionsHost->addWidget(optionsTab_);
    scheduleTab_ = new schedule::ScheduleTab(
        schedule::ScheduleDeps{ctx_.registry(), ctx_.files(), ctx_.catalogue(), ctx_.settings(),
                               companion, CheckImages(),
                               [this](const QString& key) { return ctx_.message(key); }},
        ui_->TabSheet4);
    ui_->scheduleHost->addWidget(scheduleTab_);
    connect(optionsTab_, &options::OptionsTab::languageChosen, this, [this](const QString& name) {
        if (hooks_.switchLanguage) hooks_.switchLanguage(name);
    });
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The creation handler: the product name in the captions and the filter.
    setWindowTitle(kProduct);
    // A backup from a mounted Windows disk says so in the title.
    if (const auto& w = ctx_.registry().config().windows) {
        const QString source = QStringLiteral("Windows on %1, user %2")
                                   .arg(QDir::toNativeSeparators(w->root), w->user);
        setWindowTitle(QStringLiteral("%1 - %2").arg(kProduct, source));
    }
    ui_->Label19->setText(QStringLiteral("Welcome to %1!").arg(kProduct));
    QFont title = ui_->Label19->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    ui_->Label19->setFont(title);
    saveFilter_ = lang::replaceString(QStringLiteral("%%APPNAME%%"), kProduct,
                                      QStringLiteral("%%APPNAME%% file (*.ebk)"))
                      .valueOr(QStringLiteral("Postora file (*.ebk)"));
    ui_->PageControl1->setCurrentWidget(ui_->TabSheet1);
    ui_->PageControl2->setCurrentWidget(ui_->TabSheet5);
    ui_->PageControl2->tabBar()->hide();
    // The Restore tab's tree: folders and the backups in them (first volumes of a set).
    backupFiles_ = new QFileSystemModel(this);
    backupFiles_->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Drives);
    backupFiles_->setNameFilters({QStringLiteral("*.ebk"), QStringLiteral("*.ebk.001")});
    backupFiles_->setNameFilterDisables(false);
    backupFiles_->setRootPath(QDir::rootPath());
    ui_->ShellTreeView2->setModel(backupFiles_);
    ShowWholeNames(*ui_->ShellTreeView2);
    chosenBackup_ = new ChosenInView(*ui_->ShellTreeView2, *backupFiles_);
    for (int column = 1; column < backupFiles_->columnCount(); ++column)
        ui_->ShellTreeView2->hideColumn(column);
    // Backups lie deep in the tree: their names are shown whole, scrolled to.
    ui_->ShellTreeView2->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ui_->ShellTreeView2->header()->setStretchLastSection(false);
    // Captions longer than their room (a translation) elide with a tool tip.
    lang::FitCaptions(this);
    ui_->Panel8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui_->TreeView1->setIconSize(QSize(16, 16));
    SetViewMode(ctx_.settings().wizardMode);

    connect(ui_->TreeView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { chooseClient(item); });
    connect(ui_->Edit1, &QLineEdit::textChanged, this, &MainWindow::noteBackupFolder);
    connect(ui_->Edit1, &QLineEdit::editingFinished, this, &MainWindow::completeFolderName);
    connect(ui_->Button2, &QPushButton::clicked, this, &MainWindow::createBackup);
    connect(ui_->Button3, &QPushButton::clicked, this, &MainWindow::browseForArchive);
    connect(ui_->Button8, &QPushButton::clicked, this, &MainWindow::exitProgram);
    connect(ui_->Button9, &QPushButton::clicked, this, &MainWindow::showHelp);
    connect(ui_->Button11, &QPushButton::clicked, this, &MainWindow::showAbout);
    connect(ui_->Button15, &QPushButton::clicked, this, &MainWindow::switchToWizard);
    connect(ui_->ShellTreeView2->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &MainWindow::chooseBackup);
    connect(ui_->RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        ui_->Edit2->setEnabled(on);
        ui_->Button4->setEnabled(on);
    });
    connect(ui_->Button4, &QPushButton::clicked, this, [this] {
        desktop::FolderPicker browse(ctx_.files());
        const QString typed = ui_->Edit2->text().trimmed();
        if (const auto chosen = browse.Execute(WindowsFromTyped(ctx_.files(), typed), this))
            ui_->Edit2->setText(InTypedForm(ctx_.files(), *chosen, IsHostForm(typed)));
    });
    connect(ui_->Button5, &QPushButton::clicked, this, &MainWindow::restoreBackup);
    wizard_ = std::make_unique<Wizard>(ctx_, *ui_, backupFolder_, currentTargetPath_);
    Wizard::Hooks wizardHooks;
    wizardHooks.showSchedule = [this] {
        if (hooks_.showSchedule) hooks_.showSchedule();
    };
    wizardHooks.showOptions = [this] {
        if (hooks_.showOptions) hooks_.showOptions();
    };
    wizardHooks.standardMode = [this] { switchToStandardMode(); };
    wizardHooks.openFolder = [this](const QString& folder) {
        if (hooks_.openFolder) hooks_.openFolder(folder);
    };
    wizardHooks.chooseFile = [this](QString& path) { return chooseArchiveFile(path); };
    wizardHooks.running = [this](bool running) { setBackupRunning(running); };
    wizard_->setHooks(std::move(wizardHooks));
    connect(ui_->PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        QWidget* left = ui_->PageControl1->widget(shownTab_);
        shownTab_ = index;
        if (left == ui_->TabSheet4) scheduleTab_->leaveTab();
        if (left == ui_->TabSheet3) optionsTab_->leaveTab();
        QWidget* shown = ui_->PageControl1->widget(index);
        if (shown == ui_->TabSheet1) ui_->TreeView1->expandAll();
        if (shown == ui_->TabSheet2) showRestoreTab();
        if (shown == ui_->TabSheet4) scheduleTab_->showTab();
        if (shown == ui_->TabSheet3) optionsTab_->showTab();
    });
    captions_ = clients::WidgetCaptionControl::controlsOf(this);
}

MainWindow::~MainWindow() {
    wizard_.reset(); // its filters and timers end while the widgets still stand
}

std::vector<lang::CaptionControl*> MainWindow::controls() const {
    return clients::CaptionPointers(captions_);
}

void MainWindow::setBannerPicture(const QPixmap& picture) {
    ui_->Panel8->setPixmap(picture);
}

void MainWindow::setWelcomeIcons() {
    const QStyle* style = this->style();
    ui_->SpeedButton7->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
    ui_->SpeedButton8->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
    ui_->SpeedButton9->setIcon(style->standardIcon(QStyle::SP_FileDialogContentsView));
    ui_->SpeedButton10->setIcon(style->standardIcon(QStyle::SP_FileDialogDetailedView));
    ui_->SpeedButton1->setIcon(style->standardIcon(QStyle::SP_ComputerIcon));
}

QWidget* MainWindow::wizardPages() const {
    return ui_->PageControl2;
}

void MainWindow::PlaceWindow(int x, int y) {
    placedAt_ = QPoint(x, y);
    desktop::placeFrame(*this, *placedAt_);
}

void MainWindow::setVisible(bool visible) {
    if (visible && !testAttribute(Qt::WA_WState_Created)) {
        // The window system learns the window's size and frame position once,
        // when it is made: a size changed after that (the mode chosen when it
        // is shown) would move it by its title bar at every start.
        applyModeSize(ctx_.settings().wizardMode);
        if (placedAt_) desktop::placeFrame(*this, *placedAt_);
    }
    QWidget::setVisible(visible);
}

void MainWindow::FillFromSettings() {
    // The folder in use, once there is one: a refill never brings back the
    // folder read at start-up.
    ui_->Edit1->setText(backupFolder_.isEmpty() ? ctx_.settings().backupDir : backupFolder_);
    scheduleTab_->fill();
}

bool MainWindow::wizardShown() const {
    return ui_->PageControl2->isVisibleTo(this);
}

void MainWindow::SetViewMode(bool wizard) {
    if (wizard)
        ui_->PageControl2->setCurrentIndex(0);
    else
        ui_->PageControl1->setCurrentIndex(0);
    if (wizard && wizard_) wizard_->Enter();
    ui_->PageControl1->setVisible(!wizard);
    ui_->PageControl2->setVisible(wizard);
    ui_->Button15->setVisible(!wizard);
    applyModeSize(wizard);
    // The taller face near the bottom of the screen: the whole frame stays on it.
    if (isVisible()) desktop::placeFrame(*this, frameGeometry().topLeft());
    if (!wizard) ui_->TreeView1->expandAll();
    if (hooks_.viewModeChanged) hooks_.viewModeChanged(wizard);
}

void MainWindow::applyModeSize(bool wizard) {
    const int pages = wizard ? kWizardPagesHeight : kTabsHeight;
    setFixedSize(kClientWidth, kBannerHeight + pages + kBottomBarHeight + 4);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    if (hooks_.selectLanguage) hooks_.selectLanguage();
    BuildClientTrees();
    RestoreLastClient();
    SetViewMode(ctx_.settings().wizardMode);
}

void MainWindow::BuildClientTrees() {
    treeModel_ = clients::ClientTreeModel(ctx_.catalogue());
    clients::FillClientTree(*ui_->TreeView1, treeModel_, clients::TreePictures::Clients, pictures_);
    scheduleTab_->buildTree(treeModel_);
    if (hooks_.treesBuilt) hooks_.treesBuilt(treeModel_);
}

void MainWindow::fillLists(int code, bool tickAll) {
    QStringList identities;
    QStringList items;
    const bool changeable = ctx_.catalogue().GetIdentitiesAndItems(code, identities, items);
    FillCheckList(ctx_, *ui_->CheckListBox1, identities, tickAll);
    FillCheckList(ctx_, *ui_->CheckListBox2, items, tickAll);
    ui_->CheckListBox2->setEnabled(changeable);
}

void MainWindow::RestoreLastClient() {
    const base::LastClient last = ctx_.settingsStore().RestoreLastClient();
    treeClientCode_ = last.code;
    QTreeWidgetItem* node = clients::FindClientNode(*ui_->TreeView1, last.code);
    if (!node) return;
    ui_->TreeView1->setCurrentItem(node);
    fillLists(last.code, false);
    for (int i = 0; i < ui_->CheckListBox1->count(); ++i) {
        QListWidgetItem* entry = ui_->CheckListBox1->item(i);
        for (const base::TickedName& saved : last.identities)
            if (StoredName(*entry).compare(saved.name, Qt::CaseInsensitive) == 0)
                entry->setCheckState(saved.ticked ? Qt::Checked : Qt::Unchecked);
    }
    const bool itemsFixed = !ui_->CheckListBox2->isEnabled();
    for (int i = 0; i < ui_->CheckListBox2->count(); ++i) {
        QListWidgetItem* entry = ui_->CheckListBox2->item(i);
        for (const base::TickedName& saved : last.items)
            if (StoredName(*entry) == saved.name)
                entry->setCheckState(saved.ticked ? Qt::Checked : Qt::Unchecked);
        if (itemsFixed) entry->setCheckState(Qt::Checked);
    }
}

void MainWindow::SaveLastClient() {
    const platform::Status saved = ctx_.settingsStore().SaveLastClient(
        treeClientCode_, TickedNames(*ui_->CheckListBox1), TickedNames(*ui_->CheckListBox2));
    ReportFailedSave(ctx_.ui(), saved); // closing goes on
}

void MainWindow::chooseClient(QTreeWidgetItem* item) {
    if (!item) return; // nothing selected: the lists and the code stay
    ui_->CheckListBox1->clear();
    ui_->CheckListBox2->clear();
    treeClientCode_ = clients::NodeCode(item);
    if (backupFolder_.isEmpty()) backupFolder_ = ctx_.settings().backupDir;
    // Shown in the form the person last typed the field in.
    ui_->Edit1->setText(InTypedForm(ctx_.files(),
                                    platform::extractFilePath(backupFolder_) +
                                        backup::BackupFileName(treeClientCode_),
                                    IsHostForm(ui_->Edit1->text())));
    fillLists(treeClientCode_, true);
}

void MainWindow::noteBackupFolder(const QString& text) {
    backupFolder_ = platform::extractFilePath(WindowsFromTyped(ctx_.files(), text));
}

void MainWindow::completeFolderName() {
    const QString text = ui_->Edit1->text();
    const QChar separator = IsHostForm(text) ? u'/' : u'\\';
    if (!text.isEmpty() && hasNoExtension(WindowsFromTyped(ctx_.files(), text)) &&
        !text.endsWith(separator))
        ui_->Edit1->setText(text + separator);
}

bool MainWindow::chooseArchiveFile(QString& winPath) {
    QFileDialog save(this);
    save.setObjectName(QStringLiteral("Save1"));
    save.setAcceptMode(QFileDialog::AcceptSave);
    save.setFileMode(QFileDialog::AnyFile);
    save.setNameFilter(saveFilter_);
    save.setDefaultSuffix(QStringLiteral("ebk"));
    save.setOption(QFileDialog::DontResolveSymlinks);
    const platform::Result<QString> host = ctx_.files().hostPath(winPath);
    if (host) {
        const QFileInfo info(*host);
        save.setDirectory(info.isDir() ? info.filePath() : info.absolutePath());
        if (!info.isDir()) save.selectFile(info.fileName());
    }
    if (save.exec() != QDialog::Accepted || save.selectedFiles().isEmpty()) return false;
    winPath = ctx_.files().windowsPath(save.selectedFiles().front());
    return true;
}

void MainWindow::browseForArchive() {
    const QString typed = ui_->Edit1->text();
    QString path = WindowsFromTyped(ctx_.files(), typed);
    if (chooseArchiveFile(path))
        ui_->Edit1->setText(InTypedForm(ctx_.files(), path, IsHostForm(typed)));
}

void MainWindow::showError(const QString& key) {
    ctx_.localization().messages().ShowErrorMessage(key);
}

bool MainWindow::checkTarget() {
    const QString refusal = backup::TargetRefusal(ctx_.files(), currentTargetPath_);
    if (!refusal.isEmpty()) showError(refusal);
    return refusal.isEmpty();
}

void MainWindow::createBackup() {
    if (backupRunning_) return; // reached through the event pumping of a run
    currentTargetPath_ = WindowsFromTyped(ctx_.files(), ui_->Edit1->text());
    if (!checkTarget()) {
        // Said as the disk being full, but it is the empty field that needs filling.
        if (currentTargetPath_.isEmpty()) ui_->Edit1->setFocus();
        return;
    }
    if (backupFolder_.compare(currentTargetPath_, Qt::CaseInsensitive) == 0)
        currentTargetPath_ = backupFolder_ + backup::BackupFileName(treeClientCode_);
    if (ui_->CheckListBox1->count() == 0) {
        showError(QStringLiteral("Message4"));
        return;
    }
    if (!AnyTicked(*ui_->CheckListBox1)) {
        showError(QStringLiteral("Message5"));
        return;
    }
    if (ctx_.guard().CheckRunningClient(treeClientCode_)) return;
    if (hooks_.showProgress) hooks_.showProgress();
}

backup::JobRequest MainWindow::BackupRequest() const {
    backup::JobRequest request;
    request.clientCode = treeClientCode_;
    request.targetPath = currentTargetPath_;
    request.identities = SelectedOf(*ui_->CheckListBox1);
    request.items = SelectedOf(*ui_->CheckListBox2);
    return request;
}

void MainWindow::showRestoreTab() {
    if (!restoreArchive_.isEmpty()) return; // the backup chosen stays chosen
    const QModelIndex at = backupFiles_->index(BackupFolderOnHost(ctx_, backupFolder_));
    ui_->ShellTreeView2->setCurrentIndex(at);
    ui_->ShellTreeView2->expand(at);
    chosenBackup_->choose(at);
}

void MainWindow::chooseBackup(const QModelIndex& index) {
    ui_->CheckListBox3->clear();
    ui_->CheckListBox4->clear();
    restoreArchive_.clear();
    restorePassword_.clear();
    restoreContents_ = {};
    if (!index.isValid() || backupFiles_->isDir(index)) return;
    // Backups differ only at the end of their names: the chosen one shows whole.
    RevealWholeName(*ui_->ShellTreeView2, index);
    const QString archive = backupFiles_->filePath(index);
    QString password;
    restore::RestoreReport seen;
    if (!InspectBackup(ctx_, archive, password, seen)) return;
    restoreArchive_ = archive;
    restorePassword_ = password;
    restoreContents_ = seen;
    FillCheckList(ctx_, *ui_->CheckListBox3, seen.identities, true);
    FillCheckList(ctx_, *ui_->CheckListBox4, seen.items, true);
    ui_->CheckListBox3->setEnabled(!seen.identities.isEmpty());
}

void MainWindow::restoreBackup() {
    using For = clients::RunningClientGuard::For;
    if (backupRunning_) return; // reached through the event pumping of a run
    if (restoreArchive_.isEmpty()) {
        ctx_.ui().showError(MessageOr(ctx_, QStringLiteral("RestoreChooseFile"),
                                      QStringLiteral("Please choose a backup file to restore "
                                                     "from.")));
        return;
    }
    if (ui_->CheckListBox3->count() > 0 && !AnyTicked(*ui_->CheckListBox3)) {
        showError(QStringLiteral("Message34"));
        return;
    }
    if (!AnyTicked(*ui_->CheckListBox4)) {
        showError(QStringLiteral("Message35"));
        return;
    }
    std::optional<QString> folder;
    if (ui_->RadioButton2->isChecked()) {
        folder = WindowsFromTyped(ctx_.files(), ui_->Edit2->text().trimmed());
        const QString refusal = backup::TargetRefusal(ctx_.files(), *folder);
        if (!refusal.isEmpty()) {
            showError(refusal);
            ui_->Edit2->setFocus();
            return;
        }
    } else {
        // Placing files into a running client would lose them.
        clients::RunningClientGuard& guard = ctx_.guard();
        if (guard.CheckRunningClient(restoreContents_.clientCode, For::Restore)) return;
        if (guard.closedAll()) {
            // Told, and Restore pressed again once the person has read it.
            if (const QString told = ClosedClientsText(ctx_); !told.isEmpty())
                ctx_.ui().showWarning(told);
            return;
        }
    }
    QString error;
    std::optional<restore::RestoreJob> job = MakeRestoreJob(ctx_, error);
    if (!job) {
        ctx_.ui().showError(error);
        return;
    }
    restore::RestoreProgressWindow form3(this, &ctx_.localization().captions());
    form3.setJob(&*job,
                 MakeRestoreRequest(ctx_, restoreArchive_, restorePassword_, *ui_->CheckListBox3,
                                    *ui_->CheckListBox4, folder),
                 &ctx_.localization().messages());
    form3.setSubject(RestoreSubject(ctx_, restoreContents_, restoreArchive_));
    setBackupRunning(true);
    form3_ = &form3;
    form3.ShowModal();
    form3_ = nullptr;
    restoreReport_ = form3.report();
    setBackupRunning(false);
}

void MainWindow::setBackupRunning(bool running) {
    backupRunning_ = running;
    // Nothing that starts a second run; "Exit" stays, and closing waits for
    // the run to stop.
    ui_->Button2->setEnabled(!running);
    ui_->Button5->setEnabled(!running);
    ui_->Button15->setEnabled(!running);
    if (!running && closePending_) QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A restore stopped halfway leaves the client between two states: the
    // person decides, and learns where the state before it is kept.
    const bool restoring = wizard_->restoring() || (form3_ && form3_->running());
    if (restoring && !closePending_) {
        if (!ctx_.ui().confirm(MessageOr(ctx_, QStringLiteral("CloseDuringRestore"),
                                         QStringLiteral("A restore is running. Stop it before "
                                                        "its next file and close the program?")),
                               true)) {
            event->ignore();
            return;
        }
        stoppedRestore_ = wizard_->restoring() ? &wizard_->restoreReport() : &restoreReport_;
    }
    if (hooks_.requestAbort) hooks_.requestAbort();
    wizard_->requestAbort();
    if (form3_) form3_->requestAbort();
    if (backupRunning_) {
        // Closed when the run has stopped, so no half-written state is left.
        closePending_ = true;
        event->ignore();
        return;
    }
    if (const restore::RestoreReport* stopped = std::exchange(stoppedRestore_, nullptr)) {
        const restore::RestoreReport& r = *stopped;
        ctx_.ui().showWarning(
            r.safetyArchive.isEmpty()
                ? MessageOr(ctx_, QStringLiteral("RestoreStoppedUnchanged"),
                            QStringLiteral("The restore was stopped before the client was "
                                           "changed."))
                : MessageOr(ctx_, QStringLiteral("RestoreStoppedSafety"),
                            QStringLiteral("The restore was stopped. The state before the "
                                           "restore is in %1"))
                      .arg(r.safetyArchive));
    }
    // Ticks made on the Schedule tab are kept as leaving the tab keeps them.
    if (ui_->PageControl1->currentWidget() == ui_->TabSheet4 && !wizardShown())
        scheduleTab_->leaveTab();
    SaveLastClient();
    if (!backupFolder_.isEmpty()) ctx_.settings().backupDir = backupFolder_;
    // x() and y() are the frame's, as PlaceWindow takes them.
    ReportFailedSave(ctx_.ui(), ctx_.settingsStore().SaveMainSettings(x(), y()));
    event->accept();
}

namespace {

bool groupHasTicked(const QAbstractButton& radio) {
    for (const QAbstractButton* b :
         radio.parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        if (b->autoExclusive() && b->isCheckable() && b->isChecked()) return true;
    return false;
}

} // namespace

bool MainWindow::focusNextPrevChild(bool next) {
    // Tab runs through the controls of this window in the focus chain's
    // order and goes round from the last to the first; the dialogs this
    // window owns sit in the chain too and are passed over. A group of radio
    // buttons is one stop, at its ticked one; with none ticked at its first,
    // so that Tab still reaches the group.
    // (Qt takes Tab from every radio button of a group but the last focused.)
    QList<QWidget*> stops;
    QList<const QWidget*> groups;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (w->window() != this || w->focusPolicy() == Qt::NoFocus || !w->isEnabled() ||
            !w->isVisibleTo(this) || w->focusProxy())
            continue;
        auto* radio = qobject_cast<QAbstractButton*>(w);
        if (radio && radio->autoExclusive() && radio->isCheckable()) {
            const bool ticked = groupHasTicked(*radio);
            if (ticked ? !radio->isChecked() : groups.contains(radio->parentWidget())) continue;
            groups << radio->parentWidget();
        } else if (!(w->focusPolicy() & Qt::TabFocus)) {
            continue;
        }
        stops << w;
    }
    const qsizetype at = stops.indexOf(focusWidget());
    if (at < 0) return QWidget::focusNextPrevChild(next);
    QWidget* to = stops[(at + (next ? 1 : stops.size() - 1)) % stops.size()];
    to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void MainWindow::exitProgram() {
    close();
}

void MainWindow::showHelp() {
    if (hooks_.showHelp) hooks_.showHelp();
}

void MainWindow::showAbout() {
    if (hooks_.showAbout) hooks_.showAbout();
}

void MainWindow::switchToWizard() {
    ctx_.settings().wizardMode = true;
    SetViewMode(true);
}

void MainWindow::switchToStandardMode() {
    // "Standard Mode" on the welcome page.
    ctx_.settings().wizardMode = false;
    SetViewMode(false);
}

} // namespace app
