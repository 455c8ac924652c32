#include "core/text/collation.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cstring>
#include <vector>

namespace tarvolen {

namespace {

// The word as UTF-16 for the collator, from the list's bytes, into text (reused: the
// sort makes millions of keys).
void Utf16Of(std::string_view word, CodePage codePage, std::u16string& text) {
    if (codePage != CodePage::Utf8) {
        const ToUnicodeTable& table = ToUnicodeTableOf(codePage);
        text.resize(word.size());
        for (std::size_t i = 0; i < word.size(); ++i)
            text[i] = table[static_cast<unsigned char>(word[i])];
        return;
    }
    text.resize(word.size());  // UTF-16 never takes more units than UTF-8 bytes
    std::int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(text.data(), static_cast<std::int32_t>(text.size()), &length, word.data(),
                         static_cast<std::int32_t>(word.size()), 0xFFFD, nullptr, &status);
    text.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
}

}  // namespace

std::unique_ptr<Collation> Collation::ForLocale(const std::string& locale) {
    if (locale.empty())
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(locale.c_str(), &status);
    if (U_FAILURE(status) || collator == nullptr)
        return nullptr;
    UErrorCode validStatus = U_ZERO_ERROR;
    const char* valid = ucol_getLocaleByType(collator, ULOC_VALID_LOCALE, &validStatus);
    // An unknown name falls back to the root order; only "root" asks for it.
    if (U_FAILURE(validStatus) || valid == nullptr ||
        (std::strcmp(valid, "root") == 0 && locale != "root")) {
        ucol_close(collator);
        return nullptr;
    }
    return std::unique_ptr<Collation>(new Collation(collator, locale));
}

Collation::Collation(UCollator* collator, std::string locale)
    : collator_(collator), locale_(std::move(locale)) {}

Collation::~Collation() {
    ucol_close(collator_);
}

std::unique_ptr<Collation> Collation::Clone() const {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* copy = ucol_clone(collator_, &status);
    if (U_FAILURE(status) || copy == nullptr)
        throw std::bad_alloc();
    return std::unique_ptr<Collation>(new Collation(copy, locale_));
}

void Collation::AppendSortKey(std::string_view word, CodePage codePage, std::string& keys) const {
    Utf16Of(word, codePage, text_);
    // Most keys fit here; a longer one is asked for again with room for all of it.
    std::uint8_t key[256];
    const std::int32_t length = ucol_getSortKey(
        collator_, text_.data(), static_cast<std::int32_t>(text_.size()), key, sizeof key);
    if (length <= static_cast<std::int32_t>(sizeof key)) {
        keys.append(reinterpret_cast<const char*>(key), static_cast<std::size_t>(length));
        return;
    }
    std::vector<std::uint8_t> longer(static_cast<std::size_t>(length));
    ucol_getSortKey(collator_, text_.data(), static_cast<std::int32_t>(text_.size()), longer.data(),
                    length);
    keys.append(reinterpret_cast<const char*>(longer.data()), longer.size());  // its NUL too
}

bool Collation::Before(std::string_view a, std::string_view b, CodePage codePage) const {
    std::u16string ta, tb;
    Utf16Of(a, codePage, ta);
    Utf16Of(b, codePage, tb);
    const UCollationResult order =
        ucol_strcoll(collator_, ta.data(), static_cast<std::int32_t>(ta.size()), tb.data(),
                     static_cast<std::int32_t>(tb.size()));
    if (order != UCOL_EQUAL)
        return order == UCOL_LESS;
    return a.compare(b) < 0;
}

}  // namespace tarvolen
