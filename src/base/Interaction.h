#pragma once
// What the core shows or asks in the middle of its work. Implemented by the GUI
// and by a console version for runs without a display, where every question
// gets its safe answer so that an unattended run never waits for a person.

#include <QString>
#include <QStringList>

#include <functional>

namespace base {

class Interaction {
public:
    virtual ~Interaction() = default;

    // Error box: error icon, one OK button.
    virtual void showError(const QString& text) = 0;
    // Warning box: warning icon, one OK button.
    virtual void showWarning(const QString& text) = 0;
    // Confirmation box. withCancel: OK and Cancel, else OK only. True for OK.
    virtual bool confirm(const QString& text, bool withCancel) = 0;
    // The password prompt; empty when none was given.
    virtual QString askPassword() = 0;
    // The running-client window: the titles of the client's windows. Returns
    // true when the backup must not run now.
    virtual bool askRunningClient(int clientCode, const QStringList& windowTitles) = 0;

    // The running-client window with its buttons, as the guard uses it: what
    // the person chose. closeAll is the work of "Close all": it ends the
    // processes behind the titles and takes each title it dealt with out of
    // the list. restoring: the client is to be restored, not backed up. By
    // default the simple question above is asked.
    enum class GuardAnswer { Cancel = 0, CloseAll = 1, Wait = 2, Ok = 3 };
    using CloseAllFn = std::function<void(QStringList& titles)>;
    virtual GuardAnswer showRunningClients(int clientCode, const QStringList& windowTitles,
                                           const CloseAllFn& closeAll, bool restoring = false) {
        (void)closeAll;
        (void)restoring;
        return askRunningClient(clientCode, windowTitles) ? GuardAnswer::Cancel
                                                          : GuardAnswer::CloseAll;
    }
    // Let pending window messages run (progress, Abort button).
    virtual void processEvents() = 0;
    // False when no person can act on what is shown (a run without a display):
    // a question that only a person could settle is then not asked again.
    virtual bool attended() const { return true; }
};

// Console version: messages go to standard error; an OK-only notice is taken
// as read, a question with Cancel stops, the password prompt gives no
// password, a running client is skipped.
class ConsoleInteraction : public Interaction {
public:
    void showError(const QString& text) override;
    void showWarning(const QString& text) override;
    bool confirm(const QString& text, bool withCancel) override;
    QString askPassword() override;
    bool askRunningClient(int clientCode, const QStringList& windowTitles) override;
    void processEvents() override;
    bool attended() const override { return false; }
};

} // namespace base
