// Pictures of the progress window during and after a backup of the sample's
// Outlook Express, after an abort and after a failure; the about box; and the
// painted artwork (banner, splash picture, icons) in one sheet.

#include "Shots.h"

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "app/gui/AboutBox.h"
#include "app/gui/Artwork.h"
#include "app/gui/GuiInteraction.h"
#include "backup/BackupFiles.h"
#include "backup/gui/ProgressWindow.h"
#include "base/Settings.h"
#include "clients/Clients.h"
#include "lang/Localization.h"
#include "platform/DriveMap.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// Lets the shots program act in the middle of a backup, where the progress
// callback lets events run.
class ShotInteraction : public app::GuiInteraction {
public:
    std::function<void()> duringRun;
    void processEvents() override {
        app::GuiInteraction::processEvents();
        if (duringRun) duringRun();
    }
};

// Shows form modally; once its backup has finished, saves it as name.
void shootFinished(backup::ProgressWindow& form, const QString& name) {
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* close = form.findChild<QPushButton*>(QStringLiteral("Button2"));
        if (!form.isVisible() || form.running() || !close->isVisible()) return;
        poll.stop();
        shots::Save(&form, name);
        form.reject();
    });
    poll.start();
    form.ShowModal();
}

void saveArtwork() {
    const QList<QIcon> clients = app::ClientPictures();
    const QList<QIcon> checks = app::CheckImages();
    const QPixmap banner = app::BannerPixmap(552, 70);
    const QPixmap splash = app::SplashPicture();
    const QList<int> sizes{16, 24, 32, 48};
    const int cell = 56;
    const int w = std::max(banner.width(), 68 * int(clients.size() + checks.size())) + 20;
    // The 16-pixel pictures once more, four times enlarged, to judge them pixel by pixel.
    const int zoom = 4;
    const int h = 10 + banner.height() + 10 + cell * int(sizes.size()) + 16 * zoom + 10 +
                  splash.height() + 10;
    QPixmap sheet(w, h);
    sheet.fill(QColor(0xef, 0xef, 0xef));
    QPainter p(&sheet);
    p.drawPixmap(10, 10, banner);
    int y = 10 + banner.height() + 10;
    for (int size : sizes) {
        int x = 10;
        for (const QIcon& icon : clients + checks) {
            p.drawPixmap(x + (cell - size) / 2, y + (cell - size) / 2, icon.pixmap(size, size));
            x += cell;
        }
        y += cell;
    }
    int x = 10;
    for (const QIcon& icon : clients + checks) {
        p.drawPixmap(x, y, icon.pixmap(16, 16).scaled(16 * zoom, 16 * zoom));
        x += 16 * zoom + 4;
    }
    y += 16 * zoom;
    p.drawPixmap(10, y + 10, splash);
    p.drawPixmap(20 + splash.width(), y + 10, app::AppIcon().pixmap(128, 128));
    p.end();
    const QString path = QDir(shots::OutputFolder()).filePath(QStringLiteral("artwork.png"));
    if (sheet.save(path)) std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    return shots::Run(argc, argv, [] {
        ShotInteraction ui;
        app::AppContext ctx(ui);
        ui.setMessages(&ctx.localization().messages());
        ui.setCaptions(&ctx.localization().captions());
        ctx.settingsStore().InitFolders();
        ctx.settingsStore().LoadOptionSettings();
        ctx.settingsStore().LoadMainSettings();
        (void)ctx.localization().SelectLanguageFile({});
        if (!ctx.InitBackupEngine(platform::programHostFolder())) {
            std::fprintf(stderr, "shots-progress: the archiving library is missing\n");
            return;
        }

        backup::JobRequest request;
        request.clientCode = clients::kOutlookExpress;
        request.targetPath = ctx.settings().backupDir + backup::BackupFileName(request.clientCode);
        QStringList identities;
        QStringList items;
        ctx.catalogue().GetIdentitiesAndItems(request.clientCode, identities, items);
        request.identities = backup::AllTicked(identities);
        request.items = backup::AllTicked(items);

        backup::ProgressWindow form(nullptr, &ctx.localization().captions());
        form.setJob(ctx.job(), &ui, &ctx.localization().messages());
        form.setRequestSource([&] { return request; });

        // During the run: the last picture with the bar part-way, which the
        // small sample reaches only briefly.
        QPixmap running;
        ui.duringRun = [&] {
            auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
            if (form.running() && bar->value() > 0 && bar->value() < 100) running = form.grab();
        };
        shootFinished(form, QStringLiteral("progress-done"));
        const QString runningPath =
            QDir(shots::OutputFolder()).filePath(QStringLiteral("progress-running.png"));
        if (!running.isNull() && running.save(runningPath))
            std::printf("%s\n", qPrintable(runningPath));
        else
            std::fprintf(stderr, "shots-progress: the bar never moved during the run\n");

        ui.duringRun = [&] {
            if (form.running()) form.requestAbort();
        };
        shootFinished(form, QStringLiteral("progress-aborted"));
        ui.duringRun = nullptr;

        // A drive letter the prefix does not have.
        const backup::JobRequest good = request;
        request.targetPath =
            QStringLiteral("Q:\\Backups\\") + platform::extractFileName(good.targetPath);
        shootFinished(form, QStringLiteral("progress-failed"));
        request = good;

        shots::SaveModal(QStringLiteral("about"), [&] {
            app::AboutBox about(nullptr, &ctx.localization().captions());
            about.ShowModal();
        });
        saveArtwork();
    });
}
