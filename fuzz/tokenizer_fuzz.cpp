// Files cut into chunks of any size, through the tokenizer into a store with a small
// arena, must give exactly the words, counts and qualified-word total that a plain
// scan of each whole file gives. Two ways in, by the top bit of the map byte:
// - directly: each chunk in a buffer of exactly its size, so that a read past the
//   chunk's NUL is a fault the sanitizer sees;
// - through an ingestion run of the files written to a scratch folder, read in the
//   alphabet's code page by reads that return fewer bytes than asked, so that the
//   real reading loop meets chunk boundaries anywhere; its summary must agree too.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/ingest/store_reports.h"
#include "core/input/input_file.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "core/workspace.h"
#include "fuzz_input.h"
#include "support/exact_chunk.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"
#include "support/word_model.h"

using namespace tarvolen;

namespace {

struct Run {
    std::int32_t language = kEnglishLatin;
    CharMap map{};
    std::int32_t minWordLength = 1;
    std::uint32_t arena = 0;
    fuzz::ChunkSizes chunks{0, 1};
    std::vector<std::string> files;
};

void CheckStore(const WordStore& store, const testing::ModelWords& model) {
    const testing::WordCounts got = testing::StoreWords(store);
    FUZZ_CHECK(got == model.words, "words differ");
    FUZZ_CHECK(store.Count() == static_cast<std::int32_t>(model.words.size()), "count");
}

void TokenizeDirectly(Run& run, const testing::ModelWords& model) {
    testing::FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(run.arena)));
    std::int64_t qualified = 0;
    TokenizerContext context{run.map, run.minWordLength, qualified, store};
    std::string carry;
    for (const std::string& file : run.files) {
        carry.clear();
        for (std::size_t at = 0; at < file.size();) {
            const std::size_t n = std::min(run.chunks.Next(), file.size() - at);
            testing::TokenizeExactChunk(std::string_view(file).substr(at, n), carry, context);
            FUZZ_CHECK(carry.size() <= static_cast<std::size_t>(MaxWordLength + 1), carry);
            at += n;
        }
        FinishFile(carry, context);
        FUZZ_CHECK(carry.empty(), carry);
    }
    CheckStore(store, model);
    FUZZ_CHECK(qualified == model.qualified, std::to_string(qualified));
    FUZZ_CHECK(messages.shown.empty(), "a message from a store that only grows");
}

// A real read of the file, but of no more bytes than the next chunk size.
class ShortReads : public ReadSeam {
  public:
    explicit ShortReads(fuzz::ChunkSizes& chunks) : chunks_(chunks) {}
    ssize_t Read(int fd, unsigned char* into, std::size_t size) override {
        const ssize_t n = ::read(fd, into, std::min(size, chunks_.Next()));
        if (n > 0)
            bytes += n;
        return n;
    }
    std::int64_t bytes = 0;

  private:
    fuzz::ChunkSizes& chunks_;
};

// One folder for the whole process, its files overwritten by each input: an input
// then costs the writes of its files, not a folder made and removed as well.
const testing::TempDir& ScratchFolder() {
    static const testing::TempDir folder;
    return folder;
}

void TokenizeThroughIngestion(Run& run, const testing::ModelWords& model) {
    IngestState state;
    std::int64_t total = 0;
    for (std::size_t i = 0; i < run.files.size(); ++i) {
        state.InputFiles.push_back(ScratchFolder().Write("file" + std::to_string(i), run.files[i]));
        total += static_cast<std::int64_t>(run.files[i].size());
    }

    testing::FakeMessages storeMessages;
    Workspace workspace(storeMessages, testing::SmallStoreOptions(run.arena));
    workspace.Map = run.map;
    workspace.MinWordLength = run.minWordLength;
    // The bytes as they are: the model reads the files in the alphabet's code page.
    workspace.RunCodePage = CodePageOf(run.language);
    workspace.RunEncoding = TextEncoding{EncodingKind::CodePage, {}};
    // The model knows no binary files: NULs are separators like any other byte.
    workspace.Add.Documents.everyFileAsText = true;

    testing::FakeProgress progress;
    testing::FakeMessages messages;
    testing::ZeroTicks ticks;
    ShortReads reads(run.chunks);
    IngestHooks hooks{progress, messages, {}, ticks};
    hooks.readSeam = &reads;
    const IngestResult result = IngestFiles(workspace, state, hooks);

    FUZZ_CHECK(result.Outcome == IngestOutcome::Completed, "not completed");
    CheckStore(workspace.Store, model);
    FUZZ_CHECK(workspace.QualifiedWords == model.qualified,
               std::to_string(workspace.QualifiedWords));
    FUZZ_CHECK(reads.bytes == total, std::to_string(reads.bytes));
    const IngestSummary& summary = result.Summary;
    FUZZ_CHECK(summary.BytesRead == total, std::to_string(summary.BytesRead));
    FUZZ_CHECK(summary.QualifiedWords == model.qualified, std::to_string(summary.QualifiedWords));
    FUZZ_CHECK(summary.WordsAdded == static_cast<std::int32_t>(model.words.size()),
               std::to_string(summary.WordsAdded));
    FUZZ_CHECK(state.carry.empty(), state.carry);
    for (const testing::FakeMessages::Shown& shown : messages.shown)
        FUZZ_CHECK(shown.text != kUnableToReadText, "a short read taken for a failed one");
    FUZZ_CHECK(messages.shown.size() == 1, "the summary alone");
    FUZZ_CHECK(storeMessages.shown.empty(), "a message from a store that only grows");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    Run run;
    run.language = static_cast<std::int32_t>(input.Below(kAlphabetCount));
    // The tokenizer is handed 1 or 4; any other length must still cut as the model.
    const std::uint8_t minPick = input.Byte();
    run.minWordLength = minPick < 128 ? 1 : minPick < 224 ? 4 : minPick % 24;
    const std::size_t maxChunk = fuzz::MaxChunkOf(input.Byte());
    run.chunks = fuzz::ChunkSizes(input.Bits32(), maxChunk);
    run.arena = 32 + input.Byte() * 16u;
    BuildCharMap(run.language, run.map);
    // Maps of unusual shapes: the scan's shortcuts must honour the map whatever it is.
    // The byte's low three bits choose them; its top bit the way in.
    const std::uint8_t mapPick = input.Byte();
    const bool throughIngestion = (mapPick & 0x80) != 0;
    const std::size_t changes = mapPick % 8 < 6 ? 0 : input.Below(6);
    for (std::size_t i = 0; i < changes; ++i) {
        const std::uint8_t byte = input.Byte();
        const std::uint8_t folded = input.Byte();
        if (byte != 0)
            run.map[byte] = folded;
    }
    // Up to three files, cut at bytes of value 0xFF 0x00 ("\xFF" alone stays text).
    run.files.resize(1);
    const std::string_view rest = input.Rest();
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (run.files.size() < 3 && i + 1 < rest.size() && rest[i] == '\xFF' && rest[i + 1] == 0) {
            run.files.emplace_back();
            ++i;
        } else {
            run.files.back().push_back(rest[i]);
        }
    }

    testing::ModelWords model;
    for (const std::string& file : run.files)
        testing::ModelScan(file, run.map, run.minWordLength, model);

    if (throughIngestion)
        TokenizeThroughIngestion(run, model);
    else
        TokenizeDirectly(run, model);
    return 0;
}
