#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/analysis/word_filter.h"
#include "core/concordance/concordance_sort.h"
#include "core/decode/text_encoding.h"
#include "core/ingest/document_text.h"
#include "core/input/dir_scan.h"
#include "core/output/output_options.h"
#include "core/words/char_map.h"
#include "core/words/word_rules.h"
#include "core/words/words_in_a_row.h"

namespace tarvolen {

class Collation;

// Exit statuses of tarvolen-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a file unreadable, the output not written
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // 128 + SIGINT, as shells report it

inline constexpr const char* kCliName = "tarvolen-cli";
inline constexpr const char* kCliUsageLine = "Usage: tarvolen-cli [OPTIONS] [FILE...]";
// The most threads -j takes.
inline constexpr std::int32_t kMaxJobs = 1024;

// Written instead of a file name by "-o -".
inline constexpr const char* kStandardOutputName = "-";

struct CliFilter {
    FilterMode mode;
    std::int32_t value;
    std::string list;            // FilterMode::Listed: the word list whose words go
    std::uint32_t minRange = 0;  // FilterMode::Range: the fewest documents a word keeps
};

// Everything the command line asks for; the defaults are those of a fresh GUI session.
struct CliOptions {
    std::int32_t language = kEnglishLatin;
    bool skipShort = false;
    WordRules rules;
    WordsInARow inARow;                 // --ngrams, --ngrams-across-punctuation
    std::string lemmas;                 // --lemmas: the lemma list; none when empty
    std::vector<std::string> lists;     // --merge, in the order given
    std::vector<std::string> files;     // in the order given
    std::vector<std::string> scanDirs;  // in the order given
    std::string types = kDefaultScanTypes;
    std::vector<CliFilter> filters;  // in the order given
    std::optional<std::string> output;
    Delimiter delimiter = Delimiter::LF;
    // --collate: the language's order the list is sorted in; null: byte order.
    std::shared_ptr<const Collation> collation;
    bool upper = false;
    bool frequency = false;
    bool range = false;  // "word,count,range" records; implies frequency
    // --keywords: the reference list the list is compared with, and the least |G2| kept.
    std::optional<std::string> keywords;
    double minKeyness = 0.0;
    bool unicode = false;
    bool utf8 = false;
    std::string encoding = kAutomaticEncodingName;  // a name ParseEncoding takes
    DocumentRules documents;                        // --markup, --binary
    bool append = false;
    bool statistics = false;
    bool measures = false;  // the measures of the vocabulary, after the statistics
    bool quiet = false;
    // The threads that count the files; 0: DefaultJobs().
    std::int32_t jobs = 0;
    // --concordance ENTRY: the lines of the entry's occurrences instead of a list, with
    // --context characters either side, sorted by --sort.
    std::optional<std::string> concordance;
    std::int32_t context = 40;
    std::vector<ConcordanceKey> sortKeys;
};

// The widest context --context takes.
inline constexpr std::int32_t kMaxContext = 1000;

enum class CliAction { Run, Help, Version, UsageError };

struct CliParse {
    CliAction action = CliAction::Run;
    CliOptions options;
    std::string error;  // one line, for UsageError
};

// Parses the arguments that follow the program name. Options and files may be mixed;
// "--" ends the options. The first problem met ends the parse with UsageError; --help
// and --version end it when they are met.
CliParse ParseCliOptions(const std::vector<std::string>& args);

// The threads the run counts and sorts with: -j, else DefaultJobs().
int JobsOf(const CliOptions& options);

// The text of --help.
std::string CliHelpText();

// The values --language and --delimiter take, in the order of their index; the shell
// completion offers the same.
std::span<const std::string_view> CliLanguageNames();
std::span<const std::string_view> CliDelimiterNames();

// The Save dialog's options as the command line sets them, and the writer's view of
// them.
OutputOptions OutputOptionsOf(const CliOptions& options);
WriterOptions WriterOptionsOf(const CliOptions& options);

}  // namespace tarvolen
