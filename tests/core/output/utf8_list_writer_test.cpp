// The writers on a UTF-8 list: byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/ingest/store_reports.h"
#include "core/output/word_list_writer.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

// Words that sort differently by bytes than by any alphabet: ASCII, Latin-1, Greek
// (final sigma), CJK, and a letter beyond the Basic Multilingual Plane.
class Utf8ListWriter : public ::testing::Test {
  protected:
    Utf8ListWriter() {
        Add("z\xC3\x9F", 1);                                 // zß
        Add("\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82", 3);  // λόγος
        Add("\xE5\xAD\xA6\xE7\x94\x9F", 2);                  // 学生
        Add("\xF0\x90\x90\xA8", 2);                          // U+10428 DESERET SMALL LONG I
        Add("\xC3\xA9t\xC3\xA9", 1);                         // été
    }
    void Add(const char* word, int times) {
        for (int i = 0; i < times; ++i)
            store.AddWord(word);
    }
    std::string Written(Delimiter delimiter, int upper, int utf16, bool frequency) {
        WriterOptions options;
        options.Delimiter = delimiter;
        options.CaseMode = upper;
        options.UnicodeOutput = utf16;
        options.ListCodePage = CodePage::Utf8;
        std::FILE* stream = std::tmpfile();
        EXPECT_NE(stream, nullptr);
        const RecordFormat format(options);
        if (frequency)
            WriteFrequencyRecords(stream, store, format);
        else
            WriteWordRecords(stream, store, format);
        std::string bytes(1000, '\0');
        std::rewind(stream);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), stream));
        std::fclose(stream);
        return bytes;
    }

    testing::FakeMessages messages;
    WordStore store{ReportingStoreOptions(messages, testing::SmallStoreOptions())};
};

TEST_F(Utf8ListWriter, EightBitOutputIsTheWordsInByteOrder) {
    EXPECT_EQ(Written(Delimiter::LF, 0, 0, false),
              "z\xC3\x9F\n\xC3\xA9t\xC3\xA9\n\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82\n"
              "\xE5\xAD\xA6\xE7\x94\x9F\n\xF0\x90\x90\xA8\n");
    EXPECT_EQ(Written(Delimiter::Space, 0, 0, true),
              "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82,3 \xE5\xAD\xA6\xE7\x94\x9F,2 "
              "\xF0\x90\x90\xA8,2 z\xC3\x9F,1 \xC3\xA9t\xC3\xA9,1 ");
}

TEST_F(Utf8ListWriter, UpperCaseIsEachCharactersSimpleMapping) {
    // ß has no simple capital; final sigma becomes Σ; Deseret U+10428 becomes U+10400.
    EXPECT_EQ(Written(Delimiter::CRLF, 1, 0, false),
              "Z\xC3\x9F\r\n\xC3\x89T\xC3\x89\r\n\xCE\x9B\xCE\x8C\xCE\x93\xCE\x9F\xCE\xA3\r\n"
              "\xE5\xAD\xA6\xE7\x94\x9F\r\n\xF0\x90\x90\x80\r\n");
}

TEST_F(Utf8ListWriter, Utf16IsLittleEndianWithSurrogatePairs) {
    store.Clear();
    Add("\xF0\x90\x90\xA8", 1);
    Add("\xC3\xA9", 2);
    EXPECT_EQ(Written(Delimiter::CRLF, 0, 1, true), std::string("\xE9\x00,\x00"
                                                                "2\x00\r\x00\n\x00"
                                                                "\x01\xD8\x28\xDC,\x00"
                                                                "1\x00\r\x00\n\x00",
                                                                22));
    EXPECT_EQ(Written(Delimiter::LF, 1, 1, false),
              std::string("\xC9\x00\n\x00\x01\xD8\x00\xDC\n\x00", 10));
}

}  // namespace
}  // namespace tarvolen
