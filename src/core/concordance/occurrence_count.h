#pragma once

#include <cstddef>
#include <string>

namespace tarvolen {

// What a concordance found, as its window and the command line tell it:
// "2,451,350 occurrences in 3 documents", "1 occurrence in 1 document".
std::string OccurrenceCountText(std::size_t occurrences, std::size_t documents);

}  // namespace tarvolen
