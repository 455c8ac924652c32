#include "core/input/dir_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/ports/user_cancel.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

namespace fs = std::filesystem;
using testing::FakeMessages;
using testing::FakeProgress;
using testing::TempDir;

// --- type list --------------------------------------------------------------------

struct TypeCase {
    const char* typeText;
    std::vector<std::string> accepted;
    std::vector<std::string> refused;
};

void PrintTo(const TypeCase& c, std::ostream* out) {
    *out << '"' << c.typeText << '"';
}

class ScanTypeMatching : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ScanTypeMatching, AcceptsExactlyTheListedExtensions) {
    std::vector<std::string> types = ParseScanTypes(GetParam().typeText);
    for (const std::string& name : GetParam().accepted)
        EXPECT_TRUE(MatchesScanTypes(name, types)) << GetParam().typeText << " / " << name;
    for (const std::string& name : GetParam().refused)
        EXPECT_FALSE(MatchesScanTypes(name, types)) << GetParam().typeText << " / " << name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ScanTypeMatching,
    ::testing::Values(
        // letter case and typed dots do not matter; only these two types
        TypeCase{"HTM; .Txt", {"a.htm", "B.HTM", "c.txt", "D.TxT"}, {"a.html", "readme", "t.xt"}},
        // "*" alone is every file, one without an extension included
        TypeCase{"*", {"a.htm", "readme", "x.", ".profile", "a.b.c"}, {}},
        // a "*" among other types is just a type nobody has
        TypeCase{"*,txt", {"a.txt"}, {"a.htm", "readme", "a.t"}},
        // "*.*" loses its dot and becomes "**", matching nothing
        TypeCase{"*.*", {}, {"a.txt", "readme", "a.htm"}},
        // only separators and dots: an empty list, so every file
        TypeCase{". ,;\t..", {"a.txt", "readme"}, {}},
        // only the last extension counts; an empty one matches no type
        TypeCase{"gz", {"a.tar.gz"}, {"a.gz.tar", "gz", "a.", "a.tgz"}},
        TypeCase{"htm,html,txt", {"index.html", "x.HTM"}, {"x.xhtml", "readme"}}));

TEST(SplitList, CutsAtEverySeparatorAndDropsEmptyRuns) {
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(SplitList(" a,,b;\tc  ", list, true, kScanTypeSeparators), 3);
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitList(";;", list, true, kScanTypeSeparators), 0);
    EXPECT_TRUE(list.empty());
}

// --- the dialog's checks ----------------------------------------------------------

TEST(ValidateDirScan, ChecksPathFirstThenTypeList) {
    TempDir dir;
    std::string file = dir.Write("f.txt", "x");
    struct Case {
        std::string start;
        std::string types;
        const char* message;  // nullptr: passes
    } cases[] = {
        {dir.path().string(), "txt", nullptr},
        {file, "txt", nullptr},  // an existing file passes too
        {dir.path().string(), " ;. ", nullptr},
        {(dir.path() / "missing").string(), "", kPathMissingText},
        {"", "txt", kPathMissingText},
        {dir.path().string(), "", kEmptyTypeListText},
    };
    for (const Case& c : cases) {
        FakeMessages messages;
        EXPECT_EQ(ValidateDirScan(c.start, c.types, messages), c.message == nullptr) << c.start;
        if (c.message == nullptr)
            EXPECT_TRUE(messages.shown.empty());
        else
            EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.message});
    }
}

// --- the walk ---------------------------------------------------------------------

// The real file system, listed in name order so that expectations are stable, with
// chosen folders refused as an unreadable folder would be (the tests run as root,
// which reads everything).
class SortedLister : public DirectoryLister {
  public:
    bool List(const std::string& directory, std::vector<DirectoryEntry>& entries,
              DirectoryId& self) override {
        ++calls;
        if (refused.count(directory) != 0) {
            errno = EACCES;
            return false;
        }
        if (!SystemDirectoryLister().List(directory, entries, self))
            return false;
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        return true;
    }
    std::set<std::string> refused;
    int calls = 0;
};

struct Tree {
    TempDir dir;
    std::string root = dir.path().string();
    std::string At(const std::string& relative) const { return root + "/" + relative; }
};

std::vector<std::string> Scan(const std::string& start, const std::string& types,
                              FakeProgress& progress, DirectoryLister& lister) {
    std::vector<std::string> files{"left over"};
    files.clear();
    ScanDirectory(start, ParseScanTypes(types), files, progress, lister);
    return files;
}

TEST(ScanDirectory, SubdirectoryFilesComeWhereTheSubdirectoryWasMet) {
    Tree t;
    t.dir.Write("a.txt", "");
    t.dir.Write("b/c.txt", "");
    t.dir.Write("b/d/e.txt", "");
    t.dir.Write("b/f.htm", "");
    t.dir.Write("c.txt", "");
    t.dir.Write("readme", "");
    FakeProgress progress;
    SortedLister lister;
    EXPECT_EQ(Scan(t.root, "txt,htm", progress, lister),
              (std::vector<std::string>{t.At("a.txt"), t.At("b/c.txt"), t.At("b/d/e.txt"),
                                        t.At("b/f.htm"), t.At("c.txt")}));
    // One pair of lines per directory, with the count before it was read.
    EXPECT_EQ(progress.fileLines, (std::vector<std::string>{t.root, t.At("b"), t.At("b/d")}));
    EXPECT_EQ(progress.detailLines,
              (std::vector<std::string>{"0 files found", "1 files found", "2 files found"}));
    // Cancel is asked before every entry: 4 in the root, 3 in b, 1 in b/d.
    EXPECT_EQ(progress.polls, 8);
    // The walk cannot tell how far it has come: the bar shows only that it goes on.
    EXPECT_EQ(progress.lower, 0);
    EXPECT_EQ(progress.upper, 0);
    EXPECT_TRUE(progress.positions.empty());
}

TEST(ScanDirectory, FilesOnlyInTheStartDirectoryShowZeroFound) {
    Tree t;
    t.dir.Write("a.txt", "");
    t.dir.Write("b.txt", "");
    FakeProgress progress;
    SortedLister lister;
    EXPECT_EQ(Scan(t.root, "*", progress, lister).size(), 2u);
    EXPECT_EQ(progress.detailLines, std::vector<std::string>{"0 files found"});
}

TEST(ScanDirectory, TrailingSeparatorGivesTheSamePaths) {
    Tree t;
    t.dir.Write("x/y.txt", "");
    t.dir.Write("z.txt", "");
    FakeProgress plainProgress, slashProgress, doubleProgress;
    SortedLister lister;
    std::vector<std::string> plain = Scan(t.root, "txt", plainProgress, lister);
    EXPECT_EQ(plain, (std::vector<std::string>{t.At("x/y.txt"), t.At("z.txt")}));
    EXPECT_EQ(Scan(t.root + "/", "txt", slashProgress, lister), plain);
    EXPECT_EQ(Scan(t.root + "//", "txt", doubleProgress, lister), plain);
    EXPECT_EQ(slashProgress.fileLines, plainProgress.fileLines);
}

TEST(ScanDirectory, RelativeStartIsResolvedAgainstTheCurrentDirectory) {
    Tree t;
    t.dir.Write("sub/w.txt", "");
    fs::path before = fs::current_path();
    fs::current_path(t.root);
    FakeProgress progress;
    SortedLister lister;
    std::vector<std::string> files = Scan("sub/", "txt", progress, lister);
    fs::current_path(before);
    // The temporary folder may itself be reached through a link; compare by identity.
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].front() == '/');
    EXPECT_TRUE(fs::equivalent(files[0], t.At("sub/w.txt")));
}

TEST(ScanRoot, NormalisesTrailingSeparators) {
    EXPECT_EQ(ScanRoot("/a/b/"), "/a/b");
    EXPECT_EQ(ScanRoot("/a/b"), "/a/b");
    EXPECT_EQ(ScanRoot("/"), "/");
    EXPECT_EQ(ScanRoot("///"), "/");
}

TEST(ScanDirectory, CancelDeepInTheTreeAbandonsTheWholeWalk) {
    Tree t;
    t.dir.Write("a.txt", "");
    t.dir.Write("b/c/d/e.txt", "");
    t.dir.Write("b/c/d/f.txt", "");
    t.dir.Write("z.txt", "");
    FakeProgress progress;
    progress.CancelOnPoll(5);  // a.txt, b, c, d, then e.txt's check
    SortedLister lister;
    std::vector<std::string> files;
    EXPECT_THROW(ScanDirectory(t.root, {}, files, progress, lister), UserCancel);
    // What was found before stays for the caller to ignore; nothing after the Cancel.
    EXPECT_EQ(files, std::vector<std::string>{t.At("a.txt")});
    EXPECT_EQ(progress.polls, 5);
}

TEST(ScanDirectory, LinkBackUpTheWalkIsNotEnteredAgain) {
    Tree t;
    t.dir.Write("a/f.txt", "");
    fs::create_directory_symlink(t.root, t.At("a/up"));       // cycle to the start
    fs::create_directory_symlink(t.At("a"), t.At("a/self"));  // cycle to itself
    TempDir outside;
    outside.Write("o.txt", "");
    fs::create_directory_symlink(outside.path(), t.At("out"));  // no cycle: followed
    FakeProgress progress;
    SortedLister lister;
    EXPECT_EQ(Scan(t.root, "txt", progress, lister),
              (std::vector<std::string>{t.At("a/f.txt"), t.At("out/o.txt")}));
    EXPECT_EQ(lister.calls, 3);  // the root, a and out
}

// Links that meet again lead to one directory or one file by several paths: the walk
// enters and collects each once, where it first meets it, by identity.
TEST(ScanDirectory, EachDirectoryAndFileOnceWhateverTheLinks) {
    Tree t;
    TempDir shared;
    shared.Write("s.txt", "");
    fs::create_directory_symlink(shared.path(), t.At("l1"));
    fs::create_directory_symlink(shared.path(), t.At("l2"));
    t.dir.Write("m/x.txt", "");
    fs::create_symlink(t.At("m/x.txt"), t.At("m/y.txt"));  // a second name, in a link
    ASSERT_EQ(::link(t.At("m/x.txt").c_str(), t.At("m/z.txt").c_str()), 0);  // a third
    FakeProgress progress;
    SortedLister lister;
    EXPECT_EQ(Scan(t.root, "*", progress, lister),
              (std::vector<std::string>{t.At("l1/s.txt"), t.At("m/x.txt")}));
    EXPECT_EQ(lister.calls, 3);  // the root, l1 and m
}

// Every level holds two links to the next: 2^depth paths to the last level's file,
// which is still read once, and every level listed once.
TEST(ScanDirectory, ATreeOfLinksIsWalkedOnceALevel) {
    Tree t;
    constexpr int kDepth = 18;
    for (int level = 0; level < kDepth; ++level) {
        const std::string here = t.At("level" + std::to_string(level));
        const std::string next = t.At("level" + std::to_string(level + 1));
        fs::create_directories(here);
        fs::create_directories(next);
        fs::create_directory_symlink(next, here + "/a");
        fs::create_directory_symlink(next, here + "/b");
    }
    t.dir.Write("level" + std::to_string(kDepth) + "/deep.txt", "");
    FakeProgress progress;
    SortedLister lister;
    const std::vector<std::string> files = Scan(t.At("level0"), "txt", progress, lister);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(fs::equivalent(files[0], t.At("level" + std::to_string(kDepth) + "/deep.txt")));
    EXPECT_EQ(lister.calls, kDepth + 1);
}

TEST(ScanDirectory, UnreadableSubdirectoryIsSkippedAndListed) {
    Tree t;
    t.dir.Write("a/x.txt", "");
    t.dir.Write("b/y.txt", "");
    t.dir.Write("c.txt", "");
    FakeProgress progress;
    SortedLister lister;
    lister.refused.insert(t.At("a"));
    std::vector<std::string> files;
    std::vector<std::string> unreadable;
    ScanDirectory(t.root, {"txt"}, files, progress, lister, &unreadable);
    EXPECT_EQ(files, (std::vector<std::string>{t.At("b/y.txt"), t.At("c.txt")}));
    EXPECT_EQ(unreadable, std::vector<std::string>{t.At("a") + ": Permission denied"});
    // Its lines were still shown: the walk met it.
    EXPECT_EQ(progress.fileLines, (std::vector<std::string>{t.root, t.At("a"), t.At("b")}));
}

TEST(ScanDirectory, UnreadableSubdirectoryOnTheRealFileSystem) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder; covered through the lister";
    Tree t;
    t.dir.Write("a/x.txt", "");
    t.dir.Write("c.txt", "");
    fs::permissions(t.At("a"), fs::perms::none);
    FakeProgress progress;
    std::vector<std::string> files;
    ScanDirectory(t.root, {}, files, progress);
    EXPECT_EQ(files, std::vector<std::string>{t.At("c.txt")});
}

TEST(ScanDirectory, MissingOrFileStartFindsNothing) {
    Tree t;
    std::string file = t.dir.Write("f.txt", "");
    for (const std::string& start : {file, t.At("missing")}) {
        FakeProgress progress;
        std::vector<std::string> files;
        ScanDirectory(start, {}, files, progress);
        EXPECT_TRUE(files.empty()) << start;
        EXPECT_EQ(progress.fileLines, std::vector<std::string>{start});
    }
}

TEST(ScanDirectory, PipesAndDanglingLinksAreNotCollected) {
    // Opening a pipe would block the ingestion; a dangling link would fail it. The
    // links that lead nowhere, or round in a loop, are listed as unreadable entries
    // are, with the reason.
    Tree t;
    t.dir.Write("real.txt", "");
    ASSERT_EQ(mkfifo(t.At("pipe.txt").c_str(), 0600), 0);
    fs::create_symlink(t.At("gone.txt"), t.At("dangling.txt"));
    fs::create_symlink(t.At("loop-b"), t.At("loop-a"));
    fs::create_symlink(t.At("loop-a"), t.At("loop-b"));
    TempDir outside;
    fs::create_symlink(outside.Write("o.txt", ""), t.At("link.txt"));
    FakeProgress progress;
    SortedLister lister;
    std::vector<std::string> files;
    std::vector<std::string> unreadable;
    ScanDirectory(t.root, ParseScanTypes("txt"), files, progress, lister, &unreadable);
    EXPECT_EQ(files, (std::vector<std::string>{t.At("link.txt"), t.At("real.txt")}));
    EXPECT_EQ(unreadable,
              (std::vector<std::string>{t.At("dangling.txt") + ": No such file or directory",
                                        t.At("loop-a") + ": Too many levels of symbolic links",
                                        t.At("loop-b") + ": Too many levels of symbolic links"}));
}

}  // namespace
}  // namespace tarvolen
