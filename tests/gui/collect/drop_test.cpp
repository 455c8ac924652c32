// Files and folders dropped on the real main window, through synthesized drag and drop
// events; Add Options and the progress windows are scripted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <string>
#include <vector>

#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "support/fakes.h"
#include "support/main_window_fixture.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

class DropTest : public testing::MainWindowTest {
  protected:
    static QMimeData* Carrying(const std::vector<std::string>& paths) {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        data->setUrls(urls);
        return data;
    }

    // Enters the window with the data; true when the window would take the drop.
    bool Enter(const QMimeData* data) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        return enter.isAccepted();
    }

    // The whole gesture: enter, then drop. Returns whether the drop was taken.
    bool Drop(const std::vector<std::string>& paths) {
        std::unique_ptr<QMimeData> data(Carrying(paths));
        if (!Enter(data.get()))
            return false;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        return drop.isAccepted();
    }

    void ConfirmAddOptions(AddMode mode) {
        dialogs.addOptions.push_back([mode](AddOptions&, AddMode& addMode) {
            addMode = mode;
            return true;
        });
    }

    std::vector<std::string> Words() const { return testing::SortedStoreWords(workspace.Store); }

    TempDir dir;
};

// Either Add button reads the dropped files and the default types below the dropped
// folders, in the drop's order, as one run with one summary.
TEST_F(DropTest, FilesAndFoldersBecomeOneIngestionRun) {
    for (AddMode mode : {AddMode::Files, AddMode::DirectoryScan}) {
        SCOPED_TRACE(static_cast<int>(mode));
        workspace.Store.Clear();
        messages.shown.clear();
        dialogs.progressWindows.clear();
        const std::string loose = dir.Write("loose.doc", "alpha");
        dir.Write("folder/a.txt", "beta");
        dir.Write("folder/b.htm", "gamma");
        dir.Write("folder/sub/c.html", "delta");
        dir.Write("folder/skipped.doc", "omega");
        dir.Write("folder/README", "omega");
        const std::string folder = (dir.path() / "folder").string();

        ConfirmAddOptions(mode);
        ASSERT_TRUE(Drop({loose, folder}));

        std::vector<std::string> found(window->State.InputFiles.begin() + 1,
                                       window->State.InputFiles.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(window->State.InputFiles.front(), loose)
            << "a dropped file is read whatever its type";
        EXPECT_EQ(found, (std::vector<std::string>{folder + "/a.txt", folder + "/b.htm",
                                                   folder + "/sub/c.html"}));
        EXPECT_EQ(Words(), (std::vector<std::string>{"alpha", "beta", "delta", "gamma"}));
        ASSERT_EQ(messages.shown.size(), 1u) << "one summary for the whole drop";
        EXPECT_EQ(messages.shown[0].text.rfind("1 Kb processed\r\n4 total qualified words", 0), 0u)
            << messages.shown[0].text;
        // The folder's walk, then the run; both closed.
        ASSERT_EQ(dialogs.progressWindows.size(), 2u);
        EXPECT_EQ(dialogs.progressWindows[0]->upper, 0) << "the walk shows a busy bar";
        for (const auto& progress : dialogs.progressWindows)
            EXPECT_GE(progress->closeCalls, 1);
        EXPECT_EQ(Status(), "4 words in the list (NOT SAVED YET)");
    }
}

TEST_F(DropTest, CancelledOptionsAddNothing) {
    const std::string file = dir.Write("a.txt", "alpha beta");
    dialogs.addOptions.push_back([](AddOptions& options, AddMode&) {
        options.Language = kRussian;  // edits of a cancelled dialog are dropped too
        return false;
    });
    ASSERT_TRUE(Drop({file}));
    EXPECT_EQ(workspace.Store.Count(), 0);
    EXPECT_EQ(workspace.Add.Language, kEnglishLatin);
    EXPECT_TRUE(dialogs.progressWindows.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(dialogs.addOptions.empty()) << "the dialog was asked";
}

TEST_F(DropTest, TheWordListButtonMergesTheDroppedLists) {
    const std::string list = dir.Write("list.txt", "alpha,3\nbeta,2\n");
    ConfirmAddOptions(AddMode::WordList);
    ASSERT_TRUE(Drop({list}));
    EXPECT_EQ(Words(), (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_EQ(testing::StoreWords(workspace.Store).at("alpha"), 3u);
}

// While a command runs (here: while its Add Options dialog is open) a drop is
// refused, so no run starts under another.
TEST_F(DropTest, ADropWhileACommandRunsIsRefused) {
    const std::string file = dir.Write("a.txt", "alpha");
    bool refused = false;
    dialogs.addOptions.push_back([&](AddOptions&, AddMode&) {
        std::unique_ptr<QMimeData> data(Carrying({file}));
        refused = !Enter(data.get());
        return false;
    });
    Click(CMainDialog::Button::Add);
    EXPECT_TRUE(refused);
    EXPECT_FALSE(window->CommandRunning()) << "and taken again once the command ended";
    ConfirmAddOptions(AddMode::Files);
    EXPECT_TRUE(Drop({file}));
    EXPECT_EQ(Words(), std::vector<std::string>{"alpha"});
}

TEST_F(DropTest, OnlyLocalFilesAreTaken) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls({QUrl(QStringLiteral("https://example.org/page.txt"))});
    EXPECT_FALSE(Enter(data.get()));
    data->setText(QStringLiteral("just text"));
    data->setUrls({});
    EXPECT_FALSE(Enter(data.get()));
    EXPECT_TRUE(dialogs.addOptions.empty());
}

}  // namespace
}  // namespace tarvolen
