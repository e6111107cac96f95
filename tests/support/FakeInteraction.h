#pragma once
// The one fake of what the core shows or asks: it records every box, answers
// questions from a script (no answer left: the safe "no"), and runs a hook
// when the core lets pending events run or shows the running-client window.

#include "base/Interaction.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace testsupport {

class FakeInteraction : public base::Interaction {
public:
    QStringList errors;
    QStringList warnings;
    QStringList prompts;             // "[ok] text" or "[ok/cancel] text"
    std::deque<bool> confirmAnswers; // empty: false, as no one answers
    QString password;                // what the password prompt gives
    int passwordAsked = 0;
    int events = 0; // "let pending events run" calls
    std::function<void()> onEvents;
    bool attendedFlag = true;

    // The running-client window: the titles it was shown, the scripted
    // answers (empty: Cancel), and what "Close all" left in the list.
    std::deque<GuardAnswer> answers;
    QList<QStringList> shown;
    std::function<void()> onShow;
    QStringList leftAfterCloseAll;

    void showError(const QString& text) override { errors << text; }
    void showWarning(const QString& text) override { warnings << text; }
    bool confirm(const QString& text, bool withCancel) override {
        prompts << (withCancel ? QStringLiteral("[ok/cancel] ") : QStringLiteral("[ok] ")) + text;
        if (confirmAnswers.empty()) return false;
        const bool a = confirmAnswers.front();
        confirmAnswers.pop_front();
        return a;
    }
    QString askPassword() override {
        ++passwordAsked;
        return password;
    }
    bool askRunningClient(int, const QStringList&) override { return true; }
    bool restoring = false; // the last showing was for a restore
    GuardAnswer showRunningClients(int, const QStringList& titles, const CloseAllFn& closeAll,
                                   bool forRestore = false) override {
        shown << titles;
        restoring = forRestore;
        if (onShow) onShow();
        const GuardAnswer a = answers.empty() ? GuardAnswer::Cancel : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (a == GuardAnswer::CloseAll && closeAll) {
            QStringList listed = titles;
            closeAll(listed);
            leftAfterCloseAll = listed;
        }
        return a;
    }
    void processEvents() override {
        ++events;
        if (onEvents) onEvents();
    }
    bool attended() const override { return attendedFlag; }
    void clear() {
        errors.clear();
        warnings.clear();
        prompts.clear();
    }
};

} // namespace testsupport
