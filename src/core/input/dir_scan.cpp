#include "core/input/dir_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/text/format_count.h"

namespace tarvolen {

namespace {

constexpr char kSeparator = '/';

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

DirectoryId IdOf(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

class PosixDirectoryLister : public DirectoryLister {
  public:
    bool List(const std::string& directory, std::vector<DirectoryEntry>& entries,
              DirectoryId& self) override {
        entries.clear();
        DIR* dir = opendir(directory.c_str());
        if (dir == nullptr)
            return false;
        int fd = dirfd(dir);
        struct stat status;
        if (fstat(fd, &status) != 0) {
            const int error = errno;
            closedir(dir);
            errno = error;
            return false;
        }
        self = IdOf(status);
        // The whole listing is read before any subdirectory is entered, so a deep tree
        // holds one descriptor at a time instead of one per level.
        while (dirent* entry = readdir(dir)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            DirectoryEntry item;
            item.name = name;
            const bool mayBeFileOrDirectory = entry->d_type == DT_REG || entry->d_type == DT_DIR ||
                                              entry->d_type == DT_LNK ||
                                              entry->d_type == DT_UNKNOWN;
            // Links are followed like the entries they lead to. The entry's own inode
            // number is not asked: some file systems (overlays) give another one there
            // than through the link.
            if (mayBeFileOrDirectory && fstatat(fd, entry->d_name, &status, 0) == 0) {
                item.id = IdOf(status);
                if (S_ISDIR(status.st_mode))
                    item.kind = EntryKind::Directory;
                else if (S_ISREG(status.st_mode))
                    item.kind = EntryKind::File;
            } else if (mayBeFileOrDirectory) {
                item.error = errno;
            }
            entries.push_back(std::move(item));
        }
        closedir(dir);
        return true;
    }
};

bool StartExists(const std::string& path) {
    struct stat status;
    return !path.empty() && stat(path.c_str(), &status) == 0;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == kSeparator)
        return directory + name;
    return directory + kSeparator + name;
}

struct Walk {
    const std::vector<std::string>& scanTypes;
    std::vector<std::string>& inputFiles;
    ProgressPort& progress;
    DirectoryLister& lister;
    std::vector<std::string>* unreadable;
    // The directories entered and the files collected so far. A link back up the walk
    // would loop until paths grew too long, and links across it would read a file once
    // per path: a tree of two links a level, 18 levels deep, 262,144 times.
    std::set<DirectoryId> entered;
    std::set<DirectoryId> collected;

    void Scan(const std::string& directory) {
        progress.SetFileLine(directory);
        progress.SetDetailLine(FormatText("%d files found", static_cast<int>(inputFiles.size())));

        std::vector<DirectoryEntry> entries;
        DirectoryId self;
        if (!lister.List(directory, entries, self)) {
            if (unreadable != nullptr)
                unreadable->push_back(directory + ": " + std::strerror(errno));
            return;
        }
        if (!entered.insert(self).second)
            return;
        for (const DirectoryEntry& entry : entries) {
            if (progress.CancelRequested())
                throw UserCancel{};
            std::string full = JoinPath(directory, entry.name);
            switch (entry.kind) {
                case EntryKind::Directory:
                    if (!entered.contains(entry.id))
                        Scan(full);
                    break;
                case EntryKind::File:
                    if (MatchesScanTypes(entry.name, scanTypes) &&
                        collected.insert(entry.id).second)
                        inputFiles.push_back(std::move(full));
                    break;
                case EntryKind::Other:
                    // Devices, pipes and links that lead nowhere: opening a pipe would
                    // hang the ingestion and a dangling link would fail its size pass.
                    // A link that cannot be followed was meant to be read: the person
                    // is told.
                    if (entry.error != 0 && unreadable != nullptr)
                        unreadable->push_back(full + ": " + std::strerror(entry.error));
                    break;
            }
        }
    }
};

}  // namespace

int SplitList(std::string_view text, std::vector<std::string>& list, bool trim,
              std::string_view separators) {
    list.clear();
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t begin = text.find_first_not_of(separators, at);
        if (begin == std::string_view::npos)
            break;
        std::size_t end = text.find_first_of(separators, begin);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view token = text.substr(begin, end - begin);
        if (trim) {
            // A maximal run holds no separator, so this only matters to callers that
            // split differently; kept for the contract.
            std::size_t first = token.find_first_not_of(separators);
            std::size_t last = token.find_last_not_of(separators);
            token = first == std::string_view::npos ? std::string_view()
                                                    : token.substr(first, last - first + 1);
        }
        list.emplace_back(token);
        at = end;
    }
    return static_cast<int>(list.size());
}

std::vector<std::string> ParseScanTypes(std::string_view typeText) {
    std::string prepared;
    prepared.reserve(typeText.size());
    for (char c : typeText)
        if (c != '.')
            prepared += AsciiLower(c);
    std::vector<std::string> types;
    SplitList(prepared, types, true, kScanTypeSeparators);
    if (types.size() == 1 && types.front() == "*")
        types.clear();
    return types;
}

bool MatchesScanTypes(std::string_view fileName, const std::vector<std::string>& scanTypes) {
    if (scanTypes.empty())
        return true;
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string extension;
    for (char c : fileName.substr(dot + 1))
        extension += AsciiLower(c);
    if (extension.empty())
        return false;
    return std::find(scanTypes.begin(), scanTypes.end(), extension) != scanTypes.end();
}

bool ValidateDirScan(const std::string& startDirectory, const std::string& typeText,
                     MessagePort& messages) {
    if (!StartExists(startDirectory)) {
        messages.ShowMessage(kPathMissingText, MessageIcon::Warning);
        return false;
    }
    if (typeText.empty()) {
        messages.ShowMessage(kEmptyTypeListText, MessageIcon::Warning);
        return false;
    }
    return true;
}

DirectoryLister& SystemDirectoryLister() {
    static PosixDirectoryLister lister;
    return lister;
}

std::string ScanRoot(const std::string& startDirectory) {
    std::string root = startDirectory;
    if (root.empty() || root.front() != kSeparator) {
        std::string current;
        if (char* cwd = getcwd(nullptr, 0)) {
            current = cwd;
            free(cwd);
        }
        root = root.empty() ? current : JoinPath(current, root);
    }
    while (root.size() > 1 && root.back() == kSeparator)
        root.pop_back();
    return root;
}

void ScanDirectory(const std::string& directory, const std::vector<std::string>& scanTypes,
                   std::vector<std::string>& inputFiles, ProgressPort& progress,
                   DirectoryLister& lister, std::vector<std::string>* unreadable) {
    // How many directories lie ahead is unknown until the walk ends.
    progress.SetBounds(0, 0);
    Walk walk{scanTypes, inputFiles, progress, lister, unreadable, {}, {}};
    walk.Scan(ScanRoot(directory));
}

}  // namespace tarvolen
