// The hyperlink label: colours as the pointer comes and goes, the tooltip, and a click
// that opens or fails to open, with the opener scripted by the test.
#include "gui/util/link_label.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QTest>
#include <QWidget>
#include <memory>
#include <stdexcept>

#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "support/fakes.h"
#include "support/qt_widget_test.h"

namespace tarvolen {
namespace {

class DesktopLinkOpenerTest : public testing::QtWidgetTest {};
class MainWindowLinkTest : public testing::QtWidgetTest {};

using testing::FakeDialogs;
using testing::FakeFilePicker;
using testing::FakeMessages;

const QString kCaption = QStringLiteral("example.org");
const QString kUrl = QStringLiteral("https://example.org/words");

class LinkLabelTest : public testing::QtWidgetTest {
  protected:
    LinkLabelTest() : label(new CLinkLabel(kCaption, kUrl, messages, &parent)) {
        label->SetOpener([this](const QString& url) {
            opened.append(url);
            return next;
        });
        parent.resize(400, 200);
        parent.show();
    }

    void Enter() {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), label->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(label, &enter);
    }
    void Leave() {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(label, &leave);
    }
    QColor Drawn() const { return label->palette().color(QPalette::WindowText); }

    FakeMessages messages;
    QWidget parent;
    CLinkLabel* label;
    LinkOpenResult next{true, {}};
    QStringList opened;
};

TEST_F(LinkLabelTest, LooksLikeALinkWithTheUrlAsTooltip) {
    EXPECT_EQ(label->text(), kCaption);
    EXPECT_EQ(label->LinkUrl(), kUrl);
    EXPECT_EQ(label->toolTip(), kUrl);
    EXPECT_TRUE(label->font().underline());
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Drawn(), QColor(0, 0, 238));

    label->SetLinkUrl(QStringLiteral("https://example.org/other"));
    EXPECT_EQ(label->toolTip(), QStringLiteral("https://example.org/other"));
    EXPECT_EQ(label->text(), kCaption);
}

TEST_F(LinkLabelTest, ColourFollowsHoverAndVisit) {
    const QColor link(0, 0, 238), visited(85, 26, 139), hover(90, 90, 255);
    Enter();
    EXPECT_EQ(Drawn(), hover);
    Leave();
    EXPECT_EQ(Drawn(), link);

    label->SetVisited(true);
    EXPECT_EQ(Drawn(), visited);
    Enter();
    EXPECT_EQ(Drawn(), hover);
    Leave();
    EXPECT_EQ(Drawn(), visited);
}

TEST_F(LinkLabelTest, SuccessfulClickMarksTheLinkVisited) {
    QTest::mouseClick(label, Qt::LeftButton);

    EXPECT_EQ(opened, QStringList{kUrl});
    EXPECT_TRUE(label->IsVisited());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LinkLabelTest, FailedClickReportsWhyAndClearsTheVisit) {
    label->SetVisited(true);
    next = {false, QStringLiteral("No browser\nhere.")};

    QTest::mouseClick(label, Qt::LeftButton);

    EXPECT_EQ(opened, QStringList{kUrl});
    EXPECT_FALSE(label->IsVisited());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open hyperlink:\n\nNo browser\nhere.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
}

// A click is an event of Qt's loop, which cannot carry an exception: one from the
// opener is told like a command's, and the label goes on working.
TEST_F(LinkLabelTest, AnOpenerThatThrowsIsToldAndTheLabelCarriesOn) {
    label->SetOpener([](const QString&) -> LinkOpenResult {
        throw std::runtime_error("the browser would not start");
    });
    QTest::mouseClick(label, Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "the browser would not start");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_FALSE(label->IsVisited());

    label->SetOpener([](const QString&) { return LinkOpenResult{true, {}}; });
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_TRUE(label->IsVisited());
}

TEST_F(LinkLabelTest, ReleasingOutsideTheLabelIsNoClick) {
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-50, -50));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(LinkLabelTest, FitsItselfToItsTextAlongItsAlignment) {
    const QFontMetrics metrics(label->font());
    const int textWidth = metrics.horizontalAdvance(kCaption);
    const int textHeight = metrics.height();

    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(10, 20, 300, 60);
    label->FitToText();
    EXPECT_EQ(label->geometry(), QRect(10, 20, textWidth, textHeight));

    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->setGeometry(10, 20, 300, 60);
    label->FitToText();
    EXPECT_EQ(label->geometry(), QRect(310 - textWidth, 20, textWidth, textHeight));

    // Centred: both sides give up half the difference, rounded toward zero.
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(10, 20, 300, 60);
    label->FitToText();
    const int dx = (300 - textWidth) / 2, dy = (60 - textHeight) / 2;
    EXPECT_EQ(label->geometry(), QRect(10 + dx, 20 + dy, 300 - 2 * dx, 60 - 2 * dy));
}

TEST_F(DesktopLinkOpenerTest, RefusesAnAddressThatIsNoUrl) {
    const LinkOpener open = DesktopLinkOpener();
    for (const QString& bad :
         {QString(), QStringLiteral("not a url"), QStringLiteral("http://exa mple.org")}) {
        const LinkOpenResult result = open(bad);
        EXPECT_FALSE(result.opened) << bad.toStdString();
        EXPECT_FALSE(result.reason.isEmpty());
    }
}

TEST_F(MainWindowLinkTest, PointsAtTheProjectPageAndReportsThroughTheWindowsMessages) {
    FakeMessages messages;
    FakeDialogs dialogs;
    FakeFilePicker picker;
    WordStore::Options small;
    small.initialCapacity = 1 << 16;
    small.growthStep = 1 << 16;
    Workspace workspace(messages, small);
    CMainDialog window(workspace, messages, dialogs, picker);
    window.show();

    CLinkLabel* link = window.linkLabel();
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->LinkUrl(), QString::fromUtf8(CMainDialog::kProjectUrl));
    EXPECT_EQ(link->toolTip(), QString::fromUtf8(CMainDialog::kProjectUrl));

    link->SetOpener([](const QString&) { return LinkOpenResult{false, QStringLiteral("x")}; });
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Unable to open hyperlink:\n\nx"});
}

}  // namespace
}  // namespace tarvolen
