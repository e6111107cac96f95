// The schedule tab and the schedule dialog: ticking a client by its image,
// what leaving writes (the start moment moved back, "Selected", the lists of
// a client that is not ticked), the interval field, the enable box with a
// companion already running, and the last runs shown per client.

#include "base/Settings.h"
#include "clients/ClientTreeModel.h"
#include "clients/Clients.h"
#include "clients/ProcessList.h"
#include "clients/gui/ClientTree.h"
#include "platform/Process.h"
#include "schedule/AutoRunFixture.h"
#include "schedule/CompanionControl.h"
#include "schedule/LastRun.h"
#include "schedule/ScheduleStore.h"
#include "schedule/gui/ScheduleDialog.h"
#include "schedule/gui/ScheduleTab.h"
#include "support/FindChild.h"
#include "support/WhenModal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

#include <csignal>

using namespace schedule;
using platform::HKEY_CURRENT_USER;

namespace {

template <class T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

QList<QIcon> checkImages() {
    QList<QIcon> out;
    for (QColor color : {QColor(Qt::white), QColor(Qt::darkGreen), QColor(Qt::blue)}) {
        QPixmap p(16, 16);
        p.fill(color);
        out << QIcon(p);
    }
    return out;
}

struct Rig {
    autorun::Fixture fx; // Outlook Express and Outlook ticked, Eudora not
    QString programHost = fx.prefix.root() + QStringLiteral("/program");
    clients::ClientCatalogue catalogue{*fx.reg, *fx.fs};
    clients::ClientTreeModel model{catalogue};
    clients::ProcessList procs;
    QStringList messages;
    base::Settings settings;
    std::unique_ptr<CompanionControl> companion;

    Rig() {
        QDir().mkpath(programHost);
        settings.programFolder =
            platform::includeTrailingBackslash(fx.fs->windowsPath(programHost));
        settings.scheduleDir = fx.backupsWin;
        settings.backupDate = QDateTime(QDate(2027, 3, 31), QTime(0, 0));
        settings.backupTime = QDateTime(QDate(1899, 12, 30), QTime(10, 0));
        settings.backupPeriod = base::BackupPeriod::Months;
        settings.backupInterval = 1;
        companion =
            std::make_unique<CompanionControl>(*fx.reg, *fx.fs, procs, settings.programFolder,
                                               [this](const QString& key) { messages << key; });
    }
    ScheduleDeps deps() {
        return ScheduleDeps{*fx.reg, *fx.fs, catalogue, settings, *companion, checkImages()};
    }
    ScheduleStore store() { return ScheduleStore(*fx.reg); }
};

int image(QTreeWidget* tree, int code) {
    return clients::FindClientNode(*tree, code)->data(0, clients::kPictureRole).toInt();
}

// A click on a node: on its image, or on its caption.
void clickNode(ScheduleEditor& editor, QTreeWidget* tree, int code, bool onImage) {
    QTreeWidgetItem* node = clients::FindClientNode(*tree, code);
    const QRect image = editor.ImageRect(node);
    const QPoint at = onImage ? image.center() : QPoint(image.right() + 12, image.center().y());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(editor.currentClient(), code);
}

QStringList listed(QListWidget* list, bool checkedOnly = false) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        if (!checkedOnly || list->item(i)->checkState() == Qt::Checked)
            out << list->item(i)->text();
    return out;
}

} // namespace

class TstScheduleEditors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tickByImageAndLeave();
    void unselectedClientListsSavedOnLeaving();
    void lastBackupDateOnLeaving_data();
    void lastBackupDateOnLeaving();
    void intervalField();
    void enableWhileCompanionRuns();
    void lastRunsShown();
};

void TstScheduleEditors::tickByImageAndLeave() {
    Rig rig;
    ScheduleTab tab(rig.deps());
    tab.resize(600, 400);
    tab.show();
    tab.buildTree(rig.model);
    tab.fill();
    tab.showTab();
    auto* tree = child<QTreeWidget>(&tab, "TreeView2");
    QCOMPARE(image(tree, clients::kNone), 2);
    QCOMPARE(image(tree, clients::kOutlookExpress), 1);
    QCOMPARE(image(tree, clients::kEudora), 0);
    QCOMPARE(tab.editor().currentClient(), 0);

    // A click selects; only a click on the image of the selected node ticks.
    clickNode(tab.editor(), tree, clients::kEudora, true);
    QCOMPARE(tab.editor().currentClient(), int(clients::kEudora));
    QCOMPARE(image(tree, clients::kEudora), 1);
    clickNode(tab.editor(), tree, clients::kOutlookExpress, false);
    QCOMPARE(image(tree, clients::kOutlookExpress), 1);
    QCOMPARE(listed(child<QListWidget>(&tab, "CheckListBox6")),
             QStringList{QStringLiteral("Main Identity")});
    QVERIFY(child<QListWidget>(&tab, "CheckListBox6")->isEnabled());
    clickNode(tab.editor(), tree, clients::kOutlookExpress, true);
    QCOMPARE(image(tree, clients::kOutlookExpress), 0);
    QVERIFY(!child<QListWidget>(&tab, "CheckListBox6")->isEnabled());
    // The root's image is no check box.
    clickNode(tab.editor(), tree, clients::kNone, true);
    QCOMPARE(image(tree, clients::kNone), 2);

    tab.leaveTab();
    ScheduleStore store = rig.store();
    QVERIFY(store.ReadSelected(clients::kEudora));
    QVERIFY(!store.ReadSelected(clients::kOutlookExpress));
    QVERIFY(store.ReadSelected(clients::kOutlook));
    QVERIFY(!store.ReadSelected(clients::kFavorites));
    QVERIFY(rig.fx.reg->keyExists(HKEY_CURRENT_USER, ScheduleStore::ClientKeyPath(0)));
}

void TstScheduleEditors::unselectedClientListsSavedOnLeaving() {
    Rig rig;
    // Hundreds of identities that the client no longer has.
    {
        auto key = rig.fx.reg
                       ->open(HKEY_CURRENT_USER,
                              ScheduleStore::ClientKeyPath(clients::kOutlookExpress) +
                                  QStringLiteral("\\Identity"),
                              true)
                       .value();
        for (int i = 0; i < 300; ++i)
            QVERIFY(key.writeInt(QStringLiteral("Gone %1").arg(i), 1));
    }
    QVERIFY(rig.store().WriteSelected(clients::kOutlookExpress, false));

    ScheduleDialog dialog(rig.deps());
    dialog.buildTree(rig.model);
    support::whenModal([&](QWidget* w) {
        auto* tree = child<QTreeWidget>(w, "TreeView2");
        clickNode(dialog.editor(), tree, clients::kOutlookExpress, false);
        QVERIFY(!child<QListWidget>(w, "CheckListBox6")->isEnabled());
        QVERIFY(!child<QListWidget>(w, "CheckListBox7")->isEnabled());
        child<QPushButton>(w, "Button1")->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    const ClientChoice saved =
        rig.store().ReadClientChoice(QString::number(clients::kOutlookExpress));
    QVERIFY(!saved.selected);
    QCOMPARE(saved.identities.size(), size_t(1));
    QCOMPARE(saved.identities[0].first, QStringLiteral("Main Identity"));
    QCOMPARE(saved.items.size(), size_t(clients::ClientItems(clients::kOutlookExpress).size()));
}

void TstScheduleEditors::lastBackupDateOnLeaving_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("common year") << QDate(2027, 3, 31) << QDate(2027, 2, 28);
    QTest::newRow("leap year") << QDate(2028, 3, 31) << QDate(2028, 2, 29);
}

void TstScheduleEditors::lastBackupDateOnLeaving() {
    QFETCH(QDate, day);
    QFETCH(QDate, expected);
    Rig rig;
    rig.settings.backupPeriod = base::BackupPeriod::Days;
    rig.settings.backupInterval = 5;
    ScheduleTab tab(rig.deps());
    tab.buildTree(rig.model);
    tab.fill();
    tab.showTab();
    // The fields, not what memory held before, make the moment.
    child<QDateEdit>(&tab, "DateTime1")->setDate(day);
    child<QTimeEdit>(&tab, "Time1")->setTime(QTime(10, 0));
    child<QComboBox>(&tab, "ComboBox3")->setCurrentIndex(3);
    child<QLineEdit>(&tab, "Edit3")->setText(QStringLiteral("1"));
    tab.leaveTab();
    QCOMPARE(rig.store().ReadLastBackupDate(), std::optional(QDateTime(expected, QTime(10, 0))));
}

void TstScheduleEditors::intervalField() {
    Rig rig;
    rig.settings.backupInterval = 1000; // out of range as stored
    ScheduleTab tab(rig.deps());
    tab.show();
    tab.fill();
    auto* interval = child<QLineEdit>(&tab, "Edit3");
    QCOMPARE(interval->text(), QStringLiteral("99"));
    QCOMPARE(rig.settings.backupInterval, 99);
    QVERIFY(QTest::qWaitForWindowActive(&tab));
    interval->setFocus();
    QTest::keyClick(interval, Qt::Key_Backspace);
    QTest::keyClick(interval, Qt::Key_Backspace);
    QTest::keyClicks(interval, QStringLiteral("x"));
    QCOMPARE(interval->text(), QString());
    QVERIFY(rig.settings.backupInterval >= 1);
    child<QLineEdit>(&tab, "Edit4")->setFocus();
    QTRY_COMPARE(interval->text(), QStringLiteral("1"));
    QCOMPARE(rig.settings.backupInterval, 1);

    // The folder setting always ends with a backslash.
    child<QLineEdit>(&tab, "Edit4")->setText(QStringLiteral("C:\\Backups"));
    QCOMPARE(rig.settings.scheduleDir, QStringLiteral("C:\\Backups\\"));
}

void TstScheduleEditors::enableWhileCompanionRuns() {
    Rig rig;
    const QString companionHost = rig.programHost + QStringLiteral("/ZuveDizizo.exe");
    QVERIFY(QFile::copy(QStringLiteral(POSTORA_BIN_DIR "/ZuveDizizo.exe"), companionHost));
    auto countCompanions = [&] {
        int n = 0;
        for (const auto& p : platform::processSnapshot())
            if (p.exePath == companionHost) ++n;
        return n;
    };
    ScheduleTab tab(rig.deps());
    tab.fill();
    child<QCheckBox>(&tab, "CheckBox3")->setChecked(true);
    QVERIFY(rig.settings.scheduleEnabled);
    QTRY_COMPARE_WITH_TIMEOUT(countCompanions(), 1, 5000);

    // The dialog's showing sets its own box from the settings: no second copy.
    ScheduleDialog dialog(rig.deps());
    support::whenModal([](QWidget* w) { child<QPushButton>(w, "Button2")->click(); });
    dialog.exec();
    QVERIFY(child<QCheckBox>(&dialog, "CheckBox3")->isChecked());
    QTest::qWait(300);
    QCOMPARE(countCompanions(), 1);
    QVERIFY(rig.messages.isEmpty());

    child<QCheckBox>(&tab, "CheckBox3")->setChecked(false);
    QCOMPARE(countCompanions(), 0);
    QVERIFY(!rig.settings.scheduleEnabled);
}

void TstScheduleEditors::lastRunsShown() {
    Rig rig;
    const QDateTime success(QDate(2027, 5, 1), QTime(3, 0));
    QVERIFY(RecordSuccess(*rig.fx.reg, clients::kOutlookExpress, success));
    QVERIFY(RecordFailure(*rig.fx.reg, clients::kOutlookExpress, success.addDays(-1),
                          QStringLiteral("older failure")));
    QVERIFY(RecordFailure(*rig.fx.reg, clients::kOutlook, success,
                          QStringLiteral("Outlook was running")));
    ScheduleTab tab(rig.deps());
    tab.resize(600, 400);
    tab.show();
    tab.buildTree(rig.model);
    tab.showTab();
    auto* tree = child<QTreeWidget>(&tab, "TreeView2");
    // Only the client whose latest run failed is marked.
    QCOMPARE(clients::FindClientNode(*tree, clients::kOutlook)->toolTip(0),
             QStringLiteral("Outlook was running"));
    QCOMPARE(clients::FindClientNode(*tree, clients::kOutlookExpress)->toolTip(0), QString());

    clickNode(tab.editor(), tree, clients::kOutlookExpress, false);
    QVERIFY(child<QLabel>(&tab, "LastSuccessValue")->isVisible());
    QVERIFY(!child<QLabel>(&tab, "NoSuccessLabel")->isVisible());
    QVERIFY(
        child<QLabel>(&tab, "LastFailureValue")->text().contains(QStringLiteral("older failure")));

    clickNode(tab.editor(), tree, clients::kOutlook, false);
    QVERIFY(!child<QLabel>(&tab, "LastSuccessValue")->isVisible());
    QVERIFY(child<QLabel>(&tab, "NoSuccessLabel")->isVisible());
    QVERIFY(child<QLabel>(&tab, "LastFailureValue")
                ->text()
                .contains(QStringLiteral("Outlook was running")));
}

QTEST_MAIN(TstScheduleEditors)
#include "tst_scheduleeditors.moc"
