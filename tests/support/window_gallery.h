#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "core/workspace.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tarvolen::testing {

// Every window of the program, built as a person meets it, with the texts that need
// the most room: a list with words, a progress window in the middle of a run, each
// dialog with its longest choices, the Info window on each of its tabs, the message
// boxes whose texts wrap. The layout test walks them and the screenshot tool photographs them;
// both hide them rather than close them, which would ask about the unsaved list.
// The windows built must go before the gallery: child windows hang on main windows
// it keeps.
struct GalleryWindow {
    std::string name;  // file-name friendly, e.g. "save-options"
    std::unique_ptr<QWidget> window;
};

class WindowGallery {
  public:
    WindowGallery();
    ~WindowGallery();

    // Builds all windows afresh, none of them shown.
    std::vector<GalleryWindow> Build();

  private:
    void FillList();
    // The same text as pairs and triples of words in a row.
    void FillRows();
    // A text counted under a lemma list: headwords with the forms found.
    void FillLemmas();

    FakeMessages messages_;
    // The main windows of the child windows built, hidden.
    std::vector<std::unique_ptr<QWidget>> owners_;
    FakeDialogs dialogs_;
    FakeFilePicker picker_;
    Workspace workspace_;
    Workspace rows_;
    Workspace lemmas_;
    // Add Options as shown: a lemma list chosen.
    AddOptions addOptions_;
    // The reference list the Word List window is compared with.
    TempDir files_;
};

}  // namespace tarvolen::testing
