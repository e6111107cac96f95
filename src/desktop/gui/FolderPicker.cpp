#include "desktop/gui/FolderPicker.h"

#include "platform/Files.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSplitter>
#include <QUrl>

namespace desktop {

std::optional<QString> FolderPicker::Execute(const QString& startWinFolder, QWidget* parent) {
    QString start = QDir::homePath();
    if (const auto host = fs_.hostPath(startWinFolder); host && !startWinFolder.isEmpty()) {
        QFileInfo at(host.value());
        // A missing folder (or drive) is no reason to refuse: go up to one that is there.
        while (!at.isDir() && !at.isRoot() && at.absoluteFilePath() != at.absolutePath())
            at.setFile(at.absolutePath());
        if (at.isDir()) start = at.absoluteFilePath();
    }
    QFileDialog dialog(parent, Title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // The same browser on every desktop, within the prefix's drives as anywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The prefix's drive C beside the host's home.
    QList<QUrl> places{QUrl::fromLocalFile(QDir::homePath())};
    if (const auto driveC = fs_.hostPath(QStringLiteral("C:\\"));
        driveC && QFileInfo(driveC.value()).isDir())
        places << QUrl::fromLocalFile(driveC.value());
    dialog.setSidebarUrls(places);
    dialog.resize(640, 420);
    if (auto* split = dialog.findChild<QSplitter*>())
        split->setSizes({150, 490}); // room for the places' names
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return fs_.windowsPath(QDir::cleanPath(dialog.selectedFiles().first()));
}

} // namespace desktop
