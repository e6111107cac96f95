#include "app/gui/CheckLists.h"

#include "app/AppContext.h"
#include "clients/ItemTexts.h"

#include <QListWidget>

#include <algorithm>

namespace app {

void FillCheckList(AppContext& ctx, QListWidget& list, const QStringList& names, bool ticked) {
    list.clear();
    for (const QString& name : names) {
        auto* entry = new QListWidgetItem(name, &list); // owned by the list
        entry->setData(clients::kStoredNameRole, name);
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    ShowStoredNames(ctx, list);
}

void ShowStoredNames(AppContext& ctx, QListWidget& list) {
    const auto message = [&ctx](const QString& key) { return ctx.message(key); };
    for (int i = 0; i < list.count(); ++i) {
        QListWidgetItem* entry = list.item(i);
        if (entry->data(clients::kStoredNameRole).isValid())
            entry->setText(clients::ShownName(StoredName(*entry), message));
    }
}

QString StoredName(const QListWidgetItem& entry) {
    const QVariant stored = entry.data(clients::kStoredNameRole);
    return stored.isValid() ? stored.toString() : entry.text();
}

QList<base::TickedName> TickedNames(const QListWidget& list) {
    QList<base::TickedName> out;
    for (int i = 0; i < list.count(); ++i)
        out << base::TickedName{StoredName(*list.item(i)),
                                list.item(i)->checkState() == Qt::Checked};
    return out;
}

QList<backup::Selected> SelectedOf(const QListWidget& list) {
    QList<backup::Selected> out;
    for (const base::TickedName& t : TickedNames(list))
        out << backup::Selected{t.ticked, t.name};
    return out;
}

bool AnyTicked(const QListWidget& list) {
    const QList<base::TickedName> ticks = TickedNames(list);
    return std::any_of(ticks.begin(), ticks.end(),
                       [](const base::TickedName& t) { return t.ticked; });
}

} // namespace app
