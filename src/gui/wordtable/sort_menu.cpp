#include "gui/wordtable/sort_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "gui/wordtable/word_list_model.h"

namespace tarvolen {

namespace {

struct SortEntry {
    ListSortKey key;
    const char* caption;
    const char* amongOthers;  // clear of the rows' menu's Copy and Delete
    bool descending;          // the key's usual direction
    bool compared;            // only while the list is compared
};

constexpr SortEntry kEntries[] = {
    {ListSortKey::Rank, "&Rank", "Sort by &rank", false, false},
    {ListSortKey::Word, "&Word", "Sort by &word", false, false},
    {ListSortKey::WordBackwards, "Word read &backwards", "Sort by word read &backwards", false,
     false},
    {ListSortKey::Count, "&Count", "Sort by c&ount", true, false},
    {ListSortKey::Range, "R&ange", "Sort by r&ange", true, false},
    {ListSortKey::Length, "&Length", "Sort by &length", true, false},
    {ListSortKey::ReferenceCount, "Re&f. count", "Sort by re&f. count", true, true},
    {ListSortKey::Keyness, "&G2", "Sort by &G2", true, true},
    {ListSortKey::LogRatio, "Log Rati&o", "Sort by log rat&io", true, true},
};

}  // namespace

void FillSortMenu(QMenu& menu, const CWordListModel& model,
                  const std::function<void(ListSort)>& apply, SortMenuForm form) {
    const bool own = form == SortMenuForm::Own;
    if (own) {
        menu.clear();
        qDeleteAll(menu.findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly));
    }
    const ListSort current = model.Sort();
    auto* keys = new QActionGroup(&menu);
    for (const SortEntry& entry : kEntries) {
        if (entry.compared && !model.Comparing())
            continue;
        QAction* action =
            menu.addAction(QString::fromUtf8(own ? entry.caption : entry.amongOthers));
        action->setCheckable(true);
        action->setChecked(entry.key == current.key);
        keys->addAction(action);
        const ListSort sort{entry.key, entry.descending};
        QObject::connect(action, &QAction::triggered, &menu, [apply, sort] { apply(sort); });
    }
    menu.addSeparator();
    QAction* descending =
        menu.addAction(own ? QStringLiteral("&Descending") : QStringLiteral("Desce&nding"));
    descending->setCheckable(true);
    descending->setChecked(current.descending);
    QObject::connect(descending, &QAction::triggered, &menu, [apply, current](bool on) {
        apply({current.key, on});
    });
}

}  // namespace tarvolen
