#include "core/listfile/lemma_list.h"

#include <algorithm>

#include "core/ingest/cutter_setup.h"
#include "core/ingest/run_state.h"
#include "core/listfile/list_merge.h"
#include "core/listfile/list_records.h"
#include "core/text/format_count.h"

namespace tarvolen {

namespace {

constexpr std::string_view kArrow = "->";

// Characters rather than bytes: the cutters fold one character to one, and a code
// page's word may go to a UTF-8 list.
std::size_t CharactersOf(std::string_view text, bool utf8) {
    if (!utf8)
        return text.size();
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
    }));
}

}  // namespace

// The words one item of a line gives, through the run's own cutter.
class LemmaLineReader::Words final : public WordSink {
  public:
    explicit Words(const CutterSetup& setup) : cutter_(MakeTextCutter(setup, *this)) {}

    std::size_t Cut(std::string_view text, std::string& first) {
        found_ = 0;
        first_ = &first;
        bytes_.assign(text.begin(), text.end());
        bytes_.push_back(0);
        cutter_->Cut({bytes_.data(), text.size()});
        cutter_->EndText();
        return found_;
    }
    void Take(const char* word, std::size_t bytes) override {
        if (found_++ == 0)
            first_->assign(word, bytes);
    }

  private:
    std::unique_ptr<WordCutter> cutter_;
    std::vector<unsigned char> bytes_;
    std::size_t found_ = 0;
    std::string* first_ = nullptr;
};

LemmaLineReader::LemmaLineReader(const CutterSetup& setup, CodePage codePage)
    : codePage_(codePage),
      utf8Words_(setup.language == kUnicode || setup.toUtf8),
      words_(std::make_unique<Words>(setup)) {}

LemmaLineReader::~LemmaLineReader() = default;

bool LemmaLineReader::Feed(std::string_view text) {
    while (!failed_ && !text.empty()) {
        if (afterCr_ && text.front() == '\n') {
            text.remove_prefix(1);
            afterCr_ = false;
            continue;
        }
        afterCr_ = false;
        const std::size_t end = text.find_first_of("\r\n");
        held_.append(text.substr(0, end));
        if (held_.size() > kLongestLemmaLine)
            return Fail(FormatText("the line is longer than %s bytes",
                                   FormatCount64(kLongestLemmaLine, ',').c_str()));
        if (end == std::string_view::npos)
            break;
        afterCr_ = text[end] == '\r';
        text.remove_prefix(end + 1);
        if (!Line(held_))
            return false;
        held_.clear();
        ++line_;
    }
    return !failed_;
}

bool LemmaLineReader::Finish() {
    if (!failed_ && !held_.empty()) {
        Line(held_);
        held_.clear();
    }
    return !failed_;
}

bool LemmaLineReader::Line(std::string_view line) {
    line = TrimmedBlanks(line);
    if (line.empty() || line.front() == '#')
        return true;
    const std::size_t arrow = line.find(kArrow);
    if (arrow == std::string_view::npos)
        return Fail("no \"->\" after the headword");
    if (!OneWord(TrimmedBlanks(line.substr(0, arrow)), head_))
        return false;
    std::string_view rest = line.substr(arrow + kArrow.size());
    // The headword is a form of itself: it may stand under no other headword.
    bool self = true;
    while (self || !rest.empty()) {
        if (!self) {
            const std::size_t end = rest.find_first_of(",\t");
            const std::string_view item = TrimmedBlanks(rest.substr(0, end));
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            if (item.empty())
                continue;
            if (!OneWord(item, form_))
                return false;
        }
        const std::string& form = self ? head_ : form_;
        self = false;
        const LemmaMap::Conflict conflict = map_->Add(head_, form, line_);
        if (conflict.form != LemmaMap::kNoForm)
            return Fail(FormatText(
                "\"%s\" is a form of \"%s\" on line %lld and of \"%s\" on this line",
                CodePageToUtf8(codePage_, form).c_str(),
                CodePageToUtf8(codePage_, map_->HeadOf(conflict.form)).c_str(),
                static_cast<long long>(conflict.line), CodePageToUtf8(codePage_, head_).c_str()));
    }
    return true;
}

bool LemmaLineReader::OneWord(std::string_view text, std::string& word) {
    if (text.empty())
        return Fail("no headword before \"->\"");
    // One word, and nothing beside it that the cutter left out ("is," or "caf\xE9"
    // where the alphabet has no \xE9).
    if (words_->Cut(text, word) != 1 ||
        CharactersOf(word, utf8Words_) != CharactersOf(text, codePage_ == CodePage::Utf8))
        return Fail(FormatText("\"%s\" is not one word under this language and its word rules",
                               CodePageToUtf8(codePage_, text).c_str()));
    return true;
}

bool LemmaLineReader::Fail(const std::string& why) {
    failed_ = true;
    failure_ = FormatText("line %lld: %s", static_cast<long long>(line_), why.c_str());
    return false;
}

bool LoadLemmas(RunState& run, MessagePort& messages) {
    run.Lemmas.reset();
    if (run.Add.LemmaFile.empty())
        return true;
    // The list's words are cut alone, as a document's words are counted alone.
    CutterSetup setup = CutterSetupOf(run);
    setup.inARow = {};
    LemmaLineReader reader(setup, run.RunCodePage);
    if (!ReadListText(run, run.Add.LemmaFile, messages, reader, kLemmaListRefusedFormat))
        return false;
    run.Lemmas = reader.TakeMap();
    return true;
}

}  // namespace tarvolen
