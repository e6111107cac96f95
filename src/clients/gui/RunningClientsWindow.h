#pragma once
// The running-client window: lists the titles of a mail client's windows and
// lets the person close the client ("OK" looks again), end it by force
// ("Close all") or give up ("Cancel").

#include "base/Interaction.h"
#include "clients/gui/WidgetCaptionControl.h"
#include "lang/CaptionTarget.h"

#include <QDialog>
#include <QStringList>

#include <QPoint>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lang {
class CaptionTranslator;
}

namespace Ui {
class RunningClientsWindow;
}

namespace clients {

class RunningClientsWindow : public QDialog, public lang::CaptionWindow {
    Q_OBJECT
public:
    // The window's captions come from lng's file when it names one.
    explicit RunningClientsWindow(QWidget* parent = nullptr,
                                  lang::CaptionTranslator* lng = nullptr);
    ~RunningClientsWindow() override;

    // 0 Cancel or the close box, 1 "Close all", 2 "Wait 5 minutes", 3 "OK".
    int choice() const { return choice_; }
    // A choice of 2 before the window is shown makes "Wait 5 minutes" visible.
    void setChoice(int value) { choice_ = value; }

    // Shows the window modally with the titles; returns the choice. heading,
    // when given, stands in for the caption above the list for this showing.
    int ShowModal(const QStringList& titles, const base::Interaction::CloseAllFn& closeAll,
                  const QString& heading = QString());
    // Asked before "Close all" ends anything; false keeps the window open.
    void setCloseAllQuestion(std::function<bool()> ask) { askCloseAll_ = std::move(ask); }
    QStringList listedTitles() const;

    QString name() const override { return objectName(); }
    std::vector<lang::CaptionControl*> controls() const override;

protected:
    void done(int result) override;

private Q_SLOTS:
    void lookAgain();
    void waitFiveMinutes();
    void closeAll();
    void giveUp();

private:
    std::unique_ptr<Ui::RunningClientsWindow> ui_;
    std::vector<std::unique_ptr<WidgetCaptionControl>> captions_;
    base::Interaction::CloseAllFn closeAll_;
    std::function<bool()> askCloseAll_;
    int choice_ = 0;
    std::optional<QPoint> lastFrame_; // where its frame was when it last closed
};

} // namespace clients
