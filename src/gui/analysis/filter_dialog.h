#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "core/analysis/word_filter.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tarvolen {

class FilePicker;
class MessagePort;

// Asks for the number N and the rule of the Filter command. The arrows step N between
// 1 and 1000; a typed N up to 10000 is accepted. "Filter" checks the typed text and
// refuses anything but an integer from 1 to 10000, keeping the dialog open.
class CFilterDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kSpinMin = 1;
    static constexpr int kSpinMax = 1000;
    static constexpr const char* kRangeText = kFilterRangeText;
    static constexpr const char* kIntegerText = kFilterIntegerText;

    static constexpr const char* kNoListText = "Please choose the word list whose words to remove.";

    // picker serves the Browse of the fourth rule, the words listed in a file.
    CFilterDialog(MessagePort& messages, FilePicker& picker, QWidget* parent = nullptr);

    // N as the dialog opens: 1 would remove no word by its count.
    static constexpr std::int32_t kStartValue = 2;

    // Valid after "Filter": N, and the rule.
    std::int32_t FilterValue = kStartValue;
    tarvolen::FilterMode FilterMode = tarvolen::FilterMode::Rare;
    // The word list of the fourth rule, as typed or browsed.
    std::string ListPath;

    // The typed text as a number of the accepted range, or nothing.
    static std::optional<std::int32_t> ParseValue(const QString& text);

    // One step of the arrows (+1 up, -1 down) from whatever the edit holds.
    void StepBy(int steps);

    QLineEdit* ValueEdit() const { return edit_; }
    // Beside the number, what it means under the chosen rule: "fewer than 2 times".
    QLabel* MeaningLabel() const { return meaning_; }
    QToolButton* UpArrow() const { return up_; }
    QToolButton* DownArrow() const { return down_; }
    QRadioButton* ModeButton(int mode) const;
    QPushButton* FilterButton() const { return filter_; }
    QLineEdit* ListEdit() const { return list_; }
    QPushButton* BrowseButton() const { return browse_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Confirm();
    void ShowMeaning();

    MessagePort& messages_;
    FilePicker& picker_;
    QLineEdit* edit_;
    QLabel* meaning_;
    QLineEdit* list_;
    QPushButton* browse_;
    QToolButton* up_;
    QToolButton* down_;
    QButtonGroup* modes_;
    QPushButton* filter_;
    QPushButton* cancel_;
    int spinPosition_ = kStartValue;
};

}  // namespace tarvolen
