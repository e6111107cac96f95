#include "app/gui/CheckLists.h"

#include <QListWidget>

#include <algorithm>

namespace app {

void FillCheckList(QListWidget& list, const QStringList& names, bool ticked) {
    list.clear();
    for (const QString& name : names) {
        auto* entry = new QListWidgetItem(name, &list); // owned by the list
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

QList<base::TickedName> TickedNames(const QListWidget& list) {
    QList<base::TickedName> out;
    for (int i = 0; i < list.count(); ++i)
        out << base::TickedName{list.item(i)->text(), list.item(i)->checkState() == Qt::Checked};
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
