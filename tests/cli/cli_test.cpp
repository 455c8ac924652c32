// Runs the built tarvolen-cli as a user would and checks its outputs byte for byte
// against the core library run in-process on the same files.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_child.h"
#include "core/analysis/statistics_report.h"
#include "core/analysis/word_filter.h"
#include "core/ingest/ingest.h"
#include "core/input/dir_scan.h"
#include "core/output/word_list_writer.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/sanitizers.h"
#include "support/shared_capitals.h"
#include "support/temp_dir.h"
#include "version.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::FakeProgress;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::TempDir;

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// The three words of the writer's examples: the 12 times, and 7, zebra 7.
std::string ThreeWordText() {
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "The ";
    for (int i = 0; i < 7; ++i)
        text += "and, ZEBRA\n";
    return text;
}

// -------------------------------------------------------------------------------------
// The library side: the list the GUI builds from the same files with the same options.

struct LibraryRun {
    FakeMessages messages;
    Workspace workspace{messages};

    LibraryRun(const std::vector<std::string>& files, std::int32_t language, bool skipShort,
               const std::vector<std::pair<FilterMode, std::int32_t>>& filters = {}) {
        BuildCharMap(language, workspace.Map);
        workspace.MinWordLength = MinWordLengthOf(skipShort);
        IngestState state;
        state.InputFiles = files;
        FakeProgress progress;
        IngestHooks hooks{progress, messages, {}};
        IngestFiles(workspace, state, hooks);
        for (const auto& [mode, value] : filters)
            FilterWords(workspace.Store, mode, value);
    }

    std::string Write(const TempDir& dir, const WriterOptions& options, bool frequency) {
        const std::string path = (dir.path() / "library.out").string();
        FakeMessages writerMessages;
        WriterHooks hooks{writerMessages, SystemTicks(), nullptr, {}};
        if (frequency)
            WriteFrequencyList(workspace.Store, options, path, hooks);
        else
            WriteWordList(workspace.Store, options, path, hooks);
        return TempDir::Read(path);
    }
};

// -------------------------------------------------------------------------------------

TEST(CliTest, VersionAndHelp) {
    TempDir dir;
    Outcome version = RunCli(dir, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tarvolen-cli " TARVOLEN_VERSION "\n");

    Outcome help = RunCli(dir, {"-h"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("Usage: tarvolen-cli [OPTIONS] [FILE...]"));
    for (const char* option :
         {"--language",     "--skip-short",  "--scan",       "--types",     "--remove-rare",
          "--remove-short", "--remove-long", "--output",     "--delimiter", "--upper",
          "--frequency",    "--range",       "--min-range",  "--keywords",  "--min-keyness",
          "--unicode",      "--append",      "--statistics", "--quiet",     "--help",
          "--version"})
        EXPECT_THAT(help.out, HasSubstr(option));
    EXPECT_EQ(help.err, "");
}

// Every record format of the writer, written by the CLI from a file: the bytes of the
// writer's own worked examples.
TEST(CliTest, WritesTheRecordFormatsByteForByte) {
    struct Case {
        std::vector<std::string> options;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{}, "and\nthe\nzebra\n"},
        {{"--delimiter", "crlf", "--upper"}, "AND\r\nTHE\r\nZEBRA\r\n"},
        {{"--delimiter=space", "--unicode"},
         std::string("a\0n\0d\0 \0t\0h\0e\0 \0z\0e\0b\0r\0a\0 \0", 28)},
        {{"--frequency", "--delimiter", "CRLF"}, "the,12\r\nand,7\r\nzebra,7\r\n"},
        {{"--frequency", "--remove-rare", "8", "--unicode"},
         std::string("t\0h\0e\0,\0001\0002\0\n\0", 14)},
        {{"--frequency", "--upper"}, "THE,12\nAND,7\nZEBRA,7\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string input = dir.Write("in.txt", ThreeWordText());
        const std::string output = (dir.path() / "list.txt").string();
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-q", "-o", output, input});
        Outcome run = RunCli(dir, args);
        SCOPED_TRACE(::testing::PrintToString(c.options));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(TempDir::Read(output), c.expected);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
    }
}

// Words in a row through every kind of list: a web page's block-level elements part
// rows and its inline ones do not, a sentence's end and a blank line part them, and
// ranges count the files an entry was found in.
TEST(CliTest, WritesWordsInARow) {
    struct Case {
        std::vector<std::string> options;
        std::vector<std::pair<std::string, std::string>> files;  // name, text
        std::string expected;
    };
    const std::string cat = "The cat. The cat\nsat\n\nsat down";
    const std::vector<Case> cases = {
        {{"--ngrams", "2"},
         {{"p.html", "<p>One <b>two</b> three</p><div>four five</div>six<br>seven"}},
         "four five\none two\ntwo three\n"},
        {{"--ngrams", "2", "--frequency"}, {{"a.txt", cat}}, "the cat,2\ncat sat,1\nsat down,1\n"},
        {{"--ngrams", "2", "--range", "-j", "3"},
         {{"a.txt", cat}, {"b.txt", "the cat sat"}},
         "the cat,3,2\ncat sat,2,2\nsat down,1,1\n"},
        {{"--ngrams", "1-2", "--utf8", "-l", "german"},
         {{"u.txt",
           "\xC3\x9Cnter Stra\xC3\x9F"
           "e"}},
         "stra\xC3\x9F"
         "e\n\xC3\xBCnter\n\xC3\xBCnter stra\xC3\x9F"
         "e\n"},
        // UTF-8 read under a code page's alphabet: a letter the code page lacks parts
        // the row, a space it lacks (U+3000) does not, nor one it has (U+00A0).
        {{"--ngrams", "2", "-e", "UTF-8"},
         {{"f.txt",
           "new \xE6\x97\xA5 york hot\xE3\x80\x80"
           "dog\xC2\xA0pie \xE2\x80\xA8 x"}},
         "dog pie\nhot dog\nyork hot\n"},
        {{"--ngrams", "2", "--unicode", "--upper"},
         {{"b.txt", "the cat sat"}},
         std::string("C\0A\0T\0 \0S\0A\0T\0\n\0T\0H\0E\0 \0C\0A\0T\0\n\0", 32)},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string output = (dir.path() / "list.txt").string();
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-q", "-o", output});
        for (const auto& [name, text] : c.files)
            args.push_back(dir.Write(name, text));
        Outcome run = RunCli(dir, args);
        SCOPED_TRACE(::testing::PrintToString(c.options));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(TempDir::Read(output), c.expected);
    }
}

// Files as Linux users have them: UTF-8 by default, other encodings by name; lists
// written back as UTF-8 or UTF-16 from the alphabet's code page.
TEST(CliTest, ReadsAndWritesTheEncodingsOfLinuxText) {
    const std::string germanUtf8 =
        "Das M\xC3\xA4"
        "dchen, das M\xC3\xA4"
        "dchen \xC3\xBC"
        "ber";
    const std::string russianUtf8 = "\xD0\x9C\xD0\xB8\xD1\x80 \xD0\xBC\xD0\xB8\xD1\x80";
    // "мир" in KOI8-R, twice, the first capitalised.
    const std::string russianKoi8 = "\xED\xC9\xD2 \xCD\xC9\xD2";
    struct Case {
        const char* what;
        std::string input;
        std::vector<std::string> options;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"German UTF-8, code page out",
         germanUtf8,
         {"-l", "german"},
         "das\nm\xE4"
         "dchen\n\xFC"
         "ber\n"},
        {"German UTF-8, UTF-8 out with counts",
         germanUtf8,
         {"-l", "german", "--utf8", "--frequency"},
         "das,2\nm\xC3\xA4"
         "dchen,2\n\xC3\xBC"
         "ber,1\n"},
        {"Russian UTF-8, UTF-8 out, UPPER CASE",
         russianUtf8,
         {"-l", "russian", "--utf8", "--upper"},
         "\xD0\x9C\xD0\x98\xD0\xA0\n"},
        {"Russian UTF-8, UTF-16 out",
         russianUtf8,
         {"-l", "russian", "--unicode", "--frequency"},
         std::string("\x3C\x04\x38\x04\x40\x04,\0002\0\n\0", 12)},
        {"KOI8-R by name",
         russianKoi8,
         {"-l", "russian", "-e", "KOI8-R", "--utf8"},
         "\xD0\xBC\xD0\xB8\xD1\x80\n"},
        {"UTF-8 read as the code page",
         germanUtf8,
         {"-l", "german", "-e", "codepage"},
         "ber\ndas\ndchen\nm\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string input = dir.Write("in.txt", c.input);
        const std::string output = (dir.path() / "list.txt").string();
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-q", "-o", output, input});
        Outcome run = RunCli(dir, args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(TempDir::Read(output), c.expected);
    }
}

// Lists counted on several machines combine into one, counts added; a stop list takes
// its words out, in the order of the filters.
TEST(CliTest, MergesListsAndRemovesTheWordsOfAStopList) {
    TempDir dir;
    const std::string first = dir.Write("a.txt", "the,12\nand,7\nzebra,1\n");
    const std::string second = dir.Write("b.txt", "the,3\r\nyak,2\r\n");
    const std::string document = dir.Write("doc.txt", "The yak and the zebra.");
    const std::string stop = dir.Write("stop.txt", "the\nand\n");
    const std::string output = (dir.path() / "list.txt").string();

    Outcome run =
        RunCli(dir, {"-q", "--frequency", "-m", first, "--merge", second, "-o", output, document});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(TempDir::Read(output), "the,17\nand,8\nyak,3\nzebra,2\n");

    run = RunCli(dir,
                 {"-q", "-m", first, "--remove-rare", "2", "--remove-listed", stop, "-o", output});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(TempDir::Read(output), "");

    run = RunCli(dir, {"-q", "-m", first, "--remove-listed", stop, "-o", output});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(TempDir::Read(output), "zebra\n");
}

TEST(CliTest, ARefusedListFailsAndWritesNothing) {
    TempDir dir;
    const std::string bad = dir.Write("bad.txt", "good,2\nword,x\n");
    const std::string good = dir.Write("good.txt", "fine\n");
    const std::string output = dir.Write("list.txt", "yesterday\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-m", bad, "-o", output},
          std::vector<std::string>{"-m", good, "--remove-listed", bad, "-o", output}}) {
        Outcome run = RunCli(dir, args);
        EXPECT_EQ(run.status, 1);
        EXPECT_THAT(run.err, HasSubstr(bad + " was not merged: line 2: the count is not a number"));
        EXPECT_EQ(TempDir::Read(output), "yesterday\n");
    }
}

TEST(CliTest, AppendAddsToTheFileAndPlainOutputReplacesIt) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "beta alpha");
    const std::string output = dir.Write("list.txt", "old\n");
    ASSERT_EQ(RunCli(dir, {"-q", "--append", "-o", output, input}).status, 0);
    ASSERT_EQ(RunCli(dir, {"-q", "--append", "-o", output, input}).status, 0);
    EXPECT_EQ(TempDir::Read(output), "old\nalpha\nbeta\nalpha\nbeta\n");
    ASSERT_EQ(RunCli(dir, {"-q", "-o", output, input}).status, 0);
    EXPECT_EQ(TempDir::Read(output), "alpha\nbeta\n");
}

TEST(CliTest, DashWritesTheListToStandardOutputBeforeTheReport) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "abc abc abc abc abc ab ab");
    Outcome run = RunCli(dir, {"--statistics", "-o", "-", "--quiet", input});
    ASSERT_EQ(run.status, 0) << run.err;

    LibraryRun library({input}, kEnglishLatin, false);
    std::optional<std::string> report = BuildStatisticsReport(library.workspace.Store);
    ASSERT_TRUE(report);
    EXPECT_EQ(run.out, "ab\nabc\n" + *report);
    EXPECT_THAT(run.out, HasSubstr("2 words, 2 min length, 3 max length, 2.50 average length\r\n"));
    EXPECT_EQ(run.err, "");
}

// German UTF-8 of more than two chunks, its two-byte letters falling on every offset
// of a chunk or a pipe write in turn.
std::string LongGermanText() {
    std::string text;
    for (int i = 0; text.size() < 600'000; ++i) {
        text +=
            "M\xC3\xA4"
            "dchen \xC3\xBC"
            "ber Stra\xC3\x9F"
            "e w";
        text += std::to_string(i % 1009);
        text += std::string(static_cast<std::size_t>(i % 3), 'x');
        text += i % 7 == 0 ? "\n" : " ";
    }
    return text;
}

// "-" read through a pipe, in pieces of any size, or redirected from a file gives the
// list the same bytes read as a named file give.
TEST(CliTest, StandardInputGivesWhatTheSameFileGives) {
    TempDir dir;
    const std::string text = LongGermanText();
    const std::string input = dir.Write("in.txt", text);
    const std::vector<std::string> options = {"-q", "-l", "german", "--utf8", "--frequency"};
    const auto run = [&](const std::vector<std::string>& files, StandardInput in) {
        const std::string output = (dir.path() / "list.txt").string();
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-o", output});
        args.insert(args.end(), files.begin(), files.end());
        Outcome outcome = Child(dir, args, std::nullopt, std::move(in)).Wait();
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
        return TempDir::Read(output);
    };
    const std::string fromFile = run({input}, {});
    ASSERT_THAT(fromFile, HasSubstr("m\xC3\xA4"
                                    "dchen,"));

    struct Case {
        const char* what;
        StandardInput in;
    };
    const std::vector<Case> cases = {
        {"pipe, odd pieces", {"", text, 4093}},
        {"pipe, one chunk at a time", {"", text, 262'144}},
        {"pipe, one piece", {"", text, text.size()}},
        {"a regular file", {input, std::nullopt}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(run({"-"}, c.in), fromFile);
    }
    // Byte by byte, on a text short enough to be written so.
    const std::string shortText = text.substr(0, 3000);
    const std::string shortInput = dir.Write("short.txt", shortText);
    EXPECT_EQ(run({"-"}, {"", shortText, 1}), run({shortInput}, {}));
}

// Standard input is one more file at its place among the others: its words count with
// theirs, and never join a word of the file read next to it.
TEST(CliTest, DashIsStandardInputAmongTheFiles) {
    TempDir dir;
    const std::string first = dir.Write("a.txt", "alpha beta ab");
    const std::string last = dir.Write("b.txt", "gamma");
    Outcome run = Child(dir, {"--frequency", "-o", "-", first, "-", last}, std::nullopt,
                        StandardInput{"", std::string("cd beta gamma"), 1})
                      .Wait();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "beta,2\ngamma,2\nab,1\nalpha,1\ncd,1\n");
    // 13 + 13 + 5 bytes, the pipe's included.
    EXPECT_THAT(run.err, HasSubstr("1 Kb processed\n7 total qualified words\n5 words added"));

    // An empty standard input adds nothing and is no failure.
    run = RunCli(dir, {"-q", "-o", "-", "-", last});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "gamma\n");

    // After "--" a "-" still reads standard input: a file of that name is "./-".
    run = Child(dir, {"-q", "-o", "-", "--", "-"}, std::nullopt,
                StandardInput{"", std::string("delta"), 4096})
              .Wait();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "delta\n");
}

// The files are read in the order the command line gives them: the messages about
// them come in that order too, and the files each scan found come after them.
TEST(CliTest, FilesAreReadInTheOrderGiven) {
    TempDir dir;
    const std::string words = dir.Write("words.txt", "alpha");
    dir.Write("tree/inner.txt", "beta");
    const std::string tree = (dir.path() / "tree").string();
    std::filesystem::create_directories(dir.path() / "first");
    std::filesystem::create_directories(dir.path() / "second");
    const std::string first = (dir.path() / "first").string();
    const std::string second = (dir.path() / "second").string();

    Outcome run = RunCli(dir, {"-o", "-", first, words, "--scan", tree, second});
    // The folders given as files fail the run, which then writes no list.
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr("2 words added"));
    const std::size_t atFirst = run.err.find(first + '\n');
    const std::size_t atSecond = run.err.find(second + '\n');
    ASSERT_NE(atFirst, std::string::npos) << run.err;
    ASSERT_NE(atSecond, std::string::npos) << run.err;
    EXPECT_LT(atFirst, atSecond);
}

// A pipe named by its path is read to its end as "-" is: /dev/stdin, a shell's
// process substitution (/dev/fd/N) or a FIFO.
TEST(CliTest, PipesNamedByTheirPathsAreReadToTheirEnd) {
    TempDir dir;
    const std::string file = dir.Write("a.txt", "alpha");
    Outcome run = Child(dir, {"-q", "-o", "-", file, "/dev/stdin"}, std::nullopt,
                        StandardInput{"", std::string("piped words"), 3})
                      .Wait();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "alpha\npiped\nwords\n");

    // A FIFO's reader waits for the writer, who may come after it.
    const std::string fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Child child(dir, {"--frequency", "-o", "-", fifo, file});
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const std::string text = "fifo fifo words";
    EXPECT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(writer);
    run = child.Wait();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "fifo,2\nalpha,1\nwords,1\n");
    EXPECT_THAT(run.err, HasSubstr("4 total qualified words\n3 words added"));
}

// The same files and options give the same bytes as the core run in-process and
// written by its writer: languages, short words, several files, filters, formats.
TEST(CliTest, OutputEqualsTheLibrarysForTheSameInputs) {
    TempDir dir;
    // Windows-1251: "Мир мир ДОМ" and a German text in Windows-1252 with umlauts.
    const std::string russian = dir.Write("ru.txt", "\xCC\xE8\xF0 \xEC\xE8\xF0 \xC4\xCE\xCC ab");
    const std::string german =
        dir.Write("de.txt", "\xC4pfel \xFC\x62\x65r \xE4PFEL Stra\xDF\x65 a");
    std::string longer;
    for (int i = 0; i < 4000; ++i) {
        longer += 'w';
        longer += std::to_string(i % 97);
        longer += "x word";
        longer += static_cast<char>('a' + i % 26);
        longer += ' ';
    }
    const std::string mixed = dir.Write("mixed.txt", longer + ThreeWordText());

    struct Case {
        std::vector<std::string> options;
        std::vector<std::string> files;
        std::int32_t language;
        bool skipShort;
        std::vector<std::pair<FilterMode, std::int32_t>> filters;
        WriterOptions writer;
        bool frequency;
    };
    WriterOptions upperCrlf;
    upperCrlf.CaseMode = 1;
    upperCrlf.Delimiter = Delimiter::CRLF;
    WriterOptions unicodeSpace;
    unicodeSpace.UnicodeOutput = 1;
    unicodeSpace.Delimiter = Delimiter::Space;
    WriterOptions russianUpper;
    russianUpper.CaseMode = 1;
    russianUpper.ListCodePage = CodePage::Windows1251;
    WriterOptions germanUpper;
    germanUpper.CaseMode = 1;
    germanUpper.ListCodePage = CodePage::Windows1252;
    const std::vector<Case> cases = {
        {{}, {mixed, german}, kEnglishLatin, false, {}, {}, false},
        {{"-s", "--upper", "--delimiter", "crlf"},
         {mixed},
         kEnglishLatin,
         true,
         {},
         upperCrlf,
         false},
        {{"--frequency", "--unicode", "--delimiter", "space", "--remove-rare", "3"},
         {mixed, german},
         kEnglishLatin,
         false,
         {{FilterMode::Rare, 3}},
         unicodeSpace,
         true},
        {{"-l", "russian", "--upper"}, {russian, mixed}, kRussian, false, {}, russianUpper, false},
        {{"--language", "german", "--upper", "--frequency"},
         {german},
         kGerman,
         false,
         {},
         germanUpper,
         true},
        {{"--remove-long", "4", "--remove-short", "2"},
         {mixed},
         kEnglishLatin,
         false,
         {{FilterMode::Long, 4}, {FilterMode::Short, 2}},
         {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        const std::string output = (dir.path() / "cli.out").string();
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-q", "-o", output});
        args.insert(args.end(), c.files.begin(), c.files.end());
        Outcome run = RunCli(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;

        LibraryRun library(c.files, c.language, c.skipShort, c.filters);
        ASSERT_GT(library.workspace.Store.Count(), 0);
        EXPECT_EQ(TempDir::Read(output), library.Write(dir, c.writer, c.frequency));
    }
}

// The report is the Info window's text: the core's builder over the same store,
// which must have been filled in the same order (the most common word of a tie is the
// first met in the store's order).
TEST(CliTest, StatisticsEqualTheCoreReportForTheSameStore) {
    TempDir dir;
    const std::string first = dir.Write("1.txt", "tie tie zed alpha beta gamma gamma");
    const std::string second = dir.Write("2.txt", "tie gamma word words wordy x y z");
    Outcome run = RunCli(dir, {"--statistics", "-q", "--remove-rare", "2", first, second});
    ASSERT_EQ(run.status, 0) << run.err;

    LibraryRun library({first, second}, kEnglishLatin, false, {{FilterMode::Rare, 2}});
    std::optional<std::string> report = BuildStatisticsReport(library.workspace.Store);
    ASSERT_TRUE(report);
    EXPECT_EQ(run.out, *report);
    EXPECT_THAT(run.out, HasSubstr("2 words, 3 min length, 5 max length"));
}

// A terminal shows UTF-8: the report's words come in it, whatever the list's code page
// and the list's own encoding.
TEST(CliTest, StatisticsComeInUtf8) {
    TempDir dir;
    const std::string german = dir.Write("de.txt", "\xC4pfel \xE4pfel birnen");
    const std::string russian = dir.Write("ru.txt", "\xCC\xE8\xF0 \xEC\xE8\xF0 \xE4\xEE\xEC");
    const struct {
        std::vector<std::string> args;
        const char* word;
    } rows[] = {
        {{"-l", "german", german}, "Most common word: \xC3\xA4pfel (2 times)"},
        {{"-l", "german", "--utf8", "-o", "-", german}, "Most common word: \xC3\xA4pfel"},
        {{"-l", "russian", russian}, "Most common word: \xD0\xBC\xD0\xB8\xD1\x80 (2 times)"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"-q", "--statistics"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        Outcome run = RunCli(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_THAT(run.out, HasSubstr(row.word));
    }
}

// σ and ς share Σ, ı and i share I: as in the window, their lines name them.
TEST(CliTest, StatisticsTellLettersOfOneCapitalApart) {
    TempDir dir;
    const std::string greek = dir.Write("el.txt", testing::kSharedCapitalsText);
    Outcome run = RunCli(dir, {"-q", "--statistics", "-l", "unicode", greek});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, testing::kSharedCapitalsReport);
}

TEST(CliTest, StatisticsOfAnEmptyListSayWhyThereIsNone) {
    TempDir dir;
    const std::string empty = dir.Write("empty.txt", "");
    Outcome run = RunCli(dir, {"--statistics", "-q", empty});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(kNothingToAnalyseText));
}

TEST(CliTest, SummaryOnStandardErrorUnlessQuiet) {
    TempDir dir;
    // 1,025 bytes: a partial kilobyte counts as a whole one.
    const std::string input = dir.Write("in.txt", std::string(1021, ' ') + "a bb");
    Outcome loud = RunCli(dir, {input});
    EXPECT_EQ(loud.status, 0);
    EXPECT_THAT(loud.err, HasSubstr("2 Kb processed\n2 total qualified words\n2 words added\n"));
    EXPECT_THAT(loud.err, HasSubstr(" milliseconds spent\n1 file read\n"));
    EXPECT_THAT(loud.err, Not(HasSubstr("\r")));
    // Standard error is no terminal here: no progress line.
    EXPECT_EQ(loud.err.find("Scanning"), std::string::npos);
    EXPECT_EQ(loud.out, "");

    Outcome quiet = RunCli(dir, {"-q", input});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

// The filters are independent rules, so their order changes only what each reports;
// the order of the reports follows the command line.
TEST(CliTest, FiltersRunInCommandLineOrder) {
    TempDir dir;
    // "a" once, "bb", "ccc" and "dddd" twice each.
    const std::string input = dir.Write("in.txt", "a bb bb ccc ccc dddd dddd");
    struct Case {
        std::vector<std::string> filters;
        std::string reports;
        std::string list;
    };
    const std::vector<Case> cases = {
        {{"--remove-rare", "2", "--remove-short", "4"},
         "1 words removed\n2 words removed\n",
         "dddd\n"},
        {{"--remove-short", "4", "--remove-rare", "2"},
         "3 words removed\n0 words removed\n",
         "dddd\n"},
        {{"--remove-long", "2", "--remove-rare", "2"},
         "2 words removed\n1 words removed\n",
         "bb\n"},
        {{"--remove-rare", "2", "--remove-long", "2"},
         "1 words removed\n2 words removed\n",
         "bb\n"},
        {{"--remove-rare", "1", "--remove-long", "20", "--remove-short", "1"},
         "0 words removed\n0 words removed\n0 words removed\n",
         "a\nbb\nccc\ndddd\n"},
        // Everything removed: the next filter has an empty list in front of it.
        {{"--remove-rare", "10000", "--remove-long", "5"},
         "4 words removed\n" + std::string(kNothingToFilterText) + "\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.filters));
        std::vector<std::string> args = c.filters;
        args.insert(args.end(), {"-o", "-", input});
        Outcome run = RunCli(dir, args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, c.list);
        EXPECT_THAT(run.err, HasSubstr(" milliseconds spent\n1 file read\n" + c.reports));
    }
    // Under --quiet the reports are left out.
    EXPECT_EQ(RunCli(dir, {"-q", "--remove-rare", "2", input}).err, "");
}

TEST(CliTest, SkipShortDropsWordsOfThreeLettersOrFewer) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "a an the word words");
    EXPECT_EQ(RunCli(dir, {"-s", "-o", "-", "-q", input}).out, "word\nwords\n");
    EXPECT_EQ(RunCli(dir, {"-o", "-", "-q", input}).out, "a\nan\nthe\nword\nwords\n");
}

TEST(CliTest, ScanAddsTheFilesOfTheChosenTypes) {
    TempDir dir;
    dir.Write("tree/one.HTM", "alpha");
    dir.Write("tree/sub/two.txt", "beta");
    dir.Write("tree/sub/deeper/three.Txt", "gamma");
    dir.Write("tree/four.html", "delta");
    dir.Write("tree/readme", "epsilon");
    dir.Write("tree/five.md", "zeta");
    dir.Write("tree/archive.tar.gz", "eta");
    const std::string tree = (dir.path() / "tree").string();

    struct Case {
        std::vector<std::string> types;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{}, "alpha\nbeta\ndelta\ngamma\n"},
        {{"-t", "*"}, "alpha\nbeta\ndelta\nepsilon\neta\ngamma\nzeta\n"},
        {{"--types", "htm; .TXT"}, "alpha\nbeta\ngamma\n"},
        {{"--types=gz,MD"}, "eta\nzeta\n"},
        {{"-t", "*,txt"}, "beta\ngamma\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.types));
        std::vector<std::string> args = c.types;
        args.insert(args.end(), {"-q", "-o", "-", "--scan", tree});
        Outcome run = RunCli(dir, args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.expected);
    }

    // Files of the command line and of several scans end up in one list, and the
    // library reads the same list (files first, then each walk) to the same bytes.
    const std::string extra = dir.Write("extra.txt", "omega alpha");
    const std::string sub = (dir.path() / "tree" / "sub").string();
    const std::string output = (dir.path() / "cli.out").string();
    Outcome run = RunCli(dir, {extra, "-d", tree, "-q", "--frequency", "-d", sub + "/", "-o",
                               output, "--statistics"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> files{extra};
    FakeProgress walk;
    const std::vector<std::string> types = ParseScanTypes(kDefaultScanTypes);
    ScanDirectory(tree, types, files, walk);
    ScanDirectory(sub, types, files, walk);
    ASSERT_EQ(files.size(), 7u);
    LibraryRun library(files, kEnglishLatin, false);
    EXPECT_EQ(TempDir::Read(output), library.Write(dir, {}, true));
    EXPECT_EQ(run.out, BuildStatisticsReport(library.workspace.Store).value_or("none"));
}

TEST(CliTest, AMissingScanDirectoryFailsBeforeAnythingIsRead) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "word");
    const std::string output = (dir.path() / "out.txt").string();
    const std::string missing = (dir.path() / "nowhere").string();
    Outcome run = RunCli(dir, {input, "-d", missing, "-o", output});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("tarvolen-cli: Specified path does not exist! " + missing));
    EXPECT_THAT(run.err, Not(HasSubstr("Kb processed")));
    EXPECT_FALSE(Exists(output));
}

// -------------------------------------------------------------------------------------
// Failures: exit status 1.

// The other files are still read and summed up, but a list short of a file is no
// list to write: the old one stays.
TEST(CliTest, AFileThatCannotBeOpenedForReadingFailsAndWritesNothing) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "word");
    const std::string folder = (dir.path() / "folder").string();
    std::filesystem::create_directory(folder);
    const std::string output = dir.Write("out.txt", "yesterday\n");
    Outcome run = RunCli(dir, {input, folder, "-o", output});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("tarvolen-cli: Unable to open the file! " + folder + "\n"));
    EXPECT_THAT(run.err, HasSubstr("1 words added"));
    EXPECT_EQ(TempDir::Read(output), "yesterday\n");
}

// A path that cannot be opened at all abandons the run before reading, as in the
// GUI: nothing is read and nothing is written.
TEST(CliTest, AMissingFileAbandonsTheRunAndWritesNothing) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "word");
    const std::string missing = (dir.path() / "missing.txt").string();
    const std::string output = (dir.path() / "out.txt").string();
    Outcome run = RunCli(dir, {input, missing, "-o", output, "--statistics"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("tarvolen-cli: " + missing + ": "));
    EXPECT_THAT(run.err, Not(HasSubstr("Kb processed")));
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(Exists(output));
}

TEST(CliTest, AnOutputThatCannotBeCreatedFails) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "word");
    for (bool frequency : {false, true}) {
        const std::string output = (dir.path() / "no" / "such" / "out.txt").string();
        std::vector<std::string> args{"-q", "-o", output, input};
        if (frequency)
            args.push_back("--frequency");
        Outcome run = RunCli(dir, args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "tarvolen-cli: Unable to create output file " + output +
                               ": No such file or directory\n");
    }
}

TEST(CliTest, AFullDeviceFailsForFilesAndStandardOutput) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", ThreeWordText());
    for (const char* format : {"--upper", "--frequency"}) {
        Outcome toFile = RunCli(dir, {"-q", format, "-o", "/dev/full", input});
        EXPECT_EQ(toFile.status, 1);
        EXPECT_THAT(toFile.err, HasSubstr("Unable to write to the output file"));

        Outcome toStdout = Child(dir, {"-q", format, "-o", "-", input}, "/dev/full").Wait();
        EXPECT_EQ(toStdout.status, 1);
        EXPECT_THAT(toStdout.err, HasSubstr("tarvolen-cli: Unable to write to the output file"));
    }
    Outcome report = Child(dir, {"-q", "--statistics", input}, "/dev/full").Wait();
    EXPECT_EQ(report.status, 1);
    EXPECT_THAT(report.err, HasSubstr("Unable to write to the output file"));
}

// An empty list is written as an empty file (or nothing on standard output), status 0,
// whichever list it is: a run whose filters left nothing has that for its answer.
TEST(CliTest, AnEmptyListIsWrittenEmptyWhateverItsKind) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "a an the");
    const std::string output = (dir.path() / "out.txt").string();
    for (const char* kind : {"--quiet", "--frequency", "--range"}) {
        dir.Write("out.txt", "old");
        Outcome toFile = RunCli(dir, {"-q", "-s", kind, "-o", output, input});
        EXPECT_EQ(toFile.status, 0) << kind << toFile.err;
        EXPECT_EQ(TempDir::Read(output), "");

        Outcome toStdout = RunCli(dir, {"-q", "-s", kind, "-o", "-", input});
        EXPECT_EQ(toStdout.status, 0) << kind << toStdout.err;
        EXPECT_EQ(toStdout.out, "");
    }
}

// -------------------------------------------------------------------------------------
// Usage errors: exit status 2, a reason and the usage line, PATH untouched.

TEST(CliTest, UsageErrorsExitTwoAndLeaveTheOutputAlone) {
    struct Case {
        std::vector<std::string> args;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{"--colour"}, "unrecognized option '--colour'"},
        {{"-x"}, "invalid option -- 'x'"},
        {{"--language", "klingon"}, "unknown language 'klingon'"},
        {{"-lenglish_"}, "unknown language 'english_'"},
        {{"--delimiter", "tab"}, "unknown delimiter 'tab'"},
        {{"--remove-rare", "0"},
         "invalid value '0' for '--remove-rare': an integer from 1 to 10000 is needed"},
        {{"--remove-short", "10001"},
         "invalid value '10001' for '--remove-short': an integer from 1 to 10000 is needed"},
        {{"--remove-long", "abc"},
         "invalid value 'abc' for '--remove-long': an integer from 1 to 10000 is needed"},
        {{"--remove-rare", "5x"},
         "invalid value '5x' for '--remove-rare': an integer from 1 to 10000 is needed"},
        {{"--remove-rare", "-3"},
         "invalid value '-3' for '--remove-rare': an integer from 1 to 10000 is needed"},
        {{"--upper=yes"}, "option '--upper' doesn't allow an argument"},
        {{"--types", ""}, "option '--types': Empty type list!"},
        {{"--remove-long"}, "option '--remove-long' requires an argument"},
        {{"--encoding", "klingon"}, "unknown encoding 'klingon'"},
        {{"-e"}, "option '--encoding' requires an argument"},
        {{"--unicode", "--utf8"}, "options '--unicode' and '--utf8' exclude each other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        TempDir dir;
        const std::string input = dir.Write("in.txt", "word");
        const std::string output = dir.Write("out.txt", "pre-existing content\r\n");
        std::vector<std::string> args{"-o", output, input};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Outcome run = RunCli(dir, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_THAT(run.err, HasSubstr("tarvolen-cli: " + c.reason));
        EXPECT_THAT(run.err, HasSubstr("Usage: tarvolen-cli [OPTIONS] [FILE...]\n"));
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(TempDir::Read(output), "pre-existing content\r\n");
    }
}

// -------------------------------------------------------------------------------------
// Ctrl-C while reading: exit 130 and no output file.

TEST(CliTest, InterruptWhileReadingExits130AndWritesNothing) {
    TempDir dir;
    // A sparse file far larger than can be read before the signal arrives.
    const std::string big = (dir.path() / "big.txt").string();
    {
        const int fd = open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, "word ", 5, 0), 5);
        ASSERT_EQ(ftruncate(fd, off_t{64} << 30), 0);
        close(fd);
    }
    const std::string output = (dir.path() / "out.txt").string();
    // Its NULs would have it skipped as no text before the signal came.
    Child child(dir, {"--binary", "-o", output, big});
    ASSERT_GT(child.pid(), 0);
    // Once the file is open the handler is in place (it is set before the sizes are
    // taken); wait for the reading pass to have the file open.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!HasOpen(child.pid(), big) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(kill(child.pid(), SIGINT), 0);
    Outcome run = child.Wait();
    EXPECT_EQ(run.status, 130);
    EXPECT_FALSE(Exists(output));
    EXPECT_THAT(run.err, Not(HasSubstr("Kb processed")));
}

TEST(CliTest, FileNamesThatAreNoUtf8AreReadAndShownEscaped) {
    TempDir dir;
    const std::string input = dir.Write("caf\xE9.txt", "latin words");
    const std::string folder = (dir.path() / "bad\xFF.txt").string();
    std::filesystem::create_directory(folder);
    const std::string output = (dir.path() / "out.txt").string();
    Outcome run = RunCli(dir, {input, folder, "-o", output});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("tarvolen-cli: Unable to open the file! " + dir.path().string() +
                                   "/bad\\xFF.txt\n"));
    EXPECT_THAT(run.err, Not(HasSubstr("\xFF")));
    EXPECT_THAT(run.err, HasSubstr("2 words added"));
}

// With too little address space for the store's arena the program can only say so and
// end; for a script that is a failure like any other, not a success.
TEST(CliTest, NoMemoryForTheStoreEndsWithFailure) {
    if (testing::kSanitized)
        GTEST_SKIP() << "AddressSanitizer cannot start under an address-space limit";
    TempDir dir;
    const std::string input = dir.Write("in.txt", "some words");
    const std::string output = (dir.path() / "out.txt").string();
    const std::string errors = (dir.path() / "stderr").string();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Room for the program, not for either size of arena it asks for.
        const rlimit limit{64 << 20, 64 << 20};
        const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (setrlimit(RLIMIT_AS, &limit) != 0 || err < 0 || dup2(err, 2) < 0)
            _exit(99);
        execl(TARVOLEN_CLI_PATH, TARVOLEN_CLI_PATH, "-q", "-o", output.c_str(), input.c_str(),
              static_cast<char*>(nullptr));
        _exit(98);
    }
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_THAT(TempDir::Read(errors), HasSubstr("Unable to allocate memory buffer"));
    EXPECT_FALSE(Exists(output));
}

// --keywords: the list against a reference list, byte for byte, and every way the run
// can end without a keyword list, each leaving yesterday's output as it was.
TEST(CliTest, KeywordsAgainstAReferenceList) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += "Alpha ";
    for (int i = 0; i < 90; ++i)
        text += "rest ";
    const std::string document = dir.Write("doc.txt", text);
    const std::string reference = dir.Write("ref.txt", "alpha,1\nrest,90\nzulu,9\n");
    const std::string output = dir.Write("out.txt", "yesterday\n");

    Outcome run = RunCli(dir, {"-q", "--keywords", reference, "-o", output, document});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(TempDir::Read(output),
              "alpha,10,1,8.55,3.32\nrest,90,90,0.00,0.00\nzulu,0,9,-12.48,-4.17\n");
    run = RunCli(dir, {"-q", "--keywords=" + reference, "--min-keyness", "10.83", "--upper",
                       "--delimiter", "crlf", "-o", "-", document});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "ZULU,0,9,-12.48,-4.17\r\n");

    dir.Write("out.txt", "yesterday\n");
    const std::string empty = dir.Write("empty.txt", "");
    const std::string refused = dir.Write("refused.txt", "alpha,1\nrest,x\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } failures[] = {
        {{"--keywords", reference, "--frequency", document}, 2, "exclude each other"},
        {{"--min-keyness", "3.84", document}, 2, "'--min-keyness' needs '--keywords'"},
        {{"--keywords", reference, "--min-keyness", "-1", document}, 2, "a number of 0 or more"},
        {{"--keywords", reference, "--min-keyness", "nan", document}, 2, "a number of 0 or more"},
        {{"--keywords", reference, empty}, 1, "The project is empty"},
        {{"--keywords", empty, document}, 1, "The reference list " + empty + " holds no words"},
        {{"--keywords", refused, document}, 1, "line 2: the count is not a number"},
    };
    for (const auto& failure : failures) {
        std::vector<std::string> args{"-q", "-o", output};
        args.insert(args.end(), failure.args.begin(), failure.args.end());
        run = RunCli(dir, args);
        EXPECT_EQ(run.status, failure.status) << failure.message;
        EXPECT_THAT(run.err, HasSubstr(failure.message));
        EXPECT_EQ(TempDir::Read(output), "yesterday\n") << failure.message;
    }
}

// --range: a file and a pipe are a document each; --min-range filters in its place
// among the filters; saved range lists merge back with their ranges.
TEST(CliTest, RangeRecordsAndTheRangeFilter) {
    TempDir dir;
    const std::string first = dir.Write("a.txt", "x y y");
    const std::string second = dir.Write("b.txt", "Y z");
    StandardInput piped;
    piped.piped = "y x x";
    Outcome run =
        Child(dir, {"-q", "--range", "-o", "-", first, "-", second}, std::nullopt, std::move(piped))
            .Wait();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "y,4,3\nx,3,2\nz,1,1\n");

    run = RunCli(dir, {"-q", "--range", "--min-range", "2", "--delimiter", "crlf", "-o", "-", first,
                       second});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "y,3,2\r\n");

    const std::string saved = (dir.path() / "saved.txt").string();
    ASSERT_EQ(RunCli(dir, {"-q", "--range", "-o", saved, first, second}).status, 0);
    run = RunCli(dir, {"-q", "--range", "-o", "-", "-m", saved, "-m", saved});
    EXPECT_EQ(run.out, "y,6,4\nx,2,2\nz,2,2\n");

    for (const char* bad : {"0", "4294967296", "x", "-1"}) {
        run = RunCli(dir, {"--min-range", bad, first});
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_THAT(run.err, HasSubstr("an integer from 1 to 4294967295"));
    }
    run = RunCli(dir, {"--range", "--keywords", saved, first});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("'--keywords' and '--range' exclude each other"));
}

}  // namespace
}  // namespace tarvolen
