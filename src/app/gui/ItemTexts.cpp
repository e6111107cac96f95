#include "app/gui/ItemTexts.h"

#include "app/AppContext.h"
#include "app/gui/CheckLists.h"
#include "app/gui/RestoreSteps.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

namespace app {

namespace {

struct Title {
    const char* window;
    const char* key;
    const char* english;
};
constexpr Title kTitles[] = {
    {"Form9", "TitleOptions", "Options:"},
    {"Form10", "TitleSchedule", "Schedule:"},
    {"Form4", "TitleAbout", "About Postora"},
};

struct Entry {
    const char* key;
    const char* english;
};
// The periods of the schedule editors, in the order of their lists.
constexpr Entry kPeriods[] = {{"PeriodHours", "Hours"},
                              {"PeriodDays", "Days"},
                              {"PeriodWeeks", "Weeks"},
                              {"PeriodMonths", "Months"}};

} // namespace

void TranslateItemTexts(AppContext& ctx) {
    const auto text = [&ctx](const char* key, const char* english) {
        return MessageOr(ctx, QString::fromLatin1(key), QString::fromLatin1(english));
    };
    const QString root = text("TreeEmailClient", "Email Client");
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (const Title& t : kTitles)
            if (window->objectName() == QLatin1String(t.window))
                window->setWindowTitle(text(t.key, t.english));
        for (QComboBox* periods : window->findChildren<QComboBox*>(QStringLiteral("ComboBox3")))
            for (int i = 0; i < periods->count() && i < int(std::size(kPeriods)); ++i)
                periods->setItemText(i, text(kPeriods[i].key, kPeriods[i].english));
        // Items and identities, as stored, in the language now in use.
        for (QListWidget* list : window->findChildren<QListWidget*>())
            ShowStoredNames(ctx, *list);
        // The mail clients' parent is the first node of every client tree.
        for (QTreeWidget* tree : window->findChildren<QTreeWidget*>())
            if (tree->objectName().startsWith(QLatin1String("TreeView")) &&
                tree->topLevelItemCount() > 1 && tree->topLevelItem(0)->childCount() > 0)
                tree->topLevelItem(0)->setText(0, root);
    }
}

} // namespace app
