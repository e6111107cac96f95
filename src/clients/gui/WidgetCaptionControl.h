#pragma once
// A real widget as caption translation sees it: its designer name, its kind,
// and where a translated caption goes.

#include "lang/CaptionTarget.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

namespace clients {

class WidgetCaptionControl : public lang::CaptionControl {
public:
    explicit WidgetCaptionControl(QWidget* widget) : widget_(widget) {}

    QString name() const override;
    lang::ControlKind kind() const override;
    void setCaption(const QString& text) override;

    // One control per named widget below window, in the order the window owns them.
    static std::vector<std::unique_ptr<WidgetCaptionControl>> controlsOf(QWidget* window);

private:
    QPointer<QWidget> widget_;
};

// The controls as caption translation takes them, from the list a window owns.
std::vector<lang::CaptionControl*>
CaptionPointers(const std::vector<std::unique_ptr<WidgetCaptionControl>>& owned);

// Every window of the application that caption translation can see (each
// top-level widget that is a lang::CaptionWindow): what a language switch re-captions.
std::vector<lang::CaptionWindow*> CaptionWindows();

} // namespace clients
