#include "run/cli_options.h"

#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <string_view>

#include "core/input/dir_scan.h"
#include "core/output/word_list_writer.h"
#include "core/text/collation.h"
#include "core/text/number_text.h"
#include "run/thread_count.h"

namespace tarvolen {

namespace {

// In the order of the language index.
constexpr std::array<std::string_view, kLanguageCount> kLanguageNames = {
    "english", "french", "german", "italian", "russian", "spanish", "unicode"};

constexpr std::array<std::string_view, 3> kDelimiterNames = {"lf", "crlf", "space"};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// What the user typed, as an error quotes it: the error is one line on a terminal,
// so a control character (a newline in a quoted argument, an escape) is shown as
// \n, \t or \xNN instead of acting.
std::string Readable(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 15];
        } else {
            shown += c;
        }
    }
    return shown;
}

template <std::size_t N>
std::optional<std::int32_t> IndexOf(const std::array<std::string_view, N>& names,
                                    std::string_view name) {
    const std::string lower = Lower(name);
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == lower)
            return static_cast<std::int32_t>(i);
    return std::nullopt;
}

enum class OptionId {
    Language,
    SkipShort,
    Apostrophes,
    Hyphens,
    Digits,
    Ngrams,
    NgramsAcrossPunctuation,
    Lemmas,
    Scan,
    Types,
    RemoveRare,
    RemoveShort,
    RemoveLong,
    RemoveListed,
    Merge,
    Output,
    Delimiter,
    Collate,
    Upper,
    Frequency,
    Range,
    MinRange,
    Keywords,
    MinKeyness,
    Unicode,
    Utf8,
    Encoding,
    Markup,
    Binary,
    Append,
    Statistics,
    Measures,
    Jobs,
    Concordance,
    Context,
    Sort,
    Quiet,
    Help,
    Version,
};

struct OptionInfo {
    OptionId id;
    char shortName;  // 0: long form only
    std::string_view longName;
    bool takesValue;
};

constexpr std::array<OptionInfo, 39> kOptions = {{
    {OptionId::Language, 'l', "language", true},
    {OptionId::SkipShort, 's', "skip-short", false},
    {OptionId::Apostrophes, 0, "apostrophes", false},
    {OptionId::Hyphens, 0, "hyphens", false},
    {OptionId::Digits, 0, "digits", false},
    {OptionId::Ngrams, 0, "ngrams", true},
    {OptionId::NgramsAcrossPunctuation, 0, "ngrams-across-punctuation", false},
    {OptionId::Lemmas, 0, "lemmas", true},
    {OptionId::Scan, 'd', "scan", true},
    {OptionId::Types, 't', "types", true},
    {OptionId::RemoveRare, 0, "remove-rare", true},
    {OptionId::RemoveShort, 0, "remove-short", true},
    {OptionId::RemoveLong, 0, "remove-long", true},
    {OptionId::RemoveListed, 0, "remove-listed", true},
    {OptionId::Merge, 'm', "merge", true},
    {OptionId::Output, 'o', "output", true},
    {OptionId::Delimiter, 0, "delimiter", true},
    {OptionId::Collate, 0, "collate", true},
    {OptionId::Upper, 0, "upper", false},
    {OptionId::Frequency, 0, "frequency", false},
    {OptionId::Range, 0, "range", false},
    {OptionId::MinRange, 0, "min-range", true},
    {OptionId::Keywords, 0, "keywords", true},
    {OptionId::MinKeyness, 0, "min-keyness", true},
    {OptionId::Unicode, 0, "unicode", false},
    {OptionId::Utf8, 0, "utf8", false},
    {OptionId::Encoding, 'e', "encoding", true},
    {OptionId::Markup, 0, "markup", true},
    {OptionId::Binary, 0, "binary", false},
    {OptionId::Append, 0, "append", false},
    {OptionId::Statistics, 0, "statistics", false},
    {OptionId::Measures, 0, "measures", false},
    {OptionId::Jobs, 'j', "jobs", true},
    {OptionId::Concordance, 0, "concordance", true},
    {OptionId::Context, 0, "context", true},
    {OptionId::Sort, 0, "sort", true},
    {OptionId::Quiet, 'q', "quiet", false},
    {OptionId::Help, 'h', "help", false},
    {OptionId::Version, 0, "version", false},
}};

const OptionInfo* FindLong(std::string_view name) {
    for (const OptionInfo& option : kOptions)
        if (option.longName == name)
            return &option;
    return nullptr;
}

const OptionInfo* FindShort(char name) {
    for (const OptionInfo& option : kOptions)
        if (option.shortName != 0 && option.shortName == name)
            return &option;
    return nullptr;
}

std::string Spelling(const OptionInfo& option) {
    return "--" + std::string(option.longName);
}

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    CliParse Run() {
        bool optionsEnded = false;
        while (next_ < args_.size() && !Ended()) {
            const std::string& arg = args_[next_++];
            if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
                // "-" alone is a file name, as everywhere else.
                result_.options.files.push_back(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg.compare(0, 2, "--") == 0) {
                LongOption(std::string_view(arg).substr(2));
            } else {
                ShortOptions(std::string_view(arg).substr(1));
            }
        }
        if (result_.action == CliAction::Run && result_.options.unicode && result_.options.utf8)
            Fail("options '--unicode' and '--utf8' exclude each other");
        if (result_.action == CliAction::Run && result_.options.keywords &&
            (result_.options.frequency || result_.options.range))
            Fail(std::string("options '--keywords' and '") +
                 (result_.options.range ? "--range" : "--frequency") + "' exclude each other");
        if (result_.action == CliAction::Run && sawMinKeyness_ && !result_.options.keywords)
            Fail("option '--min-keyness' needs '--keywords'");
        if (result_.action == CliAction::Run)
            CheckConcordance();
        // Entries of several words hold spaces: such a list could not be read back.
        if (result_.action == CliAction::Run && result_.options.inARow.To > 1 &&
            result_.options.delimiter == Delimiter::Space)
            Fail(
                "options '--delimiter space' and '--ngrams' of more than one word exclude "
                "each other");
        return std::move(result_);
    }

  private:
    bool Ended() const { return result_.action != CliAction::Run; }

    // A concordance writes lines, not a list: the options that shape a list's records
    // or read lists have nothing to act on.
    void CheckConcordance() {
        const CliOptions& o = result_.options;
        if (!o.concordance) {
            if (sawContext_ || sawSort_)
                Fail(std::string("option '") + (sawContext_ ? "--context" : "--sort") +
                     "' needs '--concordance'");
            return;
        }
        const char* other = o.frequency        ? "--frequency"
                            : o.range          ? "--range"
                            : o.keywords       ? "--keywords"
                            : !o.lists.empty() ? "--merge"
                            : o.statistics     ? "--statistics"
                                               : nullptr;
        if (other != nullptr)
            Fail(std::string("options '--concordance' and '") + other + "' exclude each other");
    }

    void Fail(std::string reason) {
        result_.action = CliAction::UsageError;
        result_.error = std::move(reason);
    }

    // The value of an option: attached, or else the next argument, whatever it is
    // (so "-o -" names standard output and "--types -x" is a type list).
    std::optional<std::string> TakeValue(const OptionInfo& option,
                                         std::optional<std::string_view> attached) {
        if (attached)
            return std::string(*attached);
        if (next_ < args_.size())
            return args_[next_++];
        Fail("option '" + Spelling(option) + "' requires an argument");
        return std::nullopt;
    }

    void LongOption(std::string_view body) {
        std::optional<std::string_view> attached;
        std::string_view name = body;
        if (auto equals = body.find('='); equals != std::string_view::npos) {
            name = body.substr(0, equals);
            attached = body.substr(equals + 1);
        }
        const OptionInfo* option = FindLong(name);
        if (option == nullptr) {
            Fail("unrecognized option '--" + Readable(name) + "'");
            return;
        }
        if (!option->takesValue && attached) {
            Fail("option '" + Spelling(*option) + "' doesn't allow an argument");
            return;
        }
        Apply(*option, attached);
    }

    void ShortOptions(std::string_view letters) {
        for (std::size_t i = 0; i < letters.size() && !Ended(); ++i) {
            const OptionInfo* option = FindShort(letters[i]);
            if (option == nullptr) {
                Fail("invalid option -- '" + Readable(letters.substr(i, 1)) + "'");
                return;
            }
            if (option->takesValue) {
                // The rest of the argument, if any, is the value: -ofile, -lfrench.
                std::optional<std::string_view> attached;
                if (i + 1 < letters.size())
                    attached = letters.substr(i + 1);
                Apply(*option, attached);
                return;
            }
            Apply(*option, std::nullopt);
        }
    }

    void AddFilter(const OptionInfo& option, FilterMode mode, const std::string& text) {
        std::optional<std::int32_t> value = ParseFilterValue(text);
        if (!value) {
            Fail("invalid value '" + Readable(text) + "' for '" + Spelling(option) +
                 "': an integer from 1 to 10000 is needed");
            return;
        }
        result_.options.filters.push_back(CliFilter{mode, *value, {}});
    }

    void Apply(const OptionInfo& option, std::optional<std::string_view> attached) {
        CliOptions& o = result_.options;
        std::string value;
        if (option.takesValue) {
            std::optional<std::string> taken = TakeValue(option, attached);
            if (!taken)
                return;
            value = std::move(*taken);
        }
        switch (option.id) {
            case OptionId::Language:
                if (auto index = IndexOf(kLanguageNames, value))
                    o.language = *index;
                else
                    Fail("unknown language '" + Readable(value) + "'");
                break;
            case OptionId::SkipShort:
                o.skipShort = true;
                break;
            case OptionId::Apostrophes:
                o.rules.Apostrophes = true;
                break;
            case OptionId::Hyphens:
                o.rules.Hyphens = true;
                break;
            case OptionId::Digits:
                o.rules.Digits = true;
                break;
            case OptionId::Ngrams:
                if (std::optional<WordsInARow> range = ParseWordsInARow(value)) {
                    range->AcrossPunctuation = o.inARow.AcrossPunctuation;
                    o.inARow = *range;
                } else {
                    Fail("invalid value '" + Readable(value) +
                         "' for '--ngrams': N or MIN-MAX with 1 <= MIN <= MAX <= 8 is needed");
                }
                break;
            case OptionId::NgramsAcrossPunctuation:
                o.inARow.AcrossPunctuation = true;
                break;
            case OptionId::Lemmas:
                if (value.empty())
                    Fail("option '--lemmas' needs a path");
                else
                    o.lemmas = value;
                break;
            case OptionId::Scan:
                o.scanDirs.push_back(value);
                break;
            case OptionId::Types:
                // The scan dialog refuses an empty type list in the same way. A list of
                // nothing but separators and dots would read every file; "*" says so.
                if (value.empty())
                    Fail(std::string("option '--types': ") + kEmptyTypeListText);
                else if (ParseScanTypes(value).empty() && value.find('*') == std::string::npos)
                    Fail("option '--types': '" + Readable(value) +
                         "' names no file type (\"*\" reads every file)");
                else
                    o.types = value;
                break;
            case OptionId::RemoveRare:
                AddFilter(option, FilterMode::Rare, value);
                break;
            case OptionId::RemoveShort:
                AddFilter(option, FilterMode::Short, value);
                break;
            case OptionId::RemoveLong:
                AddFilter(option, FilterMode::Long, value);
                break;
            case OptionId::RemoveListed:
                if (value.empty())
                    Fail("option '--remove-listed' needs a path");
                else
                    o.filters.push_back(CliFilter{FilterMode::Listed, 0, value});
                break;
            case OptionId::Merge:
                if (value.empty())
                    Fail("option '--merge' needs a path");
                else
                    o.lists.push_back(value);
                break;
            case OptionId::Output:
                if (value.empty())
                    Fail("option '--output' needs a path");
                else
                    o.output = value;
                break;
            case OptionId::Delimiter:
                if (auto index = IndexOf(kDelimiterNames, value))
                    o.delimiter = static_cast<Delimiter>(*index);
                else
                    Fail("unknown delimiter '" + Readable(value) + "' (lf, crlf or space)");
                break;
            case OptionId::Collate:
                o.collation = Collation::ForLocale(value);
                if (!o.collation)
                    Fail("unknown locale '" + Readable(value) +
                         "' for '--collate' (for example fr, de, sv, pl, cs, tr or root)");
                break;
            case OptionId::Upper:
                o.upper = true;
                break;
            case OptionId::Frequency:
                o.frequency = true;
                break;
            case OptionId::Range:
                o.range = true;
                break;
            case OptionId::MinRange:
                if (std::optional<std::uint32_t> n = ParseRangeValue(value))
                    o.filters.push_back(CliFilter{FilterMode::Range, 0, {}, *n});
                else
                    Fail("invalid value '" + Readable(value) +
                         "' for '--min-range': an integer from 1 to 4294967295 is needed");
                break;
            case OptionId::Keywords:
                if (value.empty())
                    Fail("option '--keywords' needs a path");
                else
                    o.keywords = value;
                break;
            case OptionId::MinKeyness:
                if (std::optional<double> threshold = ParseKeyness(value)) {
                    o.minKeyness = *threshold;
                    sawMinKeyness_ = true;
                } else {
                    Fail("invalid value '" + Readable(value) +
                         "' for '--min-keyness': a number of 0 or more is needed");
                }
                break;
            case OptionId::Unicode:
                o.unicode = true;
                break;
            case OptionId::Utf8:
                o.utf8 = true;
                break;
            case OptionId::Encoding:
                if (ParseEncoding(value))
                    o.encoding = value;
                else
                    Fail("unknown encoding '" + Readable(value) + "'");
                break;
            case OptionId::Markup:
                if (auto mode = ParseMarkupMode(value))
                    o.documents.markup = *mode;
                else
                    Fail("unknown markup mode '" + Readable(value) + "' (auto, html or none)");
                break;
            case OptionId::Binary:
                o.documents.everyFileAsText = true;
                break;
            case OptionId::Append:
                o.append = true;
                break;
            case OptionId::Statistics:
                o.statistics = true;
                break;
            case OptionId::Measures:
                o.measures = true;
                break;
            case OptionId::Jobs:
                if (std::optional<std::int32_t> n = ParseNumberText<std::int32_t>(value);
                    n && *n >= 1 && *n <= kMaxJobs)
                    o.jobs = *n;
                else
                    Fail("invalid value '" + Readable(value) + "' for '" + Spelling(option) +
                         "': an integer from 1 to " + std::to_string(kMaxJobs) + " is needed");
                break;
            case OptionId::Concordance:
                if (value.empty())
                    Fail("option '--concordance' needs an entry");
                else
                    o.concordance = value;
                break;
            case OptionId::Context:
                if (std::optional<std::int32_t> n = ParseNumberText<std::int32_t>(value);
                    n && *n >= 0 && *n <= kMaxContext) {
                    o.context = *n;
                    sawContext_ = true;
                } else {
                    Fail("invalid value '" + Readable(value) +
                         "' for '--context': an integer from 0 to " + std::to_string(kMaxContext) +
                         " is needed");
                }
                break;
            case OptionId::Sort:
                if (auto keys = ParseConcordanceKeys(value)) {
                    o.sortKeys = std::move(*keys);
                    sawSort_ = true;
                } else {
                    Fail("invalid value '" + Readable(value) +
                         "' for '--sort': one to three of L1, L2, L3, R1, R2, R3 joined by "
                         "commas is needed");
                }
                break;
            case OptionId::Quiet:
                o.quiet = true;
                break;
            case OptionId::Help:
                result_.action = CliAction::Help;
                break;
            case OptionId::Version:
                result_.action = CliAction::Version;
                break;
        }
    }

    // "N" or "MIN-MAX", 1 <= MIN <= MAX <= 8.
    static std::optional<WordsInARow> ParseWordsInARow(const std::string& text) {
        const std::size_t dash = text.find('-');
        const std::optional<std::int32_t> from =
            ParseNumberText<std::int32_t>(text.substr(0, dash));
        const std::optional<std::int32_t> to =
            dash == std::string::npos ? from : ParseNumberText<std::int32_t>(text.substr(dash + 1));
        if (!from || !to || *from < 1 || *from > *to || *to > WordsInARow::kMost)
            return std::nullopt;
        WordsInARow range;
        range.From = *from;
        range.To = *to;
        return range;
    }

    // A plain decimal number, 0 or more ("3.84", "10", ".5"); nothing else.
    static std::optional<double> ParseKeyness(const std::string& text) {
        const std::optional<double> value = ParseNumberText<double>(text);
        if (!value || !(*value >= 0.0) || !std::isfinite(*value))
            return std::nullopt;
        return value;
    }

    const std::vector<std::string>& args_;
    bool sawMinKeyness_ = false;
    bool sawContext_ = false;
    bool sawSort_ = false;
    std::size_t next_ = 0;
    CliParse result_;
};

}  // namespace

CliParse ParseCliOptions(const std::vector<std::string>& args) {
    return Parser(args).Run();
}

std::string CliHelpText() {
    return std::string(kCliUsageLine) +
           "\n"
           "Compiles a word list from text files.\n"
           "\n"
           "  -l, --language NAME    english (default), french, german, italian, russian,\n"
           "                         spanish, unicode; french, italian and spanish count\n"
           "                         the letters a-z only (and n with tilde for spanish),\n"
           "                         unicode (\"Any language\") keeps every letter of every\n"
           "                         script, and stores the words as UTF-8\n"
           "  -s, --skip-short       skip words of 3 or fewer letters\n"
           "      --apostrophes      an apostrophe between two letters belongs to the word\n"
           "      --hyphens          a hyphen between two letters belongs to the word\n"
           "      --digits           digits count as letters\n"
           "      --ngrams N|MIN-MAX list runs of N consecutive words (n-grams), or of\n"
           "                         every length from MIN to MAX (1 to 8; default 1, the\n"
           "                         single words): \"--ngrams 2-3\" lists \"of the\" and\n"
           "                         \"one of the\"; words are consecutive when only white\n"
           "                         space and at most one line end part them\n"
           "      --ngrams-across-punctuation\n"
           "                         words in a row may also have punctuation, symbols and\n"
           "                         digits between them (a blank line still parts them)\n"
           "      --lemmas FILE      count each form as its headword: FILE holds lines\n"
           "                         \"HEAD -> FORM, FORM\" (\"be -> is, was, were\"); the\n"
           "                         words of -m lists and of n-grams are mapped too\n"
           "  -e, --encoding NAME    how the files are read: auto (default: a byte order\n"
           "                         mark, else UTF-8 when the text is valid UTF-8, else\n"
           "                         the code page), codepage, utf-8, utf-16, utf-16le,\n"
           "                         utf-16be, windows-1250, windows-1251, windows-1252,\n"
           "                         iso-8859-1, iso-8859-2, iso-8859-5, iso-8859-15,\n"
           "                         koi8-r, koi8-u, ibm866, shift_jis, euc-jp, gb18030,\n"
           "                         big5, euc-kr, or any other name iconv knows; a web\n"
           "                         page's <meta charset> is taken as a hint by auto\n"
           "      --markup MODE      which files are web pages, read without their markup:\n"
           "                         auto (default: names ending in .htm, .html, .xhtml,\n"
           "                         .xml), html (every file) or none\n"
           "      --binary           read every file as text; by default a file that is\n"
           "                         no text (NUL bytes, a program, an image, a PDF, an\n"
           "                         archive) is skipped\n"
           "  -d, --scan DIR         add every file below DIR whose type is in --types;\n"
           "                         may be repeated\n"
           "  -t, --types LIST       file types for --scan (default \"htm,html,txt\";\n"
           "                         \"*\" means every file)\n"
           "      --remove-rare N    remove words seen fewer than N times (N from 1 to 10000)\n"
           "      --remove-short N   remove words shorter than N letters\n"
           "      --remove-long N    remove words longer than N letters\n"
           "      --remove-listed LIST\n"
           "                         remove the words of the word list LIST (a stop list)\n"
           "  -m, --merge LIST       merge the saved word list LIST, counts included, before\n"
           "                         the files are read; may be repeated\n"
           "  -o, --output PATH      write the word list to PATH; \"-\" writes it to standard\n"
           "                         output\n"
           "      --delimiter NAME   lf (default), crlf or space\n"
           "      --collate LOCALE   sort the words as the language LOCALE does (fr, de,\n"
           "                         sv, pl, cs, tr, ..., or root, the order common to\n"
           "                         all): the alphabetical list, and the words of equal\n"
           "                         counts in the others; by default, byte order\n"
           "      --upper            UPPER CASE\n"
           "      --frequency        records of word, comma and count, most frequent first\n"
           "      --range            records of word, count and range (the number of files\n"
           "                         the word was found in), most frequent first\n"
           "      --min-range N      remove words found in fewer than N files\n"
           "      --keywords LIST    keywords against the reference word list LIST: records\n"
           "                         of word,count,refcount,G2,LogRatio by G2 (log-likelihood,\n"
           "                         negative for words rarer than in LIST), not with\n"
           "                         --frequency\n"
           "      --min-keyness X    keep the keywords with |G2| >= X; 3.84, 6.63, 10.83 and\n"
           "                         15.13 are the thresholds of p < 0.05, 0.01, 0.001 and\n"
           "                         0.0001\n"
           "      --unicode          UTF-16 little-endian, no byte order mark\n"
           "      --utf8             UTF-8, no byte order mark (not with --unicode)\n"
           "      --append           append to PATH when it exists\n"
           "      --statistics       print the statistics report to standard output\n"
           "      --measures         print the measures of the vocabulary to standard\n"
           "                         output (after the statistics): tokens, types, the\n"
           "                         type/token ratio, the standardised ratio over\n"
           "                         segments of 1,000 tokens of each file, and the words\n"
           "                         counted once and twice\n"
           "  -j, --jobs N           count with N threads (default: every processor this\n"
           "                         process may use); the list is the same for any N\n"
           "      --concordance ENTRY\n"
           "                         instead of a list, write a line for each occurrence of\n"
           "                         ENTRY (a word or n-gram as the list holds it, e.g.\n"
           "                         \"don't\" or \"new york\") in the files:\n"
           "                         FILE<TAB>LINE<TAB>LEFT<TAB>MATCH<TAB>RIGHT, UTF-8; its\n"
           "                         occurrences are those the same options count; not\n"
           "                         with --frequency, --range, --keywords, -m, --statistics\n"
           "      --context N        characters of context either side (0 to 1000; default\n"
           "                         40), white space shown as one space\n"
           "      --sort KEYS        sort the lines by up to three neighbouring words, L3 to\n"
           "                         L1 left of the match, R1 to R3 right of it: \"R1,R2\"\n"
           "  -q, --quiet            no progress and no summary on standard error\n"
           "  -h, --help             this text\n"
           "      --version          the version\n"
           "\n"
           "A FILE of \"-\" is standard input, read at its place among the files.\n"
           "Filters run in the order given. A word list with a record of a comma but no\n"
           "valid count, of two commas without a count and a range between them, or of\n"
           "over 1,024 bytes is refused whole; a list may be a pipe. A file or folder\n"
           "below --scan that cannot be read is skipped and reported. Exit status:\n"
           "0 success, 1 a file could not be read (or was skipped for it), a list was\n"
           "refused or the list not written (nothing is written then), 2 a usage error,\n"
           "130 interrupted (129 hangup, 143 terminated), 141 standard output closed\n"
           "early.\n";
}

std::span<const std::string_view> CliLanguageNames() {
    return kLanguageNames;
}

std::span<const std::string_view> CliDelimiterNames() {
    return kDelimiterNames;
}

OutputOptions OutputOptionsOf(const CliOptions& options) {
    OutputOptions output;
    output.Delimiter = options.delimiter;
    output.CaseMode = options.upper ? 1 : 0;
    output.UnicodeOutput = options.unicode ? 1 : 0;
    output.IncludeFrequency = options.frequency || options.range ? 1 : 0;
    output.IncludeRange = options.range ? 1 : 0;
    output.AppendOutput = options.append ? 1 : 0;
    output.Utf8Output = options.utf8 ? 1 : 0;
    return output;
}

WriterOptions WriterOptionsOf(const CliOptions& options) {
    WriterOptions writer = WriterOptionsFor(OutputOptionsOf(options), CodePageOf(options.language));
    writer.Collate = options.collation.get();
    return writer;
}

int JobsOf(const CliOptions& options) {
    return options.jobs > 0 ? options.jobs : DefaultJobs();
}

}  // namespace tarvolen
