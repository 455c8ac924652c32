// The real Filter dialog on the offscreen platform: typing, the arrows and the check
// of "Filter". The dialog is shown, never run modally; the refusal message goes to the
// scripted message port.
#include "gui/analysis/filter_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <vector>

#include "support/fakes.h"
#include "support/qt_widget_test.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;

class FilterDialogTest : public testing::QtWidgetTest {
  protected:
    FilterDialogTest() : dialog(messages, picker) { dialog.show(); }

    void Type(const QString& text) {
        dialog.ValueEdit()->clear();
        QTest::keyClicks(dialog.ValueEdit(), text);
    }

    void PressFilter() { QTest::mouseClick(dialog.FilterButton(), Qt::LeftButton); }

    FakeMessages messages;
    testing::FakeFilePicker picker;
    CFilterDialog dialog;
};

// 2, the least number that removes words by their count; beside it what it means.
TEST_F(FilterDialogTest, OpensWithTheRareRuleAndTheValueTwoThatSaysWhatItMeans) {
    EXPECT_TRUE(dialog.ModeButton(0)->isChecked());
    EXPECT_EQ(dialog.ValueEdit()->text(), QStringLiteral("2"));
    EXPECT_EQ(dialog.MeaningLabel()->text(), QStringLiteral("fewer than 2 times"));
    const std::pair<int, const char*> meanings[] = {
        {1, "shorter than 7 letters"},
        {2, "longer than 7 letters"},
        {static_cast<int>(FilterMode::Range), "in fewer than 7 files"},
        {0, "fewer than 7 times"}};
    Type(QStringLiteral("7"));
    for (const auto& [mode, meaning] : meanings) {
        dialog.ModeButton(mode)->setChecked(true);
        EXPECT_EQ(dialog.MeaningLabel()->text(), QString::fromUtf8(meaning));
    }
    Type(QStringLiteral("x"));
    EXPECT_EQ(dialog.MeaningLabel()->text(), QStringLiteral("fewer than N times"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Filter"));
    EXPECT_EQ(testing::Shown(dialog.ModeButton(0)->text()),
              QStringLiteral("Remove rare words (by count)"));
    EXPECT_EQ(testing::Shown(dialog.ModeButton(1)->text()), QStringLiteral("Remove short words"));
    EXPECT_EQ(testing::Shown(dialog.ModeButton(2)->text()), QStringLiteral("Remove long words"));
}

TEST_F(FilterDialogTest, RefusesValuesOutsideOneToTenThousandAndKeepsTheDialogOpen) {
    // A number out of range is told the range; anything else that it is no number.
    // The sentences are written out, so that a changed wording fails here.
    const struct {
        QString text;
        const char* message;
    } refused[] = {
        {QStringLiteral("0"), "Please enter an integer between 1 and 10000."},
        {QStringLiteral("10001"), "Please enter an integer between 1 and 10000."},
        {QStringLiteral("-5"), "Please enter an integer between 1 and 10000."},
        {QStringLiteral(" -20000 "), "Please enter an integer between 1 and 10000."},
        {QStringLiteral("+20"), "Please enter an integer."},
        {QStringLiteral("99999999999"), "Please enter an integer between 1 and 10000."},
        {QStringLiteral("abc"), "Please enter an integer."},
        {QStringLiteral(""), "Please enter an integer."},
        {QStringLiteral("12x"), "Please enter an integer."},
        {QStringLiteral("1.5"), "Please enter an integer."},
        {QStringLiteral("-"), "Please enter an integer."},
    };
    for (const auto& [text, message] : refused) {
        SCOPED_TRACE(text.toStdString());
        messages.shown.clear();
        Type(text);
        // Whatever had the focus before, the edit gets it back.
        dialog.ModeButton(2)->setFocus();
        PressFilter();

        ASSERT_EQ(messages.Texts(), std::vector<std::string>{message});
        EXPECT_EQ(messages.shown.front().icon, MessageIcon::Warning);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(dialog.focusWidget(), dialog.ValueEdit());
        EXPECT_EQ(dialog.ValueEdit()->selectedText(), dialog.ValueEdit()->text());
    }
}

TEST_F(FilterDialogTest, AcceptsTheEndsOfTheRangeWithTheChosenRule) {
    struct Row {
        QString typed;
        int mode;
        std::int32_t value;
    };
    const Row rows[] = {{QStringLiteral("1"), 0, 1},
                        {QStringLiteral("10000"), 1, 10000},
                        {QStringLiteral(" 250 "), 2, 250}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        CFilterDialog fresh(messages, picker);
        fresh.show();
        QTest::mouseClick(fresh.ModeButton(row.mode), Qt::LeftButton);
        fresh.ValueEdit()->setText(row.typed);
        QTest::mouseClick(fresh.FilterButton(), Qt::LeftButton);

        EXPECT_EQ(fresh.result(), QDialog::Accepted);
        EXPECT_FALSE(fresh.isVisible());
        EXPECT_EQ(fresh.FilterValue, row.value);
        EXPECT_EQ(fresh.FilterMode, static_cast<FilterMode>(row.mode));
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FilterDialogTest, CancelLeavesTheValuesAlone) {
    Type(QStringLiteral("42"));
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.FilterValue, CFilterDialog::kStartValue);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FilterDialogTest, ArrowsStepBetweenOneAndOneThousand) {
    struct Row {
        const char* why;
        QString start;
        QToolButton* arrow;
        int clicks;
        QString shown;
    };
    const Row rows[] = {
        {"up from the start value 0 reaches the lower end", QStringLiteral("0"), dialog.UpArrow(),
         1, QStringLiteral("1")},
        {"up stops at 1000", QStringLiteral("998"), dialog.UpArrow(), 5, QStringLiteral("1000")},
        {"down stops at 1", QStringLiteral("3"), dialog.DownArrow(), 5, QStringLiteral("1")},
        {"a typed value above the arrows' range comes back to 1000", QStringLiteral("5000"),
         dialog.UpArrow(), 1, QStringLiteral("1000")},
        {"down from a typed 5000 also stops at 1000", QStringLiteral("5000"), dialog.DownArrow(), 1,
         QStringLiteral("1000")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        dialog.ValueEdit()->setText(row.start);
        for (int i = 0; i < row.clicks; ++i)
            QTest::mouseClick(row.arrow, Qt::LeftButton);
        EXPECT_EQ(dialog.ValueEdit()->text(), row.shown);
    }
}

TEST_F(FilterDialogTest, ArrowKeysInTheEditStepToo) {
    Type(QStringLiteral("999"));
    QTest::keyClick(dialog.ValueEdit(), Qt::Key_Up);
    EXPECT_EQ(dialog.ValueEdit()->text(), QStringLiteral("1000"));
    QTest::keyClick(dialog.ValueEdit(), Qt::Key_Up);
    EXPECT_EQ(dialog.ValueEdit()->text(), QStringLiteral("1000"));
    QTest::keyClick(dialog.ValueEdit(), Qt::Key_Down);
    EXPECT_EQ(dialog.ValueEdit()->text(), QStringLiteral("999"));
}

TEST_F(FilterDialogTest, ATypedValueAboveTheArrowsIsAccepted) {
    Type(QStringLiteral("7500"));
    PressFilter();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.FilterValue, 7500);
}

// The fourth rule takes its words from a file; the number plays no part then.
TEST_F(FilterDialogTest, TheListedRuleNeedsAFileAndNoNumber) {
    QRadioButton* listed = dialog.ModeButton(static_cast<int>(FilterMode::Listed));
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(testing::Shown(listed->text()), QStringLiteral("Remove words listed in a file"));
    QTest::mouseClick(listed, Qt::LeftButton);
    EXPECT_FALSE(dialog.ValueEdit()->isEnabled());
    PressFilter();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{CFilterDialog::kNoListText});

    QTest::mouseClick(dialog.ModeButton(0), Qt::LeftButton);
    picker.fileResults.push_back(FilePickResult{true, {"/tmp/stop words.txt"}, 1});
    QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
    EXPECT_TRUE(listed->isChecked()) << "browsing chooses the rule";
    EXPECT_EQ(dialog.ListEdit()->text(), QStringLiteral("/tmp/stop words.txt"));
    PressFilter();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.FilterMode, FilterMode::Listed);
    EXPECT_EQ(dialog.ListPath, "/tmp/stop words.txt");
}

// The five rules and the list's file come first, top to bottom and in the tab order,
// and the buttons close the dialog below them all.
TEST_F(FilterDialogTest, TheButtonsComeLastOnScreenAndInTheTabOrder) {
    QRadioButton* listed = dialog.ModeButton(static_cast<int>(FilterMode::Listed));
    QRadioButton* range = dialog.ModeButton(static_cast<int>(FilterMode::Range));
    EXPECT_EQ(testing::Shown(range->text()),
              QStringLiteral("Remove words found in fewer than N files"));
    const std::vector<QWidget*> laidOut = {dialog.ValueEdit(),
                                           dialog.ModeButton(0),
                                           dialog.ModeButton(1),
                                           dialog.ModeButton(2),
                                           range,
                                           listed,
                                           dialog.ListEdit()};
    for (std::size_t i = 1; i < laidOut.size(); ++i)
        EXPECT_GT(laidOut[i]->y(), laidOut[i - 1]->geometry().bottom()) << i;
    for (QPushButton* button : {dialog.FilterButton(), dialog.CancelButton()})
        EXPECT_GT(button->y(), dialog.BrowseButton()->geometry().bottom());

    // Qt's tab chain holds every radio button, however few of them Tab stops at.
    std::vector<QWidget*> chain;
    for (QWidget* at = dialog.ValueEdit()->nextInFocusChain(); at != dialog.ValueEdit();
         at = at->nextInFocusChain()) {
        if (at->focusPolicy() & Qt::TabFocus)
            chain.push_back(at);
    }
    const std::vector<QWidget*> expected = {dialog.ModeButton(0),
                                            dialog.ModeButton(1),
                                            dialog.ModeButton(2),
                                            range,
                                            listed,
                                            dialog.ListEdit(),
                                            dialog.BrowseButton(),
                                            dialog.FilterButton(),
                                            dialog.CancelButton()};
    EXPECT_EQ(chain, expected);
}

}  // namespace
}  // namespace tarvolen
