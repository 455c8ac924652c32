#pragma once

#include <QDialog>
#include <QString>
#include <string_view>

class QPlainTextEdit;
class QPushButton;

namespace tarvolen {

// The "Info" window: one read-only text that keeps its lines unwrapped and scrolls
// both ways. The owner sets the text before showing it.
class CInfoDialog : public QDialog {
    Q_OBJECT

  public:
    explicit CInfoDialog(QWidget* parent = nullptr);

    // Line ends may be CR LF or LF.
    void SetText(const QString& text);
    QString Text() const;

    // Texts that quote stored words carry them as they are stored: single-byte text in
    // the code page of their alphabet, seldom valid UTF-8. Such a text is shown as
    // Latin-1, which gets the letters of the Latin alphabets right.
    static QString DecodeText(std::string_view text);

    QPlainTextEdit* TextView() const { return view_; }
    QPushButton* OkButton() const { return ok_; }

  private:
    QPlainTextEdit* view_;
    QPushButton* ok_;
};

}  // namespace tarvolen
