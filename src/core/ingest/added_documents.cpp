#include "core/ingest/added_documents.h"

#include <sys/stat.h>

namespace tarvolen {

void AddedDocuments::Remember(const RunState& run, const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    AddedRun added{run.Add, run.Lemmas, {}};
    added.documents.reserve(paths.size());
    // In the order given, as InputFiles holds them (a reading takes the last first).
    for (const std::string& path : paths)
        added.documents.push_back(DocumentNow(path));
    runs.push_back(std::move(added));
}

AddedDocument DocumentNow(const std::string& path) {
    AddedDocument document{path};
    struct stat facts {};
    if (::stat(path.c_str(), &facts) == 0) {
        document.size = static_cast<std::int64_t>(facts.st_size);
        document.modified =
            static_cast<std::int64_t>(facts.st_mtim.tv_sec) * 1'000'000'000 + facts.st_mtim.tv_nsec;
    }
    return document;
}

}  // namespace tarvolen
