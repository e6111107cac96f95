#pragma once
// One start of the desktop program on the test's prefix, up to the shown main
// window, with a fake that records what would be shown.

#include "support/FakeInteraction.h"

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/gui/GuiStartup.h"
#include "app/gui/MainWindow.h"

#include <QListWidget>
#include <QTreeWidget>
#include <QtTest>

namespace testsupport {

inline QString binDir() {
    return qEnvironmentVariable("POSTORA_BIN_DIR", QStringLiteral(POSTORA_BIN_DIR));
}

// One start of the program on the prefix, up to the shown main window.
struct Start {
    testsupport::FakeInteraction ui;
    app::AppContext ctx{ui};
    app::GuiStartupHooks hooks{nullptr};
    app::MainWindow* form = nullptr;
    int status = -1; // what the program returned

    explicit Start(const QStringList& args = {}) {
        hooks.setRunEventLoop(false);
        status = app::RunProgram(ctx, hooks, app::DefaultCommandHandlers(), args, binDir());
        form = hooks.mainWindow();
    }
    template <typename T> T* child(const char* name) const {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
    QTreeWidget* tree() const { return child<QTreeWidget>("TreeView1"); }
    QListWidget* identities() const { return child<QListWidget>("CheckListBox1"); }
    QListWidget* items() const { return child<QListWidget>("CheckListBox2"); }
    void click(const QString& caption) const {
        const auto found = tree()->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY2(!found.isEmpty(), qPrintable(caption));
        tree()->scrollToItem(found.front());
        const QRect place = tree()->visualItemRect(found.front());
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, place.center());
    }
    QStringList ticks(QListWidget* list) const {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << (list->item(i)->checkState() == Qt::Checked ? "+" : "-") + list->item(i)->text();
        return out;
    }
};

} // namespace testsupport
