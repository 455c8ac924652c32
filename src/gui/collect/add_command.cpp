// The Add command: options, then chosen files or a directory scan.
#include <memory>
#include <string>
#include <vector>

#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "core/workspace.h"
#include "core/collect/char_map.h"
#include "core/collect/dir_scan.h"
#include "core/collect/tokenizer.h"
#include "core/util/file_browser.h"
#include "core/util/progress.h"

namespace tarvolen {

namespace {

constexpr std::uint32_t kAddBufferSize = 260'000;
constexpr const char* kAddFilter = "Text File (*.txt)|*.txt|All Files (*.*)|*.*||";

}  // namespace

void CMainDialog::OnAdd() {
    Workspace& ws = workspace();
    // The dialog edits a copy, so that only a confirmed dialog changes the options.
    AddOptions edited = ws.Add;
    int addMode = 0;
    if (!dialogs().RunAddOptions(edited, addMode))
        return;
    ws.Add.Language = edited.Language;
    ws.Add.SkipShortWords = edited.SkipShortWords;

    BuildCharMap(ws.Add.Language, ws.Map);
    SkipShortWords = ws.Add.SkipShortWords;
    if (addMode == 1)
        AddFromDirectory();
    else
        AddFiles();
}

void CMainDialog::AddFiles() {
    Workspace& ws = workspace();
    ws.MinWordLength = MinWordLengthOf(SkipShortWords != 0);

    std::vector<char> buffer(kAddBufferSize, '\0');
    CFileBrowser browser(true, "txt", nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT, kAddFilter,
                         picker());
    browser.m_ofn.lpstrFile = buffer.data();
    browser.m_ofn.nMaxFile = kAddBufferSize;
    browser.m_ofn.nFilterIndex = static_cast<std::uint32_t>(ws.Add.OpenFilterIndex);
    if (browser.DoModal() != 1)
        return;
    ws.Add.OpenFilterIndex = static_cast<std::int32_t>(browser.m_ofn.nFilterIndex);

    State.InputFiles.clear();
    for (CFileBrowser::Position pos = browser.GetStartPosition(); pos != nullptr;)
        State.InputFiles.push_back(browser.GetNextPathName(pos));
    IngestFiles();
}

void CMainDialog::AddFromDirectory() {
    Workspace& ws = workspace();
    // Set before the dialog, so it holds even when the scan is cancelled.
    ws.MinWordLength = MinWordLengthOf(SkipShortWords != 0);

    // An empty start lets the dialog propose the user's cache folder.
    std::string startDirectory;
    std::string typeText = kDefaultScanTypes;
    if (!dialogs().RunDirScan(startDirectory, typeText))
        return;

    State.InputFiles.clear();
    ScanTypes = ParseScanTypes(typeText);
    {
        // Closed on the way out, also when a Cancel unwinds the walk.
        std::unique_ptr<ProgressPort> progress = dialogs().OpenProgress();
        ScanDirectory(startDirectory, ScanTypes, State.InputFiles, *progress);
    }
    IngestFiles();
}

}  // namespace tarvolen
