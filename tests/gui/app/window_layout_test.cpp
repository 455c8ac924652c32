// Every window of the program, laid out with the fonts a Linux desktop has: no text
// may be cut, no control may reach outside its window, every captioned control has a
// mnemonic of its own, and something has the focus, drawn, from the start. The test
// runs once as it is and once more under QT_SCALE_FACTOR=1.5 (see CMakeLists.txt),
// which also says, through TARVOLEN_EXPECT_SCALE, which scale the windows must show.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>
#include <map>
#include <set>
#include <string>

#include "support/qt_widget_test.h"
#include "support/window_gallery.h"

namespace tarvolen {
namespace {

// The mnemonic letter of a caption ("Save &As..." gives 'a'), 0 for none.
QChar MnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toLower();
        ++i;  // "&&" is a literal ampersand
    }
    return QChar();
}

std::string Describe(const QWidget* widget) {
    QString caption;
    if (auto* label = qobject_cast<const QLabel*>(widget))
        caption = label->text();
    else if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        caption = button->text();
    else if (auto* box = qobject_cast<const QGroupBox*>(widget))
        caption = box->title();
    return std::string(widget->metaObject()->className()) + " \"" + caption.toStdString() + '"';
}

bool HasText(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return !label->text().isEmpty() || !label->pixmap().isNull();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return !button->text().isEmpty();
    return qobject_cast<const QComboBox*>(widget) != nullptr ||
           qobject_cast<const QGroupBox*>(widget) != nullptr;
}

// The room a control's text needs: its size hint, or for wrapped text the height
// its width gives it.
QSize NeededSize(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget); label && label->wordWrap())
        return QSize(0, label->heightForWidth(label->width()));
    if (auto* box = qobject_cast<const QGroupBox*>(widget))
        return QSize(box->fontMetrics().horizontalAdvance(box->title()), 0);
    return widget->sizeHint();
}

void ExpectNothingCut(QWidget* window, const std::string& where) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || !HasText(widget))
            continue;
        SCOPED_TRACE(where + ": " + Describe(widget));
        const QSize needed = NeededSize(widget);
        EXPECT_GE(widget->width(), needed.width());
        EXPECT_GE(widget->height(), needed.height());
        // Inside every parent up to the window, so no edge is clipped on the way.
        for (QWidget* inner = widget; inner != window; inner = inner->parentWidget()) {
            const QRect parentArea(QPoint(0, 0), inner->parentWidget()->size());
            EXPECT_TRUE(parentArea.contains(inner->geometry()))
                << Describe(inner) << " at " << inner->x() << ',' << inner->y() << ' '
                << inner->width() << 'x' << inner->height() << " in " << parentArea.width() << 'x'
                << parentArea.height();
        }
    }
}

void ExpectUniqueMnemonics(QWidget* window, const std::string& where) {
    std::map<QChar, std::string> taken;
    const auto claim = [&](const QString& caption, const std::string& what) {
        const QChar key = MnemonicOf(caption);
        EXPECT_FALSE(key.isNull()) << where << ": no mnemonic on " << what;
        if (key.isNull())
            return;
        const auto [at, fresh] = taken.emplace(key, what);
        EXPECT_TRUE(fresh) << where << ": '" << QString(key).toStdString() << "' on " << what
                           << " and on " << at->second;
    };
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (!button->text().isEmpty())
                claim(button->text(), Describe(button));
        } else if (auto* label = qobject_cast<QLabel*>(widget); label && label->buddy()) {
            claim(label->text(), Describe(label));
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                claim(tabs->tabText(i), "tab \"" + tabs->tabText(i).toStdString() + '"');
        }
    }
}

class WindowLayoutTest : public testing::QtWidgetTest {
  protected:
    void TearDown() override { QApplication::setFont(saved_); }

    // The desktop's own font, and DejaVu Sans at Debian's and at a large size.
    static std::vector<QFont> DesktopFonts() {
        return {QApplication::font(), QFont(QStringLiteral("DejaVu Sans"), 10),
                QFont(QStringLiteral("DejaVu Sans"), 14)};
    }

  private:
    QFont saved_ = QApplication::font();
};

TEST_F(WindowLayoutTest, NoTextIsCutAndNothingLiesOutsideItsWindow) {
    for (const QFont& font : DesktopFonts()) {
        QApplication::setFont(font);
        testing::WindowGallery gallery;
        for (testing::GalleryWindow& shown : gallery.Build()) {
            const std::string where = shown.name + " in " + font.family().toStdString() + ' ' +
                                      std::to_string(font.pointSize()) + "pt";
            shown.window->show();
            QApplication::processEvents();
            ExpectNothingCut(shown.window.get(), where);
            shown.window->hide();
        }
    }
}

TEST_F(WindowLayoutTest, EveryCaptionedControlHasAMnemonicOfItsOwn) {
    testing::WindowGallery gallery;
    for (testing::GalleryWindow& shown : gallery.Build()) {
        // Qt lays out and names the buttons of its message boxes itself.
        if (qobject_cast<QMessageBox*>(shown.window.get()) != nullptr)
            continue;
        shown.window->show();
        ExpectUniqueMnemonics(shown.window.get(), shown.name);
        shown.window->hide();
    }
}

TEST_F(WindowLayoutTest, TheFocusIsVisibleFromTheStart) {
    testing::WindowGallery gallery;
    for (testing::GalleryWindow& shown : gallery.Build()) {
        SCOPED_TRACE(shown.name);
        shown.window->show();
        QApplication::setActiveWindow(shown.window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(shown.window.get()));
        QWidget* focus = shown.window->focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_TRUE(focus->isVisible());
        // Styles draw the focus frame only once the keyboard has moved the focus; the
        // windows say so from the start, so the person sees where the keys go.
        EXPECT_TRUE(shown.window->testAttribute(Qt::WA_KeyboardFocusChange));
        shown.window->hide();
    }
}

// The scale the run asks for: TARVOLEN_EXPECT_SCALE, else QT_SCALE_FACTOR, else 1.
// The two come through different test properties, so that a run that lost its scale
// fails here rather than checking 100 % twice.
TEST_F(WindowLayoutTest, WindowsAreDrawnAtTheScaleTheRunAsksFor) {
    QWidget window;
    window.resize(120, 80);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const double ratio = window.devicePixelRatioF();
    bool asked = false;
    for (const char* variable : {"TARVOLEN_EXPECT_SCALE", "QT_SCALE_FACTOR"}) {
        const QByteArray value = qgetenv(variable);
        if (value.isEmpty())
            continue;
        asked = true;
        bool number = false;
        const double scale = value.toDouble(&number);
        ASSERT_TRUE(number) << variable << '=' << value.toStdString();
        EXPECT_DOUBLE_EQ(ratio, scale)
            << "drawn at " << ratio << " where " << variable << " asks for " << scale;
    }
    if (!asked) {
        EXPECT_DOUBLE_EQ(ratio, 1.0) << "the offscreen screen has no scale of its own";
    }
}

}  // namespace
}  // namespace tarvolen
