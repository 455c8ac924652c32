#include "core/analysis/word_filter.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/word_store.h"
#include "core/text/number_text.h"

namespace tarvolen {

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    return ParseNumberText<std::int32_t>(text);
}

std::optional<std::int32_t> ParseFilterValue(std::string_view text) {
    const std::optional<std::int32_t> value = ParseInteger(text);
    if (!value || *value < kFilterMinValue || *value > kFilterMaxValue)
        return std::nullopt;
    return value;
}

const char* FilterValueRefusal(std::string_view text) {
    if (ParseFilterValue(text))
        return nullptr;
    constexpr std::string_view kBlanks = " \t\n\v\f\r";
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(kBlanks)));
    text = text.substr(0, text.find_last_not_of(kBlanks) + 1);
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    return digits ? kFilterRangeText : kFilterIntegerText;
}

namespace {

bool Picks(FilterMode mode, std::int32_t value, std::size_t length, std::uint32_t count) {
    switch (mode) {
        case FilterMode::Rare:
            // value is at least 1 here, but a count above INT32_MAX must not wrap.
            return value > 0 && count < static_cast<std::uint32_t>(value);
        case FilterMode::Short:
            return value > 0 && length < static_cast<std::size_t>(value);
        case FilterMode::Long:
            return value < 0 || length > static_cast<std::size_t>(value);
        case FilterMode::Listed:
        case FilterMode::Range:
            break;  // the list, or the range, decides; see their own functions
    }
    return false;
}

}  // namespace

// The characters of a UTF-8 word: every byte but the continuation bytes.
std::size_t CharactersOf(std::string_view word) {
    return static_cast<std::size_t>(std::count_if(word.begin(), word.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
    }));
}

std::int32_t FilterWords(WordStore& store, FilterMode mode, std::int32_t value,
                         CodePage listCodePage) {
    const bool utf8 = listCodePage == CodePage::Utf8;
    std::int32_t removed = 0;
    std::string doomed;
    WordStore::Position pos = store.GetStartPosition();
    std::string_view word;
    std::uint32_t count = 0;
    while (pos != WordStore::EndPosition()) {
        // The position has moved past the word by now, so removing it is allowed.
        store.GetNextEntry(pos, word, count);
        if (Picks(mode, value, utf8 ? CharactersOf(word) : word.size(), count)) {
            // RemoveWord looks the word up by its text; hand it a copy rather than the
            // stored text that the removal releases.
            doomed.assign(word);
            store.RemoveWord(doomed.c_str());
            ++removed;
        }
    }
    return removed;
}

std::optional<std::uint32_t> ParseRangeValue(std::string_view text) {
    const std::optional<std::uint32_t> value = ParseNumberText<std::uint32_t>(text);
    if (!value || *value == 0)
        return std::nullopt;
    return value;
}

std::int32_t FilterByRange(WordStore& store, std::uint32_t minRange) {
    std::vector<std::string> doomed;
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        if (held.range < minRange)
            doomed.emplace_back(store.WordText(held.id));
    });
    for (const std::string& word : doomed)
        store.RemoveWord(word.c_str());
    return static_cast<std::int32_t>(doomed.size());
}

}  // namespace tarvolen
