#pragma once
// The programs that tests check our output with (7z, bsdtar, Wine): a test
// that needs one says which is missing and how to get it.

#include <QStandardPaths>
#include <QString>
#include <QtTest>

#include <initializer_list>

namespace testsupport {

inline bool haveTool(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// "<tool> is missing: tools/install-deps.sh installs it" for the first of the
// tools that is not installed; empty when all are.
inline QString missingTool(std::initializer_list<const char*> tools) {
    for (const char* tool : tools)
        if (!haveTool(QLatin1String(tool)))
            return QStringLiteral("%1 is missing: tools/install-deps.sh installs it")
                .arg(QLatin1String(tool));
    return {};
}

} // namespace testsupport

// In a test function: fails it when one of the tools is not installed.
#define REQUIRE_TOOLS(...)                                                                         \
    do {                                                                                           \
        const QString missingTool_ = testsupport::missingTool({__VA_ARGS__});                      \
        if (!missingTool_.isEmpty()) QFAIL(qPrintable(missingTool_));                              \
    } while (false)

// In a test function: skips it when one of the tools is not installed (a check
// that other tests make too).
#define SKIP_WITHOUT_TOOLS(...)                                                                    \
    do {                                                                                           \
        const QString missingTool_ = testsupport::missingTool({__VA_ARGS__});                      \
        if (!missingTool_.isEmpty()) QSKIP(qPrintable(missingTool_));                              \
    } while (false)
