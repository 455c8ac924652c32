#pragma once

#include <QMessageBox>
#include <QPointer>
#include <memory>

#include "core/ports/messages.h"

namespace tarvolen {

// Message boxes titled "Tarvolen", over the main window once there is one.
class QtMessagePort : public MessagePort {
  public:
    static constexpr const char* kTitle = "Tarvolen";

    explicit QtMessagePort(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    Answer Ask(const std::string& text, MessageButtons buttons) override;

    // The boxes as they are shown, built apart from running them so they can be
    // inspected.
    static std::unique_ptr<QMessageBox> BuildMessage(const std::string& text, MessageIcon icon,
                                                     QWidget* parent);
    static std::unique_ptr<QMessageBox> BuildQuestion(const std::string& text,
                                                      MessageButtons buttons, QWidget* parent);
    // The button pressed, as the core sees it; a box left any other way is Cancel.
    static Answer ToAnswer(int standardButton);

  private:
    QWidget* BoxParent() const;

    QPointer<QWidget> parent_;
};

}  // namespace tarvolen
