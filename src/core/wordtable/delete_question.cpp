#include "core/wordtable/delete_question.h"

#include <cstdint>

#include "core/text/format_count.h"

namespace tarvolen {

std::string DeleteQuestion(const std::vector<std::string>& words, std::size_t count) {
    const std::size_t named = count <= kDeleteNamed ? count : kDeleteNamed - 1;
    std::string question = "Delete ";
    for (std::size_t i = 0; i < named && i < words.size(); ++i) {
        if (i > 0)
            question += i + 1 == named && named == count ? " and " : ", ";
        question += '"' + words[i] + '"';
    }
    if (named < count)
        question +=
            " and " + FormatCount64(static_cast<std::int64_t>(count - named), ',') + " more";
    return question + "?";
}

}  // namespace tarvolen
