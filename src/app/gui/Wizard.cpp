#include "app/gui/Wizard.h"

#include "app/AppContext.h"
#include "app/TypedPath.h"
#include "app/gui/CheckLists.h"
#include "app/gui/RestoreSteps.h"
#include "app/gui/WholeNames.h"
#include "backup/BackupEngine.h"
#include "backup/BackupFiles.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "clients/RunningClientGuard.h"
#include "desktop/gui/FolderPicker.h"
#include "lang/Localization.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "restore/ArchiveReader.h"
#include "restore/gui/RestoreProgressWindow.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace app {

namespace {

// Page "3": caption, radio button, client code.
struct ClientRow {
    QLabel* Ui::MainWindow::*label;
    QRadioButton* Ui::MainWindow::*radio;
    int code;
};
constexpr ClientRow kRows[] = {
    {&Ui::MainWindow::Label36, &Ui::MainWindow::RadioButton5, clients::kOutlookExpress},
    {&Ui::MainWindow::Label37, &Ui::MainWindow::RadioButton6, clients::kOutlook},
    {&Ui::MainWindow::Label38, &Ui::MainWindow::RadioButton7, clients::kEudora},
    {&Ui::MainWindow::Label39, &Ui::MainWindow::RadioButton8, clients::kIncrediMail},
    {&Ui::MainWindow::Label40, &Ui::MainWindow::RadioButton9, clients::kPegasus},
    {&Ui::MainWindow::Label41, &Ui::MainWindow::RadioButton10, clients::kTheBat},
    {&Ui::MainWindow::Label42, &Ui::MainWindow::RadioButton11, clients::kPocoMail},
    {&Ui::MainWindow::Label43, &Ui::MainWindow::RadioButton13, clients::kOpera},
    {&Ui::MainWindow::Label44, &Ui::MainWindow::RadioButton12, clients::kNetscape},
    {&Ui::MainWindow::Label45, &Ui::MainWindow::RadioButton16, clients::kFavorites},
};

// What a run left under target: the archive, or the first volume of a split
// set ("name.ebk.001") with the number of volumes.
QString writtenArchive(const platform::Files& files, const QString& target) {
    if (files.fileExists(target)) return target;
    auto volume = [&](int n) {
        return target + QStringLiteral(".%1").arg(n, 3, 10, QLatin1Char('0'));
    };
    int count = 0;
    while (files.fileExists(volume(count + 1)))
        ++count;
    if (count == 0) return target;
    if (count == 1) return volume(1);
    return QStringLiteral("%1 (first of %2 volumes)").arg(volume(1)).arg(count);
}

void setColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

Wizard::Wizard(AppContext& ctx, Ui::MainWindow& ui, QString& backupFolder, QString& targetPath,
               QObject* parent)
    : QObject(parent), ctx_(ctx), ui_(ui), backupFolder_(backupFolder), targetPath_(targetPath) {
    timer1_.setInterval(200);
    connect(&timer1_, &QTimer::timeout, this, &Wizard::showResultWhenDone);
    animation_.setInterval(80);
    connect(&animation_, &QTimer::timeout, this, [this] {
        ++frame_;
        ui_.Animate2->update();
        ui_.Animate3->update();
    });
    ui_.Animate2->installEventFilter(this);
    ui_.Animate3->installEventFilter(this);
    ui_.Animate3->hide();

    // The restore's file page: folders on the left, backups of the folder on the right.
    folderModel_ = new QFileSystemModel(this);
    folderModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folderModel_->setRootPath(QDir::rootPath());
    ui_.ShellTreeView1->setModel(folderModel_);
    for (int column = 1; column < folderModel_->columnCount(); ++column)
        ui_.ShellTreeView1->hideColumn(column);
    ui_.ShellTreeView1->setHeaderHidden(true);
    // The backups lie deep below home: folder names are shown whole, scrolled to.
    ui_.ShellTreeView1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ui_.ShellTreeView1->header()->setStretchLastSection(false);
    ShowWholeNames(*ui_.ShellTreeView1);
    chosenFolder_ = new ChosenInView(*ui_.ShellTreeView1, *folderModel_);
    fileModel_ = new QFileSystemModel(this);
    fileModel_->setFilter(QDir::Files);
    fileModel_->setNameFilters({QStringLiteral("*.ebk"), QStringLiteral("*.ebk.001")});
    fileModel_->setNameFilterDisables(false);
    ui_.ShellListView1->setModel(fileModel_);
    ShowWholeNames(*ui_.ShellListView1);
    // The last page's text scrolls on the page's own background.
    ui_.restoreDetailsScroll->viewport()->setAutoFillBackground(false);
    ui_.restoreDetailsBox->setAutoFillBackground(false);
    // The style marks a focused folder only once a key has moved in it: the
    // view with the focus says so by its frame.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(ui_.ShellTreeView1),
                                    static_cast<QAbstractItemView*>(ui_.ShellListView1)})
        view->setStyleSheet(QStringLiteral("%1:focus { border: 2px solid palette(highlight); }")
                                .arg(QString::fromLatin1(view->metaObject()->className())));
    // Names and reasons from outside are shown as they are, never as markup.
    for (QLabel* label : {ui_.Label62, ui_.Label66})
        label->setTextFormat(Qt::PlainText);
    connect(ui_.ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                const QString folder = folderModel_->filePath(current);
                ui_.ShellListView1->setRootIndex(fileModel_->setRootPath(folder));
            });
    connect(ui_.ShellListView1, &QListView::doubleClicked, this,
            [this] { ui_.SpeedButton5->click(); });
    connect(ui_.SpeedButton8, &QToolButton::clicked, this, &Wizard::startRestore);
    connect(ui_.RadioButton20, &QRadioButton::toggled, this, [this](bool on) {
        ui_.Edit11->setEnabled(on);
        ui_.Button14->setEnabled(on);
    });
    connect(ui_.Button14, &QPushButton::clicked, this, [this] {
        desktop::FolderPicker browse(ctx_.files());
        const QString typed = ui_.Edit11->text().trimmed();
        if (const auto chosen =
                browse.Execute(WindowsFromTyped(ctx_.files(), typed), ui_.PageControl2->window()))
            ui_.Edit11->setText(InTypedForm(ctx_.files(), *chosen, IsHostForm(typed)));
    });

    connect(ui_.SpeedButton7, &QToolButton::clicked, this, &Wizard::backUp);
    connect(ui_.SpeedButton9, &QToolButton::clicked, this, [this] {
        if (hooks_.showSchedule) hooks_.showSchedule();
    });
    connect(ui_.SpeedButton10, &QToolButton::clicked, this, [this] {
        if (hooks_.showOptions) hooks_.showOptions();
    });
    connect(ui_.SpeedButton1, &QToolButton::clicked, this, [this] {
        if (hooks_.standardMode) hooks_.standardMode();
    });
    connect(ui_.SpeedButton4, &QToolButton::clicked, this, &Wizard::goBack);
    connect(ui_.SpeedButton5, &QToolButton::clicked, this, &Wizard::goNext);
    connect(ui_.SpeedButton11, &QToolButton::clicked, this, &Wizard::goHome);
    connect(ui_.ComboBox5, &QComboBox::activated, this, &Wizard::chooseVersion);
    connect(ui_.Edit8, &QLineEdit::editingFinished, this, &Wizard::completeFileName);
    connect(ui_.Button12, &QPushButton::clicked, this, &Wizard::browseForArchive);
    connect(ui_.Button13, &QPushButton::clicked, this, &Wizard::openTargetFolder);
    connect(ui_.CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
        ui_.Edit9->setEnabled(on);
        ui_.Edit10->setEnabled(on);
    });
    connect(ui_.RadioButton17, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        ui_.ComboBox1->setEnabled(false);
        ctx_.settings().multipleVolumes = false;
    });
    connect(ui_.RadioButton18, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        ui_.ComboBox1->setEnabled(true);
        ctx_.settings().multipleVolumes = true;
    });
    connect(ui_.ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) ctx_.settings().volumes = base::VolumeMedia(index);
    });
    for (const ClientRow& row : kRows) {
        const int code = row.code;
        connect(ui_.*row.radio, &QRadioButton::clicked, this, [this, code] { chooseClient(code); });
        (ui_.*row.label)->installEventFilter(this);
    }
    // The keyboard: Tab runs through the page, then "< Back", "Next >",
    // "Home" and the buttons every mode shares; Enter goes forward.
    QWidget* window = ui_.PageControl2->window();
    window->installEventFilter(this);
    QWidget* chain[] = {ui_.SpeedButton4, ui_.SpeedButton5, ui_.SpeedButton11, ui_.Button15,
                        ui_.Button11,     ui_.Button9,      ui_.Button8};
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(ui_.SpeedButton7),
                                    static_cast<QAbstractButton*>(ui_.SpeedButton8),
                                    static_cast<QAbstractButton*>(ui_.SpeedButton9),
                                    static_cast<QAbstractButton*>(ui_.SpeedButton10),
                                    static_cast<QAbstractButton*>(ui_.SpeedButton1),
                                    static_cast<QAbstractButton*>(ui_.SpeedButton4),
                                    static_cast<QAbstractButton*>(ui_.SpeedButton5),
                                    static_cast<QAbstractButton*>(ui_.SpeedButton11)})
        button->setFocusPolicy(Qt::StrongFocus);
    connect(ui_.PageControl2, &QTabWidget::currentChanged, this, [this](int index) {
        const int left = shownPage_;
        shownPage_ = index;
        if (left == File) LeaveFilePage();
        pageShown(index);
    });
}

bool Wizard::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == ui_.Animate2 || watched == ui_.Animate3) && event->type() == QEvent::Paint) {
        // Sheets of paper moving from a folder into an archive box; a restore
        // runs them back out of the box.
        auto* canvas = static_cast<QWidget*>(watched);
        const bool backwards = watched == ui_.Animate3;
        QPainter p(canvas);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF area = canvas->rect();
        p.setBrush(QColor(0xE8, 0xC1, 0x5A));
        p.setPen(QColor(0x8A, 0x6A, 0x1E));
        p.drawRoundedRect(QRectF(2, area.height() - 22, 18, 16), 2, 2);
        p.setBrush(QColor(0x4F, 0x7C, 0xAC));
        p.setPen(QColor(0x2C, 0x4A, 0x6E));
        p.drawRoundedRect(QRectF(area.width() - 22, area.height() - 24, 20, 18), 2, 2);
        const double span = area.width() - 36;
        for (int sheet = 0; sheet < 2; ++sheet) {
            const double step = ((frame_ + sheet * 6) % 12) / 12.0;
            const double t = backwards ? 1.0 - step : step;
            const double x = 10 + span * t;
            const double y = area.height() - 26 - 14 * std::sin(t * 3.14159);
            p.setBrush(Qt::white);
            p.setPen(QColor(0x70, 0x70, 0x70));
            p.drawRect(QRectF(x, y, 10, 12));
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == ui_.PageControl2->window() &&
        ui_.PageControl2->isVisible()) {
        if (keyPressed(*static_cast<QKeyEvent*>(event))) return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        for (const ClientRow& row : kRows)
            if (watched == ui_.*row.label) chooseClient(row.code);
    }
    return QObject::eventFilter(watched, event);
}

bool Wizard::keyPressed(const QKeyEvent& key) {
    if (key.modifiers() & ~Qt::KeypadModifier) return false;
    if (key.key() == Qt::Key_Escape) return true; // never closes the window
    if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
    // A focused push button takes Enter as a click, as on the welcome page;
    // elsewhere Enter is "Next >", where there is a way forward.
    auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    if (button && !button->isCheckable() && button->isEnabled()) {
        button->animateClick();
        return true;
    }
    if (!ui_.SpeedButton5->isVisible() || !ui_.SpeedButton5->isEnabled()) return false;
    ui_.SpeedButton5->click();
    return true;
}

void Wizard::focusPage(int index) {
    QWidget* first = nullptr;
    switch (index) {
    case Welcome:
        first = ui_.SpeedButton7;
        break;
    case Client:
        first = ui_.RadioButton5;
        for (const ClientRow& row : kRows)
            if ((ui_.*row.radio)->isChecked()) first = ui_.*row.radio;
        break;
    case Items:
        first = ui_.ComboBox5->isVisible() ? static_cast<QWidget*>(ui_.ComboBox5)
                                           : static_cast<QWidget*>(ui_.CheckListBox5);
        break;
    case File:
        first = ui_.Edit8;
        break;
    case Ready:
        first = ui_.SpeedButton5;
        break;
    case Running:
        // Nothing on this page takes a key: a stray Space must not reach a
        // button of the bottom bar.
        first = ui_.PageControl2;
        break;
    case Done:
    case RestoreDone:
        first = ui_.SpeedButton11;
        break;
    case RestoreFile:
        first = ui_.ShellListView1;
        break;
    case RestoreItems:
        first = ui_.CheckListBox9;
        break;
    case RestoreLocation:
        first = ui_.RadioButton20->isChecked() ? static_cast<QWidget*>(ui_.Edit11)
                                               : static_cast<QWidget*>(ui_.RadioButton19);
        break;
    case RestoreReady:
        first = ui_.SpeedButton5;
        break;
    case RestoreRunning:
        first = ui_.PageControl2;
        break;
    default:
        break;
    }
    if (first && first->isVisibleTo(first->window())) first->setFocus(Qt::OtherFocusReason);
}

void Wizard::Enter() {
    forwardStep_ = true;
    showPage(Welcome);
    pageShown(Welcome);
}

void Wizard::openRestore(const QString& archive) {
    // The file page first, showing the archive's folder with the archive
    // chosen: a failure below leaves the person there to pick another one.
    startRestore();
    const QString folder = QFileInfo(archive).absolutePath();
    const QModelIndex at = folderModel_->index(folder);
    chosenFolder_->choose(at);
    ui_.ShellListView1->setRootIndex(fileModel_->setRootPath(folder));
    ui_.ShellListView1->setCurrentIndex(fileModel_->index(archive));
    if (!inspectArchive(archive)) return;
    forwardStep_ = true;
    showPage(RestoreItems);
}

void Wizard::showPage(int index) {
    if (ui_.PageControl2->currentIndex() == index)
        pageShown(index);
    else
        ui_.PageControl2->setCurrentIndex(index);
}

void Wizard::pageShown(int index) {
    // The backup runs inside this handler: its page takes the focus first.
    if (index == Running || index == RestoreRunning) focusPage(index);
    // What "Close all" did is told once, on the page that asked it.
    for (QLabel* note : ui_.PageControl2->findChildren<QLabel*>(QStringLiteral("closedNote")))
        note->hide();
    switch (index) {
    case Welcome:
        ui_.SpeedButton4->hide();
        ui_.SpeedButton5->hide();
        break;
    case Client:
        if (forwardStep_) ShowClientPage();
        break;
    case Items:
        if (forwardStep_) ShowItemsPage();
        break;
    case File:
        if (forwardStep_) ShowFilePage();
        break;
    case Running:
        RunBackupPage();
        break;
    case Done:
        ShowDonePage();
        break;
    case RestoreFile:
        if (forwardStep_) ShowRestoreFilePage();
        break;
    case RestoreItems:
        if (forwardStep_) ShowRestoreItemsPage();
        break;
    case RestoreLocation:
        if (forwardStep_) ShowRestoreLocationPage();
        break;
    case RestoreRunning:
        RunRestorePage();
        break;
    case RestoreDone:
        ShowRestoreDonePage();
        break;
    default:
        break;
    }
    if (index != Running && index != RestoreRunning) focusPage(index);
}

void Wizard::backUp() {
    forwardStep_ = true;
    showPage(Client);
    ui_.SpeedButton4->show();
    ui_.SpeedButton5->show();
    clientPicked_ = false;
}

void Wizard::ShowClientPage() {
    if (!clientPicked_) {
        currentClientCode_ = 0;
        for (const ClientRow& row : kRows) {
            if (!greyed_[size_t(row.code)] && !ctx_.catalogue().IsClientInstalled(row.code)) {
                greyed_[size_t(row.code)] = true;
                setColour(ui_.*row.label, QColor(128, 128, 128));
            }
        }
        currentClientCode_ = ctx_.catalogue().GetDefaultClient();
    }
    for (const ClientRow& row : kRows) {
        QRadioButton* radio = ui_.*row.radio;
        // Unticking one of an exclusive group needs the group off for a moment.
        radio->setAutoExclusive(false);
        radio->setChecked(row.code == currentClientCode_);
        radio->setAutoExclusive(true);
    }
}

void Wizard::chooseClient(int code) {
    currentClientCode_ = code;
    for (const ClientRow& row : kRows)
        if (row.code == code) (ui_.*row.radio)->setChecked(true);
    clientPicked_ = true;
}

void Wizard::ShowItemsPage() {
    const int base = clients::BaseCode(currentClientCode_);
    const QList<clients::VersionVariant> versions = ctx_.catalogue().GetClientVersions(base);
    ui_.ComboBox5->clear();
    for (const clients::VersionVariant& v : versions)
        ui_.ComboBox5->addItem(v.label);
    ui_.ComboBox5->setVisible(!versions.isEmpty());
    if (!versions.isEmpty()) {
        ui_.ComboBox5->setCurrentIndex(0);
        currentClientCode_ = versions.front().code;
    }
    fillItemLists();
}

void Wizard::chooseVersion(int index) {
    const int base = clients::BaseCode(currentClientCode_);
    const QList<clients::VersionVariant> versions = ctx_.catalogue().GetClientVersions(base);
    if (index < 0 || index >= versions.size()) return; // the clients changed meanwhile
    currentClientCode_ = versions[index].code;
    fillItemLists();
}

void Wizard::fillItemLists() {
    QStringList identities;
    QStringList items;
    const bool changeable =
        ctx_.catalogue().GetIdentitiesAndItems(currentClientCode_, identities, items);
    FillCheckList(ctx_, *ui_.CheckListBox5, identities, true);
    FillCheckList(ctx_, *ui_.CheckListBox8, items, true);
    ui_.CheckListBox8->setEnabled(changeable);
}

void Wizard::ShowFilePage() {
    const base::Settings& s = ctx_.settings();
    if (backupFolder_.isEmpty()) backupFolder_ = s.backupDir;
    ui_.Edit8->setText(platform::extractFilePath(backupFolder_) +
                       backup::BackupFileName(currentClientCode_));
    ui_.CheckBox1->setChecked(s.backupUsePsw);
    ui_.Edit9->setEnabled(s.backupUsePsw);
    ui_.Edit10->setEnabled(s.backupUsePsw);
    ui_.Edit9->setText(s.backupPassword);
    ui_.Edit10->setText(s.backupPassword);
    const bool split = s.multipleVolumes;
    const int media = int(s.volumes);
    (split ? ui_.RadioButton18 : ui_.RadioButton17)->setChecked(true);
    ui_.ComboBox1->setEnabled(split);
    ui_.ComboBox1->setCurrentIndex(media);
}

void Wizard::LeaveFilePage() {
    base::Settings& s = ctx_.settings();
    targetPath_ = WindowsFromTyped(ctx_.files(), ui_.Edit8->text());
    s.backupUsePsw = ui_.CheckBox1->isChecked();
    s.backupPassword = ui_.Edit10->text();
}

void Wizard::completeFileName() {
    const QString text = ui_.Edit8->text();
    if (text.isEmpty() ||
        platform::extractFileName(WindowsFromTyped(ctx_.files(), text)).contains(u'.'))
        return;
    const QString name = backup::BackupFileName(currentClientCode_);
    const QChar separator = IsHostForm(text) ? u'/' : u'\\';
    ui_.Edit8->setText(text.endsWith(separator) ? text + name : text + separator + name);
}

void Wizard::browseForArchive() {
    const QString typed = ui_.Edit8->text();
    QString path = WindowsFromTyped(ctx_.files(), typed);
    if (hooks_.chooseFile && hooks_.chooseFile(path))
        ui_.Edit8->setText(InTypedForm(ctx_.files(), path, IsHostForm(typed)));
}

bool Wizard::passwordsAgree() {
    if (ui_.Edit9->text() == ui_.Edit10->text()) return true;
    ctx_.localization().messages().ShowErrorMessage(QStringLiteral("Message6"));
    ui_.Edit10->clear();
    ui_.Edit9->selectAll();
    if (ui_.Edit9->isEnabled() && ui_.Edit9->isVisible()) ui_.Edit9->setFocus();
    return false;
}

void Wizard::goNext() {
    if (!passwordsAgree()) return;
    forwardStep_ = true;
    auto refuse = [this](const QString& key) {
        ctx_.localization().messages().ShowErrorMessage(key);
        forwardStep_ = false;
    };
    switch (ui_.PageControl2->currentIndex()) {
    case Client:
        // Without a client the items page would come up empty.
        if (currentClientCode_ == 0) refuse(QStringLiteral("Message4"));
        break;
    case Items:
        if (!AnyTicked(*ui_.CheckListBox5))
            refuse(QStringLiteral("Message34"));
        else if (!AnyTicked(*ui_.CheckListBox8))
            refuse(QStringLiteral("Message35"));
        break;
    case File: {
        // Protected with a password too short (or none) would write an archive
        // the person believes protected: refused as the options' Save refuses it.
        if (base::PasswordRefused(ui_.CheckBox1->isChecked(), ui_.Edit10->text())) {
            refuse(QStringLiteral("Message23"));
            ui_.Edit9->selectAll();
            ui_.Edit9->setFocus();
            break;
        }
        // A network path's first character names no drive: refused too.
        const QString refusal =
            backup::TargetRefusal(ctx_.files(), WindowsFromTyped(ctx_.files(), ui_.Edit8->text()));
        if (!refusal.isEmpty()) refuse(refusal);
        // Said as the disk being full, but it is the empty field that needs filling.
        if (ui_.Edit8->text().isEmpty()) ui_.Edit8->setFocus();
        break;
    }
    case Ready: {
        clients::RunningClientGuard& guard = ctx_.guard();
        if (guard.CheckRunningClient(currentClientCode_) || guard.closedAll()) forwardStep_ = false;
        if (guard.closedAll()) noteClosed(ui_.TabSheet9);
        break;
    }
    case RestoreFile:
        if (!inspectChosenArchive()) forwardStep_ = false;
        break;
    case RestoreItems:
        if (ui_.CheckListBox9->count() > 0 && !AnyTicked(*ui_.CheckListBox9))
            refuse(QStringLiteral("Message34"));
        else if (!AnyTicked(*ui_.CheckListBox10))
            refuse(QStringLiteral("Message35"));
        break;
    case RestoreReady: {
        if (ui_.RadioButton20->isChecked()) {
            const QString refusal = restoreFolderRefusal();
            if (!refusal.isEmpty()) {
                refuse(refusal);
                showPage(RestoreLocation);
                ui_.Edit11->setFocus();
                return;
            }
            break;
        }
        // Placing files into a running client would lose them.
        clients::RunningClientGuard& guard = ctx_.guard();
        using For = clients::RunningClientGuard::For;
        if (guard.CheckRunningClient(restoreContents_.clientCode, For::Restore) ||
            guard.closedAll())
            forwardStep_ = false;
        if (guard.closedAll()) noteClosed(ui_.TabSheet15);
        break;
    }
    default:
        break;
    }
    if (forwardStep_) showPage(ui_.PageControl2->currentIndex() + 1);
}

void Wizard::noteClosed(QWidget* page) {
    auto* note = page->findChild<QLabel*>(QStringLiteral("closedNote"));
    if (!note) {
        note = new QLabel(page);
        note->setObjectName(QStringLiteral("closedNote"));
        note->setWordWrap(true);
        if (page->layout()) page->layout()->addWidget(note);
    }
    note->setText(ClosedClientsText(ctx_));
    note->setVisible(!note->text().isEmpty());
}

void Wizard::goBack() {
    forwardStep_ = false;
    const int index = ui_.PageControl2->currentIndex();
    // Index 7 is the first restore page, which nothing reaches; it leads home.
    showPage(index == 7 ? Welcome : std::max(index - 1, int(Welcome)));
}

void Wizard::RunBackupPage() {
    ui_.SpeedButton4->setEnabled(false);
    ui_.SpeedButton5->setEnabled(false);
    ui_.ProgressBar1->setValue(0);
    ui_.ProgressBar2->setValue(0);
    ui_.Label46->clear();
    timer1_.start();
    ui_.Animate2->show();
    animation_.start();
    running_ = true;
    if (hooks_.running) hooks_.running(true);
    abort_ = backup::AbortToken();

    if (targetPath_.compare(backupFolder_, Qt::CaseInsensitive) == 0)
        targetPath_ = backupFolder_ + backup::BackupFileName(currentClientCode_);
    ui_.Label47->setText(targetPath_);

    backup::JobRequest request;
    request.clientCode = currentClientCode_;
    request.targetPath = targetPath_;
    request.identities = SelectedOf(*ui_.CheckListBox5);
    request.items = SelectedOf(*ui_.CheckListBox8);
    outcome_ = ctx_.job()
                   ? ctx_.job()->Run(request, ctx_.ui(), this, &abort_)
                   : backup::JobOutcome{backup::JobOutcome::Kind::Failed,
                                        QStringLiteral("The archiving library is not loaded."),
                                        {}};

    // Full bars only for a finished archive: a stopped run stays where it stopped.
    if (outcome_.succeeded()) {
        ui_.ProgressBar1->setValue(100);
        ui_.ProgressBar2->setValue(100);
    }
    animation_.stop();
    ui_.Animate2->hide();
    ui_.SpeedButton4->hide();
    ui_.SpeedButton5->hide();
    running_ = false;
    if (hooks_.running) hooks_.running(false);
}

void Wizard::showProgress(int overall, int task, const QString& taskLine) {
    ui_.ProgressBar2->setValue(overall);
    ui_.ProgressBar1->setValue(task);
    ui_.Label46->setText(taskLine);
}

void Wizard::showResultWhenDone() {
    if (ui_.SpeedButton5->isVisible()) return;
    timer1_.stop();
    showPage(shownPage_ == RestoreRunning ? RestoreDone : Done);
}

void Wizard::ShowDonePage() {
    lang::MessageTable& messages = ctx_.localization().messages();
    ui_.Label50->setText(writtenArchive(ctx_.files(), targetPath_));
    for (QLabel* label : {ui_.Label48, ui_.Label49, ui_.Label50})
        setColour(label, QApplication::palette().color(QPalette::WindowText));
    ui_.SpeedButton4->hide();
    ui_.SpeedButton5->hide();
    ui_.SpeedButton5->setEnabled(true);
    ui_.SpeedButton11->show();
    ui_.Button13->setEnabled(true);
    using Kind = backup::JobOutcome::Kind;
    if (outcome_.kind == Kind::Succeeded) {
        ui_.Label48->setText(messages.GetMessage(QStringLiteral("Message37")));
        ui_.Label49->setText(messages.GetMessage(QStringLiteral("Message40")));
    } else if (outcome_.kind == Kind::Aborted) {
        ui_.Label48->setText(messages.GetMessage(QStringLiteral("Message38")));
        ui_.Label49->setText(messages.GetMessage(QStringLiteral("Message41")));
        ui_.Label50->clear();
        ui_.Button13->setEnabled(false);
    } else {
        // Every other outcome is a failure, never a success; its reason is
        // shown where the file name would be, as no archive was kept.
        ui_.Label48->setText(messages.GetMessage(QStringLiteral("Message39")));
        ui_.Label49->setText(messages.GetMessage(QStringLiteral("Message42")));
        ui_.Label50->setText(outcome_.text.trimmed());
        for (QLabel* label : {ui_.Label48, ui_.Label49, ui_.Label50})
            setColour(label, QColor(Qt::red));
        ui_.Button13->setEnabled(false);
    }
}

void Wizard::openTargetFolder() {
    if (hooks_.openFolder) hooks_.openFolder(platform::extractFilePath(targetPath_));
}

void Wizard::goHome() {
    abort_ = backup::AbortToken();
    ui_.SpeedButton11->hide();
    ui_.SpeedButton4->setEnabled(true);
    ui_.SpeedButton5->setEnabled(true);
    ui_.SpeedButton4->show();
    ui_.SpeedButton5->show();
    showPage(Welcome);
}

// The restore path: pages 9 to 14.

void Wizard::startRestore() {
    // The last page's captions as the language gave them, before an outcome replaces them.
    if (restoreDoneCaptions_.isEmpty())
        restoreDoneCaptions_ = {ui_.Label63->text(), ui_.Label64->text()};
    forwardStep_ = true;
    showPage(RestoreFile);
    ui_.SpeedButton4->show();
    ui_.SpeedButton5->show();
}

void Wizard::ShowRestoreFilePage() {
    const QString host = BackupFolderOnHost(ctx_, backupFolder_);
    const QModelIndex at = folderModel_->index(host);
    chosenFolder_->choose(at);
    ui_.ShellListView1->setRootIndex(fileModel_->setRootPath(host));
}

QString Wizard::chosenArchive() const {
    const QModelIndex current = ui_.ShellListView1->currentIndex();
    return current.isValid() ? fileModel_->filePath(current) : QString();
}

bool Wizard::inspectChosenArchive() {
    return inspectArchive(chosenArchive());
}

bool Wizard::inspectArchive(const QString& archive) {
    if (archive.isEmpty()) {
        ctx_.ui().showError(MessageOr(ctx_, QStringLiteral("RestoreChooseFile"),
                                      QStringLiteral("Please choose a backup file to restore "
                                                     "from.")));
        return false;
    }
    QString password;
    restore::RestoreReport seen;
    if (!InspectBackup(ctx_, archive, password, seen)) return false;
    restoreArchive_ = archive;
    restorePassword_ = password;
    restoreContents_ = seen;
    return true;
}

void Wizard::ShowRestoreItemsPage() {
    const QString subject = RestoreSubject(ctx_, restoreContents_, restoreArchive_);
    ui_.Label68->setText(subject);
    ui_.Label69->setText(subject);
    FillCheckList(ctx_, *ui_.CheckListBox9, restoreContents_.identities, true);
    FillCheckList(ctx_, *ui_.CheckListBox10, restoreContents_.items, true);
    ui_.CheckListBox9->setEnabled(!restoreContents_.identities.isEmpty());
}

void Wizard::ShowRestoreLocationPage() {
    ui_.Edit11->setEnabled(ui_.RadioButton20->isChecked());
    ui_.Button14->setEnabled(ui_.RadioButton20->isChecked());
}

QString Wizard::restoreFolderRefusal() const {
    return backup::TargetRefusal(ctx_.files(),
                                 WindowsFromTyped(ctx_.files(), ui_.Edit11->text().trimmed()));
}

void Wizard::RunRestorePage() {
    ui_.SpeedButton4->setEnabled(false);
    ui_.SpeedButton5->setEnabled(false);
    ui_.ProgressBar3->setValue(0);
    ui_.Label66->clear();
    ui_.Label62->setText(RestoreSubject(ctx_, restoreContents_, restoreArchive_));
    timer1_.start();
    ui_.Animate3->show();
    animation_.start();
    running_ = true;
    if (hooks_.running) hooks_.running(true);
    abort_ = backup::AbortToken();

    const restore::RestoreRequest request = MakeRestoreRequest(
        ctx_, restoreArchive_, restorePassword_, *ui_.CheckListBox9, *ui_.CheckListBox10,
        ui_.RadioButton20->isChecked()
            ? std::optional(WindowsFromTyped(ctx_.files(), ui_.Edit11->text().trimmed()))
            : std::nullopt);

    restoreReport_ = {};
    std::optional<restore::RestoreJob> job = MakeRestoreJob(ctx_, restoreReport_.error);
    if (job) {
        job->progress = [this](const QString& line) {
            // The number of steps is not known ahead: the bar closes in on its end.
            const int value = ui_.ProgressBar3->value();
            ui_.ProgressBar3->setValue(value + std::max(1, (95 - value) / 8));
            ui_.Label66->setText(restore::ProgressLineText(line, &ctx_.localization().messages()));
            ctx_.ui().processEvents();
        };
        job->stopRequested = [this] { return abort_.requested(); };
        restoreReport_ = job->Run(request);
    }
    if (restoreReport_.ok()) ui_.ProgressBar3->setValue(100);
    animation_.stop();
    ui_.Animate3->hide();
    ui_.SpeedButton4->hide();
    ui_.SpeedButton5->hide();
    running_ = false;
    if (hooks_.running) hooks_.running(false);
}

void Wizard::ShowRestoreDonePage() {
    lang::MessageTable& messages = ctx_.localization().messages();
    ui_.SpeedButton4->hide();
    ui_.SpeedButton5->hide();
    ui_.SpeedButton5->setEnabled(true);
    ui_.SpeedButton11->show();
    const restore::RestoreReport& r = restoreReport_;
    QColor colour = QApplication::palette().color(QPalette::WindowText);
    if (r.ok()) {
        ui_.Label63->setText(restoreDoneCaptions_.value(0));
        ui_.Label64->setText(restoreDoneCaptions_.value(1));
    } else if (r.aborted) {
        ui_.Label63->setText(messages.GetMessage(QStringLiteral("Message44")));
        ui_.Label64->setText(messages.GetMessage(QStringLiteral("Message47")));
    } else {
        // Never read as success: the reason in red, in the reason's own words.
        ui_.Label63->setText(messages.GetMessage(QStringLiteral("Message45")));
        ui_.Label64->setText(messages.GetMessage(QStringLiteral("Message48")));
        colour = QColor(Qt::red);
    }
    // The whole text, however long: the page scrolls it.
    const QStringList details = QStringList{RestoreSubject(ctx_, restoreContents_, restoreArchive_)}
                                << RestoreDetails(ctx_, r);
    ui_.Label67->setText(details.join(QLatin1Char('\n')));
    // The scroll area learns the text's new height (it lays out again).
    ui_.restoreDetailsScroll->setWidgetResizable(true);
    ui_.restoreDetailsScroll->verticalScrollBar()->setValue(0);
    for (QLabel* label : {ui_.Label63, ui_.Label64, ui_.Label67})
        setColour(label, colour);
}

} // namespace app
