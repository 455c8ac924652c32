// Files cut into chunks of any size, through the tokenizer into a store with a small
// arena, must give exactly the words, counts and qualified-word total that a plain
// scan of each whole file gives.
#include <cstdint>
#include <string>
#include <vector>

#include "core/collect/blob.h"
#include "core/collect/char_map.h"
#include "core/collect/tokenizer.h"
#include "core/collect/word_store.h"
#include "fuzz_input.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_model.h"

using namespace tarvolen;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::int32_t language = static_cast<std::int32_t>(input.Below(kLanguageCount));
    // The tokenizer is handed 1 or 4; any other length must still cut as the model.
    const std::uint8_t minPick = input.Byte();
    const std::int32_t minWordLength = minPick < 128 ? 1 : minPick < 224 ? 4 : minPick % 24;
    const std::size_t maxChunk = fuzz::MaxChunkOf(input.Byte());
    const std::uint32_t seed = input.Bits32();
    const std::uint32_t arena = 32 + input.Byte() * 16u;
    CharMap map;
    BuildCharMap(language, map);
    // Maps of unusual shapes: the scan's shortcuts must honour the map whatever it is.
    const std::size_t changes = input.Below(8) < 6 ? 0 : input.Below(6);
    for (std::size_t i = 0; i < changes; ++i) {
        const std::uint8_t byte = input.Byte();
        const std::uint8_t folded = input.Byte();
        if (byte != 0)
            map[byte] = folded;
    }
    // Up to three files, cut at bytes of value 0xFF 0x00 ("\xFF" alone stays text).
    std::vector<std::string> files(1);
    const std::string_view rest = input.Rest();
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (files.size() < 3 && i + 1 < rest.size() && rest[i] == '\xFF' && rest[i + 1] == 0) {
            files.emplace_back();
            ++i;
        } else {
            files.back().push_back(rest[i]);
        }
    }

    testing::ModelWords model;
    for (const std::string& file : files)
        testing::ModelScan(file, map, minWordLength, model);

    testing::FakeMessages messages;
    WordStore store(messages, testing::SmallStoreOptions(arena));
    std::int64_t qualified = 0;
    TokenizerContext context{map, minWordLength, qualified, store};
    fuzz::ChunkSizes chunks(seed, maxChunk);
    std::string carry;
    for (const std::string& file : files) {
        carry.clear();
        for (std::size_t at = 0; at < file.size();) {
            const std::size_t n = std::min(chunks.Next(), file.size() - at);
            // Exactly the chunk and its NUL: a read beyond is a fault the sanitizer sees.
            std::vector<unsigned char> buffer(file.begin() + static_cast<std::ptrdiff_t>(at),
                                              file.begin() + static_cast<std::ptrdiff_t>(at + n));
            buffer.push_back(0);
            CBlob chunk;
            chunk.Attach(buffer.data(), static_cast<std::uint32_t>(n));
            TokenizeChunk(chunk, carry, context);
            FUZZ_CHECK(carry.size() <= static_cast<std::size_t>(MaxWordLength + 1), carry);
            at += n;
        }
        FinishFile(carry, context);
        FUZZ_CHECK(carry.empty(), carry);
    }

    const testing::WordCounts got = testing::StoreWords(store);
    FUZZ_CHECK(got == model.words, "words differ");
    FUZZ_CHECK(store.Count() == static_cast<std::int32_t>(model.words.size()), "count");
    FUZZ_CHECK(qualified == model.qualified, std::to_string(qualified));
    FUZZ_CHECK(messages.shown.empty(), "a message from a store that only grows");
    return 0;
}
