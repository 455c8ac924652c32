#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/messages.h"

namespace tarvolen {

// What the reading of a run's files said, gathered from readers that read them in an
// order of their own (threads, processes) to be told in the order of the files.

// A message the reading gave, tied to the file it was reading.
struct FileMessage {
    std::uint64_t file = 0;  // index among the run's files, in the order they are read
    std::string text;
    MessageIcon icon = MessageIcon::Warning;
    bool operator==(const FileMessage&) const = default;
};

// A path of the summary's skipped lines, tied to its file.
struct FileNote {
    std::uint64_t file = 0;
    std::string text;
    bool operator==(const FileNote&) const = default;
};

// In the order of the files; a file whose parts several readers read says what it
// says once, as the whole file read at once would.
template <typename Item>
void SortByFile(std::vector<Item>& items) {
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.file < b.file; });
    std::vector<Item> once;
    std::size_t fileStart = 0;
    for (Item& item : items) {
        if (!once.empty() && once.back().file != item.file)
            fileStart = once.size();
        if (std::find(once.begin() + static_cast<std::ptrdiff_t>(fileStart), once.end(), item) ==
            once.end())
            once.push_back(std::move(item));
    }
    items = std::move(once);
}

}  // namespace tarvolen
