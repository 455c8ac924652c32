#include "core/output/rows_delimiter.h"

#include <string_view>

#include "core/store/word_store.h"

namespace tarvolen {

bool DelimiterRunsRowsTogether(Delimiter delimiter, const WordStore& store) {
    if (delimiter != Delimiter::Space)
        return false;
    bool rows = false;
    // Only for the rare Space delimiter is the list walked.
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        rows = rows || store.WordText(held.id).find(' ') != std::string_view::npos;
    });
    return rows;
}

}  // namespace tarvolen
