// UPPER CASE that makes two words one: one record, or none at all for the lists whose
// records cannot be joined.
#include "core/output/upper_case_join.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/analysis/keyword_list_writer.h"
#include "core/ingest/store_reports.h"
#include "core/output/my_exception.h"
#include "core/output/writer_fixture.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

class UpperCaseJoinTest : public ::testing::Test {
  protected:
    UpperCaseJoinTest() {
        // Turkish dotless i and the final sigma: their capitals are those of i and σ.
        for (const auto& [word, count] : std::vector<std::pair<std::string, std::uint32_t>>{
                 {"isik", 3},
                 {"\xC4\xB1s\xC4\xB1k", 2},
                 {"\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82", 1},
                 {"\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x83", 4},
                 {"zeta", 1}})
            store.AddOccurrences(word.c_str(), word.size(), count);
        options.CaseMode = 1;
        options.ListCodePage = CodePage::Utf8;
    }

    std::string Save(ListKind kind) {
        const testing::FakeMessages quiet;
        testing::FakeMessages messages;
        testing::SteppingTicks ticks;
        const WriterHooks hooks{messages, ticks, nullptr, {}};
        switch (kind) {
            case ListKind::Words:
                WriteWordList(store, options, path, hooks);
                break;
            case ListKind::Frequency:
                WriteFrequencyList(store, options, path, hooks);
                break;
            case ListKind::Range:
                WriteRangeList(store, options, path, hooks);
                break;
        }
        return TempDir::Read(path);
    }

    testing::FakeMessages storeMessages;
    WordStore store{ReportingStoreOptions(storeMessages, testing::SmallStore())};
    WriterOptions options;
    TempDir dir;
    std::string path = dir.Write("list.txt", "old\n");
};

TEST_F(UpperCaseJoinTest, WordsThatUpperCaseMakesOneAreOneRecordWithTheirCountsAdded) {
    const std::string sigma = "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3";  // ΟΔΟΣ
    EXPECT_EQ(Save(ListKind::Words), "ISIK\nZETA\n" + sigma + "\n");
    EXPECT_EQ(Save(ListKind::Frequency), sigma + ",5\nISIK,5\nZETA,1\n");
    // Standard output too, in any encoding.
    options.UnicodeOutput = 1;
    std::FILE* stream = std::tmpfile();
    WriteFrequencyRecords(stream, store, RecordFormat(options));
    std::rewind(stream);
    std::string bytes(64, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), stream));
    std::fclose(stream);
    EXPECT_EQ(bytes.substr(0, 10), std::string("\x9F\x03\x94\x03\x9F\x03\xA3\x03,\0", 10));
    EXPECT_EQ(bytes.size(), 2u * (sigma.size() / 2 + 3 + 7 + 7));
}

// A range of two words made one cannot be known from theirs: the list is refused, by
// the message naming the first two, and the file stays as it was.
TEST_F(UpperCaseJoinTest, AListOfRangesThatUpperCaseWouldJoinIsRefused) {
    try {
        Save(ListKind::Range);
        ADD_FAILURE() << "written";
    } catch (const CMyException& refusal) {
        EXPECT_EQ(refusal.GetMessage(),
                  "UPPER CASE would write \"isik\" and \"\xC4\xB1s\xC4\xB1k\" both as \"ISIK\", "
                  "and the range of the two together cannot be known: the list was not "
                  "written");
    }
    EXPECT_EQ(TempDir::Read(path), "old\n");
    // Lower case joins nothing.
    options.CaseMode = 0;
    EXPECT_NE(Save(ListKind::Range), "old\n");
}

}  // namespace
}  // namespace tarvolen
