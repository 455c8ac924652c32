#include "gui/list/sort_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "gui/list/word_list_model.h"

namespace tarvolen {

namespace {

struct SortEntry {
    ListSortKey key;
    const char* caption;
    bool descending;  // the key's usual direction
    bool compared;    // only while the list is compared
};

constexpr SortEntry kEntries[] = {
    {ListSortKey::Rank, "&Rank", false, false},
    {ListSortKey::Word, "&Word", false, false},
    {ListSortKey::WordBackwards, "Word read &backwards", false, false},
    {ListSortKey::Count, "&Count", true, false},
    {ListSortKey::Range, "R&ange", true, false},
    {ListSortKey::Length, "&Length", true, false},
    {ListSortKey::ReferenceCount, "Re&f. count", true, true},
    {ListSortKey::Keyness, "&G2", true, true},
    {ListSortKey::LogRatio, "Log Rati&o", true, true},
};

}  // namespace

void FillSortMenu(QMenu& menu, const CWordListModel& model,
                  const std::function<void(ListSort)>& apply) {
    menu.clear();
    qDeleteAll(menu.findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly));
    const ListSort current = model.Sort();
    auto* keys = new QActionGroup(&menu);
    for (const SortEntry& entry : kEntries) {
        if (entry.compared && !model.Comparing())
            continue;
        QAction* action = menu.addAction(QString::fromUtf8(entry.caption));
        action->setCheckable(true);
        action->setChecked(entry.key == current.key);
        keys->addAction(action);
        const ListSort sort{entry.key, entry.descending};
        QObject::connect(action, &QAction::triggered, &menu, [apply, sort] { apply(sort); });
    }
    menu.addSeparator();
    QAction* descending = menu.addAction(QStringLiteral("&Descending"));
    descending->setCheckable(true);
    descending->setChecked(current.descending);
    QObject::connect(descending, &QAction::triggered, &menu, [apply, current](bool on) {
        apply({current.key, on});
    });
}

}  // namespace tarvolen
