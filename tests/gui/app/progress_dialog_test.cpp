// The progress window with real widgets: Cancel requests, the percentage label, and
// the owner's input while it is open.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "gui/app/progress_dialog.h"
#include "support/qt_widget_test.h"

namespace tarvolen {
namespace {

// Counts the writes of the percentage label.
class CountingProgressDialog : public CProgressDialog {
  public:
    int percentWrites = 0;

  protected:
    void WritePercentText(const QString& text) override {
        ++percentWrites;
        CProgressDialog::WritePercentText(text);
    }
};

class ProgressDialogTest : public testing::QtWidgetTest {
  protected:
    ProgressDialogTest() { owner.show(); }

    QWidget owner;
};

TEST_F(ProgressDialogTest, OpensWithItsTitleAndTemplateTexts) {
    CProgressDialog progress;
    ASSERT_TRUE(progress.Open(&owner));
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Working hard..."));
    EXPECT_EQ(progress.percentLabel()->text(), QStringLiteral(" 0 %"));
    EXPECT_EQ(testing::Shown(progress.cancelButton()->text()), QStringLiteral("Cancel"));
    EXPECT_EQ(progress.bar()->minimum(), 0);
    EXPECT_EQ(progress.bar()->maximum(), 100);
    EXPECT_EQ(progress.bar()->value(), 0);
}

TEST_F(ProgressDialogTest, OneCancelIsReportedOnce) {
    CProgressDialog progress;
    progress.Open(&owner);
    EXPECT_FALSE(progress.CancelRequested());

    QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(progress.CancelRequested());
    EXPECT_FALSE(progress.CancelRequested());
    EXPECT_TRUE(progress.isVisible()) << "only the operation closes the window";

    QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(progress.CancelRequested());
}

TEST_F(ProgressDialogTest, EscapeAndTheCloseBoxRequestCancel) {
    CProgressDialog progress;
    progress.Open(&owner);

    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_TRUE(progress.CancelRequested());

    EXPECT_FALSE(progress.close());
    EXPECT_TRUE(progress.isVisible());
    EXPECT_TRUE(progress.CancelRequested());
    EXPECT_FALSE(progress.CancelRequested());
}

TEST_F(ProgressDialogTest, EnterDoesNothing) {
    CProgressDialog progress;
    progress.Open(&owner);

    QTest::keyClick(&progress, Qt::Key_Return);
    QTest::keyClick(&progress, Qt::Key_Enter);
    progress.cancelButton()->setFocus();
    QTest::keyClick(progress.cancelButton(), Qt::Key_Return);

    EXPECT_TRUE(progress.isVisible());
    EXPECT_FALSE(progress.CancelRequested());
}

TEST_F(ProgressDialogTest, CancelPressedBetweenPollsArrivesThroughThePump) {
    CProgressDialog progress;
    progress.Open(&owner);
    // A click that is still queued when the operation polls.
    QMetaObject::invokeMethod(progress.cancelButton(), "click", Qt::QueuedConnection);
    EXPECT_TRUE(progress.CancelRequested());
}

TEST_F(ProgressDialogTest, PercentageOfThousandths) {
    struct Case {
        int position;
        const char* text;
    };
    const Case cases[] = {
        {0, "0%"}, {999, "99%"}, {1000, "100%"}, {1100, "10%"}, {370, "37%"}, {2000, "0%"},
    };
    CProgressDialog progress;
    progress.Open(&owner);
    progress.SetBounds(0, 1000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        progress.SetPosition(c.position);
        EXPECT_EQ(progress.percentLabel()->text(), QString::fromUtf8(c.text));
    }
}

TEST_F(ProgressDialogTest, SetPositionReturnsThePreviousPositionAndPinsTheBar) {
    CProgressDialog progress;
    progress.Open(&owner);
    progress.SetBounds(0, 1000);
    EXPECT_EQ(progress.SetPosition(250), 0);
    EXPECT_EQ(progress.SetPosition(1100), 250);
    EXPECT_EQ(progress.bar()->value(), 1000);
    EXPECT_EQ(progress.SetPosition(5), 1000);
}

TEST_F(ProgressDialogTest, ThePercentageIsWrittenOnlyWhenItChanges) {
    CountingProgressDialog progress;
    progress.Open(&owner);
    progress.SetBounds(0, 1000);

    progress.SetPosition(0);  // " 0 %" becomes "0%"
    EXPECT_EQ(progress.percentWrites, 1);
    for (int position = 1; position < 10; ++position)
        progress.SetPosition(position);
    EXPECT_EQ(progress.percentWrites, 1) << "0.1% .. 0.9% all show 0%";
    progress.SetPosition(10);
    EXPECT_EQ(progress.percentWrites, 2);
    progress.SetPosition(19);
    EXPECT_EQ(progress.percentWrites, 2);
}

TEST_F(ProgressDialogTest, EmptyBoundsShowABusyBarWithoutAPercentage) {
    CProgressDialog progress;
    progress.Open(&owner);
    progress.SetBounds(0, 0);
    progress.SetDetailLine(QStringLiteral("12 files found"));
    EXPECT_TRUE(progress.IsBusy());
    EXPECT_EQ(progress.bar()->minimum(), 0);
    EXPECT_EQ(progress.bar()->maximum(), 0) << "Qt's busy indicator";
    EXPECT_FALSE(progress.percentLabel()->isVisible());
    EXPECT_EQ(progress.detailLine()->text(), QStringLiteral("12 files found"));

    progress.SetBounds(0, 1000);
    progress.SetPosition(500);
    EXPECT_FALSE(progress.IsBusy());
    EXPECT_TRUE(progress.percentLabel()->isVisible());
    EXPECT_EQ(progress.percentLabel()->text(), QStringLiteral("50%"));
}

TEST_F(ProgressDialogTest, ADeepPathGivesWayInTheMiddleAndKeepsItsFileName) {
    CProgressDialog progress;
    progress.Open(&owner);
    const QString deep = QStringLiteral("/home/user/") + QStringLiteral("archive/").repeated(30) +
                         QStringLiteral("letter.txt");
    progress.SetFileLine(deep);
    QLabel* line = progress.fileLine();
    EXPECT_LE(line->sizeHint().width(), line->width());
    EXPECT_TRUE(line->text().endsWith(QStringLiteral("letter.txt"))) << line->text().toStdString();
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("/home/user/")));
    EXPECT_EQ(line->toolTip(), deep);

    progress.SetFileLine(QStringLiteral("/short.txt"));
    EXPECT_EQ(line->text(), QStringLiteral("/short.txt"));
}

TEST_F(ProgressDialogTest, EqualBoundsShowZeroInsteadOfDividingByZero) {
    EXPECT_EQ(CProgressDialog::PercentText(5, 7, 7), QStringLiteral("0%"));
}

TEST_F(ProgressDialogTest, TheOwnerIsDisabledWhileOpenAndEnabledByClose) {
    QWidget child(&owner);
    CProgressDialog progress;
    ASSERT_TRUE(progress.Open(&child));
    EXPECT_FALSE(owner.isEnabled()) << "the parent's top-level window is the owner";
    EXPECT_TRUE(progress.isEnabled()) << "the window itself takes input";
    progress.Close();
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(ProgressDialogTest, DestroyingAnOpenWindowEnablesTheOwner) {
    auto progress = std::make_unique<CProgressDialog>();
    progress->Open(&owner);
    EXPECT_FALSE(owner.isEnabled());
    progress.reset();
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(ProgressDialogTest, AnOwnerDisabledBeforeStaysDisabled) {
    owner.setEnabled(false);
    {
        CProgressDialog progress;
        progress.Open(&owner);
        EXPECT_FALSE(progress.OwnerDisabled());
    }
    EXPECT_FALSE(owner.isEnabled());
}

TEST_F(ProgressDialogTest, WithoutAParentTheMainWindowIsTheOwner) {
    QWidget mainWindow;
    mainWindow.setObjectName(QString::fromLatin1(CProgressDialog::kMainWindowName));
    mainWindow.show();
    CProgressDialog progress;
    progress.Open();
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_TRUE(owner.isEnabled());
    progress.Close();
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST_F(ProgressDialogTest, EveryMethodIsSafeWithoutOpen) {
    CountingProgressDialog progress;
    progress.SetBounds(0, 1000);
    EXPECT_EQ(progress.SetPosition(500), 0);
    EXPECT_EQ(progress.percentLabel()->text(), QStringLiteral("50%"));
    progress.SetFileLine(QStringLiteral("/tmp/a.txt"));
    progress.SetDetailLine(QStringLiteral("3 words in the list; Working..."));
    EXPECT_FALSE(progress.CancelRequested());
    progress.Close();
    progress.Close();
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(ProgressDialogTest, CloseTwiceAndReopen) {
    CProgressDialog progress;
    progress.Open(&owner);
    progress.Close();
    progress.Close();
    EXPECT_TRUE(owner.isEnabled());
    progress.Open(&owner);
    EXPECT_FALSE(owner.isEnabled());
}

TEST_F(ProgressDialogTest, TextLines) {
    CProgressDialog progress;
    progress.Open(&owner);
    progress.SetFileLine(QStringLiteral("/home/a/b.txt"));
    progress.SetDetailLine(QStringLiteral("1,234 words in the list; Working..."));
    EXPECT_EQ(progress.fileLine()->text(), QStringLiteral("/home/a/b.txt"));
    EXPECT_EQ(progress.detailLine()->text(), QStringLiteral("1,234 words in the list; Working..."));
}

}  // namespace
}  // namespace tarvolen
