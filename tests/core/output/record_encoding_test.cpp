// Every writer of a list, in every output encoding and case, for lists of each kind of
// word text, against a model that converts with ICU's own converters and case mapping.
#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "core/analysis/keyness.h"
#include "core/analysis/keyword_list_writer.h"
#include "core/ingest/store_reports.h"
#include "core/output/word_list_writer.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

enum class ListFormat { Plain, Frequency, Range, Keywords };
enum class Output { EightBit, Utf8, Utf16 };

struct ListCase {
    CodePage codePage;
    const char* converter;  // ICU's name for the words' encoding
    std::vector<std::string> words;
};

// The longest entry of words in a row: eight words of twenty letters.
std::string LongestRow(const std::string& letter) {
    std::string row;
    for (int word = 0; word < 8; ++word) {
        if (word > 0)
            row += ' ';
        for (int i = 0; i < 20; ++i)
            row += letter;
    }
    return row;
}

// Letters with and without capitals in the code page, letters whose capital the code
// page lacks, and, for UTF-8, final sigma, dotless i, CJK and a letter beyond the BMP;
// and words in a row, joined by spaces.
const ListCase kLists[] = {
    {CodePage::Windows1252,
     "windows-1252",
     {"caf\xE9", "\xFF",
      "stra\xDF"
      "e",
      "\x9Cuvre", "\xB5m", "na\xEFve", "caf\xE9 na\xEFve \xFF", LongestRow("\xE9")}},
    {CodePage::Windows1251,
     "windows-1251",
     {"\xEC\xE8\xF0", "\xB8\xEB\xEA\xE0", "\xBF", "word", "\xEC\xE8\xF0 word", LongestRow("\xFF")}},
    {CodePage::Utf8,
     "UTF-8",
     {"caf\xC3\xA9", "\xC4\xB1s\xC4\xB1k", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82",
      "\xE5\xAD\xA6\xE7\x94\x9F", "\xF0\x90\x90\xA8",
      "stra\xC3\x9F"
      "e",
      "\xC4\xB1s\xC4\xB1k \xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82 \xE5\xAD\xA6",
      LongestRow("\xF0\x90\x90\xA8")}},
};

std::u16string ToUtf16(const std::string& bytes, const char* converter) {
    UErrorCode status = U_ZERO_ERROR;
    std::u16string text(bytes.size() * 2 + 2, u'\0');
    UConverter* from = ucnv_open(converter, &status);
    const int32_t length = ucnv_toUChars(from, text.data(), static_cast<int32_t>(text.size()),
                                         bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    ucnv_close(from);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Encodes text; an empty result when a character has no form in the encoding.
std::string FromUtf16(const std::u16string& text, const char* converter) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* to = ucnv_open(converter, &status);
    ucnv_setFromUCallBack(to, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::string bytes(text.size() * 4 + 4, '\0');
    const int32_t length = ucnv_fromUChars(to, bytes.data(), static_cast<int32_t>(bytes.size()),
                                           text.data(), static_cast<int32_t>(text.size()), &status);
    ucnv_close(to);
    if (U_FAILURE(status))
        return {};
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

// Each character's simple capital; in a code page, only where the code page has it.
std::u16string Upper(const std::u16string& text, const char* converter, bool codePage) {
    std::u16string upper;
    for (std::size_t i = 0; i < text.size();) {
        UChar32 c = 0;
        U16_NEXT(text.data(), i, text.size(), c);
        std::u16string capital;
        const UChar32 u = u_toupper(c);
        capital.resize(U16_LENGTH(u));
        std::size_t n = 0;
        U16_APPEND_UNSAFE(capital.data(), n, u);
        if (codePage && FromUtf16(capital, converter).empty()) {
            capital.clear();
            n = 0;
            capital.resize(U16_LENGTH(c));
            U16_APPEND_UNSAFE(capital.data(), n, c);
        }
        upper += capital;
    }
    return upper;
}

std::string Encoded(const std::u16string& text, Output output, const ListCase& list) {
    switch (output) {
        case Output::EightBit:
            return FromUtf16(text, list.converter);
        case Output::Utf8:
            return FromUtf16(text, "UTF-8");
        case Output::Utf16:
            return FromUtf16(text, "UTF-16LE");
    }
    return {};
}

struct Entry {
    std::string word;
    std::uint32_t count;
    std::uint32_t range;
    std::uint32_t refCount;
};

// The model's record: the word converted, then fields and delimiter in ASCII.
std::string ModelRecord(const Entry& entry, ListFormat writer, Output output, bool upper,
                        const ListCase& list) {
    std::u16string text = ToUtf16(entry.word, list.converter);
    if (upper)
        text = Upper(text, list.converter, list.codePage != CodePage::Utf8);
    std::string fields;
    switch (writer) {
        case ListFormat::Plain:
            break;
        case ListFormat::Frequency:
            fields = "," + std::to_string(entry.count);
            break;
        case ListFormat::Range:
            fields = "," + std::to_string(entry.count) + "," + std::to_string(entry.range);
            break;
        case ListFormat::Keywords:
            fields = "," + std::to_string(entry.count) + "," + std::to_string(entry.refCount) +
                     ",0.00,0.00";
            break;
    }
    const std::string ascii = fields + "\r\n";
    std::u16string tail(ascii.begin(), ascii.end());
    return Encoded(text + tail, output, list);
}

using Combination = std::tuple<ListFormat, Output, bool, int>;

class RecordEncodingTest : public ::testing::TestWithParam<Combination> {};

TEST_P(RecordEncodingTest, EveryRecordIsTheWordInTheOutputsEncodingAndCase) {
    const auto [writer, output, upper, listIndex] = GetParam();
    const ListCase& list = kLists[listIndex];

    testing::FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    std::vector<Entry> entries;
    // Counts all differ, so that the frequency order is the model's to see; the
    // range is the number of documents that held the word.
    for (std::size_t i = 0; i < list.words.size(); ++i) {
        const auto count = static_cast<std::uint32_t>(i + 1);
        entries.push_back({list.words[i], count, count, count * 3});
        for (std::uint32_t k = 0; k < count; ++k) {
            store.BeginDocument();
            store.AddWord(list.words[i].c_str());
        }
    }

    WriterOptions options;
    options.Delimiter = Delimiter::CRLF;
    options.CaseMode = upper ? 1 : 0;
    options.UnicodeOutput = output == Output::Utf16 ? 1 : 0;
    options.Utf8Output = output == Output::Utf8 ? 1 : 0;
    options.ListCodePage = list.codePage;
    const RecordFormat format(options);

    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    switch (writer) {
        case ListFormat::Plain:
            WriteWordRecords(stream, store, format);
            std::sort(entries.begin(), entries.end(),
                      [](const Entry& a, const Entry& b) { return WordOrder(a.word, b.word); });
            break;
        case ListFormat::Frequency:
            WriteFrequencyRecords(stream, store, format);
            break;
        case ListFormat::Range:
            WriteRangeRecords(stream, store, format);
            break;
        case ListFormat::Keywords: {
            std::vector<KeywordRow> rows;
            for (const Entry& entry : entries)
                rows.push_back({entry.word, entry.count, entry.refCount, {0.0, 0.0}, 0});
            WriteKeywordRecords(stream, rows, format);
            break;
        }
    }
    if (writer == ListFormat::Frequency || writer == ListFormat::Range)
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.count > b.count; });

    std::string expected;
    for (const Entry& entry : entries)
        expected += ModelRecord(entry, writer, output, upper, list);
    std::string written(expected.size() + 64, '\0');
    std::rewind(stream);
    written.resize(std::fread(written.data(), 1, written.size(), stream));
    std::fclose(stream);
    EXPECT_EQ(written, expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllWritersOutputsCasesAndLists, RecordEncodingTest,
    ::testing::Combine(::testing::Values(ListFormat::Plain, ListFormat::Frequency,
                                         ListFormat::Range, ListFormat::Keywords),
                       ::testing::Values(Output::EightBit, Output::Utf8, Output::Utf16),
                       ::testing::Bool(), ::testing::Range(0, 3)));

}  // namespace
}  // namespace tarvolen
