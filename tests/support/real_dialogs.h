#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/file_picker.h"
#include "core/ports/messages.h"
#include "core/workspace.h"
#include "gui/add/add_options_dialog.h"
#include "gui/output/save_list_dialog.h"
#include "support/fakes.h"

namespace tarvolen::testing {

// Answers for FakeDialogs that show the real dialog and drive it as a person would,
// instead of running its modal loop: what reaches the command is what the dialog's
// own controls stored.
using AddOptionsDriver = std::function<void(CAddOptionsDialog&)>;

inline std::function<bool(AddOptions&, AddMode&)> RealAddOptions(
    MessagePort& messages, AddOptionsDriver drive,
    std::vector<std::pair<int, bool>>* shown = nullptr) {
    return [&messages, drive = std::move(drive), shown](AddOptions& options, AddMode& addMode) {
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        if (shown != nullptr)
            shown->emplace_back(dialog.LanguageList()->currentIndex(),
                                dialog.SkipShortWordsBox()->isChecked());
        drive(dialog);
        EXPECT_FALSE(dialog.isVisible()) << "the dialog was left open";
        addMode = dialog.AddMode;
        return dialog.result() == QDialog::Accepted;
    };
}

using SaveOptionsDriver = std::function<void(CSaveListDialog&)>;

// The dialog is shown for the code page of the list that the FakeDialogs was last asked
// to save.
inline std::function<bool(OutputOptions&, std::string&)> RealSaveOptions(MessagePort& messages,
                                                                         FilePicker& picker,
                                                                         const FakeDialogs& dialogs,
                                                                         SaveOptionsDriver drive) {
    return [&messages, &picker, &dialogs, drive = std::move(drive)](OutputOptions& options,
                                                                    std::string& fileName) {
        CSaveListDialog dialog(options, messages, picker, dialogs.saveListCodePages.back());
        dialog.FileName = fileName;
        dialog.show();
        drive(dialog);
        EXPECT_FALSE(dialog.isVisible()) << "the dialog was left open";
        fileName = dialog.FileName;
        return dialog.result() == QDialog::Accepted;
    };
}

}  // namespace tarvolen::testing
