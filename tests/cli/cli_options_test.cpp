#include "run/cli_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/output/word_list_writer.h"

namespace tarvolen {
namespace {

using ::testing::HasSubstr;

CliOptions Parsed(const std::vector<std::string>& args) {
    CliParse parse = ParseCliOptions(args);
    EXPECT_EQ(parse.action, CliAction::Run) << parse.error;
    return parse.options;
}

TEST(CliOptionsTest, DefaultsAreThoseOfAFreshSession) {
    CliOptions o = Parsed({});
    EXPECT_EQ(o.language, kEnglishLatin);
    EXPECT_FALSE(o.skipShort);
    EXPECT_EQ(o.types, "htm,html,txt");
    EXPECT_FALSE(o.output.has_value());
    EXPECT_EQ(o.delimiter, Delimiter::LF);
    EXPECT_FALSE(o.upper || o.frequency || o.unicode || o.append || o.statistics || o.quiet);
    EXPECT_TRUE(o.files.empty() && o.scanDirs.empty() && o.filters.empty());
}

TEST(CliOptionsTest, EveryOptionInItsLongShortAndAttachedForms) {
    CliOptions o = Parsed({"a.txt",
                           "--language",
                           "russian",
                           "-s",
                           "--scan",
                           "dir1",
                           "-d",
                           "dir2",
                           "-t",
                           "txt",
                           "--remove-rare=3",
                           "--remove-short",
                           "2",
                           "--remove-long",
                           "10000",
                           "-o",
                           "-",
                           "--delimiter",
                           "space",
                           "--upper",
                           "--frequency",
                           "--unicode",
                           "--append",
                           "--statistics",
                           "-q",
                           "b.txt"});
    EXPECT_EQ(o.language, kRussian);
    EXPECT_TRUE(o.skipShort);
    EXPECT_EQ(o.scanDirs, (std::vector<std::string>{"dir1", "dir2"}));
    EXPECT_EQ(o.types, "txt");
    ASSERT_EQ(o.filters.size(), 3u);
    EXPECT_EQ(o.filters[0].mode, FilterMode::Rare);
    EXPECT_EQ(o.filters[0].value, 3);
    EXPECT_EQ(o.filters[1].mode, FilterMode::Short);
    EXPECT_EQ(o.filters[1].value, 2);
    EXPECT_EQ(o.filters[2].mode, FilterMode::Long);
    EXPECT_EQ(o.filters[2].value, 10000);
    EXPECT_EQ(o.output, "-");
    EXPECT_EQ(o.delimiter, Delimiter::Space);
    EXPECT_TRUE(o.upper && o.frequency && o.unicode && o.append && o.statistics && o.quiet);
    EXPECT_EQ(o.files, (std::vector<std::string>{"a.txt", "b.txt"}));

    CliOptions attached = Parsed({"-lfrench", "-oout.txt", "-sq", "--language=Spanish",
                                  "--delimiter=CRLF", "--types=*", "--output=x"});
    EXPECT_EQ(attached.language, kSpanish);  // the last one counts
    EXPECT_EQ(attached.output, "x");
    EXPECT_TRUE(attached.skipShort && attached.quiet);
    EXPECT_EQ(attached.delimiter, Delimiter::CRLF);
    EXPECT_EQ(attached.types, "*");

    // A bundle ends at the first option that takes a value: the rest is its value.
    CliOptions bundle = Parsed({"-sqlgerman", "-so", "list"});
    EXPECT_EQ(bundle.language, kGerman);
    EXPECT_EQ(bundle.output, "list");
}

TEST(CliOptionsTest, WordsInARow) {
    struct Case {
        std::vector<std::string> args;
        WordsInARow expected;
    };
    const std::vector<Case> cases = {
        {{}, {1, 1, false}},
        {{"--ngrams", "2"}, {2, 2, false}},
        {{"--ngrams=1-3", "--ngrams-across-punctuation"}, {1, 3, true}},
        {{"--ngrams-across-punctuation", "--ngrams", "8-8"}, {8, 8, true}},
        {{"--ngrams", "4", "--ngrams", "1"}, {1, 1, false}},  // the last one counts
        {{"--ngrams", "1", "--delimiter", "space"}, {1, 1, false}},
    };
    for (const Case& c : cases) {
        const CliParse parse = ParseCliOptions(c.args);
        ASSERT_EQ(parse.action, CliAction::Run) << parse.error;
        EXPECT_EQ(parse.options.inARow, c.expected);
    }
}

TEST(CliOptionsTest, HowDocumentsAreRead) {
    EXPECT_EQ(Parsed({}).documents.markup, MarkupMode::ByName);
    EXPECT_FALSE(Parsed({}).documents.everyFileAsText);
    EXPECT_EQ(Parsed({"--markup", "HTML"}).documents.markup, MarkupMode::Html);
    EXPECT_EQ(Parsed({"--markup=none"}).documents.markup, MarkupMode::None);
    EXPECT_TRUE(Parsed({"--binary"}).documents.everyFileAsText);
    EXPECT_EQ(ParseCliOptions({"--markup", "xml"}).error,
              "unknown markup mode 'xml' (auto, html or none)");
}

TEST(CliOptionsTest, LanguagesInTheOrderOfTheAddOptionsList) {
    const char* names[] = {"english", "french",  "german", "italian",
                           "russian", "spanish", "unicode"};
    for (std::int32_t i = 0; i < kLanguageCount; ++i)
        EXPECT_EQ(Parsed({"-l", names[i]}).language, i) << names[i];
}

TEST(CliOptionsTest, FileNamesThatLookLikeOptions) {
    CliOptions o = Parsed({"-", "--", "--upper", "-q"});
    EXPECT_EQ(o.files, (std::vector<std::string>{"-", "--upper", "-q"}));
    EXPECT_FALSE(o.upper || o.quiet);
}

TEST(CliOptionsTest, FilterValuesFromOneTo10000Only) {
    struct Case {
        const char* text;
        bool accepted;
    };
    // Blanks around the number are ignored, as the Filter dialog ignores them.
    const Case cases[] = {{"1", true},      {"10000", true},    {"0", false},
                          {"10001", false}, {"", false},        {"-1", false},
                          {"+5", false},    {"5x", false},      {" 5", true},
                          {"\t250 ", true}, {"   ", false},     {"5 5", false},
                          {"0005", true},   {"00000005", true}, {"99999999999", false}};
    for (const Case& c : cases) {
        CliParse parse = ParseCliOptions({"--remove-short", c.text});
        EXPECT_EQ(parse.action == CliAction::Run, c.accepted) << '"' << c.text << '"';
        if (!c.accepted) {
            EXPECT_THAT(parse.error, HasSubstr("from 1 to 10000"));
        }
    }
}

// One number parser for every option that takes a number: blanks around it ignored.
TEST(CliOptionsTest, EveryNumberIsReadAlike) {
    for (const char* option :
         {"--remove-rare", "--remove-short", "--remove-long", "--min-range", "--min-keyness"}) {
        for (const char* text : {"5", " 5", "5\t", " 5 "})
            EXPECT_EQ(ParseCliOptions({"--keywords", "r", option, text}).action, CliAction::Run)
                << option << " '" << text << "'";
        for (const char* text : {"", " ", "5x", "x5", "5 5"})
            EXPECT_EQ(ParseCliOptions({"--keywords", "r", option, text}).action,
                      CliAction::UsageError)
                << option << " '" << text << "'";
    }
}

TEST(CliOptionsTest, UsageErrorsNameTheirReason) {
    struct Case {
        std::vector<std::string> args;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{"--nope"}, "unrecognized option '--nope'"},
        {{"-sz"}, "invalid option -- 'z'"},
        {{"-l", "latin"}, "unknown language 'latin'"},
        {{"--delimiter", "cr"}, "unknown delimiter 'cr'"},
        {{"--collate", "xx"}, "unknown locale 'xx' for '--collate'"},
        {{"--quiet=1"}, "option '--quiet' doesn't allow an argument"},
        {{"-o"}, "option '--output' requires an argument"},
        {{"--scan"}, "option '--scan' requires an argument"},
        {{"-o", ""}, "option '--output' needs a path"},
        {{"-t", ""}, "Empty type list!"},
        {{"-t", ",,,"}, "option '--types': ',,,' names no file type"},
        {{"--types=."}, "option '--types': '.' names no file type"},
        {{"-t", " ;. "}, "names no file type"},
        {{"--ngrams", "0"}, "invalid value '0' for '--ngrams'"},
        {{"--ngrams", "9"}, "invalid value '9' for '--ngrams'"},
        {{"--ngrams", "3-2"}, "invalid value '3-2' for '--ngrams'"},
        {{"--ngrams", "1-9"}, "invalid value '1-9' for '--ngrams'"},
        {{"--ngrams", "2-"}, "invalid value '2-' for '--ngrams'"},
        {{"--ngrams", "-2"}, "invalid value '-2' for '--ngrams'"},
        {{"--ngrams", "a"}, "invalid value 'a' for '--ngrams'"},
        {{"--ngrams"}, "option '--ngrams' requires an argument"},
        {{"--ngrams-across-punctuation=1"}, "doesn't allow an argument"},
        {{"--ngrams", "1-2", "--delimiter", "space"}, "'--delimiter space' and '--ngrams'"},
        {{"--concordance", ""}, "option '--concordance' needs an entry"},
        {{"--concordance", "a", "--frequency"}, "'--concordance' and '--frequency' exclude"},
        {{"--concordance", "a", "--range"}, "'--concordance' and '--range' exclude"},
        {{"--concordance", "a", "--keywords", "r"}, "'--concordance' and '--keywords' exclude"},
        {{"-m", "l", "--concordance", "a"}, "'--concordance' and '--merge' exclude"},
        {{"--concordance", "a", "--statistics"}, "'--concordance' and '--statistics' exclude"},
        {{"--context", "5"}, "option '--context' needs '--concordance'"},
        {{"--sort", "R1"}, "option '--sort' needs '--concordance'"},
        {{"--concordance", "a", "--context", "-1"}, "invalid value '-1' for '--context'"},
        {{"--concordance", "a", "--context", "1001"}, "invalid value '1001' for '--context'"},
        {{"--concordance", "a", "--sort", "R4"}, "invalid value 'R4' for '--sort'"},
        {{"--concordance", "a", "--sort", "R1,,L1"}, "invalid value 'R1,,L1' for '--sort'"},
        {{"--concordance", "a", "--sort", "R1,R2,R3,L1"}, "for '--sort'"},
        {{"--concordance", "a", "--sort", "M1"}, "invalid value 'M1' for '--sort'"},
    };
    for (const Case& c : cases) {
        CliParse parse = ParseCliOptions(c.args);
        EXPECT_EQ(parse.action, CliAction::UsageError) << c.reason;
        EXPECT_THAT(parse.error, HasSubstr(c.reason));
        EXPECT_EQ(parse.error.find('\n'), std::string::npos);
    }
}

// Found by fuzzing: an argument holding a newline made a two-line error. What the
// user typed is quoted with its control characters spelt out.
TEST(CliOptionsTest, UsageErrorsQuoteControlCharactersReadably) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"-sqofile", "--remo\xE2\n", "x"}, "unrecognized option '--remo\xE2\\n'"},
        {{"-s\x1B"}, "invalid option -- '\\x1B'"},
        {{"-l", "fr\tench"}, "unknown language 'fr\\tench'"},
        {{"--delimiter=\r\n"}, "unknown delimiter '\\x0D\\n'"},
        {{"-e", "utf\x7F"}, "unknown encoding 'utf\\x7F'"},
        {{"--remove-rare", "3\x01"}, "invalid value '3\\x01'"},
    };
    for (const Case& c : cases) {
        CliParse parse = ParseCliOptions(c.args);
        EXPECT_EQ(parse.action, CliAction::UsageError) << c.error;
        EXPECT_THAT(parse.error, HasSubstr(c.error));
        for (char ch : parse.error)
            EXPECT_FALSE(static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) << parse.error;
    }
}

TEST(CliOptionsTest, HelpAndVersionEndTheParseWhereTheyStand) {
    EXPECT_EQ(ParseCliOptions({"a", "--help", "--nope"}).action, CliAction::Help);
    EXPECT_EQ(ParseCliOptions({"-h"}).action, CliAction::Help);
    EXPECT_EQ(ParseCliOptions({"--version", "-l", "x"}).action, CliAction::Version);
    EXPECT_EQ(ParseCliOptions({"--nope", "--help"}).action, CliAction::UsageError);
}

TEST(CliOptionsTest, WriterOptionsFollowTheCommandLine) {
    WriterOptions plain = WriterOptionsOf(Parsed({}));
    EXPECT_EQ(plain.Delimiter, Delimiter::LF);
    EXPECT_EQ(plain.CaseMode, 0);
    EXPECT_EQ(plain.UnicodeOutput, 0);
    EXPECT_EQ(plain.AppendOutput, 0);
    EXPECT_EQ(plain.ListCodePage, CodePage::Windows1252);
    EXPECT_EQ(plain.Utf8Output, 0);

    WriterOptions all = WriterOptionsOf(
        Parsed({"--delimiter", "crlf", "--upper", "--unicode", "--append", "-l", "russian"}));
    EXPECT_EQ(all.Delimiter, Delimiter::CRLF);
    EXPECT_EQ(all.CaseMode, 1);
    EXPECT_NE(all.UnicodeOutput, 0);
    EXPECT_NE(all.AppendOutput, 0);
    EXPECT_EQ(all.ListCodePage, CodePage::Windows1251);
    EXPECT_NE(WriterOptionsOf(Parsed({"--utf8"})).Utf8Output, 0);
}

}  // namespace
}  // namespace tarvolen
