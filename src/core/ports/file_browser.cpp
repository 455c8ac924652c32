#include "core/ports/file_browser.h"

#include <algorithm>
#include <cstring>

#include "core/ports/file_picker.h"

namespace tarvolen {

namespace {

constexpr char kSeparator = '/';

// The '|' form the picker understands, rebuilt from the record's NUL-separated list,
// so that a caller who replaced lpstrFilter is honoured.
std::string PickerFilter(const char* filter) {
    std::string text;
    if (filter == nullptr)
        return text;
    for (const char* entry = filter; *entry != '\0'; entry += std::strlen(entry) + 1) {
        text += entry;
        text += '|';
    }
    if (!text.empty())
        text += '|';
    return text;
}

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind(kSeparator);
    if (slash == std::string::npos)
        return std::string();
    return path.substr(0, slash == 0 ? 1 : slash);
}

// The longest directory that holds every path (a picker normally answers from one
// folder; should it not, the names keep their relative folders).
std::string CommonDirectory(const std::vector<std::string>& paths) {
    std::string common = DirectoryOf(paths.front());
    for (const std::string& path : paths) {
        while (!common.empty()) {
            bool inside = path.size() > common.size() &&
                          path.compare(0, common.size(), common) == 0 &&
                          (common.back() == kSeparator || path[common.size()] == kSeparator);
            if (inside)
                break;
            common = DirectoryOf(common) == common ? std::string() : DirectoryOf(common);
        }
    }
    return common;
}

}  // namespace

CFileBrowser::CFileBrowser(bool openMode, const char* defaultExtension, const char* initialFileName,
                           std::uint32_t flags, const char* filter, FilePicker& picker)
    : OpenMode(openMode ? 1 : 0), picker_(picker) {
    if (defaultExtension != nullptr) {
        DefaultExtension = defaultExtension;
        m_ofn.lpstrDefExt = DefaultExtension.c_str();
    }
    if (initialFileName != nullptr) {
        std::size_t length = std::min<std::size_t>(std::strlen(initialFileName), kBufferSize - 1);
        std::memcpy(FileBuffer, initialFileName, length);
    }
    m_ofn.lpstrFile = FileBuffer;
    m_ofn.nMaxFile = kBufferSize;
    m_ofn.lpstrFileTitle = TitleBuffer;
    m_ofn.nMaxFileTitle = kBufferSize;
    m_ofn.Flags = flags | OFN_EXPLORER;
    if (filter != nullptr) {
        std::size_t size = std::strlen(filter) + 1;
        FilterText = std::make_unique<char[]>(size);
        std::memcpy(FilterText.get(), filter, size);
        std::replace(FilterText.get(), FilterText.get() + size, '|', '\0');
        m_ofn.lpstrFilter = FilterText.get();
    }
}

CFileBrowser::~CFileBrowser() = default;

int CFileBrowser::DoModal() {
    m_ofn.lStructSize = kStructSize;

    FilePickRequest request;
    request.save = OpenMode == 0;
    request.multiSelect = OpenMode != 0 && (m_ofn.Flags & OFN_ALLOWMULTISELECT) != 0;
    if (m_ofn.lpstrDefExt != nullptr)
        request.defaultExtension = m_ofn.lpstrDefExt;
    if (m_ofn.lpstrFile != nullptr && m_ofn.nMaxFile > 0)
        request.initialPath.assign(m_ofn.lpstrFile, strnlen(m_ofn.lpstrFile, m_ofn.nMaxFile));
    request.filter = PickerFilter(m_ofn.lpstrFilter);
    request.filterIndex = m_ofn.nFilterIndex == 0 ? 1 : static_cast<int>(m_ofn.nFilterIndex);

    FilePickResult result = picker_.PickFiles(request);
    if (!result.accepted || result.paths.empty())
        return 2;
    if (!request.multiSelect && result.paths.size() > 1)
        result.paths.resize(1);
    if (!FillFileBuffer(result.paths))
        return 2;
    if (result.filterIndex > 0)
        m_ofn.nFilterIndex = static_cast<std::uint32_t>(result.filterIndex);
    return 1;
}

bool CFileBrowser::FillFileBuffer(const std::vector<std::string>& paths) {
    bool multi = (m_ofn.Flags & OFN_ALLOWMULTISELECT) != 0;
    std::string layout;
    if (paths.size() == 1) {
        layout = paths.front();
        layout += '\0';
        // A multiple-selection buffer is always closed by an empty string, so that the
        // parser finds the end of a single path without reading past the buffer.
        if (multi)
            layout += '\0';
    } else {
        std::string directory = CommonDirectory(paths);
        std::size_t skip = directory.size();
        if (!directory.empty() && directory.back() != kSeparator)
            ++skip;
        layout = directory;
        layout += '\0';
        for (const std::string& path : paths) {
            layout.append(path, skip, std::string::npos);
            layout += '\0';
        }
        layout += '\0';
    }
    // A path with a NUL inside cannot be represented; nor can a choice that overflows.
    for (const std::string& path : paths)
        if (path.empty() || path.find('\0') != std::string::npos)
            return false;
    if (m_ofn.lpstrFile == nullptr || layout.size() > m_ofn.nMaxFile)
        return false;
    std::memcpy(m_ofn.lpstrFile, layout.data(), layout.size());

    if (m_ofn.lpstrFileTitle != nullptr && m_ofn.nMaxFileTitle > 0) {
        const std::string& first = paths.front();
        std::size_t slash = first.rfind(kSeparator);
        std::string title = slash == std::string::npos ? first : first.substr(slash + 1);
        std::size_t length = std::min<std::size_t>(title.size(), m_ofn.nMaxFileTitle - 1);
        std::memcpy(m_ofn.lpstrFileTitle, title.data(), length);
        m_ofn.lpstrFileTitle[length] = '\0';
    }
    return true;
}

std::string CFileBrowser::GetPathName() const {
    if (m_ofn.lpstrFile == nullptr)
        return std::string();
    return std::string(m_ofn.lpstrFile, strnlen(m_ofn.lpstrFile, m_ofn.nMaxFile));
}

std::string CFileBrowser::GetNextPathName(Position& pos) const {
    const char* buffer = m_ofn.lpstrFile;
    if (pos == nullptr || buffer == nullptr) {
        pos = nullptr;
        return std::string();
    }
    if (pos == buffer) {
        if ((m_ofn.Flags & OFN_ALLOWMULTISELECT) == 0) {
            pos = nullptr;
            return std::string(buffer);
        }
        pos += std::strlen(pos) + 1;
        if (*pos == '\0') {
            pos = nullptr;
            return std::string(buffer);
        }
    }

    std::string directory(buffer);
    std::string name(pos);
    pos += name.size() + 1;
    if (*pos == '\0')
        pos = nullptr;

    if (!directory.empty() && directory.back() == kSeparator)
        return directory + name;
    return directory + kSeparator + name;
}

}  // namespace tarvolen
