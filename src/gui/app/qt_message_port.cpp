#include "gui/app/qt_message_port.h"

#include <QApplication>
#include "gui/app/qt_paths.h"
#include "gui/util/focus.h"

namespace tarvolen {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

std::unique_ptr<QMessageBox> MakeBox(QMessageBox::Icon icon, const std::string& text,
                                     QMessageBox::StandardButtons buttons, QWidget* parent) {
    // Messages quote paths, which are file-system bytes, not necessarily UTF-8.
    auto box = std::make_unique<QMessageBox>(icon, QString::fromUtf8(QtMessagePort::kTitle),
                                             ReadableOnScreen(text), buttons, parent);
    // Texts such as file paths are shown as they are, never as markup.
    box->setTextFormat(Qt::PlainText);
    ShowFocusFromStart(box.get());
    return box;
}

}  // namespace

std::unique_ptr<QMessageBox> QtMessagePort::BuildMessage(const std::string& text, MessageIcon icon,
                                                         QWidget* parent) {
    return MakeBox(ToQtIcon(icon), text, QMessageBox::Ok, parent);
}

std::unique_ptr<QMessageBox> QtMessagePort::BuildQuestion(const std::string& text,
                                                          MessageButtons buttons, QWidget* parent) {
    auto box = MakeBox(QMessageBox::Question, text, ToQtButtons(buttons), parent);
    if (buttons == MessageButtons::YesNoCancel)
        box->setEscapeButton(QMessageBox::Cancel);
    return box;
}

Answer QtMessagePort::ToAnswer(int standardButton) {
    switch (standardButton) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

QWidget* QtMessagePort::BoxParent() const {
    // A box owned by a disabled window (the main window under a progress window) would
    // be disabled with it and could never be answered.
    if (parent_ && parent_->isEnabled())
        return parent_;
    return nullptr;
}

void QtMessagePort::ShowMessage(const std::string& text, MessageIcon icon) {
    BuildMessage(text, icon, BoxParent())->exec();
}

Answer QtMessagePort::Ask(const std::string& text, MessageButtons buttons) {
    return ToAnswer(BuildQuestion(text, buttons, BoxParent())->exec());
}

}  // namespace tarvolen
