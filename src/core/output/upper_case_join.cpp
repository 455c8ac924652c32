#include "core/output/upper_case_join.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>

#include "core/output/my_exception.h"
#include "core/text/code_page.h"
#include "core/text/unicode_case.h"

namespace tarvolen {

namespace {

// A list's words as a person reads them.
std::string Readable(std::string_view word, const RecordFormat& format) {
    if (format.utf8List())
        return std::string(word);
    std::string text;
    for (const char byte : word)
        AppendUtf8(text, format.characters()[static_cast<unsigned char>(byte)]);
    return text;
}

bool IsUpper(const RecordFormat& format) {
    return format.upperCase() != nullptr || format.upperUnicode();
}

}  // namespace

std::string UpperForm(std::string_view word, const RecordFormat& format) {
    std::string upper;
    if (format.utf8List()) {
        const auto* in = reinterpret_cast<const unsigned char*>(word.data());
        std::size_t i = 0;
        while (i < word.size()) {
            UChar32 c = 0;
            U8_NEXT_OR_FFFD(in, i, word.size(), c);
            AppendUtf8(upper, UpperCaseLetter(static_cast<char32_t>(c)));
        }
        return upper;
    }
    upper.assign(word);
    if (format.upperCase() != nullptr)
        UpperCaseBytes(upper.data(), upper.size(), *format.upperCase());
    return upper;
}

bool UpperCaseMayJoin(const RecordFormat& format) {
    if (!IsUpper(format))
        return false;
    if (format.utf8List())
        return true;
    // Stored words are in small letters: two that share a capital could meet.
    const UpperCaseTable& table = *format.upperCase();
    std::array<int, 256> smallOf;
    smallOf.fill(-1);
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t c = format.characters()[byte];
        if (u_tolower(c) != c || table[byte] == byte)
            continue;
        if (smallOf[table[byte]] >= 0)
            return true;
        smallOf[table[byte]] = byte;
    }
    return false;
}

std::vector<std::size_t> FirstOfSameUpper(const std::vector<std::string_view>& words,
                                          const RecordFormat& format) {
    std::vector<std::size_t> first(words.size());
    for (std::size_t i = 0; i < words.size(); ++i)
        first[i] = i;
    // By a hash of each UPPER CASE form, sorted, so that the forms themselves are made
    // again only where two hashes meet: 16 bytes a word rather than a table of forms.
    std::vector<std::pair<std::size_t, std::size_t>> hashed;
    hashed.reserve(words.size());
    for (std::size_t i = 0; i < words.size(); ++i)
        hashed.emplace_back(std::hash<std::string>{}(UpperForm(words[i], format)), i);
    std::sort(hashed.begin(), hashed.end());
    for (std::size_t at = 0; at < hashed.size();) {
        std::size_t end = at + 1;
        while (end < hashed.size() && hashed[end].first == hashed[at].first)
            ++end;
        for (std::size_t i = at + 1; i < end; ++i) {
            const std::string form = UpperForm(words[hashed[i].second], format);
            for (std::size_t j = at; j < i; ++j) {
                if (UpperForm(words[hashed[j].second], format) == form) {
                    first[hashed[i].second] = first[hashed[j].second];
                    break;
                }
            }
        }
        at = end;
    }
    return first;
}

std::string UpperCaseClashText(std::string_view first, std::string_view second,
                               const RecordFormat& format, const char* what) {
    return "UPPER CASE would write \"" + Readable(first, format) + "\" and \"" +
           Readable(second, format) + "\" both as \"" + Readable(UpperForm(first, format), format) +
           "\", and " + what + " of the two together cannot be known: the list was not written";
}

void RefuseUpperCaseJoin(const std::vector<std::string_view>& words, const RecordFormat& format,
                         const char* what) {
    if (!UpperCaseMayJoin(format))
        return;
    const std::vector<std::size_t> first = FirstOfSameUpper(words, format);
    for (std::size_t i = 0; i < words.size(); ++i)
        if (first[i] != i)
            throw CMyException(UpperCaseClashText(words[first[i]], words[i], format, what), 0);
}

std::vector<ListEntry> EntriesInCase(std::vector<ListEntry> entries, ListKind kind,
                                     const RecordFormat& format) {
    if (!UpperCaseMayJoin(format))
        return entries;
    std::vector<std::string_view> words;
    words.reserve(entries.size());
    for (const ListEntry& entry : entries)
        words.push_back(entry.word);
    if (kind == ListKind::Range) {
        RefuseUpperCaseJoin(words, format, "the range");
        return entries;
    }
    const std::vector<std::size_t> first = FirstOfSameUpper(words, format);
    std::vector<std::uint64_t> counts(entries.size(), 0);
    for (std::size_t i = 0; i < entries.size(); ++i)
        counts[first[i]] += entries[i].count;
    std::vector<ListEntry> joined;
    joined.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (first[i] != i)
            continue;
        ListEntry entry = entries[i];
        entry.count = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(counts[i], std::numeric_limits<std::uint32_t>::max()));
        joined.push_back(entry);
    }
    return joined;
}

}  // namespace tarvolen
