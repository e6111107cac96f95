// Start-up time of the desktop program: from the moment the runner started
// this process (POSTORA_BENCH_T0, nanoseconds of the real-time clock) to the
// main window's first paint, through the same start-up and windows as postora.
// Prints the milliseconds and ends.

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/gui/GuiInteraction.h"
#include "app/gui/GuiStartup.h"
#include "app/gui/MainWindow.h"
#include "lang/Localization.h"
#include "platform/DriveMap.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

qint64 nowNs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

class FirstPaint : public QObject {
public:
    explicit FirstPaint(qint64 t0) : t0_(t0) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            std::printf("%.1f\n", double(nowNs() - t0_) / 1e6);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    qint64 t0_;
    bool done_ = false;
};

class BenchHooks : public app::GuiStartupHooks {
public:
    BenchHooks(app::GuiInteraction* ui, FirstPaint& probe) : GuiStartupHooks(ui), probe_(probe) {}
    int runMainWindow(app::AppContext& ctx, const QString& target) override {
        mainWindow()->installEventFilter(&probe_);
        return GuiStartupHooks::runMainWindow(ctx, target);
    }

private:
    FirstPaint& probe_;
};

} // namespace

int main(int argc, char** argv) {
    const qint64 t0 = qEnvironmentVariableIntValue("POSTORA_BENCH_T0") != 0
                          ? qgetenv("POSTORA_BENCH_T0").toLongLong()
                          : nowNs();
    QApplication application(argc, argv);
    app::GuiInteraction ui;
    app::AppContext ctx(ui);
    ui.setMessages(&ctx.localization().messages());
    ui.setCaptions(&ctx.localization().captions());
    FirstPaint probe(t0);
    BenchHooks hooks(&ui, probe);
    return app::RunProgram(ctx, hooks, app::DefaultCommandHandlers(), {},
                           platform::programHostFolder());
}
