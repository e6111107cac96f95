#include "app/gui/WholeNames.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace app {

namespace {

class WholeNameTips : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString name = index.data(Qt::DisplayRole).toString();
        if (name.isEmpty()) {
            QToolTip::hideText();
            return false;
        }
        QToolTip::showText(event->globalPos(), name, view, view->visualRect(index));
        return true;
    }
};

} // namespace

void ShowWholeNames(QAbstractItemView& view) {
    view.setTextElideMode(Qt::ElideMiddle);
    view.setItemDelegate(new WholeNameTips(&view)); // the view owns it
}

} // namespace app
