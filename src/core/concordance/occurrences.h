#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvolen {

// Where one occurrence of an entry lies in its document's text (as the cutters see it:
// decoded, a web page without its markup), from the first byte of its first word to
// one past the last byte of its last. Only the place is kept, 16 bytes an occurrence:
// the texts are read again when the lines are written.
struct Occurrence {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};
static_assert(sizeof(Occurrence) == 16);

// A document read for a concordance: its path as given or found, its occurrences (a
// stretch of Concordance::occurrences), and how much text its reading gave, which the
// second reading must give again to end where the first did.
struct ConcordanceDocument {
    std::string path;
    std::size_t first = 0;
    std::size_t count = 0;
    std::uint64_t textLength = 0;
};

// The words next to an occurrence, for the sort: ids into Concordance::words, 0 for
// none. left[0] is L1, the word just before the entry; right[0] is R1.
struct Neighbours {
    std::uint32_t left[3] = {};
    std::uint32_t right[3] = {};
};

// How far from an occurrence its neighbours are wanted: as far as the sort's keys reach
// on each side (0 to 3 words).
struct NeighbourReach {
    int left = 0;
    int right = 0;
    bool Any() const { return left > 0 || right > 0; }
};
inline constexpr NeighbourReach kEveryNeighbour{3, 3};

// The occurrences of one entry in a run's documents, in document order.
struct Concordance {
    std::vector<ConcordanceDocument> documents;  // those read, with or without occurrences
    std::vector<Occurrence> occurrences;
    // Only when a sort asked for them: each occurrence's neighbours, and the distinct
    // neighbouring words (folded, in the list's bytes; words[0] is unused).
    std::vector<Neighbours> neighbours;
    std::vector<std::string> words;

    std::size_t DocumentsWithOccurrences() const {
        std::size_t n = 0;
        for (const ConcordanceDocument& document : documents)
            n += document.count > 0 ? 1 : 0;
        return n;
    }
};

}  // namespace tarvolen
