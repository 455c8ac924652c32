#include "mpi/share_count.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolen {
namespace {

// The processes that read parts of one file may each meet what the file says (it
// shrank, it cannot be opened): the run says it once, in the order of the files.
TEST(ShareReportCombine, SaysWhatEachFileSaidOnceInFileOrder) {
    const MessageIcon warning = MessageIcon::Warning;
    ShareReport first, second;
    first.messages = {{3, kUnableToReadText, warning}, {3, "other", warning}};
    second.messages = {{1, kUnableToOpenText, warning}, {3, kUnableToReadText, warning}};
    first.unreadable = {{2, "gone: No such file"}};
    second.unreadable = {{2, "gone: No such file"}, {0, "first: No such file"}};
    const ShareReport all = ShareReport::Combine({first, second});
    EXPECT_EQ(all.messages, (std::vector<FileMessage>{{1, kUnableToOpenText, warning},
                                                      {3, kUnableToReadText, warning},
                                                      {3, "other", warning}}));
    EXPECT_EQ(all.unreadable,
              (std::vector<FileNote>{{0, "first: No such file"}, {2, "gone: No such file"}}));
}

// Every field of a message comes back as it went, in both directions' one order.
TEST(ProcessMessages, ComeBackAsTheyWent) {
    CountJob job;
    job.files = {"a.txt", "", "c.html"};
    job.starts = {PartStart::Utf8, PartStart::None, PartStart::Undecided};
    job.shares = {{2, 10, 20, 3}, {0, -1, 1LL << 40, 1}};
    job.dealt = {1, 2};
    job.dealtInParts = 2;
    job.scanned = true;
    job.named = {"dir", "x"};
    job.listHeld = true;
    job.listCodePage = CodePage::Utf8;
    job.watched = true;
    const CountJob back = CountJob::Unpack(job.Pack());
    EXPECT_EQ(back.files, job.files);
    EXPECT_EQ(back.starts, job.starts);
    ASSERT_EQ(back.shares.size(), 2u);
    EXPECT_EQ(back.shares[1].file, 0u);
    EXPECT_EQ(back.shares[1].begin, -1);
    EXPECT_EQ(back.shares[1].end, 1LL << 40);
    EXPECT_EQ(back.shares[0].process, 3);
    EXPECT_EQ(back.dealt, job.dealt);
    EXPECT_EQ(back.dealtInParts, 2u);
    EXPECT_TRUE(back.scanned && back.listHeld && back.watched);
    EXPECT_EQ(back.named, job.named);
    EXPECT_EQ(back.listCodePage, CodePage::Utf8);

    ShareReport report;
    report.outcome = IngestOutcome::Abandoned;
    report.ending = ShareReport::Ending::OutOfMemory;
    report.bytesRead = 1LL << 33;
    report.qualifiedWords = 7;
    report.messages = {{4, "said", MessageIcon::Stop}};
    report.notText = {{1, "bin"}};
    report.unreadable = {{2, "gone"}, {3, ""}};
    const std::string packed = report.Pack();
    const ShareReport again = ShareReport::Unpack(packed);
    EXPECT_EQ(again.outcome, report.outcome);
    EXPECT_EQ(again.ending, report.ending);
    EXPECT_EQ(again.bytesRead, report.bytesRead);
    EXPECT_EQ(again.qualifiedWords, report.qualifiedWords);
    EXPECT_EQ(again.messages, report.messages);
    EXPECT_EQ(again.notText, report.notText);
    EXPECT_EQ(again.unreadable, report.unreadable);
    // A message cut short is this program's fault, never read past its end.
    EXPECT_THROW(ShareReport::Unpack(std::string_view(packed).substr(0, packed.size() - 1)),
                 std::logic_error);
}

}  // namespace
}  // namespace tarvolen
