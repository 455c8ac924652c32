// The figures of a UTF-8 list: lengths in characters, a line for each letter.
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <map>

#include "core/analysis/statistics_report.h"
#include "core/store/word_store.h"

namespace tarvolen {

void GatherUtf8Letters(const WordStore& store, StatisticsFigures& figures) {
    figures.utf8 = true;
    std::map<char32_t, LetterFigures> letters;
    WordStore::Position pos = store.GetStartPosition();
    std::string_view word;
    std::uint32_t count = 0;
    while (pos != WordStore::EndPosition()) {
        store.GetNextEntry(pos, word, count);
        figures.OfferTop(count, word);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(word.data());
        const auto size = static_cast<std::int32_t>(word.size());
        std::int32_t length = 0;
        for (std::int32_t i = 0; i < size; ++length) {
            UChar32 c = 0;
            U8_NEXT_OR_FFFD(bytes, i, size, c);
            // Marks, digits, apostrophes and hyphens have no line of their own.
            if ((U_GET_GC_MASK(c) & U_GC_L_MASK) == 0)
                continue;
            LetterFigures& letter = letters[static_cast<char32_t>(c)];
            letter.letter = static_cast<char32_t>(c);
            ++letter.all;
            if (length == 0)
                ++letter.first;
        }
        figures.sumLen += length;
        if (length < static_cast<std::int32_t>(figures.lengthCount.size()))
            ++figures.lengthCount[static_cast<std::size_t>(length)];
        figures.maxLen = std::max(figures.maxLen, length);
        figures.minLen = std::min(figures.minLen, length);
    }
    figures.letters.reserve(letters.size());
    for (const auto& [c, letter] : letters)
        figures.letters.push_back(letter);
}

}  // namespace tarvolen
