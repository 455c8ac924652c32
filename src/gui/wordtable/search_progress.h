#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tarvolen {

class CWordListModel;

// The line under the Word List window's search field while a regular expression takes
// long over the list: how far it got, and Stop, which keeps the rows found so far.
// Hidden while no search runs, or one ends before a person would notice the wait.
class CSearchProgress : public QWidget {
    Q_OBJECT

  public:
    CSearchProgress(CWordListModel& model, QWidget* parent);

    QPushButton* stopButton() const { return stop_; }
    QLabel* text() const { return text_; }

  private:
    void Update();

    CWordListModel& model_;
    QLabel* text_;
    QPushButton* stop_;
    QElapsedTimer running_;
};

}  // namespace tarvolen
