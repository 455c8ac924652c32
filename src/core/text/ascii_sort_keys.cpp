#include "core/text/ascii_sort_keys.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>
#include <unicode/uset.h>

#include <random>
#include <string>

namespace tarvolen {

bool IcuLeadingKey(const UCollator* collator, UCharIterator& text, std::uint64_t& key) {
    std::uint32_t state[2] = {0, 0};
    std::uint8_t part[8] = {};
    UErrorCode status = U_ZERO_ERROR;
    ucol_nextSortKeyPart(collator, &text, state, part, sizeof part, &status);
    key = 0;
    for (const std::uint8_t byte : part)
        key = key << 8 | byte;
    return U_SUCCESS(status);
}

namespace {

// The partial key of a word of the letters a to z, as ICU makes it.
std::uint64_t IcuKeyOfWord(const UCollator* collator, const std::string& word, bool& failed) {
    UCharIterator iterator;
    uiter_setUTF8(&iterator, word.data(), static_cast<std::int32_t>(word.size()));
    std::uint64_t key = 0;
    failed = !IcuLeadingKey(collator, iterator, key) || failed;
    return key;
}

bool PlainLetters(const UChar* text, std::int32_t length) {
    for (std::int32_t i = 0; i < length; ++i)
        if (text[i] < u'a' || text[i] > u'z')
            return false;
    return true;
}

// The pairs of letters a to z that begin a contraction of those letters alone ("ch" in
// Czech, "aa" in Danish, "dz" of Hungarian "dzs"), into joins; false when ICU cannot
// tell.
bool FindContractions(const UCollator* collator, std::array<std::uint32_t, 256>& joins) {
    UErrorCode status = U_ZERO_ERROR;
    USet* contractions = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator, contractions, nullptr, true, &status);
    bool told = U_SUCCESS(status);
    UChar text[64];
    for (std::int32_t i = 0; told && i < uset_getItemCount(contractions); ++i) {
        UChar32 start = 0;
        UChar32 end = 0;
        status = U_ZERO_ERROR;
        const std::int32_t length =
            uset_getItem(contractions, i, &start, &end, text, std::size(text), &status);
        told = U_SUCCESS(status);
        if (told && length >= 2 && PlainLetters(text, length))
            joins[text[0]] |= std::uint32_t{1} << (text[1] & 31);
    }
    uset_close(contractions);
    return told;
}

}  // namespace

std::shared_ptr<const AsciiSortKeys> AsciiSortKeys::For(const UCollator* collator) {
    bool failed = false;
    auto keys = std::make_shared<AsciiSortKeys>();
    if (!FindContractions(collator, keys->joins_))
        return nullptr;
    // A letter alone: one primary byte, then the levels of a word of one letter.
    std::uint64_t oneLetterTail = 0;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const std::uint64_t key = IcuKeyOfWord(collator, std::string(1, letter), failed);
        const auto primary = static_cast<std::uint8_t>(key >> 56);
        const std::uint64_t tail = key & ((std::uint64_t{1} << 56) - 1);
        if (primary <= 2 || (letter > 'a' && tail != oneLetterTail))
            return nullptr;
        oneLetterTail = tail;
        keys->primary_[static_cast<unsigned char>(letter)] = primary;
    }
    // The level bytes of each length, from a letter that joins no other of its kind.
    char plain = 'a';
    while (plain <= 'z' &&
           (keys->joins_[static_cast<unsigned char>(plain)] >> (plain & 31) & 1) != 0)
        ++plain;
    if (plain > 'z')
        return nullptr;
    for (std::size_t length = 1; length < 8; ++length) {
        const std::uint64_t key = IcuKeyOfWord(collator, std::string(length, plain), failed);
        keys->tails_[length] = key & ((std::uint64_t{1} << (8 * (8 - length))) - 1);
    }
    // The pattern, checked against the collator: every pair of letters (where a
    // contraction or a compression would show first), and words of every length.
    std::mt19937 random(8);
    std::string word;
    // A word with a contraction is the collator's to key.
    const auto agrees = [&](const std::string& w) {
        std::uint64_t mine = 0;
        return !keys->LeadingKey(w, mine) || mine == IcuKeyOfWord(collator, w, failed);
    };
    for (char a = 'a'; a <= 'z'; ++a)
        for (char b = 'a'; b <= 'z'; ++b)
            if (!agrees({a, b}))
                return nullptr;
    for (int sample = 0; sample < 2000; ++sample) {
        word.assign(1 + random() % 14, 'a');
        for (char& c : word)
            c = static_cast<char>('a' + random() % 26);
        if (!agrees(word))
            return nullptr;
    }
    return failed ? nullptr : keys;
}

}  // namespace tarvolen
