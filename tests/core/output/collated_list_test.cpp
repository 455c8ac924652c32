// Lists sorted in a language's order: the writers' order against ICU's own collator
// called here on the same words, and the words it finds equal kept in byte order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/output/word_list_writer.h"
#include "core/store/word_store.h"
#include "core/text/code_page.h"
#include "core/text/collation.h"
#include "support/collation_model.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::kLanguages;
using testing::LanguageCase;
using testing::ModelOrder;
using testing::SmallStoreOptions;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::string Written(void (*write)(std::FILE*, const WordStore&, const RecordFormat&, SideBySide&),
                    const WordStore& store, const Collation* collation, CodePage codePage) {
    WriterOptions options;
    options.ListCodePage = codePage;
    options.Collate = collation;
    std::FILE* file = std::tmpfile();
    write(file, store, RecordFormat(options), OneAtATime());
    std::string bytes(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    return bytes;
}

TEST(CollatedList, WordsInTheLanguagesOrderAsIcuGivesIt) {
    for (const LanguageCase& language : kLanguages) {
        const std::unique_ptr<Collation> collation = Collation::ForLocale(language.locale);
        ASSERT_NE(collation, nullptr) << language.locale;
        WordStore store(SmallStoreOptions());
        for (const std::string& word : language.words)
            store.AddOccurrences(word.c_str(), word.size(), 1);
        EXPECT_EQ(Lines(Written(&WriteWordRecords, store, collation.get(), CodePage::Utf8)),
                  ModelOrder(language.words, language.locale))
            << language.locale;
    }
}

// Counts first; the words of equal counts in the language's order. The same words in
// the code page of a classic alphabet sort as they do in UTF-8.
TEST(CollatedList, TiesOfEqualCountsInTheLanguagesOrder) {
    const std::unique_ptr<Collation> german = Collation::ForLocale("de");
    const std::vector<std::pair<std::string, int>> counted = {
        {"\xe4pfel", 2}, {"apfel", 2}, {"zucker", 2}, {"\xf6l", 1}, {"ober", 1}, {"birne", 3}};
    WordStore store(SmallStoreOptions());
    for (const auto& [word, count] : counted)
        store.AddOccurrences(word.c_str(), word.size(), static_cast<std::uint32_t>(count));
    const std::string expected =
        "birne,3\n"
        "apfel,2\n"
        "\xe4pfel,2\n"
        "zucker,2\n"
        "ober,1\n"
        "\xf6l,1\n";
    EXPECT_EQ(Written(&WriteFrequencyRecords, store, german.get(), CodePage::Windows1252),
              expected);
    EXPECT_EQ(Written(&WriteRangeRecords, store, german.get(), CodePage::Windows1252),
              "birne,3,1\napfel,2,1\n\xe4pfel,2,1\nzucker,2,1\nober,1,1\n\xf6l,1,1\n");
}

// Every locale ICU has, on random words: mostly the letters a to z (which most lists
// hold, and which are keyed quickly where a collator allows), with long shared
// beginnings so that the leading bytes of keys tie, and words of other letters, upper
// case and marks between them. The order is the model's whatever way a key was made.
TEST(CollatedList, RandomWordsInEveryLocalesOrder) {
    std::mt19937 random(1210);
    const std::vector<std::string> others = {"\xc3\xa9", "\xc3\xa5", "\xc3\xb6", "A",  "Z",  "'",
                                             "\xc4\xb1", "\xc3\x9f", "ch",       "aa", "ll", "1",
                                             "cs",       "dzs",      "ccs",      "lj"};
    for (const std::string& locale : Collation::Locales()) {
        const std::unique_ptr<Collation> collation = Collation::ForLocale(locale);
        ASSERT_NE(collation, nullptr) << locale;
        std::set<std::string> words;
        for (int i = 0; i < 120; ++i) {
            std::string word = i % 3 == 0 ? "internation" : "";
            const std::size_t letters = 1 + random() % 12;
            for (std::size_t k = 0; k < letters; ++k)
                word += random() % 8 == 0 ? others[random() % others.size()]
                                          : std::string(1, static_cast<char>('a' + random() % 26));
            words.insert(word);
        }
        WordStore store(SmallStoreOptions());
        for (const std::string& word : words)
            store.AddOccurrences(word.c_str(), word.size(), 1);
        EXPECT_EQ(Lines(Written(&WriteWordRecords, store, collation.get(), CodePage::Utf8)),
                  ModelOrder({words.begin(), words.end()}, locale.c_str()))
            << locale;
    }
}

TEST(CollatedList, UnknownLocalesAreRefused) {
    for (const char* locale : {"xx", "zz_ZZ", "C", ""})
        EXPECT_EQ(Collation::ForLocale(locale), nullptr) << locale;
    for (const char* locale : {"root", "fr", "de_AT", "sv", "tr"})
        EXPECT_NE(Collation::ForLocale(locale), nullptr) << locale;
}

// The Word List window's first choice: the desktop language's order, its language's
// where the country has none of its own, none for the C locale.
TEST(CollatedList, TheDesktopLanguagesOrder) {
    const std::pair<const char*, const char*> cases[] = {
        {"fr_CA", "fr_CA"}, {"sv_SE.UTF-8", "sv"}, {"de_CH@euro", "de"}, {"C", ""}, {"POSIX", ""},
        {"", ""},           {"xx_YY.UTF-8", ""},   {"en_US", "en_US"},
    };
    for (const auto& [desktop, locale] : cases)
        EXPECT_EQ(Collation::ForDesktop(desktop), locale) << desktop;
    const std::vector<std::string> locales = Collation::Locales();
    for (const char* locale : {"fr", "de", "sv", "tr", "root"})
        EXPECT_NE(std::find(locales.begin(), locales.end(), locale), locales.end()) << locale;
    EXPECT_EQ(Collation::DisplayName("fr_CA"), "French (Canada)");
}

}  // namespace
}  // namespace tarvolen
