// Word lists of any bytes: the record reader, fed in chunks of any size, must accept
// or refuse each list as the model of the format does, and deliver exactly the
// model's records; merged into a store, an accepted list adds every word of its
// records with the record's count, and a refused one adds nothing at all.
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

// Records end at spaces, tabs, CR and LF; a record with one comma is a word, the comma
// and a count; with two, a word, a count and a range from 1 to the count; no record
// holds three commas or is longer than 1,024 bytes. Lines end at LF, CR or CR LF.
ListModel ModelList(std::string_view text) {
    ListModel model;
    std::int64_t line = 1;
    std::string record;
    std::int64_t recordLine = 1;
    auto end = [&] {
        if (record.empty() || model.refused)
            return;
        std::vector<std::size_t> commas;
        for (std::size_t i = 0; i < record.size(); ++i)
            if (record[i] == ',')
                commas.push_back(i);
        const std::string_view view(record);
        bool refused = record.size() > 1024 || commas.size() > 2;
        if (!refused && commas.empty()) {
            model.records.emplace_back(record, 1, 1);
        } else if (!refused && commas.size() == 1) {
            const auto count = CountOf(view.substr(commas[0] + 1));
            refused = commas[0] == 0 || !count;
            if (!refused)
                model.records.emplace_back(record.substr(0, commas[0]), *count, 1);
        } else if (!refused) {
            const auto count = CountOf(view.substr(commas[0] + 1, commas[1] - commas[0] - 1));
            const auto range = CountOf(view.substr(commas[1] + 1));
            refused = commas[0] == 0 || !count || !range || *range > *count;
            if (!refused)
                model.records.emplace_back(record.substr(0, commas[0]), *count, *range);
        }
        if (refused) {
            model.refused = true;
            model.refusedLine = recordLine;
        }
        record.clear();
    };
    char previous = 0;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            end();
            record.clear();
            if (c == '\r' || (c == '\n' && previous != '\r'))
                ++line;
        } else {
            if (record.empty())
                recordLine = line;
            record.push_back(c);
        }
        previous = c;
    }
    end();
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
            testing::ModelScan(text, workspace.Map, minWordLength, words);
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
