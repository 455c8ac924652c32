#pragma once

namespace tarvolen {

// The word rules of an Add run, for every language; all off, the alphabets cut words
// exactly as they always did.
struct WordRules {
    bool Apostrophes = false;  // "Apostrophes inside words": ' and U+2019 (0x92) join
    bool Hyphens = false;      // "Hyphens inside words": - U+2010 U+2011 (0x2D) join
    bool Digits = false;       // "Digits as letters"

    bool Any() const { return Apostrophes || Hyphens || Digits; }
    bool operator==(const WordRules&) const = default;
};

// How every apostrophe and hyphen is stored, whichever of them the text had.
inline constexpr char kStoredApostrophe = '\'';
inline constexpr char kStoredHyphen = '-';

}  // namespace tarvolen
