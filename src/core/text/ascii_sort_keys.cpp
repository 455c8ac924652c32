#include "core/text/ascii_sort_keys.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>
#include <unicode/uset.h>

#include <algorithm>
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

}  // namespace

// The contractions of letters a to z alone ("ch" in Czech, "aa" in Danish, "dzs" in
// Hungarian), longest first, and the pairs of letters that begin one, into joins_;
// false when ICU cannot tell.
bool AsciiSortKeys::FindContractions(const UCollator* collator) {
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
        if (!told || length < 2 || !PlainLetters(text, length))
            continue;
        joins_[text[0]] |= std::uint32_t{1} << (text[1] & 31);
        contractions_.push_back({std::string(text, text + length)});
    }
    uset_close(contractions);
    std::sort(contractions_.begin(), contractions_.end(),
              [](const Contraction& a, const Contraction& b) {
                  if (a.letters[0] != b.letters[0])
                      return a.letters[0] < b.letters[0];
                  return a.letters.size() > b.letters.size();
              });
    for (std::size_t i = contractions_.size(); i-- > 0;)
        firsts_[static_cast<unsigned char>(contractions_[i].letters[0])] = i;
    return told;
}

const AsciiSortKeys::Contraction* AsciiSortKeys::ContractionAt(std::string_view word,
                                                               std::size_t i) const {
    for (std::size_t c = firsts_[static_cast<unsigned char>(word[i])];
         c < contractions_.size() && contractions_[c].letters[0] == word[i]; ++c)
        if (word.substr(i, contractions_[c].letters.size()) == contractions_[c].letters)
            return &contractions_[c];
    return nullptr;
}

bool AsciiSortKeys::ContractedKey(std::string_view word, std::uint64_t& key) const {
    std::uint64_t bytes = 0;
    std::size_t filled = 0;  // the primary bytes in key, at most 8
    std::size_t elements = 0;
    for (std::size_t i = 0; i < word.size(); ++elements) {
        const auto letter = static_cast<unsigned char>(word[i]);
        if (primary_[letter] == 0)
            return false;
        std::uint32_t primary = primary_[letter];
        std::size_t primaryBytes = 1;
        std::size_t letters = 1;
        if (i + 1 < word.size() && (joins_[letter] >> (word[i + 1] & 31) & 1) != 0)
            if (const Contraction* contraction = ContractionAt(word, i)) {
                if (!contraction->keyed)
                    return false;
                primary = contraction->primary;
                primaryBytes = contraction->primaryBytes;
                letters = contraction->letters.size();
            }
        for (std::size_t b = primaryBytes; b-- > 0 && filled < 8; ++filled)
            bytes |= std::uint64_t{primary >> (8 * b) & 0xff} << (8 * (7 - filled));
        i += letters;
    }
    // Each element has a primary byte at least, so fewer than 8 bytes are fewer than 8
    // elements, whose levels follow.
    if (filled < 8)
        bytes |= tails_[elements] >> (8 * (filled - elements));
    key = bytes;
    return true;
}

bool AsciiSortKeys::ContractionsAgree(const UCollator* collator, bool& failed) {
    // A contraction alone: primary bytes, then the levels of one element.
    for (Contraction& contraction : contractions_) {
        const std::uint64_t key = IcuKeyOfWord(collator, contraction.letters, failed);
        std::size_t primaryBytes = 0;
        while (primaryBytes < 4 && (key >> (8 * (7 - primaryBytes)) & 0xff) > 1)
            ++primaryBytes;
        contraction.primary = static_cast<std::uint32_t>(key >> (8 * (8 - primaryBytes)));
        contraction.primaryBytes = static_cast<std::uint8_t>(primaryBytes);
        contraction.keyed = primaryBytes > 0 && primaryBytes < 4 &&
                            key == ((key >> (8 * (8 - primaryBytes)) << (8 * (8 - primaryBytes))) |
                                    tails_[1] >> (8 * (primaryBytes - 1)));
    }
    // In words: beside every letter, and mixed at random with letters and each other.
    std::vector<std::string> words;
    for (const Contraction& contraction : contractions_)
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            words.push_back(letter + contraction.letters);
            words.push_back(contraction.letters + letter);
        }
    std::mt19937 random(9);
    for (int sample = 0; !contractions_.empty() && sample < 3000; ++sample) {
        std::string& word = words.emplace_back();
        for (std::size_t pieces = 1 + random() % 8; pieces > 0; --pieces)
            word += random() % 3 == 0 ? contractions_[random() % contractions_.size()].letters
                                      : std::string(1, static_cast<char>('a' + random() % 26));
    }
    for (const std::string& word : words) {
        std::uint64_t mine = 0;
        if (LeadingKey(word, mine) && mine != IcuKeyOfWord(collator, word, failed))
            return false;
    }
    return true;
}

std::shared_ptr<const AsciiSortKeys> AsciiSortKeys::For(const UCollator* collator) {
    bool failed = false;
    auto keys = std::make_shared<AsciiSortKeys>();
    if (!keys->FindContractions(collator))
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
    if (!keys->ContractionsAgree(collator, failed))
        for (Contraction& contraction : keys->contractions_)
            contraction.keyed = false;
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
