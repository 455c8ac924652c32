// Lemma lists: the file's variants and refusals, and forms counted as their headwords
// (counts, ranges, words in a row, lists merged) against a model written here.
#include "core/listfile/lemma_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/ingest/cutter_setup.h"
#include "core/ingest/ingest.h"
#include "core/listfile/list_merge.h"
#include "core/output/word_list_writer.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::FakeProgress;
using testing::TempDir;
using testing::ZeroTicks;
// entry -> {count, range}
using Figures = std::map<std::string, std::pair<std::uint32_t, std::uint32_t>>;

struct Session {
    FakeMessages storeMessages;
    Workspace workspace{storeMessages, testing::SmallStoreOptions(4096)};
    FakeProgress progress;
    FakeMessages messages;
    ZeroTicks ticks;

    explicit Session(std::int32_t language, WordsInARow inARow = {}) {
        workspace.Add.Language = language;
        workspace.Add.InARow = inARow;
        ApplyAddOptions(workspace);
        workspace.MinWordLength = 1;
    }
    IngestHooks Hooks() { return IngestHooks{progress, messages, {}, ticks}; }
    bool Load(const std::string& path) {
        workspace.Add.LemmaFile = path;
        return LoadLemmas(workspace, messages);
    }
    void Ingest(std::vector<std::string> files) {
        IngestState state;
        state.InputFiles = std::move(files);
        IngestFiles(workspace, state, Hooks());
    }
    Figures Held() const {
        Figures figures;
        workspace.Store.ForEachEntry([&](const WordStore::HeldWord& held) {
            figures[std::string(workspace.Store.WordText(held.id))] = {held.count, held.range};
        });
        return figures;
    }
};

// form -> headword, as a reader read the text in chunks of chunk bytes; or its failure.
std::pair<std::map<std::string, std::string>, std::string> ReadInChunks(std::string_view text,
                                                                        std::size_t chunk) {
    Session session(kEnglishLatin);
    CutterSetup setup = CutterSetupOf(session.workspace);
    LemmaLineReader reader(setup, session.workspace.RunCodePage);
    bool read = true;
    for (std::size_t at = 0; at < text.size() && read; at += chunk)
        read = reader.Feed(text.substr(at, chunk));
    if (!read || !reader.Finish())
        return {{}, reader.FailureText()};
    const std::unique_ptr<LemmaMap> map = reader.TakeMap();
    std::map<std::string, std::string> heads;
    for (std::uint32_t form = 0; form < map->FormCount(); ++form)
        heads[map->Form(form)] = map->HeadOf(form);
    return {heads, {}};
}

TEST(LemmaList, FormatVariantsAndRefusals) {
    using Heads = std::map<std::string, std::string>;
    const Heads be{{"be", "be"}, {"is", "be"}, {"was", "be"}, {"were", "be"}};
    struct Case {
        std::string text;
        Heads heads;
        std::string failure;
    } cases[] = {
        {"be -> is, was, were\n", be, ""},
        {"be->is,was\twere", be, ""},
        {"  be ->is ,\twas,\t were  \r\n", be, ""},
        {"# a comment -> x\n\n \t\nBE -> Is, WAS, were\r", be, ""},
        {"be -> is, , was,\t\twere,\r\n\r\n", be, ""},
        {"be -> is\rbe -> was\r\nbe -> were, is", be, ""},
        {"be ->\ngo -> went", {{"be", "be"}, {"go", "go"}, {"went", "go"}}, ""},
        {"be is was\n", {}, "line 1: no \"->\" after the headword"},
        {"be -> is\n\n -> was\n", {}, "line 3: no headword before \"->\""},
        {"be -> is was\n",
         {},
         "line 1: \"is was\" is not one word under this language and its "
         "word rules"},
        {"# x\ndo -> don't\n",
         {},
         "line 2: \"don't\" is not one word under this language and "
         "its word rules"},
        {"be -> is!\n",
         {},
         "line 1: \"is!\" is not one word under this language and its word "
         "rules"},
        {"12 -> is\n",
         {},
         "line 1: \"12\" is not one word under this language and its word "
         "rules"},
        {"be -> is\r\nhave -> has, IS\r\n",
         {},
         "line 2: \"is\" is a form of \"be\" on line 1 "
         "and of \"have\" on this line"},
        {"be -> is\nis -> isness\n",
         {},
         "line 2: \"is\" is a form of \"be\" on line 1 and of "
         "\"is\" on this line"},
        {"be -> " + std::string(70000, 'a') + "\n",
         {},
         "line 1: the line is longer than "
         "65,536 bytes"},
    };
    for (const Case& c : cases) {
        for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, c.text.size() + 1}) {
            SCOPED_TRACE(c.text.substr(0, 60) + " in chunks of " + std::to_string(chunk));
            const auto [heads, failure] = ReadInChunks(c.text, chunk);
            EXPECT_EQ(failure, c.failure);
            EXPECT_EQ(heads, c.heads);
        }
    }
}

// The file is read as saved lists are: UTF-8 with or without its mark, UTF-16 with
// its mark, else the list's code page; a refusal is told with the path.
TEST(LemmaList, EncodingsOfTheFile) {
    TempDir dir;
    const std::string text = "b\xC3\xA4r -> B\xC3\xA4ren\n";
    const std::string cp1252 = "b\xE4r -> B\xE4ren\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : cp1252) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    for (const std::string& bytes : {text, "\xEF\xBB\xBF" + text, utf16, cp1252}) {
        Session session(kGerman);
        ASSERT_TRUE(session.Load(dir.Write("lemmas.txt", bytes)))
            << session.messages.shown.at(0).text;
        const std::uint32_t form = session.workspace.Lemmas->Find("b\xE4ren");
        ASSERT_NE(form, LemmaMap::kNoForm);
        EXPECT_EQ(session.workspace.Lemmas->HeadOf(form), "b\xE4r");
    }
    Session session(kEnglishLatin);
    const std::string bad = dir.Write("bad.txt", "be -> is\nhave -> is\n");
    EXPECT_FALSE(session.Load(bad));
    EXPECT_EQ(session.workspace.Lemmas, nullptr);
    ASSERT_EQ(session.messages.shown.size(), 1u);
    EXPECT_EQ(session.messages.shown[0].text,
              "The lemma list " + bad +
                  " was not read: line 2: \"is\" is a form of \"be\" on line 1 and of \"have\" on "
                  "this line.\r\n\r\nNothing was counted.");
}

// The model: each word as its headword; an entry is From to To consecutive mapped words
// of a sentence; the range counts the documents that hold the entry.
struct Model {
    Figures figures;
    std::map<std::string, std::map<std::string, std::uint64_t>> forms;  // head -> form -> n
};

Model Count(const std::vector<std::vector<std::vector<std::string>>>& documents,
            const std::map<std::string, std::string>& heads, WordsInARow inARow) {
    Model model;
    for (const auto& sentences : documents) {
        std::set<std::string> seen;
        for (const auto& sentence : sentences) {
            std::vector<std::string> words;
            for (const std::string& word : sentence) {
                const auto head = heads.find(word);
                words.push_back(head == heads.end() ? word : head->second);
                if (head != heads.end())
                    ++model.forms[head->second][word];
            }
            for (std::size_t end = 1; end <= words.size(); ++end)
                for (int n = inARow.From; n <= inARow.To && n <= static_cast<int>(end); ++n) {
                    std::string entry;
                    for (std::size_t i = end - n; i < end; ++i)
                        entry += (entry.empty() ? "" : " ") + words[i];
                    ++model.figures[entry].first;
                    seen.insert(entry);
                }
        }
        for (const std::string& entry : seen)
            ++model.figures[entry].second;
    }
    return model;
}

// Random documents of random sentences, and a random lemma list over their words (some
// forms given in capitals, some words named by no line), counted against the model:
// under the alphabets' own rule, the Unicode rule, and words in a row.
TEST(LemmaList, CountsAndRangesMatchTheModel) {
    const std::vector<std::string> vocabulary = {
        "alpha", "beta", "gamma", "delta", "omega", "pi", "rho", "tau", "\xC3\xA9t\xC3\xA9"};
    std::mt19937 random(40);
    for (int round = 0; round < 24; ++round) {
        const bool unicode = round % 2 == 1;
        const WordsInARow inARow = round % 3 == 2 ? WordsInARow{1, 2} : WordsInARow{};
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::string> words = vocabulary;
        if (!unicode)
            words.pop_back();
        std::shuffle(words.begin(), words.end(), random);

        std::map<std::string, std::string> heads;
        std::string lemmas = "# random\n";
        for (std::size_t at = 0; at + 1 < words.size();) {
            const std::size_t forms = random() % 3;
            const std::string& head = words[at++];
            heads[head] = head;
            lemmas += (random() % 2 ? "\n" : "") + head + (random() % 2 ? " -> " : "->");
            for (std::size_t k = 0; k < forms && at + 1 < words.size(); ++k, ++at) {
                heads[words[at]] = head;
                std::string form = words[at];
                if (random() % 3 == 0 && form[0] >= 'a' && form[0] <= 'z')
                    form[0] = static_cast<char>(form[0] - 'a' + 'A');
                lemmas += (k > 0 ? (random() % 2 ? ", " : "\t") : "") + form;
            }
            lemmas += random() % 2 ? "\r\n" : "\n";
        }

        TempDir dir;
        std::vector<std::vector<std::vector<std::string>>> documents(1 + random() % 5);
        std::vector<std::string> paths;
        for (std::size_t d = 0; d < documents.size(); ++d) {
            std::string text;
            for (std::size_t s = random() % 4; s > 0; --s) {
                auto& sentence = documents[d].emplace_back();
                for (std::size_t w = 1 + random() % 6; w > 0; --w) {
                    sentence.push_back(words[random() % words.size()]);
                    text += sentence.back() + (w > 1 && random() % 4 == 0 ? "\n" : " ");
                }
                text += ". ";
            }
            paths.push_back(dir.Write("doc" + std::to_string(d) + ".txt", text));
        }
        Session session(unicode ? kUnicode : kEnglishLatin, inARow);
        ASSERT_TRUE(session.Load(dir.Write("lemmas.txt", lemmas))) << lemmas;
        session.Ingest(paths);

        const Model model = Count(documents, heads, inARow);
        EXPECT_EQ(session.Held(), model.figures) << lemmas;
        for (const auto& [head, forms] : model.forms) {
            std::map<std::string, std::uint64_t> tallied;
            for (const auto& [form, count] : session.workspace.Forms->FormsOf(head))
                tallied[form] = count;
            EXPECT_EQ(tallied, forms) << head;
        }
    }
}

// A list saved without the lemma list and merged under it: its counts are those of
// the texts counted under it; a form's range adds to its headword's, as the ranges of
// merged lists do, since the documents behind a list are not known.
TEST(LemmaList, ListMergedUnderLemmasMapsItsWords) {
    TempDir dir;
    Session counted(kEnglishLatin);
    counted.Ingest({dir.Write("a.txt", "is was be go was. Went"), dir.Write("b.txt", "was rho")});
    FakeMessages quiet;
    WriterOptions options;
    const std::string list = (dir.path() / "list.txt").string();
    WriteRangeList(counted.workspace.Store, options, list, {quiet, counted.ticks, nullptr, {}});

    Session merged(kEnglishLatin);
    ASSERT_TRUE(merged.Load(dir.Write("lemmas.txt", "be -> is, was\ngo -> went\n")));
    ASSERT_TRUE(MergeLists(merged.workspace, {list}, merged.Hooks()));
    const Figures expected{{"be", {5, 4}}, {"go", {2, 2}}, {"rho", {1, 1}}};
    EXPECT_EQ(merged.Held(), expected);
    const FormTally::FormCounts forms{{"was", 3}, {"be", 1}, {"is", 1}};
    EXPECT_EQ(merged.workspace.Forms->FormsOf("be"), forms);
}

}  // namespace
}  // namespace tarvolen
