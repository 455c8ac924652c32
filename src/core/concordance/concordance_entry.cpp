#include "core/concordance/concordance_entry.h"

#include <unicode/utf8.h>

#include <cstdint>

#include "core/text/code_page.h"
#include "core/words/words_in_a_row.h"

namespace tarvolen {

namespace {

class EntryWords final : public WordSink {
  public:
    void Take(const char* word, std::size_t bytes) override {
        if (!entry.text.empty())
            entry.text += ' ';
        entry.text.append(word, bytes);
        ++entry.words;
    }
    ConcordanceEntry entry;
};

// The typed text in the code page the run's documents are decoded into; a character
// the code page lacks parts words, as it would in a document.
std::string InCodePage(CodePage codePage, std::string_view typed) {
    if (codePage == CodePage::Utf8)
        return std::string(typed);
    const FromUnicodeTable& table = FromUnicodeTableOf(codePage);
    std::string bytes;
    const auto length = static_cast<std::int32_t>(typed.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(typed.data(), i, length, c);
        bytes +=
            static_cast<char>(c < 0 ? kNoByte : UnicodeToCodePage(table, static_cast<char32_t>(c)));
    }
    return bytes;
}

}  // namespace

std::optional<ConcordanceEntry> CutEntry(const CutterSetup& setup, std::string_view typed) {
    CutterSetup single = setup;
    single.inARow = WordsInARow{};
    EntryWords words;
    const std::unique_ptr<WordCutter> cutter = MakeTextCutter(single, words);
    std::string text = InCodePage(setup.codePage, typed);
    text.push_back('\0');  // the cutters may write one byte past the text
    cutter->Cut({reinterpret_cast<unsigned char*>(text.data()), text.size() - 1});
    cutter->EndText();
    if (words.entry.words == 0 || words.entry.words > WordsInARow::kMost)
        return std::nullopt;
    return std::move(words.entry);
}

}  // namespace tarvolen
