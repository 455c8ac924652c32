#include "gui/util/link_label.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QUrl>

#include "core/ports/messages.h"
#include "gui/util/command_guard.h"

namespace tarvolen {

LinkOpener DesktopLinkOpener() {
    return [](const QString& url) {
        // Strict parsing: a malformed address is refused here rather than guessed at.
        const QUrl target(url, QUrl::StrictMode);
        if (url.isEmpty() || !target.isValid() || target.scheme().isEmpty()) {
            return LinkOpenResult{false, QStringLiteral("The address is not a valid URL.")};
        }
        if (!QDesktopServices::openUrl(target)) {
            return LinkOpenResult{false, QStringLiteral("There is no web browser available\n"
                                                        "to open the address.")};
        }
        return LinkOpenResult{true, {}};
    };
}

CLinkLabel::CLinkLabel(const QString& caption, const QString& url, MessagePort& messages,
                       QWidget* parent)
    : QLabel(parent), messages_(messages), opener_(DesktopLinkOpener()) {
    linkUrl_ = url.isEmpty() ? caption : url;
    setText(caption.isEmpty() ? linkUrl_ : caption);
    // The caption is an address, never markup.
    setTextFormat(Qt::PlainText);

    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);

    setCursor(Qt::PointingHandCursor);
    setToolTip(linkUrl_);
    // Hover is tracked through enter and leave; moves matter only while pressed.
    setMouseTracking(true);
    ApplyColor();
    FitToText();
}

void CLinkLabel::SetLinkUrl(const QString& url) {
    linkUrl_ = url;
    FitToText();
    setToolTip(linkUrl_);
}

void CLinkLabel::SetVisited(bool visited) {
    visited_ = visited;
    ApplyColor();
}

QColor CLinkLabel::TextColor() const {
    if (hovered_)
        return kHoverColor;
    return visited_ ? kVisitedColor : kLinkColor;
}

void CLinkLabel::ApplyColor() {
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, TextColor());
    setPalette(colors);
    // The parent's background shows through.
    setAutoFillBackground(false);
    update();
}

void CLinkLabel::SetHovered(bool hovered) {
    if (hovered_ == hovered)
        return;
    hovered_ = hovered;
    ApplyColor();
    repaint();
}

void CLinkLabel::FitToText() {
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    const int textHeight = metrics.height();
    QRect area = geometry();
    const Qt::Alignment align = alignment();

    if (align & Qt::AlignVCenter) {
        const int shrink = (area.height() - textHeight) / 2;
        area.setTop(area.top() + shrink);
        area.setBottom(area.bottom() - shrink);
    } else {
        area.setHeight(textHeight);
    }
    if (align & Qt::AlignHCenter) {
        const int shrink = (area.width() - textWidth) / 2;
        area.setLeft(area.left() + shrink);
        area.setRight(area.right() - shrink);
    } else if (align & Qt::AlignRight) {
        area.setLeft(area.right() + 1 - textWidth);
    } else {
        area.setWidth(textWidth);
    }
    setGeometry(area);
}

bool CLinkLabel::OpenHyperlink(const QString& url) {
    LinkOpenResult result =
        opener_ ? opener_(url) : LinkOpenResult{false, QStringLiteral("No way to open links.")};
    lastReason_ = result.opened ? QString() : result.reason;
    return result.opened;
}

void CLinkLabel::ReportLinkError() {
    QApplication::beep();
    const QString text = QString::fromUtf8(kErrorPrefix) + lastReason_;
    messages_.ShowMessage(text.toStdString(), MessageIcon::Warning);
}

void CLinkLabel::Activate() {
    const bool opened = OpenHyperlink(linkUrl_);
    SetVisited(opened);
    if (!opened)
        ReportLinkError();
}

void CLinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetHovered(true);
}

void CLinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetHovered(false);
}

void CLinkLabel::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    // While a button is held the label keeps getting moves from outside itself.
    SetHovered(rect().contains(event->position().toPoint()));
}

void CLinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        // Like a button: releasing outside the label is no click.
        if (rect().contains(event->position().toPoint()))
            RunGuarded(messages_, [this] { Activate(); });
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace tarvolen
