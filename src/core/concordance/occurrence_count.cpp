#include "core/concordance/occurrence_count.h"

#include <cstdint>

#include "core/text/format_count.h"

namespace tarvolen {

std::string OccurrenceCountText(std::size_t occurrences, std::size_t documents) {
    return FormatCount64(static_cast<std::int64_t>(occurrences), ',') +
           (occurrences == 1 ? " occurrence in " : " occurrences in ") +
           FormatCount64(static_cast<std::int64_t>(documents), ',') +
           (documents == 1 ? " document" : " documents");
}

}  // namespace tarvolen
