#include "core/listfile/record_entries.h"

#include "core/words/tokenizer.h"
#include "core/words/words_in_a_row.h"

namespace tarvolen {

RecordEntries::RecordEntries(const CutterSetup& setup, TakeEntry take)
    : setup_(setup), take_(std::move(take)) {
    if (!setup_.Plain())
        cutter_ = MakeTextCutter(setup_, *this);
}

RecordEntries::~RecordEntries() = default;

void RecordEntries::Cut(std::string_view record) {
    constexpr std::string_view kBlanks = " \t";
    if (record.find_first_of(kBlanks) == std::string_view::npos) {
        Words(record);
        return;
    }
    joining_ = true;
    entry_.clear();
    words_ = 0;
    bool broken = false;
    while (!record.empty() && !broken) {
        const std::size_t blank = record.find_first_of(kBlanks);
        const std::string_view part = record.substr(0, blank);
        if (!part.empty()) {
            const std::size_t before = words_;
            Words(part);
            broken = words_ != before + 1;
        }
        record.remove_prefix(blank == std::string_view::npos ? record.size() : blank + 1);
    }
    joining_ = false;
    if (!broken && words_ > 0 && words_ <= static_cast<std::size_t>(WordsInARow::kMost))
        take_(entry_.c_str(), entry_.size());
}

void RecordEntries::Take(const char* word, std::size_t bytes) {
    if (!joining_) {
        take_(word, bytes);
        return;
    }
    if (words_++ > 0)
        entry_.push_back(' ');
    entry_.append(word, bytes);
}

void RecordEntries::Words(std::string_view text) {
    if (!cutter_) {
        // The alphabets' plain rule has a faster form of its own, for most lists.
        ForEachWord(text, *setup_.map, setup_.minWordLength,
                    [this](const char* word, std::size_t bytes) { Take(word, bytes); });
        return;
    }
    text_.assign(text);
    cutter_->Cut({reinterpret_cast<unsigned char*>(text_.data()), text_.size()});
    cutter_->EndText();
}

}  // namespace tarvolen
