// postora: start-up, then the command line or the main window.

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/Startup.h"
#include "app/gui/GuiInteraction.h"
#include "app/gui/GuiStartup.h"
#include "base/ErrorLine.h"
#include "base/ExitStatus.h"
#include "base/Interaction.h"
#include "desktop/gui/TrayIcon.h"
#include "lang/Localization.h"
#include "platform/DriveMap.h"

#include <QApplication>
#include <QStringDecoder>

#include <cstdio>

#include <memory>

namespace {
QtMessageHandler g_defaultHandler = nullptr;

// A run without a desktop session has no runtime folder by nature; Qt's note
// about it would be one more line on standard error for scripts to sort out.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    g_defaultHandler(type, context, text);
}
} // namespace

int main(int argc, char** argv) {
    // Postora's command line is taken whole before Qt reads it: Qt would take
    // its own options ("-style", "-platform" ...) out, and a bad command could
    // then run as a good one.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(raw);
        if (utf8.hasError() && raw.left(3).toLower() == "/p:") {
            // Decoded with replacement characters it would name another folder.
            std::fprintf(stderr, "postora: the folder after /p: is not valid UTF-8: %s\n",
                         raw.constData());
            return base::kExitBadCommand;
        }
        args << text;
    }
    // Before any window, setting or prefix is touched: help changes nothing.
    if (app::IsHelpRequest(args)) {
        std::fputs(app::UsageText().toUtf8().constData(), stdout);
        return base::kExitOk;
    }

    // Without a display the command line runs without any window system and
    // every question gets its safe answer on the console.
    const bool headless =
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (headless) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        g_defaultHandler = qInstallMessageHandler(&quietHandler);
    }
    QApplication application(argc, argv);

    std::unique_ptr<base::Interaction> ui;
    app::GuiInteraction* windows = nullptr;
    if (headless) {
        ui = std::make_unique<base::ConsoleInteraction>();
    } else {
        auto gui = std::make_unique<app::GuiInteraction>();
        windows = gui.get();
        ui = std::move(gui);
    }
    // The source is chosen before the registry and the drives are made.
    std::optional<platform::WindowsInstallation> mounted;
    if (const int status = app::SelectWindowsSource(args, &base::WriteErrorLine, mounted);
        status >= 0)
        return status;
    app::AppContext ctx(*ui, mounted);
    if (windows) {
        windows->setMessages(&ctx.localization().messages());
        windows->setCaptions(&ctx.localization().captions());
    }

    desktop::TrayIcon tray;
    tray.SetHint(QStringLiteral("Postora"));
    app::CommandHandlers handlers = app::DefaultCommandHandlers();
    if (!headless) handlers.trayIcon = [&tray](bool shown) { shown ? tray.Show() : tray.Hide(); };

    // The main window, the splash and the dialogs join through the hooks; a run
    // without a display has none of them.
    if (headless) {
        app::StartupHooks hooks;
        return app::RunProgram(ctx, hooks, handlers, args, platform::programHostFolder());
    }
    app::GuiStartupHooks hooks(windows);
    return app::RunProgram(ctx, hooks, handlers, args, platform::programHostFolder());
}
