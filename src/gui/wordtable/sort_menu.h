#pragma once

#include <functional>

#include "core/wordtable/list_order.h"

class QMenu;

namespace tarvolen {

class CWordListModel;

// The Word List window's sorts as menu entries, so that every sort, the words read
// backwards included, can be reached from the keyboard and not only by the header's
// clicks: one entry a key, the one in force ticked, each in its usual direction
// (words and ranks from the top, numbers largest first), then "Descending" to turn
// the order round. While the list is compared, the comparison's columns too.
//
// A menu of its own (the Sort button's, the header's) is emptied first and says
// "Word"; among other entries (the rows' menu) they follow them, saying "Sort by word",
// with mnemonics of their own, rather than in a submenu.
enum class SortMenuForm { Own, AmongOthers };
void FillSortMenu(QMenu& menu, const CWordListModel& model,
                  const std::function<void(ListSort)>& apply,
                  SortMenuForm form = SortMenuForm::Own);

}  // namespace tarvolen
