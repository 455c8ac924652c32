#include "core/listfile/list_records.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tarvolen {
namespace {

// Word, count and range.
using Records = std::vector<std::tuple<std::string, std::uint32_t, std::uint32_t>>;

struct Outcome {
    Records records;
    bool accepted;
    std::string failure;
};

Outcome Read(const std::string& text, std::size_t chunk) {
    Outcome outcome;
    ListRecordReader reader([&](std::string_view word, std::uint32_t count, std::uint32_t range) {
        outcome.records.emplace_back(std::string(word), count, range);
    });
    bool going = true;
    for (std::size_t at = 0; at < text.size() && going; at += chunk)
        going = reader.Feed(std::string_view(text).substr(at, chunk));
    outcome.accepted = going && reader.Finish();
    outcome.failure = reader.FailureText();
    return outcome;
}

TEST(ListRecordReaderTest, ReadsEveryFormatTheWritersWrite) {
    struct Case {
        const char* what;
        std::string text;
        Records records;
    };
    const std::vector<Case> cases = {
        {"LF", "and\nthe\n", {{"and", 1, 1}, {"the", 1, 1}}},
        {"CRLF with counts", "THE,12\r\nAND,7\r\n", {{"THE", 12, 1}, {"AND", 7, 1}}},
        {"space", "the,12 and,7 ", {{"the", 12, 1}, {"and", 7, 1}}},
        {"tabs and runs of separators", "\t\ta \n\n b\r", {{"a", 1, 1}, {"b", 1, 1}}},
        {"ranges", "the,12,3\nand,7,7\n", {{"the", 12, 3}, {"and", 7, 7}}},
        {"a number is a word before a count", "9,3", {{"9", 3, 1}}},
        {"the longest record", std::string(1022, 'w') + ",1", {{std::string(1022, 'w'), 1, 1}}},
        {"the longest ranged record",
         std::string(1018, 'w') + ",99,9",
         {{std::string(1018, 'w'), 99, 9}}},
        {"largest count", "w,4294967295", {{"w", 4294967295u, 1}}},
        {"leading zeros", "w,007", {{"w", 7, 1}}},
        {"no final delimiter", "x,2", {{"x", 2, 1}}},
        {"empty", "", {}},
        {"words in a row keep their blanks",
         "the cat\nbig  red dog,7\r\n\tin a row,9,2\r",
         {{"the cat", 1, 1}, {"big  red dog", 7, 1}, {"in a row", 9, 2}}},
        {"eight words in a row", "a b c d e f g h,2\n", {{"a b c d e f g h", 2, 1}}},
        {"a line ending in a blank is delimited", "the cat \n", {{"the", 1, 1}, {"cat", 1, 1}}},
        {"a blank after a count",
         "the,12 and,7\nbig cat,2\n",
         {{"the", 12, 1}, {"and", 7, 1}, {"big cat", 2, 1}}},
        {"a line too long for one record is delimited",
         std::string(600, 'a') + " " + std::string(600, 'b') + "\n",
         {{std::string(600, 'a'), 1, 1}, {std::string(600, 'b'), 1, 1}}},
    };
    for (const Case& c : cases) {
        for (std::size_t chunk : {1, 2, 3, 5, 1000}) {
            SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunk));
            const Outcome outcome = Read(c.text, chunk);
            EXPECT_TRUE(outcome.accepted) << outcome.failure;
            EXPECT_EQ(outcome.records, c.records);
        }
    }
}

TEST(ListRecordReaderTest, RefusesACommaWithoutAValidCountAndSaysWhere) {
    struct Case {
        std::string text;
        const char* failure;
    };
    const std::vector<Case> cases = {
        {"good,1\nword,\n", "line 2: no count after the comma"},
        {"a\r\nb\r\nword,x\r\n", "line 3: the count is not a number"},
        {"word,0", "line 1: the count is 0"},
        {"word,4294967296", "line 1: the count is above 4,294,967,295"},
        {"word,99999999999999999999999", "line 1: the count is above 4,294,967,295"},
        {",5", "line 1: a count without a word"},
        {"a b c word,-1", "line 1: the count is not a number"},
        {"word,1x", "line 1: the count is not a number"},
        {"w,2,1\nword,5,x", "line 2: the range is not a number"},
        {"word,5,", "line 1: the range is not a number"},
        {"word,5,0", "line 1: the range is 0"},
        {"word,5,6", "line 1: the range is above the count"},
        {"word,5,99999999999999999999", "line 1: the range is above the count"},
        {"word,0,1", "line 1: the count is 0"},
        {",5,1", "line 1: a count without a word"},
        {"word,,3", "line 1: more than one comma"},
        {"x\na,b,3", "line 2: more than one comma"},
        {"a,1,2,1", "line 1: more than one comma"},
        {"a\rb\rword,x", "line 3: the count is not a number"},
        {"a\r\n\r\nword,0", "line 3: the count is 0"},
        {"a\n\rword,0", "line 3: the count is 0"},
        {"a\rb\rword,5,6", "line 3: the range is above the count"},
        {"a\n" + std::string(1023, 'b') + ",3", "line 2: the record is longer than 1,024 bytes"},
        {std::string(5000, 'b'), "line 1: the record is longer than 1,024 bytes"},
        {"a b c d e f g h i\n", "line 1: more than 8 words in one record"},
        {"x\r\na b c d e f g h i,3\n", "line 2: more than 8 words in one record"},
    };
    for (const Case& c : cases) {
        for (std::size_t chunk : {1, 4, 1000}) {
            SCOPED_TRACE(c.text.substr(0, 40) + ", chunks of " + std::to_string(chunk));
            const Outcome outcome = Read(c.text, chunk);
            EXPECT_FALSE(outcome.accepted);
            EXPECT_EQ(outcome.failure, c.failure);
        }
    }
}

// Chunking is invisible: random lists read whole and in random pieces agree.
TEST(ListRecordReaderTest, ChunkBoundariesAnywhere) {
    std::mt19937 rng(14);
    const std::string alphabet = "ab,1 \n\r\t9";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int trial = 0; trial < 300; ++trial) {
        std::string text;
        for (int i = 0; i < 60; ++i)
            text.push_back(alphabet[pick(rng)]);
        const Outcome whole = Read(text, text.size() + 1);
        for (std::size_t chunk : {1, 2, 7}) {
            const Outcome pieces = Read(text, chunk);
            EXPECT_EQ(pieces.accepted, whole.accepted) << text;
            EXPECT_EQ(pieces.failure, whole.failure) << text;
            if (whole.accepted) {
                EXPECT_EQ(pieces.records, whole.records) << text;
            }
        }
    }
}

}  // namespace
}  // namespace tarvolen
