#include "base/Interaction.h"

#include <QCoreApplication>

#include <cstdio>

namespace base {

namespace {
void printLine(const QString& prefix, const QString& text) {
    const QByteArray line = (prefix + text.simplified() + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}
} // namespace

void ConsoleInteraction::showError(const QString& text) {
    printLine(QStringLiteral("postora: error: "), text);
}

void ConsoleInteraction::showWarning(const QString& text) {
    printLine(QStringLiteral("postora: warning: "), text);
}

bool ConsoleInteraction::confirm(const QString& text, bool withCancel) {
    // A box with OK alone asks nothing: the next volume goes to the same folder.
    if (!withCancel) return true;
    printLine(QStringLiteral("postora: no one to answer, stopping: "), text);
    return false;
}

QString ConsoleInteraction::askPassword() {
    return {};
}

bool ConsoleInteraction::askRunningClient(int clientCode, const QStringList& windowTitles) {
    printLine(
        QStringLiteral("postora: skipped, the mail client is running (code %1): ").arg(clientCode),
        windowTitles.join(QStringLiteral(", ")));
    return true;
}

void ConsoleInteraction::processEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

} // namespace base
