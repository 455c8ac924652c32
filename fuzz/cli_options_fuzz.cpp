// The command line's parser against a model of its rules. The input picks a sequence
// of intentions (an option with a value, a flag, a file, the end of the options),
// each spelt one of the ways the rules allow (long or short, the value attached or
// as the next argument, flags bundled); the model knows what each must do to the
// options, and which first problem must end the parse. Raw arguments are also
// parsed, and whatever parses as a run must parse the same once respelt canonically.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "run/cli_options.h"

using namespace tarvolen;

namespace {

enum class Kind {
    Language,
    SkipShort,
    Scan,
    Types,
    RemoveRare,
    RemoveShort,
    RemoveLong,
    RemoveListed,
    Merge,
    Output,
    Delimiter,
    Upper,
    Frequency,
    Unicode,
    Utf8,
    Encoding,
    Append,
    Statistics,
    Quiet,
    Help,
    Version,
};

struct OptionRow {
    Kind kind;
    char shortName;
    const char* longName;
    bool takesValue;
};

// As the help text documents them.
constexpr OptionRow kOptionRows[] = {
    {Kind::Language, 'l', "language", true},
    {Kind::SkipShort, 's', "skip-short", false},
    {Kind::Scan, 'd', "scan", true},
    {Kind::Types, 't', "types", true},
    {Kind::RemoveRare, 0, "remove-rare", true},
    {Kind::RemoveShort, 0, "remove-short", true},
    {Kind::RemoveLong, 0, "remove-long", true},
    {Kind::RemoveListed, 0, "remove-listed", true},
    {Kind::Merge, 'm', "merge", true},
    {Kind::Output, 'o', "output", true},
    {Kind::Delimiter, 0, "delimiter", true},
    {Kind::Upper, 0, "upper", false},
    {Kind::Frequency, 0, "frequency", false},
    {Kind::Unicode, 0, "unicode", false},
    {Kind::Utf8, 0, "utf8", false},
    {Kind::Encoding, 'e', "encoding", true},
    {Kind::Append, 0, "append", false},
    {Kind::Statistics, 0, "statistics", false},
    {Kind::Quiet, 'q', "quiet", false},
    {Kind::Help, 'h', "help", false},
    {Kind::Version, 0, "version", false},
};
constexpr std::size_t kOptionRowCount = sizeof kOptionRows / sizeof kOptionRows[0];

bool SameOptions(const CliOptions& a, const CliOptions& b) {
    if (a.filters.size() != b.filters.size())
        return false;
    for (std::size_t i = 0; i < a.filters.size(); ++i) {
        if (a.filters[i].mode != b.filters[i].mode || a.filters[i].value != b.filters[i].value ||
            a.filters[i].list != b.filters[i].list ||
            a.filters[i].minRange != b.filters[i].minRange)
            return false;
    }
    return a.language == b.language && a.skipShort == b.skipShort && a.lists == b.lists &&
           a.files == b.files && a.scanDirs == b.scanDirs && a.types == b.types &&
           a.output == b.output && a.delimiter == b.delimiter && a.upper == b.upper &&
           a.frequency == b.frequency && a.unicode == b.unicode && a.utf8 == b.utf8 &&
           a.encoding == b.encoding && a.append == b.append && a.statistics == b.statistics &&
           a.quiet == b.quiet && a.range == b.range && a.keywords == b.keywords &&
           a.minKeyness == b.minKeyness;
}

std::string Describe(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args)
        text += "[" + arg + "]";
    return text;
}

// A text that may end up anywhere: a path, a type list, a file name.
std::string AnyText(fuzz::FuzzInput& input) {
    static constexpr const char* kTexts[] = {"words.txt", "-", "-x", "--",      "--quiet", "a=b",
                                             "dir/sub",   "",  " ",  "htm,txt", "é",       "-o"};
    std::string text = kTexts[input.Below(sizeof kTexts / sizeof kTexts[0])];
    if (input.Byte() % 4 == 0)
        text += static_cast<char>('a' + input.Below(26));
    return text;
}

std::string RandomCase(std::string text, fuzz::FuzzInput& input) {
    const std::uint8_t mask = input.Byte();
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((mask >> (i % 8) & 1u) != 0 && text[i] >= 'a' && text[i] <= 'z')
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
    return text;
}

// The state of a parse as the rules make it.
struct Model {
    CliParse expected;
    bool Ended() const { return expected.action != CliAction::Run; }
    void Fail() { expected.action = CliAction::UsageError; }

    // What the option does with its value (for flags, value is unused).
    void Apply(const OptionRow& row, const std::string& value, std::optional<bool> valid,
               std::optional<std::int32_t> number) {
        CliOptions& o = expected.options;
        switch (row.kind) {
            case Kind::Language:
            case Kind::Delimiter:
            case Kind::Encoding:
            case Kind::RemoveRare:
            case Kind::RemoveShort:
            case Kind::RemoveLong:
                if (!valid.value_or(false)) {
                    Fail();
                    return;
                }
                if (row.kind == Kind::Language)
                    o.language = *number;
                else if (row.kind == Kind::Delimiter)
                    o.delimiter = static_cast<tarvolen::Delimiter>(*number);
                else if (row.kind == Kind::Encoding)
                    o.encoding = value;
                else
                    o.filters.push_back(CliFilter{row.kind == Kind::RemoveRare ? FilterMode::Rare
                                                  : row.kind == Kind::RemoveShort
                                                      ? FilterMode::Short
                                                      : FilterMode::Long,
                                                  *number,
                                                  {}});
                return;
            case Kind::Scan:
                o.scanDirs.push_back(value);
                return;
            case Kind::Types:
            case Kind::RemoveListed:
            case Kind::Merge:
            case Kind::Output:
                // These refuse an empty value; a type list also one of nothing but
                // separators and dots.
                if (value.empty() || (row.kind == Kind::Types &&
                                      value.find_first_not_of(",;\t .") == std::string::npos)) {
                    Fail();
                } else if (row.kind == Kind::Types) {
                    o.types = value;
                } else if (row.kind == Kind::RemoveListed) {
                    o.filters.push_back(CliFilter{FilterMode::Listed, 0, value});
                } else if (row.kind == Kind::Merge) {
                    o.lists.push_back(value);
                } else {
                    o.output = value;
                }
                return;
            case Kind::SkipShort:
                o.skipShort = true;
                return;
            case Kind::Upper:
                o.upper = true;
                return;
            case Kind::Frequency:
                o.frequency = true;
                return;
            case Kind::Unicode:
                o.unicode = true;
                return;
            case Kind::Utf8:
                o.utf8 = true;
                return;
            case Kind::Append:
                o.append = true;
                return;
            case Kind::Statistics:
                o.statistics = true;
                return;
            case Kind::Quiet:
                o.quiet = true;
                return;
            case Kind::Help:
                expected.action = CliAction::Help;
                return;
            case Kind::Version:
                expected.action = CliAction::Version;
                return;
        }
    }
};

// A value for the option, with whether the option takes it and what it means.
struct Value {
    std::string text;
    std::optional<bool> valid;  // for the options that check their value
    std::optional<std::int32_t> number;
};

Value PickValue(const OptionRow& row, fuzz::FuzzInput& input) {
    static constexpr const char* kLanguages[] = {"english", "french",  "german", "italian",
                                                 "russian", "spanish", "unicode"};
    static constexpr const char* kDelimiters[] = {"lf", "crlf", "space"};
    static constexpr const char* kEncodings[] = {"auto",       "codepage", "utf-8",   "utf8",
                                                 "utf-16",     "utf-16le", "utf16be", "koi8-r",
                                                 "iso-8859-5", "ibm866"};
    const bool wrong = input.Byte() % 5 == 0;
    switch (row.kind) {
        case Kind::Language:
            if (wrong)
                return {"klingon", false, {}};
            {
                const std::size_t i = input.Below(std::size(kLanguages));
                return {RandomCase(kLanguages[i], input), true, static_cast<std::int32_t>(i)};
            }
        case Kind::Delimiter:
            if (wrong)
                return {"tab", false, {}};
            {
                const std::size_t i = input.Below(3);
                return {RandomCase(kDelimiters[i], input), true, static_cast<std::int32_t>(i)};
            }
        case Kind::Encoding:
            if (wrong)
                return {"no-such-encoding", false, {}};
            return {RandomCase(kEncodings[input.Below(10)], input), true, {}};
        case Kind::RemoveRare:
        case Kind::RemoveShort:
        case Kind::RemoveLong: {
            if (wrong) {
                static constexpr const char* kBad[] = {"0", "10001", "-3", "x", "", "4x", "1e3"};
                return {kBad[input.Below(7)], false, {}};
            }
            const std::int32_t n = 1 + static_cast<std::int32_t>(input.Bits32() % 10000);
            // Blanks around the number are allowed.
            std::string text;
            if (input.Byte() % 4 == 0)
                text += ' ';
            text += std::to_string(n);
            return {text, true, n};
        }
        default:
            return {AnyText(input), {}, {}};
    }
}

void CheckGenerated(fuzz::FuzzInput& input) {
    std::vector<std::string> args;
    Model model;
    bool optionsEnded = false;
    while (!input.Empty()) {
        const std::uint8_t what = input.Byte();
        if (what < 40) {
            // A file: a name that cannot be taken for an option, or anything once
            // the options have ended.
            std::string name = AnyText(input);
            if (!optionsEnded && name.size() >= 2 && name[0] == '-')
                name = "file" + name;
            args.push_back(name);
            if (!model.Ended())
                model.expected.options.files.push_back(name);
            continue;
        }
        if (what < 46 && !optionsEnded) {
            args.push_back("--");
            optionsEnded = true;
            continue;
        }
        if (optionsEnded)
            continue;
        const OptionRow& row = kOptionRows[what % kOptionRowCount];
        const std::uint8_t spelling = input.Byte();
        const bool useShort = row.shortName != 0 && spelling % 2 == 0;
        if (!row.takesValue) {
            if (useShort && spelling % 4 == 0) {
                // Bundled with the next flags that have a short form.
                std::string bundle = std::string("-") + row.shortName;
                std::vector<const OptionRow*> flags{&row};
                while (input.Byte() % 2 == 0) {
                    const OptionRow& next = kOptionRows[input.Below(kOptionRowCount)];
                    if (next.shortName == 0 || next.takesValue)
                        break;
                    bundle += next.shortName;
                    flags.push_back(&next);
                }
                args.push_back(bundle);
                for (const OptionRow* flag : flags)
                    if (!model.Ended())
                        model.Apply(*flag, {}, {}, {});
            } else if (useShort) {
                args.push_back(std::string("-") + row.shortName);
                if (!model.Ended())
                    model.Apply(row, {}, {}, {});
            } else if (spelling % 7 == 1) {
                // A flag given a value is refused.
                args.push_back("--" + std::string(row.longName) + "=" + AnyText(input));
                if (!model.Ended())
                    model.Fail();
            } else {
                args.push_back("--" + std::string(row.longName));
                if (!model.Ended())
                    model.Apply(row, {}, {}, {});
            }
            continue;
        }
        const Value value = PickValue(row, input);
        if (input.Byte() % 16 == 0 && input.Empty()) {
            // The value is missing at the very end.
            args.push_back(useShort ? std::string("-") + row.shortName
                                    : "--" + std::string(row.longName));
            if (!model.Ended())
                model.Fail();
            break;
        }
        if (useShort && !value.text.empty() && spelling % 4 == 0) {
            args.push_back(std::string("-") + row.shortName + value.text);
        } else if (useShort) {
            args.push_back(std::string("-") + row.shortName);
            args.push_back(value.text);
        } else if (spelling % 3 == 0) {
            args.push_back("--" + std::string(row.longName) + "=" + value.text);
        } else {
            args.push_back("--" + std::string(row.longName));
            args.push_back(value.text);
        }
        if (!model.Ended())
            model.Apply(row, value.text, value.valid, value.number);
    }
    if (model.expected.action == CliAction::Run && model.expected.options.unicode &&
        model.expected.options.utf8)
        model.Fail();

    const CliParse got = ParseCliOptions(args);
    FUZZ_CHECK(got.action == model.expected.action, Describe(args));
    if (got.action == CliAction::UsageError) {
        FUZZ_CHECK(!got.error.empty() && got.error.find('\n') == std::string::npos,
                   got.error + " for " + Describe(args));
    } else if (got.action == CliAction::Run) {
        FUZZ_CHECK(SameOptions(got.options, model.expected.options), Describe(args));
    }
}

// The options of a run spelt the one plain way: every option long with its value
// attached, the files after "--".
std::vector<std::string> Canonical(const CliOptions& o) {
    static constexpr const char* kLanguages[] = {"english", "french",  "german", "italian",
                                                 "russian", "spanish", "unicode"};
    static constexpr const char* kDelimiters[] = {"lf", "crlf", "space"};
    std::vector<std::string> args;
    args.push_back(std::string("--language=") + kLanguages[o.language]);
    if (o.skipShort)
        args.push_back("--skip-short");
    for (const std::string& list : o.lists)
        args.push_back("--merge=" + list);
    for (const std::string& dir : o.scanDirs)
        args.push_back("--scan=" + dir);
    args.push_back("--types=" + o.types);
    for (const CliFilter& filter : o.filters) {
        switch (filter.mode) {
            case FilterMode::Rare:
                args.push_back("--remove-rare=" + std::to_string(filter.value));
                break;
            case FilterMode::Short:
                args.push_back("--remove-short=" + std::to_string(filter.value));
                break;
            case FilterMode::Long:
                args.push_back("--remove-long=" + std::to_string(filter.value));
                break;
            case FilterMode::Listed:
                args.push_back("--remove-listed=" + filter.list);
                break;
            case FilterMode::Range:
                args.push_back("--min-range=" + std::to_string(filter.minRange));
                break;
        }
    }
    if (o.output)
        args.push_back("--output=" + *o.output);
    args.push_back(std::string("--delimiter=") + kDelimiters[static_cast<int>(o.delimiter)]);
    for (auto [set, name] : {std::pair{o.upper, "--upper"},
                             {o.frequency, "--frequency"},
                             {o.range, "--range"},
                             {o.unicode, "--unicode"},
                             {o.utf8, "--utf8"},
                             {o.append, "--append"},
                             {o.statistics, "--statistics"},
                             {o.quiet, "--quiet"}})
        if (set)
            args.push_back(name);
    args.push_back("--encoding=" + o.encoding);
    if (o.keywords) {
        args.push_back("--keywords=" + *o.keywords);
        char figure[400];
        const auto end =
            std::to_chars(figure, figure + sizeof figure, o.minKeyness, std::chars_format::fixed)
                .ptr;
        args.push_back("--min-keyness=" + std::string(figure, end));
    }
    args.push_back("--");
    for (const std::string& file : o.files)
        args.push_back(file);
    return args;
}

void CheckRaw(fuzz::FuzzInput& input) {
    std::vector<std::string> args(1);
    for (char c : input.Rest()) {
        if (c == 0)
            args.emplace_back();
        else
            args.back().push_back(c);
    }
    const CliParse got = ParseCliOptions(args);
    const CliParse again = ParseCliOptions(args);
    FUZZ_CHECK(got.action == again.action && got.error == again.error, Describe(args));
    if (got.action == CliAction::UsageError) {
        FUZZ_CHECK(!got.error.empty() && got.error.find('\n') == std::string::npos,
                   got.error + " for " + Describe(args));
        return;
    }
    if (got.action != CliAction::Run)
        return;
    FUZZ_CHECK(got.options.language >= 0 && got.options.language < kLanguageCount, "language");
    FUZZ_CHECK(!(got.options.unicode && got.options.utf8), Describe(args));
    const std::vector<std::string> canonical = Canonical(got.options);
    const CliParse respelt = ParseCliOptions(canonical);
    FUZZ_CHECK(respelt.action == CliAction::Run && SameOptions(respelt.options, got.options),
               Describe(args) + " respelt " + Describe(canonical));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    if (input.Byte() % 4 == 0)
        CheckRaw(input);
    else
        CheckGenerated(input);
    return 0;
}
