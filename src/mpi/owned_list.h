#pragma once

#include <mpi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/analysis/keyness.h"
#include "core/analysis/statistics_report.h"
#include "core/analysis/vocabulary_measures.h"
#include "core/output/word_list_writer.h"
#include "core/text/code_page.h"
#include "run/cli_options.h"

namespace tarvolen {

class Collation;
class MessagePort;
class WordStore;
template <typename Record>
class SortedParts;

// The words of the whole list that this process owns (those OwnerOf gives it) once
// the processes have exchanged what they read, and the steps on the whole list.
// Every step is collective: each process takes it in the same order, the first as its
// run asks, the others as the first orders them (see SharedList). From then on no
// process holds more of the list than the words it owns.
class OwnedList {
  public:
    // The list is sorted in collation's order of the words of codePage (null: bytes).
    OwnedList(MessagePort& messages, MPI_Comm comm, const Collation* collation = nullptr,
              CodePage codePage = CodePage::Windows1252);
    ~OwnedList();

    // Whether the words have reached their owners yet.
    bool Held() const { return words_ != nullptr; }
    // The words this process owns from now on.
    void Take(std::unique_ptr<WordStore> words);
    // The words of the first process's store to their owners (a list that was merged
    // but read with no file); the others pass null.
    void Distribute(const WordStore* first);

    // The words of the whole list, as of the last step.
    std::int64_t Count() const { return count_; }

    // One filter of the command line. For the listed words, listed holds them on
    // the first process (null on the others), and every process has the words the
    // list names alone, which take the n-grams holding them. Returns the words removed
    // from the whole list.
    std::int64_t Filter(const CliFilter& filter, CodePage listCodePage, const WordStore* listed,
                        const std::vector<std::string>& listedAlone = {});

    // The keyword rows against the reference, held on the first process (null on the
    // others) whose counts total referenceTotal. From then on the list is written as
    // its rows.
    void Compare(const WordStore* reference, double minKeyness, std::uint64_t referenceTotal);
    bool Compared() const { return rows_.has_value(); }

    // The figures of the whole list, on the first process; nothing on the others.
    std::optional<StatisticsFigures> Statistics(CodePage listCodePage);
    // The list's measures of the vocabulary (the segments left out), on every process.
    VocabularyMeasures Measures();

    // The list of that kind (the rows once compared) in its order: each process sorts
    // its words; every other sends them to the first and returns null, the first
    // returns the merge of all parts, which takes them as they stream in.
    class SortedList;
    std::unique_ptr<SortedList> Sort(ListKind kind);

  private:
    bool First() const { return rank_ == 0; }
    std::unique_ptr<WordStore> NewStore() const;
    void Recount();

    MessagePort& messages_;
    MPI_Comm comm_;
    const Collation* collation_;
    CodePage codePage_;
    int rank_ = 0;
    std::unique_ptr<WordStore> words_;
    std::int64_t count_ = 0;
    // Once compared: the reference's words this process owns, and the rows of both.
    std::unique_ptr<WordStore> reference_;
    std::optional<std::vector<KeywordRow>> rows_;
};

// The first process's merge of the sorted parts of the list. Whatever ForEach did not
// take (it threw, or was never called) is received and dropped when it goes, so that
// no process is left waiting.
class OwnedList::SortedList {
  public:
    ~SortedList();
    // Hands each record to the visit of its type, in the list's order. A record's word
    // is valid during the call only.
    struct Visits {
        std::function<void(const ListEntry&)> entry;
        std::function<void(const KeywordRow&)> row;
    };
    void ForEach(const Visits& visits);

  private:
    friend class OwnedList;
    std::vector<ListEntry> entries_;
    std::unique_ptr<SortedParts<ListEntry>> entryParts_;
    std::unique_ptr<SortedParts<KeywordRow>> rowParts_;
};

}  // namespace tarvolen
