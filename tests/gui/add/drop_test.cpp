// Files and folders dropped on the real main window, through synthesized drag and drop
// events; Add Options and the progress windows are scripted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSysInfo>
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

    // Sends the drop event; true when the window took it. Qt delivers a drop only to
    // the window that took the enter before.
    bool SendDrop(const QMimeData* data) {
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        return drop.isAccepted();
    }

    // The drop event handed to the window whatever became of the enter, as when the
    // enter was taken while the window was idle: the drop must refuse on its own.
    bool DropStraightIn(const QMimeData* data) {
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        drop.ignore();
        static_cast<QObject*>(window.get())->event(&drop);
        return drop.isAccepted();
    }

    // Runs what the window queued: a drop's command starts only after its event.
    void RunQueued() { QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall); }

    // The whole gesture: enter, drop, and the run that follows. Returns whether the
    // drop was taken.
    bool Drop(const QMimeData* data) {
        if (!Enter(data))
            return false;
        const std::size_t scripted = dialogs.addOptions.size();
        if (!SendDrop(data))
            return false;
        EXPECT_EQ(dialogs.addOptions.size(), scripted) << "nothing runs inside the drop event";
        RunQueued();
        return true;
    }
    bool Drop(const std::vector<std::string>& paths) {
        std::unique_ptr<QMimeData> data(Carrying(paths));
        return Drop(data.get());
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

// The drag source is answered at once; until the run starts the window counts as busy,
// so a second drop in between is refused rather than queued behind the first.
TEST_F(DropTest, TheDropIsAnsweredBeforeItsRunAndASecondOneWaitsForNothing) {
    const std::string first = dir.Write("first.txt", "alpha");
    const std::string second = dir.Write("second.txt", "omega");
    ConfirmAddOptions(AddMode::Files);
    std::unique_ptr<QMimeData> data(Carrying({first}));
    ASSERT_TRUE(Enter(data.get()));
    ASSERT_TRUE(SendDrop(data.get()));
    EXPECT_EQ(dialogs.addOptions.size(), 1u) << "Add Options waits for the event to end";
    EXPECT_TRUE(window->CommandRunning());

    std::unique_ptr<QMimeData> later(Carrying({second}));
    EXPECT_FALSE(Enter(later.get()));
    EXPECT_FALSE(DropStraightIn(later.get()));

    RunQueued();
    EXPECT_EQ(Words(), std::vector<std::string>{"alpha"});
    EXPECT_EQ(dialogs.progressWindows.size(), 1u) << "one run";
    EXPECT_FALSE(window->CommandRunning());
}

// A drop that arrives while an ingestion run pumps events (as the progress window does
// between files) changes nothing, then or later.
TEST_F(DropTest, ADropDuringAnIngestionRunChangesNothing) {
    const std::string first = dir.Write("first.txt", "alpha beta");
    const std::string second = dir.Write("second.txt", "omega");
    std::vector<std::string> before, after;
    bool polled = false;
    bool entered = true;
    bool dropped = true;
    dialogs.onOpenProgress = [&](testing::FakeProgress& progress) {
        progress.onPoll = [&](int poll) {
            if (poll != 1)
                return;
            polled = true;
            before = Words();
            std::unique_ptr<QMimeData> data(Carrying({second}));
            entered = Enter(data.get());
            dropped = DropStraightIn(data.get());
            // Whatever it might have queued would run here, in the run's event pumping.
            RunQueued();
            after = Words();
        };
    };
    ConfirmAddOptions(AddMode::Files);
    ASSERT_TRUE(Drop({first}));
    RunQueued();

    ASSERT_TRUE(polled);
    EXPECT_FALSE(entered);
    EXPECT_FALSE(dropped);
    EXPECT_EQ(after, before) << "the store did not change under the run";
    EXPECT_EQ(Words(), (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_EQ(dialogs.progressWindows.size(), 1u) << "no second run";
    EXPECT_EQ(window->State.InputFiles, std::vector<std::string>{first});
    EXPECT_TRUE(dialogs.addOptions.empty());
    ASSERT_EQ(messages.shown.size(), 1u) << "one summary";
}

// File managers send the names' bytes percent-encoded, whatever they are; a name that
// is no UTF-8 must still open.
TEST_F(DropTest, ANameThatIsNoUtf8IsReadByItsBytes) {
    const std::string file = dir.Write("caf\xE9-\xFF.txt", "alpha beta");
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("text/uri-list"),
                  "file://" + QByteArray::fromStdString(file).toPercentEncoding("/") + "\r\n");
    ConfirmAddOptions(AddMode::Files);
    ASSERT_TRUE(Drop(data.get()));
    EXPECT_EQ(window->State.InputFiles, std::vector<std::string>{file});
    EXPECT_EQ(Words(), (std::vector<std::string>{"alpha", "beta"}));
}

TEST_F(DropTest, TheUriListGivesTheLocalFilesItNames) {
    const std::string host = QSysInfo::machineHostName().toStdString();
    const struct {
        const char* what;
        std::string list;
        std::vector<std::string> paths;
    } cases[] = {
        {"no host", "file:///tmp/a%20b.txt\r\n", {"/tmp/a b.txt"}},
        {"no authority", "file:/tmp/a.txt", {"/tmp/a.txt"}},
        {"localhost, any case", "FILE://LocalHost/tmp/a.txt\r\n", {"/tmp/a.txt"}},
        {"this machine", "file://" + host + "/tmp/a.txt\r\n", {"/tmp/a.txt"}},
        {"another machine", "file://elsewhere.example/tmp/a.txt\r\n", {}},
        {"bytes as they are", "file:///tmp/%e9%FF%2F%23.txt", {"/tmp/\xE9\xFF/#.txt"}},
        {"query and fragment",
         "file:///tmp/a.txt?x=1\r\nfile:///tmp/b.txt#top",
         {"/tmp/a.txt", "/tmp/b.txt"}},
        {"comments, blanks, LF alone",
         "# from a file manager\r\n\r\n  file:///tmp/a.txt  \nfile:///tmp/b.txt\n\n",
         {"/tmp/a.txt", "/tmp/b.txt"}},
        {"remote and relative", "https://example.org/a.txt\r\nfile:a.txt\r\nfile://host", {}},
        {"a NUL in the name", "file:///tmp/a%00b.txt", {}},
    };
    for (const auto& [what, list, paths] : cases) {
        SCOPED_TRACE(what);
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), QByteArray::fromStdString(list));
        EXPECT_EQ(CMainDialog::DroppedPaths(&data), paths);
    }
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
