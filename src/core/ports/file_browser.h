#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvolen {

class FilePicker;

// Flags of the file dialog record, with the values the callers have always passed.
inline constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x2;
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr std::uint32_t OFN_ALLOWMULTISELECT = 0x200;
inline constexpr std::uint32_t OFN_FILEMUSTEXIST = 0x1000;
inline constexpr std::uint32_t OFN_EXPLORER = 0x80000;

// The description of one file dialog run. Callers may adjust it between construction
// and DoModal: point lpstrFile at a larger zero-filled buffer of their own (with
// nMaxFile its capacity) and set nFilterIndex; after DoModal nFilterIndex holds the
// entry selected when the dialog closed.
struct OpenFileName {
    std::uint32_t lStructSize = 0;
    const char* lpstrFilter = nullptr;  // NUL-separated pairs, closed by an empty string
    std::uint32_t nFilterIndex = 0;     // 1-based; 0 counts as the first entry
    char* lpstrFile = nullptr;
    std::uint32_t nMaxFile = 0;
    char* lpstrFileTitle = nullptr;
    std::uint32_t nMaxFileTitle = 0;
    std::uint32_t Flags = 0;
    const char* lpstrDefExt = nullptr;
};

// One run of the open or save file dialog. The picker (QFileDialog in the GUI, a
// script in tests) answers with full paths; DoModal writes them into the file buffer
// in the layout every caller parses:
//   one file:     the full path, then NUL (and a second NUL with multiple selection)
//   several:      the directory, NUL, each file name followed by NUL, then one more NUL
// A selection that does not fit into nMaxFile bytes is refused as the dialog would
// refuse it: DoModal returns 2 and the buffer is left as it was.
class CFileBrowser {
  public:
    static constexpr std::uint32_t kBufferSize = 260;
    static constexpr std::uint32_t kStructSize = 76;

    // Positions walk the file buffer; nullptr is "none".
    using Position = const char*;

    // defaultExtension (no dot), initialFileName and filter ("|"-separated) may be
    // null. The picker stands in for the owner window and must outlive the object.
    CFileBrowser(bool openMode, const char* defaultExtension, const char* initialFileName,
                 std::uint32_t flags, const char* filter, FilePicker& picker);
    virtual ~CFileBrowser();
    CFileBrowser(const CFileBrowser&) = delete;
    CFileBrowser& operator=(const CFileBrowser&) = delete;

    // 1 when the person confirmed a choice, 2 otherwise (cancelled, or the choice does
    // not fit into the file buffer).
    virtual int DoModal();

    // The first string of the file buffer: for one chosen file, its full path.
    std::string GetPathName() const;
    Position GetStartPosition() const { return m_ofn.lpstrFile; }
    // The full path at pos; pos moves on and becomes nullptr after the last file.
    std::string GetNextPathName(Position& pos) const;

    OpenFileName m_ofn;

  private:
    bool FillFileBuffer(const std::vector<std::string>& paths);

    std::int32_t OpenMode;
    std::string DefaultExtension;
    std::unique_ptr<char[]> FilterText;
    char FileBuffer[kBufferSize] = {};
    char TitleBuffer[kBufferSize] = {};
    FilePicker& picker_;
};

}  // namespace tarvolen
