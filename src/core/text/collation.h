#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/code_page.h"

struct UCollator;

namespace tarvolen {
class AsciiSortKeys;
}

namespace tarvolen {

// A language's alphabetical order: ICU's collator for a locale, at its default
// strength. Lists sorted by it keep byte order among the words it finds equal.
class Collation {
  public:
    // Null for a locale ICU has no collation of its own for (it would give the root
    // order under the name asked for); "root" is that order itself.
    static std::unique_ptr<Collation> ForLocale(const std::string& locale);
    // The locales ICU has a collation for, for a person to pick from: "root" first.
    static std::vector<std::string> Locales();
    // A locale's name in English: "French (Canada)".
    static std::string DisplayName(const std::string& locale);
    // The locale of Locales() whose order serves a desktop language such as "fr_CA" or
    // "sv_SE.UTF-8": itself, else its language's; empty for none (the C locale, whose
    // order is the bytes').
    static std::string ForDesktop(const std::string& language);
    ~Collation();
    Collation(const Collation&) = delete;
    Collation& operator=(const Collation&) = delete;

    const std::string& Locale() const { return locale_; }

    // A word of a list is in codePage (UTF-8 for a Unicode list). Neither these nor the
    // collator may be used by two threads at once: each thread sorting makes its own
    // with Clone.
    //
    // The first 8 bytes of the word's sort key (ICU's partial key, whose order is the
    // whole key's) as one big-endian number, zero-padded: two words whose leading keys
    // differ are in that order; equal ones need Before.
    std::uint64_t LeadingKey(std::string_view word, CodePage codePage) const;
    // Whether a sorts before b in the collator's order, byte order among equals.
    bool Before(std::string_view a, std::string_view b, CodePage codePage) const;
    // A copy for another thread, sharing the table of keys (made now if not yet).
    std::unique_ptr<Collation> Clone() const;

  private:
    Collation(UCollator* collator, std::string locale, std::shared_ptr<const AsciiSortKeys> ascii,
              bool asciiMade);
    // The table of the keys of words of a to z: made when a sort first asks for a key,
    // not when the collator opens (a locale is checked at start-up), and shared by its
    // clones; null where the collator must key every word.
    const AsciiSortKeys* Ascii() const;

    UCollator* collator_;
    std::string locale_;
    mutable std::shared_ptr<const AsciiSortKeys> ascii_;
    mutable bool asciiMade_ = false;
    // The words last converted, kept for the next: a sort makes millions of keys.
    mutable std::u16string text_;
    mutable std::u16string other_;
};

}  // namespace tarvolen
