#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolen {

class MessagePort;
class ProgressPort;

inline constexpr const char* kScanTypeSeparators = ",;\t ";
inline constexpr const char* kDefaultScanTypes = "htm,html,txt";
inline constexpr const char* kPathMissingText = "Specified path does not exist!";
inline constexpr const char* kEmptyTypeListText = "Empty type list!";
inline constexpr const char* kSelectScanDirectoryTitle = "Select the directory to scan";

// Empties list, then appends every maximal run of text that holds none of the
// separators; with trim, each token is also stripped of separators at both ends.
// Returns the number of tokens.
int SplitList(std::string_view text, std::vector<std::string>& list, bool trim,
              std::string_view separators);

// The accepted extensions of a typed type list: lower case (A to Z), dots removed,
// split at comma, semicolon, tab and space. A list that is exactly "*" accepts every
// file and comes back empty, as does a list of nothing but separators and dots.
std::vector<std::string> ParseScanTypes(std::string_view typeText);

// Whether a file name is accepted: its last extension (after the last '.', lower
// case; none when the name has no '.') equals one of scanTypes; an empty scanTypes
// accepts everything.
bool MatchesScanTypes(std::string_view fileName, const std::vector<std::string>& scanTypes);

// The checks of the directory-scan dialog's OK, in order: the start must name an
// existing file-system object (a file passes too), and the type text must not be
// empty. The first that fails is shown through messages and false comes back.
bool ValidateDirScan(const std::string& startDirectory, const std::string& typeText,
                     MessagePort& messages);

// What the walk needs of the file system. The system lister reads real folders; tests
// substitute one that refuses some of them, since root reads every folder.
// A file's or a directory's identity, whatever path leads to it.
struct DirectoryId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const DirectoryId&) const = default;
};

enum class EntryKind { File, Directory, Other };

struct DirectoryEntry {
    std::string name;
    EntryKind kind = EntryKind::Other;  // links are followed; a dangling link is Other
    DirectoryId id;                     // of the file or directory it leads to
    // Why an entry that may be a file or a directory cannot be told (errno): a link
    // that leads nowhere (ENOENT) or round in a loop (ELOOP); 0 for every other.
    int error = 0;
};

class DirectoryLister {
  public:
    virtual ~DirectoryLister() = default;
    // The entries of a directory in the order the file system gives them, without "."
    // and "..", and the directory's own identity. False, with errno set, when it
    // cannot be read.
    virtual bool List(const std::string& directory, std::vector<DirectoryEntry>& entries,
                      DirectoryId& self) = 0;
};

DirectoryLister& SystemDirectoryLister();

// The full, '/'-separated form of a starting directory: made absolute against the
// current directory and without trailing separators (the root stays "/").
std::string ScanRoot(const std::string& startDirectory);

// Walks the tree below directory depth first, pre-order, appending the full path of
// every accepted regular file to inputFiles where it was met. Each directory shows
// its path and "%d files found" (the count before it) on the progress window. Cancel
// is polled before every entry and abandons the whole walk by throwing UserCancel.
// Unreadable directories, and links that lead nowhere or round in a loop, are
// skipped, each listed in unreadable (when given) as "path: reason". Links are followed, but each
// directory is entered and each file collected once, by identity, where the walk first meets it:
// links can neither loop the walk nor multiply what it reads.
void ScanDirectory(const std::string& directory, const std::vector<std::string>& scanTypes,
                   std::vector<std::string>& inputFiles, ProgressPort& progress,
                   DirectoryLister& lister = SystemDirectoryLister(),
                   std::vector<std::string>* unreadable = nullptr);

}  // namespace tarvolen
