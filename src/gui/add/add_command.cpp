// The Add command: options, then chosen files or a directory scan.
#include <memory>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/input/dir_scan.h"
#include "core/listfile/lemma_list.h"
#include "core/listfile/list_merge.h"
#include "core/listfile/reference_list.h"
#include "core/ports/file_browser.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/text/format_count.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "core/workspace.h"
#include "gui/app/app_settings.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "gui/app/qt_paths.h"

namespace tarvolen {

namespace {

constexpr std::uint32_t kAddBufferSize = 260'000;
// The directory scan's own folder among the kept settings.
const QString kScanFolderKey = QStringLiteral("directory-scan");

// One list holds words of one code page: it is saved and shown through that code
// page, so words of the other would come out as the wrong letters. The user decides.
bool ConfirmMixedCodePages(MessagePort& messages, const Workspace& ws, std::int32_t language) {
    return messages.Ask(CMainDialog::MixedCodePagesQuestion(ws.ListCodePage, language),
                        MessageButtons::YesNo) == Answer::Yes;
}
constexpr const char* kAddFilter = "Text File (*.txt)|*.txt|All Files (*.*)|*.*||";
constexpr const char* kWordListFilter = "Word List (*.txt)|*.txt|All Files (*.*)|*.*||";

}  // namespace

std::string CMainDialog::MixedCodePagesQuestion(CodePage listCodePage, std::int32_t language) {
    return FormatText(
        "The list holds words of the %s code page, and the chosen language is written in "
        "%s. Its words would be saved and shown as %s text.\r\n\r\nAdd them anyway?",
        CodePageName(listCodePage), CodePageName(CodePageOf(language)), CodePageName(listCodePage));
}

bool CMainDialog::ConfirmAddOptions(AddMode& addMode) {
    Workspace& ws = workspace();
    // The dialog edits a copy, so that only a confirmed dialog changes the options.
    AddOptions edited = ws.Add;
    addMode = AddMode::Files;
    if (!dialogs().RunAddOptions(edited, addMode))
        return false;
    if (WouldMixCodePages(ws, edited.Language) &&
        !ConfirmMixedCodePages(messages(), ws, edited.Language))
        return false;
    // Whole, so that no option the dialog edits is left behind.
    ws.Add = edited;
    if (settings() != nullptr)
        settings()->StoreAddOptions(ws.Add);

    ApplyAddOptions(ws);
    SkipShortWords = ws.Add.SkipShortWords;
    return true;
}

void CMainDialog::OnAdd() {
    AddMode addMode = AddMode::Files;
    if (!ConfirmAddOptions(addMode))
        return;
    if (addMode == AddMode::WordList)
        AddWordLists();
    else if (addMode == AddMode::DirectoryScan)
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
    if (settings() != nullptr)
        settings()->StoreAddOptions(ws.Add);

    State.InputFiles.clear();
    State.scanned = false;
    State.named.clear();
    State.skipped = {};
    for (CFileBrowser::Position pos = browser.GetStartPosition(); pos != nullptr;)
        State.InputFiles.push_back(browser.GetNextPathName(pos));
    IngestFiles();
}

void CMainDialog::AddWordLists() {
    const std::vector<std::string> lists = PickWordLists(true);
    if (!lists.empty())
        MergeWordLists(lists);
}

std::vector<std::string> CMainDialog::PickWordLists(bool several) {
    // Lists are read under the short-word option as it is now, whoever reads them.
    workspace().MinWordLength = MinWordLengthOf(SkipShortWords != 0);
    std::vector<char> buffer(kAddBufferSize, '\0');
    CFileBrowser browser(true, "txt", nullptr,
                         OFN_HIDEREADONLY | (several ? OFN_ALLOWMULTISELECT : 0u), kWordListFilter,
                         picker());
    browser.m_ofn.lpstrFile = buffer.data();
    browser.m_ofn.nMaxFile = kAddBufferSize;
    std::vector<std::string> lists;
    if (browser.DoModal() != 1)
        return lists;
    for (CFileBrowser::Position pos = browser.GetStartPosition(); pos != nullptr;)
        lists.push_back(browser.GetNextPathName(pos));
    return lists;
}

void CMainDialog::MergeWordLists(const std::vector<std::string>& lists) {
    if (!LoadLemmas(workspace(), messages()))
        return;
    std::unique_ptr<ProgressPort> progress = dialogs().OpenProgress();
    const IngestHooks hooks{*progress, messages(), [this] { RefreshStatusLine(); }};
    // Their words have no documents a concordance could show them in.
    const std::int32_t before = workspace().Store.Count();
    if (MergeLists(workspace(), lists, hooks) || workspace().Store.Count() != before)
        workspace().Added.fromSavedLists = true;
}

std::unique_ptr<RunState> CMainDialog::ReadReferenceList(const std::string& path) {
    ErrorsOnlyMessages errors(messages());
    std::unique_ptr<RunState> reference;
    {
        std::unique_ptr<ProgressPort> progress = dialogs().OpenProgress();
        const IngestHooks hooks{*progress, errors, {}};
        reference = tarvolen::ReadReferenceList(workspace(), path, hooks);
    }
    if (reference != nullptr && reference->Store.Count() == 0) {
        messages().ShowMessage(FormatText(kEmptyReferenceFormat, path.c_str()),
                               MessageIcon::Warning);
        return nullptr;
    }
    return reference;
}

void CMainDialog::AddFromDirectory() {
    Workspace& ws = workspace();
    // Set before the dialog, so it holds even when the scan is cancelled.
    ws.MinWordLength = MinWordLengthOf(SkipShortWords != 0);

    // The folder scanned last; an empty start lets the dialog propose the user's cache
    // folder.
    std::string startDirectory;
    if (settings() != nullptr)
        startDirectory = EncodePath(settings()->Folder(kScanFolderKey));
    std::string typeText = kDefaultScanTypes;
    if (!dialogs().RunDirScan(startDirectory, typeText))
        return;
    if (settings() != nullptr)
        settings()->SetFolder(kScanFolderKey, DecodePath(startDirectory));

    State.InputFiles.clear();
    State.scanned = true;
    State.named.clear();
    State.skipped = {};
    ScanTypes = ParseScanTypes(typeText);
    {
        // Closed on the way out, also when a Cancel unwinds the walk.
        std::unique_ptr<ProgressPort> progress = dialogs().OpenProgress();
        ScanDirectory(startDirectory, ScanTypes, State.InputFiles, *progress,
                      SystemDirectoryLister(), &State.skipped.unreadable);
    }
    IngestFiles();
}

}  // namespace tarvolen
