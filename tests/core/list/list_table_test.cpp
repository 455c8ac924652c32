// The Word List window's table as text: the clipboard's and the exported files'.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cerrno>
#include <string>

#include "core/collect/word_store.h"
#include "core/list/list_order.h"
#include "core/list/list_snapshot.h"
#include "core/list/list_table.h"
#include "core/output/my_exception.h"
#include "core/output/safe_output_file.h"
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
        for (int i = 0; i < 3; ++i)
            store.AddWord("the");
        store.AddWord("a,b");
        store.AddWord("say\"hi");
        store.AddWord("caf\xE9");  // Windows-1252: é
        snapshot.Take(store);
        rows = SortRows(snapshot, {ListSortKey::Rank, false}, CodePage::Windows1252).ToVector();
    }

    FakeMessages messages;
    WordStore store{messages, testing::SmallStoreOptions()};
    ListSnapshot snapshot;
    std::vector<std::uint32_t> rows;
};

TEST_F(ListTableTest, TabSeparatedTextHasAHeaderAndPlainNumbers) {
    EXPECT_EQ(ListTableText(TableFormat::Tsv, snapshot, rows, CodePage::Windows1252),
              "Rank\tWord\tCount\t%\tPer million\tLength\n"
              "1\tthe\t3\t50.00\t500000.0\t3\n"
              "2\ta,b\t1\t16.67\t166666.7\t3\n"
              "3\tcaf\xC3\xA9\t1\t16.67\t166666.7\t4\n"
              "4\t\"say\"\"hi\"\t1\t16.67\t166666.7\t6\n");
}

TEST_F(ListTableTest, CommaSeparatedValuesQuoteAsRfc4180Says) {
    // Only the rows asked for, in the order asked for.
    EXPECT_EQ(ListTableText(TableFormat::Csv, snapshot, {3, 1}, CodePage::Windows1252),
              "Rank,Word,Count,%,Per million,Length\r\n"
              "4,\"say\"\"hi\",1,16.67,166666.7,6\r\n"
              "2,\"a,b\",1,16.67,166666.7,3\r\n");
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

    EXPECT_EQ(ExportListTable((dir.path() / "missing" / "list.csv").string(), TableFormat::Csv,
                              snapshot, rows, CodePage::Windows1252),
              ExportOutcome::CannotCreate);
}

}  // namespace
}  // namespace tarvolen
