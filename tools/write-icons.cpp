// Writes the program icon as PNG files for the desktop's icon theme:
// <folder>/<size>x<size>/postora.png for each installed size. Runs on the
// offscreen platform at build time.

#include "app/gui/Artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString sub = QStringLiteral("%1x%1").arg(size);
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        app::PaintAppIcon(p, QRectF(0, 0, size, size));
        p.end();
        const QString path = out.filePath(sub + QStringLiteral("/postora.png"));
        if (!out.mkpath(sub) || !pm.save(path)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
            return 1;
        }
    }
    return 0;
}
