#include "schedule/gui/ScheduleEditor.h"

#include "base/Settings.h"
#include "clients/Clients.h"
#include "clients/ItemTexts.h"
#include "clients/gui/ClientTree.h"
#include "lang/MessageTable.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "schedule/CompanionControl.h"
#include "schedule/LastRun.h"
#include "schedule/ScheduleDates.h"
#include "schedule/ScheduleStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimeEdit>
#include <QTreeWidget>

#include <utility>

namespace schedule {

namespace {

constexpr int kNotSelected = 0;
constexpr int kSelected = 1;
constexpr int kRootImage = 2;

int picture(const QTreeWidgetItem* item) {
    return item->data(0, clients::kPictureRole).toInt();
}

// An entry shows its name in the language in use and keeps it as stored.
void fillChecks(QListWidget& list, const QStringList& names, const QList<bool>& checks,
                const std::function<QString(const QString&)>& message) {
    for (int i = 0; i < names.size(); ++i) {
        auto* entry = new QListWidgetItem(clients::ShownName(names[i], message), &list);
        entry->setData(clients::kStoredNameRole, names[i]);
        entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        entry->setCheckState(i < checks.size() && checks[i] ? Qt::Checked : Qt::Unchecked);
    }
}

std::vector<NamedCheck> checksOf(const QListWidget& list) {
    std::vector<NamedCheck> out;
    for (int i = 0; i < list.count(); ++i)
        out.emplace_back(list.item(i)->data(clients::kStoredNameRole).toString(),
                         list.item(i)->checkState() == Qt::Checked);
    return out;
}

} // namespace

ScheduleEditor::ScheduleEditor(const ScheduleControls& controls, ScheduleDeps deps, QObject* parent)
    : QObject(parent), c_(controls), d_(std::move(deps)) {
    c_.Edit3->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), c_.Edit3));
    c_.Edit3->setMaxLength(2);
    c_.DateTime1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    c_.Time1->setDisplayFormat(QStringLiteral("HH:mm"));
    for (QObject* o :
         {static_cast<QObject*>(c_.Edit3), static_cast<QObject*>(c_.TreeView2),
          static_cast<QObject*>(c_.CheckListBox6), static_cast<QObject*>(c_.CheckListBox7)})
        o->installEventFilter(this);
    c_.TreeView2->viewport()->installEventFilter(this);
    c_.LastRunFrame->setVisible(false);
    // Long client names scroll rather than being cut short.
    c_.TreeView2->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    c_.TreeView2->header()->setStretchLastSection(false);

    connect(c_.CheckBox3, &QCheckBox::toggled, this,
            [this](bool on) { d_.companion.SetEnabled(on, d_.settings); });
    connect(c_.Edit3, &QLineEdit::textChanged, this, [this](const QString& text) {
        // An empty field or 0 keeps the interval until the field is left.
        const int n = text.toInt();
        if (n >= 1) d_.settings.backupInterval = n;
    });
    connect(c_.ComboBox3, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) d_.settings.backupPeriod = base::BackupPeriod(index);
    });
    connect(c_.DateTime1, &QDateEdit::dateChanged, this,
            [this](QDate day) { d_.settings.backupDate = QDateTime(day, QTime(0, 0)); });
    connect(c_.Time1, &QTimeEdit::timeChanged, this,
            [this](QTime t) { d_.settings.backupTime = QDateTime(QDate(1899, 12, 30), t); });
    connect(c_.Edit4, &QLineEdit::textChanged, this, [this](const QString& text) {
        d_.settings.scheduleDir = text.isEmpty() ? text : platform::includeTrailingBackslash(text);
    });
    connect(c_.Button6, &QPushButton::clicked, this, [this] {
        if (!pickFolder) return;
        if (const auto chosen = pickFolder(c_.Edit4->text())) c_.Edit4->setText(*chosen);
    });
}

void ScheduleEditor::BuildTree(const clients::ClientTreeModel& model) {
    clients::FillClientTree(*c_.TreeView2, model, clients::TreePictures::CheckImages,
                            d_.checkImages);
    current_ = 0;
    // As wide as its widest node, so that no client's name is cut off, and no
    // wider: the lists beside it need the room.
    QTreeWidget& tree = *c_.TreeView2;
    QStyle* style = tree.style();
    const int icon = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &tree);
    int widest = 0;
    for (QTreeWidgetItem* node : clients::ClientNodes(tree)) {
        int depth = tree.rootIsDecorated() ? 1 : 0;
        for (QTreeWidgetItem* up = node->parent(); up; up = up->parent())
            ++depth;
        widest = qMax(widest, depth * tree.indentation() + icon +
                                  tree.fontMetrics().horizontalAdvance(node->text(0)));
    }
    tree.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // every name fits
    tree.setFixedWidth(widest + 8 + 2 * tree.frameWidth() +
                       style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &tree));
}

void ScheduleEditor::FillFields() {
    const base::Settings& s = d_.settings;
    c_.Edit4->setText(s.scheduleDir);
    c_.Edit4->setCursorPosition(0); // the drive and the first folders are what tells
    c_.CheckBox3->setChecked(s.scheduleEnabled);
    // Stored values out of range show as the nearest the fields can hold.
    c_.Edit3->setText(QString::number(SaneInterval(s.backupInterval)));
    c_.ComboBox3->setCurrentIndex(SanePeriod(int(s.backupPeriod)));
    const QDate day = s.backupDate.date();
    c_.DateTime1->setDate(day.isValid() ? day : QDate::currentDate());
    const QTime time = s.backupTime.time();
    c_.Time1->setTime(time.isValid() ? time : QTime(0, 0));
}

void ScheduleEditor::Show() {
    ScheduleStore store(d_.registry);
    for (QTreeWidgetItem* node : clients::ClientNodes(*c_.TreeView2)) {
        const int code = clients::NodeCode(node);
        if (code == clients::kNone) {
            clients::SetNodePicture(*node, kRootImage, d_.checkImages);
            continue;
        }
        const bool selected = store.EnsureSelected(code);
        // A node that stands for several versions carries no check image of its own.
        if (picture(node) >= 0)
            clients::SetNodePicture(*node, selected ? kSelected : kNotSelected, d_.checkImages);
    }
    markFailedRuns();
    c_.TreeView2->expandAll();
    c_.TreeView2->setCurrentItem(clients::FindClientNode(*c_.TreeView2, clients::kNone));
    current_ = 0;
    c_.CheckListBox6->clear();
    c_.CheckListBox7->clear();
    showLastRun();
}

void ScheduleEditor::Leave() {
    ScheduleStore store(d_.registry);
    const base::Settings& s = d_.settings;
    store.WriteLastBackupDate(LastBackupDateFor(c_.DateTime1->date(), c_.Time1->time(),
                                                SanePeriod(int(s.backupPeriod)),
                                                SaneInterval(s.backupInterval)));
    for (QTreeWidgetItem* node : clients::ClientNodes(*c_.TreeView2))
        store.WriteSelected(clients::NodeCode(node), picture(node) == kSelected);
    SaveLists();
}

void ScheduleEditor::SaveLists() {
    if (current_ <= 0) return;
    ScheduleStore(d_.registry)
        .SaveLists(current_, checksOf(*c_.CheckListBox6), checksOf(*c_.CheckListBox7));
}

void ScheduleEditor::NodeClicked(QTreeWidgetItem* item, bool onImage) {
    if (!item) return;
    if (onImage) {
        const int p = picture(item);
        if (p == kNotSelected || p == kSelected)
            clients::SetNodePicture(*item, p == kSelected ? kNotSelected : kSelected,
                                    d_.checkImages);
    }
    c_.CheckListBox6->clear();
    c_.CheckListBox7->clear();
    current_ = clients::NodeCode(item);
    loadLists(current_, picture(item) == kSelected);
    showLastRun();
}

void ScheduleEditor::loadLists(int code, bool selected) {
    bool itemsChangeable = false;
    if (code > 0) {
        QStringList identities;
        QStringList items;
        itemsChangeable = d_.catalogue.GetIdentitiesAndItems(code, identities, items);
        ScheduleStore store(d_.registry);
        fillChecks(*c_.CheckListBox6, identities, store.IdentityChecks(code, identities),
                   d_.message);
        QList<bool> itemChecks = store.ItemChecks(code, items);
        if (!itemsChangeable) itemChecks = QList<bool>(items.size(), true);
        fillChecks(*c_.CheckListBox7, items, itemChecks, d_.message);
    }
    c_.CheckListBox6->setEnabled(selected);
    c_.CheckListBox7->setEnabled(selected && itemsChangeable);
}

void ScheduleEditor::showLastRun() {
    c_.LastRunFrame->setVisible(current_ > 0);
    if (current_ <= 0) return;
    const LastRun last = ReadLastRun(d_.registry, current_);
    // Captions no language file names: from its messages where it has them.
    const std::pair<const char*, const char*> captions[] = {
        {"LastSuccessLabel", "ScheduleLastSuccess"},
        {"NoSuccessLabel", "ScheduleNoSuccess"},
        {"LastFailureLabel", "ScheduleLastFailure"}};
    for (const auto& [name, key] : captions) {
        const QString text = d_.message ? d_.message(QLatin1String(key)) : QString();
        auto* label = c_.LastRunFrame->findChild<QLabel*>(QLatin1String(name));
        if (label) label->setText(lang::orEnglish(text, label->text()));
    }
    const QLocale locale;
    c_.LastSuccessValue->setText(last.success ? locale.toString(*last.success, QLocale::ShortFormat)
                                              : QString());
    c_.LastSuccessValue->setVisible(last.success.has_value());
    c_.NoSuccessLabel->setVisible(!last.success);
    const bool failed = !last.failure.isEmpty();
    c_.LastFailureLabel->setVisible(failed);
    c_.LastFailureValue->setVisible(failed);
    c_.LastFailureValue->setText(
        failed ? QStringLiteral("%1: %2").arg(
                     locale.toString(*last.failureTime, QLocale::ShortFormat), last.failure)
               : QString());
}

void ScheduleEditor::markFailedRuns() {
    const QBrush normal = c_.TreeView2->palette().brush(QPalette::Text);
    for (QTreeWidgetItem* node : clients::ClientNodes(*c_.TreeView2)) {
        const int code = clients::NodeCode(node);
        const LastRun last = code > 0 ? ReadLastRun(d_.registry, code) : LastRun{};
        node->setForeground(0, last.lastFailed() ? QBrush(QColor(0xc0, 0x10, 0x10)) : normal);
        node->setToolTip(0, last.lastFailed() ? last.failure : QString());
    }
}

QRect ScheduleEditor::ImageRect(QTreeWidgetItem* item) const {
    const QRect cell = c_.TreeView2->visualItemRect(item);
    const QSize icon = c_.TreeView2->iconSize().isValid()
                           ? c_.TreeView2->iconSize()
                           : QSize(c_.TreeView2->style()->pixelMetric(QStyle::PM_SmallIconSize), 0);
    const int margin = c_.TreeView2->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    return QRect(cell.left(), cell.top(), icon.width() + 2 * margin, cell.height());
}

bool ScheduleEditor::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == c_.TreeView2->viewport()) {
        if (type == QEvent::MouseButtonPress) {
            SaveLists(); // before the selection moves on
        } else if (type == QEvent::MouseButtonRelease) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            QTreeWidgetItem* selected = c_.TreeView2->currentItem();
            if (selected && c_.TreeView2->itemAt(at) == selected)
                NodeClicked(selected, ImageRect(selected).contains(at));
            else
                NodeClicked(selected, false);
        }
    } else if (type == QEvent::FocusOut) {
        if (watched == c_.Edit3) {
            if (c_.Edit3->text().toInt() == 0) c_.Edit3->setText(QStringLiteral("1"));
        } else {
            SaveLists(); // the tree or a list lost the focus
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace schedule
