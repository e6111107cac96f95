#include "Shots.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace shots {

namespace {
QString g_folder;

void write(const QPixmap& picture, const QString& name) {
    const QString path = QDir(g_folder).filePath(name + QStringLiteral(".png"));
    if (picture.isNull() || !picture.save(path))
        std::fprintf(stderr, "shots: cannot save %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}
} // namespace

const QString& OutputFolder() {
    return g_folder;
}

QString ProgramFolder(const QString& fallback) {
    const QString given = qEnvironmentVariable("SHOTS_PROGRAM_DIR");
    return given.isEmpty() ? fallback : given;
}

QString Language() {
    return qEnvironmentVariable("SHOTS_LANGUAGE");
}

void Settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Save(QWidget* widget, const QString& name) {
    widget->raise();
    Settle();
    write(widget->grab(), name);
}

void SaveModal(const QString& name, const std::function<void()>& open) {
    auto* poll = new QTimer(qApp); // owned by the application until it is done
    poll->setInterval(50);
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, name, waited] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (++*waited > 100) { // 5 s: nothing modal came
                std::fprintf(stderr, "shots: no modal window for %s\n", qPrintable(name));
                poll->deleteLater();
            }
            return;
        }
        poll->stop();
        Settle();
        write(modal->grab(), name);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        poll->deleteLater();
    });
    poll->start();
    open();
}

int Run(int argc, char** argv, const std::function<void()>& body) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_folder)) {
        std::fprintf(stderr, "%s: cannot make %s\n", argv[0], argv[1]);
        return 1;
    }
    body();
    return 0;
}

} // namespace shots
