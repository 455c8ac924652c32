// Word lists of any bytes: the record reader, fed in chunks of any size, must accept
// or refuse each list as the model of the format does, and deliver exactly the
// model's records; merged into a store, an accepted list adds every word of its
// records (or the entry of words in a row a record with blanks is) with the record's
// count, and a refused one adds nothing at all.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/listfile/list_merge.h"
#include "core/listfile/list_records.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "fuzz_input.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"
#include "support/word_model.h"

using namespace tarvolen;

namespace {

// Word, count and range of each record.
using Records = std::vector<std::tuple<std::string, std::uint32_t, std::uint32_t>>;

struct ListModel {
    Records records;  // the records before the refused one, or all
    bool refused = false;
    std::int64_t refusedLine = 0;
};

// A count is 1 to 4,294,967,295 in plain decimal digits, leading zeros allowed.
std::optional<std::uint32_t> CountOf(std::string_view digits) {
    if (digits.empty())
        return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9')
            return std::nullopt;
    while (digits.size() > 1 && digits[0] == '0')
        digits.remove_prefix(1);
    const std::string_view max = "4294967295";
    if (digits.size() > max.size() || (digits.size() == max.size() && digits > max) ||
        digits == "0")
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoull(std::string(digits)));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos
               ? std::string()
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::size_t WordsIn(const std::string& text) {
    std::size_t words = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        words += !IsBlank(text[i]) && (i == 0 || IsBlank(text[i - 1]));
    return words;
}

// Lines end at LF, CR or CR LF. A line is one record, blanks around it dropped, unless
// it ends in a blank, has a blank after a comma or is longer than 1,024 bytes: then
// its records end at its blanks. A record with one comma is a text, the comma and a
// count; with two, a text, a count and a range from 1 to the count; no record holds
// three commas, a text of more than 8 words or more than 1,024 bytes.
ListModel ModelList(std::string_view text) {
    ListModel model;
    auto record = [&](const std::string& raw, std::int64_t line) {
        if (raw.empty() || model.refused)
            return;
        std::vector<std::size_t> commas;
        for (std::size_t i = 0; i < raw.size(); ++i)
            if (raw[i] == ',')
                commas.push_back(i);
        const std::string_view view(raw);
        const std::string words = commas.empty() ? raw : Trimmed(raw.substr(0, commas[0]));
        bool refused =
            raw.size() > 1024 || commas.size() > 2 || words.empty() || WordsIn(words) > 8;
        std::uint32_t count = 1;
        std::uint32_t range = 1;
        if (!refused && commas.size() == 1) {
            const auto n = CountOf(view.substr(commas[0] + 1));
            refused = !n;
            count = n.value_or(0);
        } else if (!refused && commas.size() == 2) {
            const auto n = CountOf(view.substr(commas[0] + 1, commas[1] - commas[0] - 1));
            const auto r = CountOf(view.substr(commas[1] + 1));
            refused = !n || !r || *r > *n;
            count = n.value_or(0);
            range = r.value_or(0);
        }
        if (refused) {
            model.refused = true;
            model.refusedLine = line;
        } else {
            model.records.emplace_back(words, count, range);
        }
    };
    std::int64_t line = 1;
    for (std::size_t at = 0; at <= text.size() && !model.refused;) {
        std::size_t end = text.find_first_of("\r\n", at);
        const std::string content(text.substr(at, end == std::string_view::npos ? end : end - at));
        const std::size_t comma = content.find(',');
        const bool delimited = content.size() > 1024 ||
                               (!content.empty() && IsBlank(content.back())) ||
                               (comma != std::string::npos &&
                                content.find_first_of(" \t", comma) != std::string::npos);
        if (delimited) {
            std::string piece;
            for (char c : content + ' ') {
                if (IsBlank(c)) {
                    record(piece, line);
                    piece.clear();
                } else {
                    piece += c;
                }
            }
        } else {
            record(Trimmed(content), line);
        }
        if (end == std::string_view::npos)
            break;
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        ++line;
        at = end + 1;
    }
    return model;
}

std::string Grouped(std::int64_t n) {
    const std::string digits = std::to_string(n);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

void CheckReader(std::string_view text, const ListModel& model, fuzz::ChunkSizes& chunks) {
    Records got;
    ListRecordReader reader([&](std::string_view record, std::uint32_t count, std::uint32_t range) {
        got.emplace_back(std::string(record), count, range);
    });
    bool fed = true;
    for (std::size_t at = 0; at < text.size() && fed;) {
        const std::size_t n = std::min(chunks.Next(), text.size() - at);
        fed = reader.Feed(text.substr(at, n));
        at += n;
    }
    const bool finished = reader.Finish();
    FUZZ_CHECK(finished == !model.refused, std::string(text));
    FUZZ_CHECK(reader.Failed() == model.refused, std::string(text));
    FUZZ_CHECK(got == model.records, std::string(text));
    if (model.refused) {
        const std::string prefix = "line " + Grouped(model.refusedLine) + ": ";
        FUZZ_CHECK(reader.FailureText().compare(0, prefix.size(), prefix) == 0 &&
                       reader.FailureText().size() > prefix.size(),
                   reader.FailureText() + " for " + std::string(text));
    }
}

class ZeroTicks : public TickSource {
  public:
    std::uint32_t Now() override { return 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::int32_t language = static_cast<std::int32_t>(input.Below(kAlphabetCount));
    const std::int32_t minWordLength = input.Byte() % 2 == 0 ? 1 : 4;
    fuzz::ChunkSizes chunks(input.Bits32(), fuzz::MaxChunkOf(input.Byte()));
    const std::uint8_t prefill = input.Byte();
    // Up to three lists, cut at the bytes 0xFF 0x00.
    std::vector<std::string> lists(1);
    const std::string_view rest = input.Rest();
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (lists.size() < 3 && i + 1 < rest.size() && rest[i] == '\xFF' && rest[i + 1] == 0) {
            lists.emplace_back();
            ++i;
        } else {
            lists.back().push_back(rest[i]);
        }
    }

    std::vector<ListModel> models;
    for (const std::string& list : lists) {
        models.push_back(ModelList(list));
        CheckReader(list, models.back(), chunks);
    }

    testing::TempDir dir;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < lists.size(); ++i)
        paths.push_back(dir.Write("list" + std::to_string(i) + ".txt", lists[i]));

    testing::FakeMessages storeMessages;
    Workspace workspace(storeMessages, testing::SmallStoreOptions(64));
    workspace.Add.Language = language;
    workspace.Add.Encoding = "codepage";
    ApplyAddOptions(workspace);
    workspace.MinWordLength = minWordLength;
    testing::WordCounts expected;
    // Words already there, some of which the lists may name again.
    int bit = 0;
    for (const char* word : {"word", "list", "zz", "abc"}) {
        if ((prefill >> bit++ & 1) != 0) {
            workspace.Store.AddWord(word);
            expected[word] = 1;
        }
    }
    std::int64_t qualified = 0;
    bool allAccepted = true;
    for (const ListModel& model : models) {
        if (model.refused) {
            allAccepted = false;
            continue;
        }
        for (const auto& [text, count, range] : model.records) {
            testing::ModelWords words;
            if (WordsIn(text) > 1 || IsBlank(text.front()) || IsBlank(text.back())) {
                // Words in a row: each part exactly one word, or no entry at all.
                std::string entry;
                bool whole = true;
                std::string part;
                for (char c : text + ' ') {
                    if (!IsBlank(c)) {
                        part += c;
                        continue;
                    }
                    if (part.empty())
                        continue;
                    testing::ModelWords one;
                    testing::ModelScan(part, workspace.Map, minWordLength, one);
                    whole = whole && one.qualified == 1;
                    if (whole)
                        entry += (entry.empty() ? "" : " ") + one.words.begin()->first;
                    part.clear();
                }
                if (whole)
                    words.words[entry] = 1;
            } else {
                testing::ModelScan(text, workspace.Map, minWordLength, words);
            }
            for (const auto& [word, occurrences] : words.words) {
                for (std::uint32_t k = 0; k < occurrences; ++k) {
                    std::uint32_t& held = expected[word];
                    held = count > UINT32_MAX - held ? UINT32_MAX : held + count;
                    qualified += count;
                }
            }
        }
    }

    testing::FakeProgress progress;
    testing::FakeMessages messages;
    ZeroTicks ticks;
    const bool merged = MergeLists(workspace, paths, IngestHooks{progress, messages, {}, ticks});
    FUZZ_CHECK(merged == allAccepted, "merge result");
    FUZZ_CHECK(testing::StoreWords(workspace.Store) == expected, "merged words");
    FUZZ_CHECK(workspace.QualifiedWords == qualified, std::to_string(workspace.QualifiedWords));
    std::size_t refusals = 0;
    for (const ListModel& model : models)
        refusals += model.refused;
    // One message per refused list, and the summary.
    FUZZ_CHECK(messages.shown.size() == refusals + 1, std::to_string(messages.shown.size()));
    FUZZ_CHECK(storeMessages.shown.empty(), "the store ran out of memory");
    return 0;
}
