#pragma once
// What the two schedule editors (the main window's "Schedule" tab and the
// schedule dialog) do with their controls: both have the same controls under
// the same names, and this class gives them one behaviour.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimeEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace platform {
class Registry;
class Files;
} // namespace platform
namespace base {
struct Settings;
}
namespace clients {
class ClientCatalogue;
class ClientTreeModel;
} // namespace clients

namespace schedule {

class CompanionControl;

struct ScheduleControls {
    QCheckBox* CheckBox3 = nullptr;
    QTreeWidget* TreeView2 = nullptr;
    QListWidget* CheckListBox6 = nullptr;
    QListWidget* CheckListBox7 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QDateEdit* DateTime1 = nullptr;
    QTimeEdit* Time1 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* Button6 = nullptr;
    // How the unattended runs of the client shown went.
    QFrame* LastRunFrame = nullptr;
    QLabel* LastSuccessValue = nullptr;
    QLabel* NoSuccessLabel = nullptr;
    QLabel* LastFailureLabel = nullptr;
    QLabel* LastFailureValue = nullptr;

    // The generated form classes of both editors name their controls alike.
    template <class Form> static ScheduleControls of(const Form& f) {
        return {f.CheckBox3,      f.TreeView2,        f.CheckListBox6,   f.CheckListBox7,
                f.Edit3,          f.ComboBox3,        f.DateTime1,       f.Time1,
                f.Edit4,          f.Button6,          f.LastRunFrame,    f.LastSuccessValue,
                f.NoSuccessLabel, f.LastFailureLabel, f.LastFailureValue};
    }
};

// What an editor works with; all outlive it.
struct ScheduleDeps {
    platform::Registry& registry;
    const platform::Files& files;
    clients::ClientCatalogue& catalogue;
    base::Settings& settings;
    CompanionControl& companion;
    // The check images: 0 not selected, 1 selected, 2 the root.
    QList<QIcon> checkImages;
    // A message of the language in use, for the names in the lists; none shows them as stored.
    std::function<QString(const QString&)> message = {};
};

class ScheduleEditor : public QObject {
    Q_OBJECT
public:
    ScheduleEditor(const ScheduleControls& controls, ScheduleDeps deps, QObject* parent);

    // The tree's nodes, with check images (when the main window builds its trees).
    void BuildTree(const clients::ClientTreeModel& model);
    // Folder, enable box, interval, unit, start day and start time from the
    // settings in memory; the enable box acts as when the person ticks it.
    void FillFields();
    // Showing: each node's image from its "Selected", the root chosen, no lists.
    void Show();
    // Leaving: "LastBackupDate", "Selected" of every node, the current lists.
    void Leave();
    // The current client's identity and item lists into its client key.
    void SaveLists();

    int currentClient() const { return current_; }
    // Clicking a node: the image of the selected node toggles when hit, and
    // its lists are shown.
    void NodeClicked(QTreeWidgetItem* item, bool onImage);
    // Where a node's image lies, in the tree's viewport.
    QRect ImageRect(QTreeWidgetItem* item) const;

    // The folder picker of "Browse": the start folder in, the chosen one out.
    std::function<std::optional<QString>(const QString& startFolder)> pickFolder;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadLists(int code, bool selected);
    void showLastRun();
    void markFailedRuns();

    ScheduleControls c_;
    ScheduleDeps d_;
    int current_ = 0;
};

} // namespace schedule
