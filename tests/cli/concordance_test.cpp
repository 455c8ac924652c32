// tarvolen-cli --concordance on random texts of several scripts, against a model built
// from the words and gaps each text was made of: the lines, their line numbers and
// contexts, and as many lines as the list of the same files counts the entry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_child.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

// ---- The model. A text is words and gaps; a word knows its folded form.
struct Word {
    std::string text;    // as written, UTF-8
    std::string folded;  // as the list holds it
};

struct Piece {
    std::u32string text;
    bool word = false;
    std::string folded;
    bool joins = false;  // a gap that keeps the words either side in a row
};

// Each gap is white space (with at most one line end), or else it parts a row.
struct Gap {
    std::string text;
    bool joins;
};

std::u32string U32(const std::string& utf8) {
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : b & (0x7F >> n);
        for (int k = 1; k < n; ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out.push_back(c);
        i += static_cast<std::size_t>(n);
    }
    return out;
}

std::string Utf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The only blanks the texts hold.
bool Blank(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0;
}

std::u32string Collapse(const std::u32string& text) {
    std::u32string out;
    for (char32_t c : text) {
        if (!Blank(c))
            out.push_back(c);
        else if (out.empty() || out.back() != U' ')
            out.push_back(U' ');
    }
    return out;
}

struct Document {
    std::string name;
    std::vector<Piece> pieces;
};

// The words beside a line's match, as the list counts them: L1..L3, then R1..R3; ""
// where there is none.
using Around = std::array<std::string, 6>;

// The expected lines of entry (k words) in the documents, in document order, and the
// words around each.
std::vector<std::string> ExpectedLines(const std::vector<Document>& documents,
                                       const std::vector<std::string>& entry, std::size_t width,
                                       std::vector<Around>* around = nullptr) {
    std::vector<std::string> lines;
    for (const Document& document : documents) {
        std::u32string text;
        std::vector<std::size_t> starts;
        for (const Piece& piece : document.pieces) {
            starts.push_back(text.size());
            text += piece.text;
        }
        const std::size_t k = entry.size();
        for (std::size_t i = 0; i < document.pieces.size(); ++i) {
            // k words in a row from piece i: word, joining gap, word, ...
            std::size_t last = i;
            bool found = true;
            for (std::size_t w = 0; w < k && found; ++w) {
                const std::size_t at = i + 2 * w;
                found = at < document.pieces.size() && document.pieces[at].word &&
                        document.pieces[at].folded == entry[w] &&
                        (w == 0 || document.pieces[at - 1].joins);
                last = at;
            }
            if (!found)
                continue;
            if (around != nullptr) {
                Around words;
                auto counted = [&](std::size_t at) {
                    return document.pieces[at].word && document.pieces[at].folded != "-";
                };
                for (std::size_t at = i, k = 0; at-- > 0 && k < 3;)
                    if (counted(at))
                        words[k++] = document.pieces[at].folded;
                for (std::size_t at = last + 1, k = 3; at < document.pieces.size() && k < 6; ++at)
                    if (counted(at))
                        words[k++] = document.pieces[at].folded;
                around->push_back(words);
            }
            const std::size_t begin = starts[i];
            const std::size_t end = starts[last] + document.pieces[last].text.size();
            std::size_t line = 1;
            for (std::size_t c = 0; c < begin; ++c)
                line += text[c] == '\r' || (text[c] == '\n' && (c == 0 || text[c - 1] != '\r'));
            const std::u32string left = Collapse(text.substr(0, begin));
            const std::u32string right = Collapse(text.substr(end));
            lines.push_back(document.name + "\t" + std::to_string(line) + "\t" +
                            Utf8(left.substr(left.size() - std::min(width, left.size()))) + "\t" +
                            Utf8(Collapse(text.substr(begin, end - begin))) + "\t" +
                            Utf8(right.substr(0, width)));
        }
    }
    return lines;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct Mode {
    std::vector<std::string> options;
    std::vector<Word> words;
    std::vector<std::string> others;  // characters that are no letters of the mode
};

// The words of "new york" entries join over a gap that joins: only these gaps do.
const std::vector<Gap> kGaps = {
    {" ", true},         {"\t", true},    {"\r\n", true},     {"\n", true},
    {"\r", true},        {"  \n ", true}, {"\xC2\xA0", true}, {"\n\n", false},
    {"\r\n\r\n", false}, {", ", false},   {". ", false},      {" (", false},
};

const Mode kEnglish = {
    {"-l", "english"},
    {{"the", "the"},
     {"The", "the"},
     {"THE", "the"},
     {"new", "new"},
     {"New", "new"},
     {"York", "york"},
     {"york", "york"},
     {"cat", "cat"},
     {"Sat", "sat"}},
    {"\xE2\x80\x94", "\xE2\x82\xAC", "\xC2\xAB", "1", "42"},  // em dash, euro, guillemet
};

const Mode kUnicode = {
    {"-l", "unicode"},
    {{"the", "the"},
     {"The", "the"},
     {"new", "new"},
     {"York", "york"},
     {"\xD0\x9C\xD0\xB8\xD1\x80", "\xD0\xBC\xD0\xB8\xD1\x80"},  // Мир
     {"\xD0\xBC\xD0\xB8\xD1\x80", "\xD0\xBC\xD0\xB8\xD1\x80"},  // мир
     {"\xCE\x9B\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82", "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82"},
     {"Caf\xC3\xA9", "caf\xC3\xA9"},
     {"caf\xC3\xA9", "caf\xC3\xA9"}},
    {"\xE2\x80\x94", "\xE2\x80\xA6", "!", "1"},  // em dash, ellipsis
};

// The word rules' cutter: words of 3 letters or fewer are not counted, and so never
// occur (nor do they join a row).
const Mode kRules = {
    {"-l", "english", "--apostrophes", "--hyphens", "-s"},
    {{"Don't", "don't"},
     {"don't", "don't"},
     {"Well-known", "well-known"},
     {"YORK", "york"},
     {"the", "-"},
     {"cat", "-"},
     {"it's", "it's"}},  // 4 bytes: long enough
    {"\xE2\x80\x94", "1", "!"},
};

struct Made {
    Document document;
    std::string bytes;
};

// A random text; with padding, a long first stretch of "zzzz" words puts the end of
// the first chunk (262,144 bytes) among the random words.
Made MakeText(std::mt19937& random, const Mode& mode, const std::string& name, bool padded,
              bool html) {
    Made made;
    made.document.name = name;
    // A tag in a gap reads as a space in a web page, and parts no row.
    auto add = [&](const std::string& text, bool word, const std::string& folded,
                   bool joins = false, const std::string& tag = "") {
        made.document.pieces.push_back({U32((tag.empty() ? "" : " ") + text), word, folded, joins});
        made.bytes += tag + text;
    };
    if (padded) {
        const std::size_t target =
            262144 - std::uniform_int_distribution<std::size_t>(0, 60)(random);
        while (made.bytes.size() + 5 < target) {
            add("zzzz", true, "zzzz");
            add(made.bytes.size() % 70 < 5 ? "\n" : " ", false, "");
        }
        while (made.bytes.size() < target)
            add(",", false, "");
    }
    const int count = std::uniform_int_distribution<int>(5, 200)(random);
    for (int i = 0; i < count; ++i) {
        const Word& word = mode.words[random() % mode.words.size()];
        add(word.text, true, word.folded);
        if (random() % 5 == 0) {
            add(mode.others[random() % mode.others.size()], false, "");
            continue;
        }
        const Gap& gap = kGaps[random() % kGaps.size()];
        const std::string tag = !html || random() % 3 != 0 ? ""
                                : random() % 2 == 0        ? "<b>"
                                                           : "</i>";
        add(gap.text, false, "", gap.joins, tag);
    }
    return made;
}

std::size_t CountOf(const std::string& list, const std::string& entry) {
    for (const std::string& line : Lines(list)) {
        const std::size_t comma = line.rfind(',');
        if (line.substr(0, comma) == entry)
            return std::stoul(line.substr(comma + 1));
    }
    return 0;
}

TEST(ConcordanceTest, RandomTextsGiveTheModelsLinesAndTheListsCount) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 24; ++round) {
        const Mode& mode = round % 4 == 2 ? kRules : round % 2 == 0 ? kEnglish : kUnicode;
        TempDir dir;
        std::vector<Document> documents;
        std::vector<std::string> paths;
        const int files = 1 + round % 3;
        for (int f = 0; f < files; ++f) {
            const bool html = (round + f) % 4 == 3;
            const std::string name = "doc" + std::to_string(f) + (html ? ".html" : ".txt");
            // English rounds go unpadded, so that their small files are cut into parts
            // of a few bytes (a part is at least a share of all the bytes).
            const bool padded = round % 3 == f && mode.options != kEnglish.options;
            Made made = MakeText(random, mode, name, padded, html);
            std::string bytes = made.bytes;
            if (!html && round % 5 == 1) {
                // UTF-16 with its byte order mark: the same text, read through the decoder.
                std::string wide = "\xFF\xFE";
                for (char32_t c : U32(bytes)) {
                    wide += static_cast<char>(c & 0xFF);
                    wide += static_cast<char>(c >> 8);
                }
                bytes = wide;
            }
            dir.Write(name, bytes);
            paths.push_back(name);
            documents.push_back(std::move(made.document));
        }
        // The entry: one word, or two or three words in a row.
        const std::size_t words = 1 + round % 3;
        std::vector<std::string> entry;
        for (std::size_t w = 0; w < words; ++w)
            entry.push_back(mode.words[random() % 4].folded);
        std::string typed;
        for (const std::string& word : entry)
            typed += (typed.empty() ? "" : " ") + word;
        const std::size_t width = round % 4 == 0 ? 40 : 1 + random() % 12;

        std::vector<std::string> args = mode.options;
        args.insert(args.end(), {"--concordance", typed, "--context", std::to_string(width)});
        std::vector<std::string> listArgs = mode.options;
        listArgs.insert(listArgs.end(),
                        {"--frequency", "--utf8", "--ngrams", std::to_string(words), "-o", "-"});
        for (const std::string& path : paths) {
            args.push_back((dir.path() / path).string());
            listArgs.push_back((dir.path() / path).string());
        }
        for (Document& document : documents)
            document.name = (dir.path() / document.name).string();
        std::vector<Around> around;
        const std::vector<std::string> expected = ExpectedLines(documents, entry, width, &around);
        // On one thread, and on several with the files cut into parts of a few bytes, so
        // that cuts fall next to the matches and inside their contexts and line ends.
        Outcome run;
        for (const char* jobs : {"1", "2", "3", "7"}) {
            std::vector<std::string> threaded = args;
            threaded.insert(threaded.begin(), {"-j", jobs});
            ::setenv("TARVOLEN_LEAST_THREAD_PART", std::to_string(1 + round % 9).c_str(), 1);
            run = RunCli(dir, threaded);
            ::unsetenv("TARVOLEN_LEAST_THREAD_PART");
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(Lines(run.out), expected)
                << "round " << round << " entry '" << typed << "' -j " << jobs;
        }
        // Sorted, through runs of a few lines each, merged.
        const std::vector<std::vector<int>> sorts = {{3}, {0}, {1, 5}, {4, 2, 3}};
        const std::vector<int>& keys = sorts[(round / 2) % sorts.size()];
        std::string keysText;
        for (const int key : keys)
            keysText += std::string(keysText.empty() ? "" : ",") + (key < 3 ? "L" : "R") +
                        std::to_string(key % 3 + 1);
        std::vector<std::size_t> order(expected.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            for (const int key : keys)
                if (around[a][key] != around[b][key])
                    return around[a][key] < around[b][key];
            return false;
        });
        std::vector<std::string> sorted;
        for (const std::size_t i : order)
            sorted.push_back(expected[i]);
        for (const char* jobs : {"1", "3"}) {
            std::vector<std::string> threaded = args;
            threaded.insert(threaded.begin(), {"-j", jobs, "--sort", keysText});
            ::setenv("TARVOLEN_LEAST_THREAD_PART", std::to_string(1 + round % 9).c_str(), 1);
            ::setenv("TARVOLEN_SORT_RUN_BYTES", std::to_string(1 + round * 40).c_str(), 1);
            const Outcome sortedRun = RunCli(dir, threaded);
            ::unsetenv("TARVOLEN_LEAST_THREAD_PART");
            ::unsetenv("TARVOLEN_SORT_RUN_BYTES");
            ASSERT_EQ(sortedRun.status, 0) << sortedRun.err;
            EXPECT_EQ(Lines(sortedRun.out), sorted) << "round " << round << " entry '" << typed
                                                    << "' --sort " << keysText << " -j " << jobs;
        }
        const Outcome list = RunCli(dir, listArgs);
        ASSERT_EQ(list.status, 0) << list.err;
        EXPECT_EQ(CountOf(list.out, typed), Lines(run.out).size()) << "round " << round;
        EXPECT_THAT(run.err, ::testing::HasSubstr(std::to_string(expected.size()) + " occurrence"));
    }
}

}  // namespace
}  // namespace tarvolen

namespace tarvolen {
namespace {

// The words of a.txt: b the z a the the y c d the x; b.txt is "the" alone, with no
// neighbour at all. Each line is named by its file and line number.
TEST(ConcordanceTest, SortsByEachKeyMissingWordsFirstTiesInDocumentOrder) {
    TempDir dir;
    const std::string a = dir.Write("a.txt", "b the z\nA the\nthe y\nc d THE x");
    const std::string b = dir.Write("b.txt", "the");
    struct Case {
        std::string keys;
        std::vector<std::string> order;
    };
    const std::vector<Case> cases = {
        {"L1", {"b1", "a2", "a1", "a4", "a3"}},  // none, a, b, d, the
        {"L2", {"a1", "b1", "a3", "a4", "a2"}},  // none twice, a, c, z
        {"L3", {"a1", "b1", "a2", "a4", "a3"}},  // none twice, the, y, z
        {"R1", {"b1", "a2", "a4", "a3", "a1"}},  // none, the, x, y, z
        {"R2", {"a4", "b1", "a1", "a3", "a2"}},  // none twice, a, c, y
        {"R3", {"a4", "b1", "a2", "a3", "a1"}},  // none twice, c, d, the
        {"r2,l1", {"b1", "a4", "a1", "a3", "a2"}},
    };
    for (const Case& c : cases) {
        const Outcome run = RunCli(dir, {"--concordance", "the", "--sort", c.keys, a, b});
        ASSERT_EQ(run.status, 0) << run.err;
        std::vector<std::string> order;
        for (const std::string& line : Lines(run.out)) {
            const std::size_t tab = line.find('\t');
            order.push_back(line.substr(tab - 5, 1) +
                            line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1));
        }
        EXPECT_EQ(order, c.order) << c.keys;
    }
}

}  // namespace
}  // namespace tarvolen

namespace tarvolen {
namespace {

// A concordance reads each file once, so standard input and a pipe named by its path
// give the lines a regular file gives, in document order and sorted, each under its
// name as given.
TEST(ConcordanceTest, StandardInputAndPipesGiveTheLinesOfAFile) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += i % 7 == 0 ? "The cat sat.\r\n" : "a dog and the bird " + std::to_string(i) + "\n";
    const std::string file = dir.Write("a.txt", text);
    const auto named = [](const std::string& out, const std::string& name) {
        std::string lines;
        for (const std::string& line : Lines(out))
            lines += name + line.substr(line.find('\t')) + "\n";
        return lines;
    };
    for (const std::vector<std::string>& sort : {std::vector<std::string>{}, {"--sort", "R1,L1"}}) {
        std::vector<std::string> args = {"--concordance", "the", "--context", "9"};
        args.insert(args.end(), sort.begin(), sort.end());
        std::vector<std::string> fromFile = args;
        fromFile.push_back(file);
        const Outcome expected = RunCli(dir, fromFile);
        ASSERT_EQ(expected.status, 0) << expected.err;

        std::vector<std::string> fromStdin = args;
        fromStdin.push_back("-");
        StandardInput input;
        input.piped = text;
        const Outcome piped = Child(dir, fromStdin, std::nullopt, input).Wait();
        ASSERT_EQ(piped.status, 0) << piped.err;
        EXPECT_EQ(piped.out, named(expected.out, "-"));

        const std::string fifo = (dir.path() / "fifo").string();
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::vector<std::string> fromFifo = args;
        fromFifo.push_back(fifo);
        Child child(dir, fromFifo);
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(writer, 0);
        EXPECT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(writer);
        const Outcome fromPipe = child.Wait();
        ::unlink(fifo.c_str());
        ASSERT_EQ(fromPipe.status, 0) << fromPipe.err;
        EXPECT_EQ(fromPipe.out, named(expected.out, fifo));
    }
}

// Lines that cannot go to the folder for temporary files fail the run, and the old
// output stays as it was.
TEST(ConcordanceTest, ASortWithNoRoomForItsRunsFailsAndKeepsTheOldOutput) {
    TempDir dir;
    const std::string text = dir.Write("a.txt", "the cat saw the dog and the bird");
    const std::string out = dir.Write("out.txt", "old");
    ::setenv("TMPDIR", (dir.path() / "missing").c_str(), 1);
    ::setenv("TARVOLEN_SORT_RUN_BYTES", "1", 1);
    const Outcome run = RunCli(dir, {"--concordance", "the", "--sort", "R1", "-o", out, text});
    ::unsetenv("TARVOLEN_SORT_RUN_BYTES");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, ::testing::HasSubstr("folder for temporary files"));
    EXPECT_EQ(TempDir::Read(out), "old");
}

// Under a lemma list a headword's lines are those of all its forms, as many as the list
// counts for it, each match as the document writes it; the neighbours are words as the
// list counts them, headwords included.
TEST(ConcordanceTest, AHeadwordShowsEveryFormUnderEachAlphabet) {
    TempDir dir;
    const std::string lemmas = dir.Write("lemmas.txt", "be -> is, was, were\ngo -> went\n");
    const std::string text =
        dir.Write("a.txt", "Was here.\nThey were here, it is here\nto be here; we went home.\n");
    for (const std::vector<std::string>& mode :
         {std::vector<std::string>{}, {"-l", "unicode"}, {"--apostrophes"}}) {
        struct Case {
            std::string entry;
            std::vector<std::string> args;
            std::vector<std::string> matches;
        };
        const std::vector<Case> cases = {
            {"be", {}, {"Was", "were", "is", "be"}},
            {"be here", {}, {"Was here", "were here", "is here", "be here"}},
            {"be", {"--sort", "R1"}, {"Was", "were", "is", "be"}},
            {"go", {"--sort", "L1"}, {"went"}},
            {"was", {}, {}},
        };
        for (const Case& c : cases) {
            std::vector<std::string> args = mode;
            args.insert(args.end(),
                        {"--lemmas", lemmas, "--concordance", c.entry, "--context", "4", text});
            args.insert(args.end(), c.args.begin(), c.args.end());
            const Outcome run = RunCli(dir, args);
            ASSERT_EQ(run.status, 0) << run.err;
            std::vector<std::string> matches;
            for (const std::string& line : Lines(run.out)) {
                std::vector<std::string> fields;
                std::stringstream in(line);
                for (std::string field; std::getline(in, field, '\t');)
                    fields.push_back(field);
                ASSERT_GE(fields.size(), 4u) << line;
                matches.push_back(fields[3]);
            }
            EXPECT_EQ(matches, c.matches) << c.entry;
            std::vector<std::string> listArgs = mode;
            listArgs.insert(listArgs.end(),
                            {"--lemmas", lemmas, "--frequency", "--utf8", "--ngrams",
                             c.entry.find(' ') == std::string::npos ? "1" : "2", "-o", "-", text});
            const Outcome list = RunCli(dir, listArgs);
            ASSERT_EQ(list.status, 0) << list.err;
            EXPECT_EQ(CountOf(list.out, c.entry), c.matches.size()) << c.entry;
        }
    }
}

}  // namespace
}  // namespace tarvolen
