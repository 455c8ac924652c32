#include "core/output/word_list_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>

#include "core/ingest/store_reports.h"
#include "core/output/my_exception.h"
#include "core/output/writer_fixture.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using namespace tarvolen::testing;

class WriterTest : public ::testing::Test {
  protected:
    WriterHooks Hooks() {
        return WriterHooks{messages, ticks, &busy, [this] {
                               ++savedCalls;
                               messagesWhenSaved = messages.shown.size();
                           }};
    }
    std::string Out(const std::string& name = "out.txt") const {
        return (dir.path() / name).string();
    }
    void AddThreeWords() {
        AddTimes(store, "the", 12);
        AddTimes(store, "and", 7);
        AddTimes(store, "zebra", 7);
    }

    FakeMessages messages;
    WordStore store{ReportingStoreOptions(messages, SmallStore())};
    SteppingTicks ticks;
    FakeBusy busy{messages};
    TempDir dir;
    int savedCalls = 0;
    std::size_t messagesWhenSaved = 0;
};

// The three-word store of the format's examples: the (12), and (7), zebra (7).
struct FormatRow {
    const char* why;
    Writer writer;
    std::int32_t delimiter;
    std::int32_t caseMode;
    std::int32_t unicode;
    std::int32_t language;
    bool onlyThe;  // a store holding only "the", 12 times
    std::string expected;
};

class WriterFormatTest : public WriterTest, public ::testing::WithParamInterface<FormatRow> {};

TEST_P(WriterFormatTest, WritesExactBytes) {
    const FormatRow& row = GetParam();
    if (row.onlyThe) {
        AddTimes(store, "the", 12);
    } else {
        AddThreeWords();
    }
    WriterOptions options{static_cast<Delimiter>(row.delimiter), row.caseMode, row.unicode, 0,
                          CodePageOf(row.language)};
    EXPECT_EQ(RunWriter(row.writer, store, options, Out(), Hooks()), WriteOutcome::Written);
    EXPECT_EQ(TempDir::Read(Out()), row.expected) << row.why;
    EXPECT_EQ(savedCalls, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, WriterFormatTest,
    ::testing::Values(
        FormatRow{"LF, lower case, 8-bit", Writer::List, 0, 0, 0, 0, false, "and\nthe\nzebra\n"},
        FormatRow{"CRLF, UPPER CASE", Writer::List, 1, 1, 0, 0, false, "AND\r\nTHE\r\nZEBRA\r\n"},
        FormatRow{"Space, UTF-16, the last word too", Writer::List, 2, 0, 1, 0, false,
                  Wide("and the zebra ")},
        FormatRow{"unknown delimiter is LF", Writer::List, 7, 0, 0, 0, false, "and\nthe\nzebra\n"},
        FormatRow{"unknown case mode writes as stored", Writer::List, 0, 5, 0, 0, false,
                  "and\nthe\nzebra\n"},
        FormatRow{"with counts, CRLF: ties by word order", Writer::Frequency, 1, 0, 0, 0, false,
                  "the,12\r\nand,7\r\nzebra,7\r\n"},
        FormatRow{"with counts, LF, UTF-16", Writer::Frequency, 0, 0, 1, 0, true, Wide("the,12\n")},
        FormatRow{"with counts, UPPER CASE applies too", Writer::Frequency, 2, 1, 0, 0, false,
                  "THE,12 AND,7 ZEBRA,7 "},
        FormatRow{"with counts, UPPER CASE, UTF-16, CRLF", Writer::Frequency, 1, 1, 1, 4, true,
                  Wide("THE,12\r\n")}));

TEST_F(WriterTest, PrefixSortsFirstAndHighBytesAfterZ) {
    for (const char* word : {"andes", "zoo", "\xE9t\xE9", "and"})
        store.AddWord(word);
    WriteWordList(store, WriterOptions{}, Out(), Hooks());
    EXPECT_EQ(TempDir::Read(Out()), "and\nandes\nzoo\n\xE9t\xE9\n");
}

TEST_F(WriterTest, WordsSharingLongBeginningsSortByTheirWholeText) {
    // Past the eighth byte the order is decided by the rest of the text.
    for (const char* word :
         {"abcdefghz", "abcdefgh\xE9", "abcdefghij", "abcdefgh", "abcdefg", "abcdefghi"}) {
        AddTimes(store, word, 2);
    }
    AddTimes(store, "abcdefghzz", 3);
    WriteWordList(store, WriterOptions{Delimiter::Space, 0, 0, 0}, Out(), Hooks());
    EXPECT_EQ(TempDir::Read(Out()),
              "abcdefg abcdefgh abcdefghi abcdefghij abcdefghz abcdefghzz abcdefgh\xE9 ");
    WriteFrequencyList(store, WriterOptions{Delimiter::Space, 0, 0, 0}, Out(), Hooks());
    EXPECT_EQ(TempDir::Read(Out()),
              "abcdefghzz,3 abcdefg,2 abcdefgh,2 abcdefghi,2 abcdefghij,2 abcdefghz,2 "
              "abcdefgh\xE9,2 ");
}

// The sorts settle most pairs from their 12 leading bytes and counts alone; whatever
// they settle must agree with the store's own orders.
TEST_F(WriterTest, SortsAgreeWithTheStoreOrders) {
    std::mt19937 random(11);
    std::vector<std::pair<std::string, std::uint32_t>> held;
    const std::string stems[] = {"",           "abcdefgh",    "abcdefg",
                                 "abcdefghij", "abcdefghijk", "\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9"};
    for (int i = 0; i < 900; ++i) {
        std::string word = stems[random() % std::size(stems)];
        const std::size_t extra = 1 + random() % 6;
        for (std::size_t k = 0; k < extra; ++k)
            word += static_cast<char>("ab\xE9z"[random() % 4]);
        if (std::any_of(held.begin(), held.end(), [&](const auto& h) { return h.first == word; }))
            continue;
        const std::uint32_t count = 1 + random() % 3;  // many ties
        AddTimes(store, word.c_str(), static_cast<int>(count));
        held.emplace_back(word, count);
    }

    std::vector<std::pair<std::string, std::uint32_t>> byFrequency = held;
    std::sort(byFrequency.begin(), byFrequency.end(), [](const auto& x, const auto& y) {
        return FrequencyOrder(x.second, x.first, y.second, y.first);
    });
    const std::vector<ListEntry> entries = SortedEntries(store, ListKind::Frequency);
    ASSERT_EQ(entries.size(), byFrequency.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].word, byFrequency[i].first) << i;
        EXPECT_EQ(entries[i].count, byFrequency[i].second) << i;
    }

    std::vector<std::string> byWord;
    for (const auto& h : held)
        byWord.push_back(h.first);
    std::sort(byWord.begin(), byWord.end(),
              [](const std::string& x, const std::string& y) { return WordOrder(x, y); });
    std::vector<std::string> words;
    for (const ListEntry& entry : SortedEntries(store, ListKind::Words))
        words.emplace_back(entry.word);
    EXPECT_EQ(words, byWord);
}

struct HighByteRow {
    const char* why;
    std::int32_t language;
    std::int32_t caseMode;
    std::int32_t unicode;
    std::string expected;
};

class HighByteTest : public WriterTest, public ::testing::WithParamInterface<HighByteRow> {};

TEST_P(HighByteTest, WordWithE0) {
    const HighByteRow& row = GetParam();
    store.AddWord("\xE0z\xFF\xB8");
    // unicode: 1 UTF-16, 2 UTF-8.
    WriterOptions options{
        Delimiter::LF,   row.caseMode, row.unicode == 1, 0, CodePageOf(row.language),
        row.unicode == 2};
    WriteWordList(store, options, Out(), Hooks());
    EXPECT_EQ(TempDir::Read(Out()), row.expected) << row.why;
}

INSTANTIATE_TEST_SUITE_P(
    Languages, HighByteTest,
    ::testing::Values(
        HighByteRow{"English, lower, UTF-16: no code-page conversion", kEnglishLatin, 0, 1,
                    std::string("\xE0\0z\0\xFF\0\xB8\0\n\0", 10)},
        // а z я ё: real Cyrillic, not the code page's bytes widened.
        HighByteRow{"Russian, lower, UTF-16: the characters of Windows-1251", kRussian, 0, 1,
                    std::string("\x30\x04z\0\x4F\x04\x51\x04\n\0", 10)},
        HighByteRow{"English, UPPER, 8-bit: 1252 partners", kEnglishLatin, 1, 0, "\xC0Z\x9F\xB8\n"},
        HighByteRow{"Russian, UPPER, 8-bit: 1251 partners", kRussian, 1, 0, "\xC0Z\xDF\xA8\n"},
        // The capital of ÿ is Ÿ, 0x9F in Windows-1252 and U+0178 in UTF-16.
        HighByteRow{"English, UPPER, UTF-16", kEnglishLatin, 1, 1,
                    std::string("\xC0\0Z\0\x78\x01\xB8\0\n\0", 10)},
        HighByteRow{"Russian, UPPER, UTF-16", kRussian, 1, 1,
                    std::string("\x10\x04Z\0\x2F\x04\x01\x04\n\0", 10)},
        HighByteRow{"English, lower, UTF-8", kEnglishLatin, 0, 2, "\xC3\xA0z\xC3\xBF\xC2\xB8\n"},
        HighByteRow{"Russian, UPPER, UTF-8", kRussian, 1, 2, "\xD0\x90Z\xD0\xAF\xD0\x81\n"}));

TEST_F(WriterTest, TwentyByteWordInUtf16) {
    const std::string word = "abcdefghijklmnopqrst";
    ASSERT_EQ(word.size(), 20u);
    store.AddWord(word.c_str());
    WriteWordList(store, WriterOptions{Delimiter::CRLF, 0, 1, 0}, Out(), Hooks());
    const std::string bytes = TempDir::Read(Out());
    EXPECT_EQ(bytes.size(), 44u);
    EXPECT_EQ(bytes, Wide(word + "\r\n"));
}

TEST(WriteWord, WordLongerThanAnyTheTokenizerMakesIsWrittenWhole) {
    // The record is encoded in a small local buffer; a long word must pass through it
    // in pieces without losing or overrunning anything.
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    std::string word(300, 'q');
    word[0] = '\xE0';
    word.back() = 'r';
    WriteWord(stream, word,
              RecordFormat(WriterOptions{Delimiter::CRLF, 1, 1, 0, CodePage::Windows1251}));
    WriteFrequencyRecord(stream, word, 4'294'967'295u, RecordFormat(WriterOptions{}));
    std::string bytes(2000, '\0');
    std::rewind(stream);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), stream));
    std::fclose(stream);
    // UTF-16 of the Windows-1251 capital A (U+0410), then capitals widened.
    std::string upper = std::string("\x10\x04", 2) + Wide(std::string(298, 'Q') + "R\r\n");
    EXPECT_EQ(bytes, upper + word + ",4294967295\n");
}

class AppendTest : public WriterTest, public ::testing::WithParamInterface<Writer> {};

TEST_P(AppendTest, TwiceWritesTheWholeListTwice) {
    AddThreeWords();
    const WriterOptions append{Delimiter::LF, 0, 0, 1};
    RunWriter(GetParam(), store, append, Out(), Hooks());
    const std::string once = TempDir::Read(Out());
    ASSERT_FALSE(once.empty());
    RunWriter(GetParam(), store, append, Out(), Hooks());
    EXPECT_EQ(TempDir::Read(Out()), once + once);
    EXPECT_EQ(savedCalls, 2);
}

TEST_P(AppendTest, Utf16FollowsTheLastByteWithoutBom) {
    AddTimes(store, "the", 12);
    dir.Write("out.txt", "old\n");
    RunWriter(GetParam(), store, WriterOptions{Delimiter::LF, 0, 1, 1}, Out(), Hooks());
    const std::string record = GetParam() == Writer::List ? "the\n" : "the,12\n";
    EXPECT_EQ(TempDir::Read(Out()), "old\n" + Wide(record));
}

TEST_P(AppendTest, CreatesAMissingFile) {
    AddTimes(store, "the", 1);
    EXPECT_EQ(RunWriter(GetParam(), store, WriterOptions{Delimiter::LF, 0, 0, 1}, Out(), Hooks()),
              WriteOutcome::Written);
    EXPECT_TRUE(std::filesystem::exists(Out()));
}

TEST_P(AppendTest, WithoutAppendAnOldFileIsReplaced) {
    AddTimes(store, "the", 1);
    dir.Write("out.txt", "a much longer old content\n");
    RunWriter(GetParam(), store, WriterOptions{}, Out(), Hooks());
    EXPECT_EQ(TempDir::Read(Out()), GetParam() == Writer::List ? "the\n" : "the,1\n");
}

// A progress line says "sorting" until the list is sorted, then "writing".
TEST_P(AppendTest, TheSortedHookRunsOnceBeforeTheRecordsAreWritten) {
    AddThreeWords();
    dir.Write("out.txt", "old\n");
    WriterHooks hooks = Hooks();
    std::vector<std::string> seen;
    hooks.sorted = [&] { seen.push_back(TempDir::Read(Out())); };
    RunWriter(GetParam(), store, WriterOptions{Delimiter::LF, 0, 0, 1}, Out(), hooks);
    EXPECT_EQ(seen, std::vector<std::string>{"old\n"});
    EXPECT_NE(TempDir::Read(Out()), "old\n");
}

INSTANTIATE_TEST_SUITE_P(BothWriters, AppendTest,
                         ::testing::Values(Writer::List, Writer::Frequency));

TEST_F(WriterTest, WordListReportsMillisecondsAfterTheListIsSaved) {
    AddThreeWords();
    SteppingTicks slow(1'250);
    WriterHooks hooks{messages, slow, &busy, [this] {
                          ++savedCalls;
                          messagesWhenSaved = messages.shown.size();
                      }};
    ASSERT_EQ(WriteWordList(store, WriterOptions{}, Out(), hooks), WriteOutcome::Written);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Done! 1,250 milliseconds taken\r\nWritten to " + Out());
    EXPECT_EQ(messagesWhenSaved, 0u) << "the list must count as saved before Done! shows";
    EXPECT_EQ(busy.begun, 1);
    EXPECT_EQ(busy.ended, 1);
    EXPECT_EQ(busy.messagesWhenEnded, 0u) << "no wait cursor over the message box";
}

TEST_F(WriterTest, FrequencyListSaysDone) {
    AddThreeWords();
    WriteFrequencyList(store, WriterOptions{}, Out(), Hooks());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Done!\r\nWritten to " + Out()});
    EXPECT_EQ(messagesWhenSaved, 0u);
    EXPECT_EQ(savedCalls, 1);
}

TEST_F(WriterTest, EmptyWordListTruncatesAndSaysDone) {
    dir.Write("out.txt", "old\n");
    EXPECT_EQ(WriteWordList(store, WriterOptions{}, Out(), Hooks()), WriteOutcome::Written);
    EXPECT_EQ(TempDir::Read(Out()), "");
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"Done! 0 milliseconds taken\r\nWritten to " + Out()});
    EXPECT_EQ(savedCalls, 1);
}

TEST_F(WriterTest, EmptyFrequencyListRefusesAndLeavesTheFileAlone) {
    dir.Write("out.txt", "old\n");
    EXPECT_EQ(WriteFrequencyList(store, WriterOptions{}, Out(), Hooks()), WriteOutcome::EmptyList);
    EXPECT_EQ(TempDir::Read(Out()), "old\n");
    EXPECT_FALSE(std::filesystem::exists(Out("new.txt")));
    EXPECT_EQ(WriteFrequencyList(store, WriterOptions{}, Out("new.txt"), Hooks()),
              WriteOutcome::EmptyList);
    EXPECT_FALSE(std::filesystem::exists(Out("new.txt")));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(2, kEmptyProjectText));
    EXPECT_EQ(savedCalls, 0);
}

class FailureTest : public WriterTest, public ::testing::WithParamInterface<Writer> {};

TEST_P(FailureTest, MissingDirectoryCannotBeCreated) {
    AddThreeWords();
    EXPECT_EQ(RunWriter(GetParam(), store, WriterOptions{}, Out("missing/out.txt"), Hooks()),
              WriteOutcome::CannotCreate);
    // The text as it always was, then the file and the system's reason.
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"Unable to create output file\r\n" + Out("missing/out.txt") +
                                       ": No such file or directory"});
    EXPECT_EQ(savedCalls, 0);
    EXPECT_EQ(busy.begun, busy.ended);
}

TEST_P(FailureTest, EmptyPathCannotBeCreated) {
    AddThreeWords();
    EXPECT_EQ(RunWriter(GetParam(), store, WriterOptions{}, "", Hooks()),
              WriteOutcome::CannotCreate);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Unable to create output file\r\n: No "
                                                         "such file or directory"});
}

// /dev/full accepts the open and refuses every write with ENOSPC: a small list fails
// when the stream is closed, a large one while its records are written.
TEST_P(FailureTest, FullDiskRaisesTheOutputError) {
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    for (int words : {3, 200'000}) {
        SCOPED_TRACE(words);
        store.Clear();
        for (int i = 0; i < words; ++i)
            store.AddWord(("word" + std::to_string(i)).c_str());
        try {
            RunWriter(GetParam(), store, WriterOptions{Delimiter::LF, 0, 1, 0}, "/dev/full",
                      Hooks());
            ADD_FAILURE() << "no output error";
        } catch (const CMyException& error) {
            EXPECT_EQ(error.GetMessage(), kOutputErrorText);
        }
        EXPECT_TRUE(messages.shown.empty()) << "a failed save must not say Done!";
        EXPECT_EQ(savedCalls, 0);
        EXPECT_EQ(busy.begun, busy.ended) << "the wait cursor goes on the way out";
    }
}

INSTANTIATE_TEST_SUITE_P(BothWriters, FailureTest,
                         ::testing::Values(Writer::List, Writer::Frequency));

TEST(WriteRecords, StandardStreamFormGivesTheFileBytes) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallStore()));
    AddTimes(store, "zebra", 2);
    AddTimes(store, "and", 3);
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    const RecordFormat format(WriterOptions{Delimiter::Space, 0, 0, 0});
    WriteWordRecords(stream, store, format);
    WriteFrequencyRecords(stream, store, format);
    std::string bytes(100, '\0');
    std::rewind(stream);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), stream));
    std::fclose(stream);
    EXPECT_EQ(bytes, "and zebra and,3 zebra,2 ");
}

}  // namespace
}  // namespace tarvolen
