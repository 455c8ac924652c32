// The Word List window's table as text: the clipboard's and the exported files'.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cerrno>
#include <string>

#include "core/ingest/store_reports.h"
#include "core/output/my_exception.h"
#include "core/output/safe_output_file.h"
#include "core/store/word_store.h"
#include "core/wordtable/list_order.h"
#include "core/wordtable/list_snapshot.h"
#include "core/wordtable/list_table.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::TempDir;

// Takes bytes until its budget is spent, then reports a full disk.
class FullDiskSeam : public OutputSeam {
  public:
    explicit FullDiskSeam(std::size_t budget) : budget_(budget) {}
    std::size_t BufferSize() const override { return 16; }
    ssize_t Write(int fd, const void* bytes, std::size_t size) override {
        if (budget_ == 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t written = ::write(fd, bytes, std::min(size, budget_));
        budget_ -= static_cast<std::size_t>(std::max<ssize_t>(written, 0));
        return written;
    }

  private:
    std::size_t budget_;
};

class ListTableTest : public ::testing::Test {
  protected:
    ListTableTest() {
        // Two documents: "the" in both, the others in one.
        store.BeginDocument();
        store.AddWord("the");
        store.AddWord("the");
        store.AddWord("a,b");
        store.BeginDocument();
        store.AddWord("the");
        store.AddWord("say\"hi");
        store.AddWord("caf\xE9");  // Windows-1252: é
        snapshot.Take(store);
        rows = SortRows(snapshot, {ListSortKey::Rank, false}, CodePage::Windows1252).ToVector();
    }

    FakeMessages messages;
    WordStore store{ReportingStoreOptions(messages, testing::SmallStoreOptions())};
    ListSnapshot snapshot;
    std::vector<std::uint32_t> rows;
};

TEST_F(ListTableTest, TabSeparatedTextHasAHeaderAndPlainNumbers) {
    EXPECT_EQ(ListTableText(TableFormat::Tsv, snapshot, rows, CodePage::Windows1252),
              "Rank\tWord\tCount\t%\tPer million\tRange\tRange %\tLength\n"
              "1\tthe\t3\t50.00\t500000.0\t2\t100.00\t3\n"
              "2\ta,b\t1\t16.67\t166666.7\t1\t50.00\t3\n"
              "3\tcaf\xC3\xA9\t1\t16.67\t166666.7\t1\t50.00\t4\n"
              "4\t\"say\"\"hi\"\t1\t16.67\t166666.7\t1\t50.00\t6\n");
}

TEST_F(ListTableTest, CommaSeparatedValuesQuoteAsRfc4180Says) {
    // Only the rows asked for, in the order asked for.
    EXPECT_EQ(ListTableText(TableFormat::Csv, snapshot, {3, 1}, CodePage::Windows1252),
              "Rank,Word,Count,%,Per million,Range,Range %,Length\r\n"
              "4,\"say\"\"hi\",1,16.67,166666.7,1,50.00,6\r\n"
              "2,\"a,b\",1,16.67,166666.7,1,50.00,3\r\n");
}

TEST_F(ListTableTest, AComparisonAddsItsColumnsAndTheReferencesOwnWordsHaveNoRank) {
    WordStore reference{ReportingStoreOptions(messages, testing::SmallStoreOptions())};
    reference.AddOccurrences("the", 3, 9);
    reference.AddOccurrences("zed", 3, 3);
    snapshot.Take(store, &reference, true);
    // The list: 6 occurrences, the reference 12. "the": a=3, b=9; E1 = 6*12/18 = 4,
    // E2 = 8; G2 = 2(3 ln(3/4) + 9 ln(9/8)) = 0.3942, negative as 3/6 < 9/12;
    // Log Ratio = log2((3/6)/(9/12)) = -0.585. "zed": a=0 (0.5), b=3: E2 = 2,
    // G2 = -2*3 ln(3/2) = -2.433, Log Ratio = log2((0.5/6)/(3/12)) = -1.585.
    EXPECT_EQ(ListTableText(TableFormat::Csv, snapshot, {0, 4}, CodePage::Windows1252),
              "Rank,Word,Count,%,Per million,Range,Range %,Length,Ref. count,G2,Log Ratio\r\n"
              "1,the,3,50.00,500000.0,2,100.00,3,9,-0.39,-0.58\r\n"
              ",zed,0,0.00,0.0,0,0.00,3,3,-2.43,-1.58\r\n");
}

TEST_F(ListTableTest, AnExportWritesTheFileAndAFailedOneLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.Write("list.csv", "old contents");
    EXPECT_EQ(ExportListTable(path, TableFormat::Csv, snapshot, rows, CodePage::Windows1252),
              ExportOutcome::Written);
    EXPECT_EQ(TempDir::Read(path),
              ListTableText(TableFormat::Csv, snapshot, rows, CodePage::Windows1252));

    const std::string before = TempDir::Read(path);
    FullDiskSeam fullDisk(20);
    EXPECT_THROW(
        ExportListTable(path, TableFormat::Tsv, snapshot, rows, CodePage::Windows1252, &fullDisk),
        CMyException);
    EXPECT_EQ(TempDir::Read(path), before);

    int error = 0;
    EXPECT_EQ(ExportListTable((dir.path() / "missing" / "list.csv").string(), TableFormat::Csv,
                              snapshot, rows, CodePage::Windows1252, nullptr, &error),
              ExportOutcome::CannotCreate);
    EXPECT_EQ(error, ENOENT);
}

}  // namespace
}  // namespace tarvolen
