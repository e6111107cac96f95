#pragma once
// The splash window of start-up: borderless, centred, the product picture,
// name and version, and one status line painted at once on every change.

#include <QWidget>

class QLabel;

namespace app {

class SplashScreen : public QWidget {
    Q_OBJECT
public:
    explicit SplashScreen(const QPixmap& picture, QWidget* parent = nullptr);

    // "Loading data... please wait. <percent>%" after the 32 leading blanks.
    void setStatus(int percent);
    QString statusText() const;

    static QString statusTextFor(int percent);
    static const QString kDesignStatus;

private:
    QLabel* status_ = nullptr;
};

} // namespace app
