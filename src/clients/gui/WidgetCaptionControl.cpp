#include "clients/gui/WidgetCaptionControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

namespace clients {

namespace {
// A page of a tab widget: its parent is the tab widget's stack.
QTabWidget* tabOwning(QWidget* page) {
    QWidget* stack = page ? page->parentWidget() : nullptr;
    if (!qobject_cast<QStackedWidget*>(stack)) return nullptr;
    return qobject_cast<QTabWidget*>(stack->parentWidget());
}
} // namespace

QString WidgetCaptionControl::name() const {
    return widget_ ? widget_->objectName() : QString();
}

lang::ControlKind WidgetCaptionControl::kind() const {
    using lang::ControlKind;
    if (qobject_cast<QPushButton*>(widget_)) return ControlKind::Button;
    if (qobject_cast<QToolButton*>(widget_)) return ControlKind::SpeedButton;
    if (qobject_cast<QCheckBox*>(widget_)) return ControlKind::CheckBox;
    if (qobject_cast<QRadioButton*>(widget_)) return ControlKind::RadioButton;
    if (qobject_cast<QGroupBox*>(widget_)) return ControlKind::GroupBox;
    if (qobject_cast<QLabel*>(widget_)) return ControlKind::Label;
    if (tabOwning(widget_)) return ControlKind::TabSheet;
    return ControlKind::Other;
}

void WidgetCaptionControl::setCaption(const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget_))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget_))
        label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget_))
        group->setTitle(text);
    else if (QTabWidget* tabs = tabOwning(widget_))
        tabs->setTabText(tabs->indexOf(widget_), text);
}

std::vector<std::unique_ptr<WidgetCaptionControl>>
WidgetCaptionControl::controlsOf(QWidget* window) {
    std::vector<std::unique_ptr<WidgetCaptionControl>> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Qt's own helper widgets carry names beginning with "qt_".
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            out.push_back(std::make_unique<WidgetCaptionControl>(w));
    }
    return out;
}

std::vector<lang::CaptionControl*>
CaptionPointers(const std::vector<std::unique_ptr<WidgetCaptionControl>>& owned) {
    std::vector<lang::CaptionControl*> out;
    out.reserve(owned.size());
    for (const auto& c : owned)
        out.push_back(c.get());
    return out;
}

std::vector<lang::CaptionWindow*> CaptionWindows() {
    std::vector<lang::CaptionWindow*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<lang::CaptionWindow*>(w)) out.push_back(window);
    return out;
}

} // namespace clients
