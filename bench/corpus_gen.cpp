#include "corpus_gen.h"

#include <algorithm>
#include <random>
#include <unordered_set>
#include <vector>

namespace tarvolen::bench {

namespace {

// Letters weighted roughly as in English prose.
char RandomLetter(std::mt19937& rng) {
    static std::discrete_distribution<int> letters{82, 15, 28, 43, 127, 22, 20, 61, 70,
                                                   2,  8,  40, 24, 67,  75, 19, 1,  60,
                                                   63, 91, 28, 10, 24,  2,  20, 1};
    return static_cast<char>('a' + letters(rng));
}

std::string RandomWord(std::mt19937& rng, int length) {
    std::string word;
    for (int i = 0; i < length; ++i)
        word.push_back(RandomLetter(rng));
    return word;
}

}  // namespace

std::string EnglishLikeText(std::size_t bytes, std::uint32_t vocabularySize, std::uint32_t seed) {
    std::mt19937 rng(seed);
    // Token lengths 1..16 as in English running text; the common words are short.
    std::discrete_distribution<int> lengthOf{0, 3, 17, 21, 16, 11, 8, 8, 6, 4, 3, 2, 1, 1, 1, 1, 1};
    std::vector<std::string> vocabulary;
    std::unordered_set<std::string> known;
    while (vocabulary.size() < vocabularySize) {
        std::string word = RandomWord(rng, lengthOf(rng));
        if (known.insert(word).second)
            vocabulary.push_back(std::move(word));
    }
    std::stable_sort(
        vocabulary.begin(), vocabulary.end(),
        [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    std::vector<double> cumulative(vocabulary.size());
    double sum = 0;
    for (std::size_t rank = 0; rank < vocabulary.size(); ++rank) {
        sum += 1.0 / static_cast<double>(rank + 1);
        cumulative[rank] = sum;
    }
    std::uniform_real_distribution<double> uniform(0.0, sum);
    std::uniform_int_distribution<int> punctuation(0, 99);
    // Ranks are spread over the length-sorted list so the most common words are a
    // mix of short and medium ones.
    std::vector<std::size_t> rankToWord(vocabulary.size());
    for (std::size_t i = 0; i < rankToWord.size(); ++i)
        rankToWord[i] = i;
    for (std::size_t i = 0; i + 1 < rankToWord.size(); ++i) {
        std::uniform_int_distribution<std::size_t> near(i,
                                                        std::min(rankToWord.size() - 1, i + 200));
        std::swap(rankToWord[i], rankToWord[near(rng)]);
    }

    std::string text;
    text.reserve(bytes + 64);
    bool sentenceStart = true;
    while (text.size() < bytes) {
        const double u = uniform(rng);
        const auto rank = static_cast<std::size_t>(
            std::lower_bound(cumulative.begin(), cumulative.end(), u) - cumulative.begin());
        std::string word = vocabulary[rankToWord[std::min(rank, vocabulary.size() - 1)]];
        if (sentenceStart)
            word[0] = static_cast<char>(word[0] - 'a' + 'A');
        text += word;
        sentenceStart = false;
        const int p = punctuation(rng);
        if (p < 6) {
            text += ". ";
            sentenceStart = true;
        } else if (p < 11) {
            text += ", ";
        } else if (p < 13) {
            text += "\r\n";
        } else if (p < 14) {
            text += "'s ";
        } else {
            text += ' ';
        }
    }
    return text;
}

std::string DistinctWordsText(std::size_t words, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> lengthOf(5, 14);
    std::uniform_int_distribution<int> letter(0, 25);
    std::uniform_int_distribution<int> lineBreak(0, 11);
    std::string text;
    text.reserve(words * 11);
    for (std::size_t i = 0; i < words; ++i) {
        const int length = lengthOf(rng);
        for (int k = 0; k < length; ++k)
            text.push_back(static_cast<char>('a' + letter(rng)));
        text += lineBreak(rng) == 0 ? '\n' : ' ';
    }
    return text;
}

}  // namespace tarvolen::bench
