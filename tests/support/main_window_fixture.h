#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "support/fakes.h"
#include "support/qt_widget_test.h"
#include "support/store_contents.h"

namespace tarvolen::testing {

// The main window as real widgets on top of scripted messages, dialogs and file
// pickers, over a small store. Commands are driven by clicking its buttons.
class MainWindowTest : public QtWidgetTest {
  protected:
    explicit MainWindowTest(const WordStore::Options& storeOptions = SmallStoreOptions())
        : workspace(messages, storeOptions),
          window(std::make_unique<CMainDialog>(workspace, messages, dialogs, picker)) {
        window->show();
    }

    QString Status() const { return window->statusLine()->text(); }

    void Click(CMainDialog::Button which) {
        QTest::mouseClick(window->button(which), Qt::LeftButton);
    }

    FakeMessages messages;
    FakeDialogs dialogs;
    FakeFilePicker picker;
    Workspace workspace;
    std::unique_ptr<CMainDialog> window;
};

}  // namespace tarvolen::testing
