#pragma once
// The folder picker behind the folder buttons: a folder browser with the title
// "Select Folder", opened at a folder given in its Windows form.

#include <QString>

#include <optional>

class QWidget;

namespace platform {
class Files;
}

namespace desktop {

class FolderPicker {
public:
    explicit FolderPicker(const platform::Files& fs) : fs_(fs) {}

    QString Title = QStringLiteral("Select Folder");

    // The chosen folder in its Windows form (no trailing backslash), or
    // nothing when the person cancelled. A start folder that is not there
    // opens the nearest one above it that is.
    std::optional<QString> Execute(const QString& startWinFolder, QWidget* parent = nullptr);

private:
    const platform::Files& fs_;
};

} // namespace desktop
