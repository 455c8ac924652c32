#include "core/text/collation.h"

#include <unicode/ucol.h>
#include <unicode/uenum.h>
#include <unicode/uiter.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/text/ascii_sort_keys.h"

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
    return std::unique_ptr<Collation>(new Collation(collator, locale, nullptr, false));
}

std::vector<std::string> Collation::Locales() {
    // The root order, which ICU does not list among its locales, serves every language.
    std::vector<std::string> locales{"root"};
    UErrorCode status = U_ZERO_ERROR;
    UEnumeration* available = ucol_openAvailableLocales(&status);
    if (U_FAILURE(status))
        return locales;
    while (const char* locale = uenum_next(available, nullptr, &status)) {
        if (U_FAILURE(status))
            break;
        locales.emplace_back(locale);
    }
    uenum_close(available);
    return locales;
}

std::string Collation::DisplayName(const std::string& locale) {
    UChar name[160];
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t length =
        uloc_getDisplayName(locale.c_str(), "en", name, std::size(name), &status);
    if (U_FAILURE(status) || length <= 0)
        return locale;
    char utf8[480];
    std::int32_t bytes = 0;
    u_strToUTF8(utf8, sizeof utf8, &bytes, name, length, &status);
    return U_SUCCESS(status) ? std::string(utf8, static_cast<std::size_t>(bytes)) : locale;
}

std::string Collation::ForDesktop(const std::string& language) {
    // "sv_SE.UTF-8@euro": the codeset and modifier say nothing of the order.
    const std::string name = language.substr(0, language.find_first_of(".@"));
    const std::vector<std::string> locales = Locales();
    const auto known = [&](const std::string& locale) {
        return std::find(locales.begin(), locales.end(), locale) != locales.end();
    };
    if (known(name))
        return name;
    const std::string base = name.substr(0, name.find_first_of("_-"));
    return known(base) ? base : std::string();
}

Collation::Collation(UCollator* collator, std::string locale,
                     std::shared_ptr<const AsciiSortKeys> ascii, bool asciiMade)
    : collator_(collator),
      locale_(std::move(locale)),
      ascii_(std::move(ascii)),
      asciiMade_(asciiMade) {}

const AsciiSortKeys* Collation::Ascii() const {
    if (!asciiMade_) {
        ascii_ = AsciiSortKeys::For(collator_);
        asciiMade_ = true;
    }
    return ascii_.get();
}

Collation::~Collation() {
    ucol_close(collator_);
}

std::unique_ptr<Collation> Collation::Clone() const {
    Ascii();  // made once, for every copy
    UErrorCode status = U_ZERO_ERROR;
    UCollator* copy = ucol_clone(collator_, &status);
    if (U_FAILURE(status) || copy == nullptr)
        throw std::bad_alloc();
    return std::unique_ptr<Collation>(new Collation(copy, locale_, ascii_, asciiMade_));
}

std::uint64_t Collation::LeadingKey(std::string_view word, CodePage codePage) const {
    // a to z are the same bytes in every code page of a list.
    if (std::uint64_t key = 0; Ascii() != nullptr && Ascii()->LeadingKey(word, key))
        return key;
    UCharIterator iterator;
    if (codePage == CodePage::Utf8) {
        uiter_setUTF8(&iterator, word.data(), static_cast<std::int32_t>(word.size()));
    } else {
        Utf16Of(word, codePage, text_);
        uiter_setString(&iterator, text_.data(), static_cast<std::int32_t>(text_.size()));
    }
    std::uint64_t key = 0;
    if (!IcuLeadingKey(collator_, iterator, key))
        throw std::bad_alloc();  // its only failure once the collator is open
    return key;
}

bool Collation::Before(std::string_view a, std::string_view b, CodePage codePage) const {
    UCollationResult order;
    if (codePage == CodePage::Utf8) {
        UErrorCode status = U_ZERO_ERROR;
        order = ucol_strcollUTF8(collator_, a.data(), static_cast<std::int32_t>(a.size()), b.data(),
                                 static_cast<std::int32_t>(b.size()), &status);
    } else {
        Utf16Of(a, codePage, text_);
        Utf16Of(b, codePage, other_);
        order = ucol_strcoll(collator_, text_.data(), static_cast<std::int32_t>(text_.size()),
                             other_.data(), static_cast<std::int32_t>(other_.size()));
    }
    if (order != UCOL_EQUAL)
        return order == UCOL_LESS;
    return a.compare(b) < 0;
}

}  // namespace tarvolen
