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

    // The window's text arrives as UTF-8: whoever quotes stored words decodes them
    // from their code page first (CodePageToUtf8).
    static QString DecodeText(std::string_view text);

    QPlainTextEdit* TextView() const { return view_; }
    QPushButton* OkButton() const { return ok_; }

  private:
    QPlainTextEdit* view_;
    QPushButton* ok_;
};

}  // namespace tarvolen
