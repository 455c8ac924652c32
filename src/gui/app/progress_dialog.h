#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tarvolen {

// The modeless window of a long operation: two text lines, a bar with a percentage
// and a Cancel button. It never stops anything itself: Cancel only records a request,
// which the operation polls. Moving the bar and polling first run every pending event,
// which keeps the application responsive without threads. While it is open its owner
// is disabled.
//
// Every method is safe on a window that was never opened or is closed already, so an
// operation can go on without the window and lose nothing.
class CProgressDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kDefaultCaption = "Working hard...";
    // Object name of the window that owns a progress window opened without a parent.
    static constexpr const char* kMainWindowName = "TarvolenMainWindow";

    explicit CProgressDialog(const QString& caption = QString());
    ~CProgressDialog() override;

    // Disables the owner (the parent's top-level window, else the main window) and
    // shows the window. Returns true when the window is shown.
    bool Open(QWidget* parent = nullptr);
    // Gives the owner its input back and takes the window away.
    void Close();

    // Bounds of 0 to 0: the bar shows that work goes on, without a percentage.
    void SetBounds(int lower, int upper);
    bool IsBusy() const;
    // Runs pending events, moves the bar, updates the percentage; returns the bar's
    // previous position.
    int SetPosition(int position);
    // Runs pending events, then reports a pending Cancel once.
    bool CancelRequested();
    void SetFileLine(const QString& text);
    void SetDetailLine(const QString& text);

    bool IsOpen() const { return open_; }
    bool OwnerDisabled() const { return ownerDisabled_; }
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }

    QLabel* fileLine() const { return fileLine_; }
    QLabel* detailLine() const { return detailLine_; }
    QLabel* percentLabel() const { return percent_; }
    QProgressBar* bar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }

    // "37%": the share of position in Lower..Upper; 100 stays 100, more wraps modulo 100.
    static QString PercentText(int position, int lower, int upper);

  public slots:
    // Enter must neither close the window nor cancel.
    void accept() override;
    // Cancel button, Escape and the close box: a request, the window stays.
    void reject() override;

  protected:
    // The only place the percentage label is written.
    virtual void WritePercentText(const QString& text);

  private:
    static void PumpPendingEvents();
    static QWidget* FindMainWindow();
    void UpdatePercentText(int position);

    QLabel* fileLine_;
    QLabel* detailLine_;
    QLabel* percent_;
    QProgressBar* bar_;
    QPushButton* cancel_;

    int lower_ = 0;
    int upper_ = 100;
    bool cancelPending_ = false;
    bool ownerDisabled_ = false;
    bool open_ = false;
    QPointer<QWidget> owner_;
};

}  // namespace tarvolen
