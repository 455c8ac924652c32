#include "core/analysis/statistics_report.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>
#include <utility>

#include "core/store/word_store.h"
#include "core/text/unicode_case.h"

namespace tarvolen {

namespace {

bool IsAsciiLower(unsigned char byte) {
    return byte >= 'a' && byte <= 'z';
}

// Appends numbers without printf: the GUI runs under the user's locale (Qt sets it
// at start-up), and the report must read "2.50", never "2,50", wherever it runs.
class ReportText {
  public:
    ReportText& operator<<(std::string_view text) {
        text_.append(text);
        return *this;
    }
    ReportText& operator<<(char c) {
        text_.push_back(c);
        return *this;
    }
    ReportText& Integer(long long value) {
        char buffer[24];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text_.append(buffer, result.ptr);
        return *this;
    }
    // Fixed notation, rounded as printf's "%.Nf" rounds.
    ReportText& Fixed(double value, int precision) {
        char buffer[400];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                    precision);
        text_.append(buffer, result.ptr);
        return *this;
    }
    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
};

}  // namespace

StatisticsFigures GatherStatistics(const WordStore& store, CodePage listCodePage) {
    StatisticsFigures figures;
    figures.wordCount = static_cast<std::uint32_t>(store.Count());
    if (listCodePage == CodePage::Utf8) {
        GatherUtf8Letters(store, figures);
        return figures;
    }

    WordStore::Position pos = store.GetStartPosition();
    std::string_view word;
    std::uint32_t count = 0;
    while (pos != WordStore::EndPosition()) {
        store.GetNextEntry(pos, word, count);
        const auto length = static_cast<std::int32_t>(word.size());

        figures.OfferTop(count, word);
        figures.sumLen += length;
        // Words never exceed the tokenizer's limit of 20 bytes; a longer one would
        // still be counted in every other figure.
        if (length < static_cast<std::int32_t>(figures.lengthCount.size())) {
            ++figures.lengthCount[static_cast<std::size_t>(length)];
        }
        if (length > figures.maxLen) {
            figures.maxLen = length;
        }
        if (length < figures.minLen) {
            figures.minLen = length;
        }
        if (!word.empty() && IsAsciiLower(static_cast<unsigned char>(word.front()))) {
            ++figures.firstLetter[static_cast<std::size_t>(word.front() - 'a')];
        }
        for (char c : word) {
            if (IsAsciiLower(static_cast<unsigned char>(c))) {
                ++figures.allLetters[static_cast<std::size_t>(c - 'a')];
            }
        }
    }
    return figures;
}

void AddStatistics(StatisticsFigures& into, const StatisticsFigures& part) {
    into.wordCount += part.wordCount;
    into.minLen = std::min(into.minLen, part.minLen);
    into.maxLen = std::max(into.maxLen, part.maxLen);
    into.sumLen += part.sumLen;
    into.OfferTop(part.topCount, part.topWord);
    for (std::size_t k = 0; k < into.firstLetter.size(); ++k) {
        into.firstLetter[k] += part.firstLetter[k];
        into.allLetters[k] += part.allLetters[k];
    }
    for (std::size_t n = 0; n < into.lengthCount.size(); ++n)
        into.lengthCount[n] += part.lengthCount[n];
    into.utf8 = into.utf8 || part.utf8;
    // Both letter lines are in code point order: merged, they stay so.
    std::vector<LetterFigures> letters;
    letters.reserve(into.letters.size() + part.letters.size());
    auto mine = into.letters.begin();
    auto theirs = part.letters.begin();
    while (mine != into.letters.end() || theirs != part.letters.end()) {
        if (theirs == part.letters.end() ||
            (mine != into.letters.end() && mine->letter < theirs->letter)) {
            letters.push_back(*mine++);
        } else if (mine == into.letters.end() || theirs->letter < mine->letter) {
            letters.push_back(*theirs++);
        } else {
            letters.push_back({mine->letter, mine->first + theirs->first, mine->all + theirs->all});
            ++mine;
            ++theirs;
        }
    }
    into.letters = std::move(letters);
}

std::size_t LetterLineCount(const StatisticsFigures& figures) {
    return figures.utf8 ? figures.letters.size() : figures.firstLetter.size();
}

std::vector<std::string> LetterLabels(const StatisticsFigures& figures, LabelForm form) {
    std::vector<std::string> labels;
    labels.reserve(LetterLineCount(figures));
    if (!figures.utf8) {
        for (std::size_t k = 0; k < figures.firstLetter.size(); ++k)
            labels.emplace_back(1, static_cast<char>('A' + k));
        return labels;
    }
    std::map<char32_t, int> sharing;  // capital -> the letters that have it
    for (const LetterFigures& letter : figures.letters)
        ++sharing[UpperCaseLetter(letter.letter)];
    for (const LetterFigures& letter : figures.letters) {
        const char32_t upper = UpperCaseLetter(letter.letter);
        std::string label;
        if (sharing[upper] < 2) {
            AppendUtf8(label, upper);
        } else if (form == LabelForm::Short) {
            AppendUtf8(label, letter.letter);
        } else {
            AppendUtf8(label, upper);
            label += " (";
            AppendUtf8(label, letter.letter);
            label += ')';
        }
        labels.push_back(std::move(label));
    }
    return labels;
}

LetterChart ChartLetters(const StatisticsFigures& figures, std::size_t most) {
    const std::vector<std::string> labels = LetterLabels(figures, LabelForm::Short);
    std::vector<std::size_t> lines(labels.size());
    for (std::size_t k = 0; k < lines.size(); ++k)
        lines[k] = k;
    const bool summed = figures.utf8 && lines.size() > most;
    if (summed) {
        // Ties keep the letters' order.
        std::stable_sort(lines.begin(), lines.end(), [&figures](std::size_t x, std::size_t y) {
            return figures.letters[x].all > figures.letters[y].all;
        });
    }
    LetterChart chart;
    const std::size_t shown = summed ? most : lines.size();
    for (std::size_t i = 0; i < shown; ++i) {
        chart.bars.push_back({labels[lines[i]], FirstLetterPercent(figures, lines[i]),
                              AllLettersPercent(figures, lines[i])});
    }
    for (std::size_t i = shown; i < lines.size(); ++i) {
        ++chart.others;
        chart.othersFirstPercent += FirstLetterPercent(figures, lines[i]);
        chart.othersAllPercent += AllLettersPercent(figures, lines[i]);
    }
    return chart;
}

double FirstLetterPercent(const StatisticsFigures& figures, std::size_t letter) {
    const std::int32_t first =
        figures.utf8 ? figures.letters[letter].first : figures.firstLetter[letter];
    return first * 100.0 / figures.wordCount;
}

double AllLettersPercent(const StatisticsFigures& figures, std::size_t letter) {
    const std::int32_t all =
        figures.utf8 ? figures.letters[letter].all : figures.allLetters[letter];
    return all * 100.0 / figures.sumLen;
}

std::int32_t WordsOfLength(const StatisticsFigures& figures, std::int32_t length) {
    return length >= 0 && length < static_cast<std::int32_t>(figures.lengthCount.size())
               ? figures.lengthCount[static_cast<std::size_t>(length)]
               : 0;
}

double LengthPercent(const StatisticsFigures& figures, std::int32_t length) {
    return WordsOfLength(figures, length) * 100.0 / figures.wordCount;
}

std::string FormatStatisticsReport(const StatisticsFigures& figures) {
    const double words = figures.wordCount;
    ReportText report;

    report.Integer(figures.wordCount) << " words, ";
    report.Integer(figures.minLen) << " min length, ";
    report.Integer(figures.maxLen) << " max length, ";
    report.Fixed(figures.sumLen / words, 2) << " average length\r\n\r\n";
    report << "Most common word: " << figures.topWord << " (";
    report.Integer(figures.topCount) << " times)\r\n\r\n";
    report << "First char cnt/percent - total char counter (cnt/percent)\r\n";

    const std::vector<std::string> labels = LetterLabels(figures);
    for (std::size_t k = 0; k < labels.size(); ++k) {
        report << labels[k] << ": ";
        report.Integer(figures.utf8 ? figures.letters[k].first : figures.firstLetter[k]) << " (";
        report.Fixed(FirstLetterPercent(figures, k), 1) << "%)\t";
        report.Integer(figures.utf8 ? figures.letters[k].all : figures.allLetters[k]) << " (";
        report.Fixed(AllLettersPercent(figures, k), 1) << "%)\r\n";
    }

    report << "\r\nWordLen: counter / percent\r\n";
    for (std::int32_t n = figures.minLen; n <= figures.maxLen; ++n) {
        report.Integer(n) << ": ";
        report.Integer(WordsOfLength(figures, n)) << " (";
        report.Fixed(LengthPercent(figures, n), 1) << "%)\r\n";
    }
    return report.Take();
}

std::optional<std::string> BuildStatisticsReport(const WordStore& store, CodePage listCodePage) {
    if (store.Count() == 0) {
        return std::nullopt;
    }
    return FormatStatisticsReport(GatherStatistics(store, listCodePage));
}

}  // namespace tarvolen
