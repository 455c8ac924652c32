#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/words/char_map.h"
#include "support/store_contents.h"

namespace tarvolen::testing {

// What a text should give the store: words with their counts, and the qualified-word
// total.
struct ModelWords {
    WordCounts words;
    std::int64_t qualified = 0;
};

// Obviously correct: every maximal run of letters, folded, counted when its length
// is accepted (minWordLength up to 20 bytes; below 1 means 1). The end of the text
// ends the last run. Adds to out, so that several files can be scanned into one.
inline void ModelScan(std::string_view text, const CharMap& map, int minWordLength,
                      ModelWords& out) {
    std::string run;
    auto endRun = [&] {
        const int length = static_cast<int>(run.size());
        if (length >= std::max(minWordLength, 1) && length <= 20) {
            ++out.words[run];
            ++out.qualified;
        }
        run.clear();
    };
    for (char c : text) {
        const unsigned char folded = map[static_cast<unsigned char>(c)];
        if (folded != 0) {
            run.push_back(static_cast<char>(folded));
        } else {
            endRun();
        }
    }
    endRun();
}

}  // namespace tarvolen::testing
