#include "app/gui/SplashScreen.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

namespace app {

namespace {
const QString kBlanks(32, QLatin1Char(' '));
}

const QString SplashScreen::kDesignStatus =
    kBlanks + QStringLiteral("Loading data... please wait.");

QString SplashScreen::statusTextFor(int percent) {
    return kBlanks + QStringLiteral("Loading data... please wait. %1%").arg(percent);
}

SplashScreen::SplashScreen(const QPixmap& picture, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("SplashScreen"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(picture);
    image->setAlignment(Qt::AlignCenter);
    layout->addWidget(image);
    auto* name = new QLabel(QStringLiteral("Postora"), this);
    name->setObjectName(QStringLiteral("Label1"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto* version = new QLabel(QStringLiteral("Version 1.7 revision 0"), this);
    version->setObjectName(QStringLiteral("Label2"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);
    layout->addSpacing(8);
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    status_ = new QLabel(kDesignStatus, bar);
    bar->addWidget(status_, 1);
    layout->addWidget(bar);
    setFixedSize(sizeHint().expandedTo(QSize(std::max(picture.width(), 360), 0)));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void SplashScreen::setStatus(int percent) {
    status_->setText(statusTextFor(percent));
    // Start-up does not return to the event loop until it is done: paint now.
    status_->repaint();
    repaint();
}

QString SplashScreen::statusText() const {
    return status_->text();
}

} // namespace app
