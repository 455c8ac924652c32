#include "core/concordance/concordance_join.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarvolen {

void JoinConcordance(Concordance& into, Concordance&& from) {
    const std::size_t offset = into.occurrences.size();
    for (ConcordanceDocument& document : from.documents) {
        document.first += offset;
        into.documents.push_back(std::move(document));
    }
    into.occurrences.insert(into.occurrences.end(), from.occurrences.begin(),
                            from.occurrences.end());
    if (from.neighbours.empty())
        return;
    if (into.words.empty())
        into.words.emplace_back();  // id 0 is none
    std::unordered_map<std::string, std::uint32_t> ids;
    for (std::uint32_t id = 1; id < into.words.size(); ++id)
        ids.emplace(into.words[id], id);
    std::vector<std::uint32_t> renamed(from.words.size(), 0);
    for (std::uint32_t id = 1; id < from.words.size(); ++id) {
        const auto [at, added] =
            ids.emplace(from.words[id], static_cast<std::uint32_t>(into.words.size()));
        if (added)
            into.words.push_back(from.words[id]);
        renamed[id] = at->second;
    }
    into.neighbours.resize(offset);  // a reading without neighbours gave none
    for (Neighbours neighbours : from.neighbours) {
        for (std::uint32_t& id : neighbours.left)
            id = renamed[id];
        for (std::uint32_t& id : neighbours.right)
            id = renamed[id];
        into.neighbours.push_back(neighbours);
    }
}

}  // namespace tarvolen
