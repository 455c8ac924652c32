// Replays inputs through a fuzz target without libFuzzer: every regular file of the
// folders named on the command line, in name order. A folder that does not exist is
// skipped (a target may have no regressions yet); no input at all is an error, so
// that a mistyped path cannot pass unnoticed. A target reports a mismatch by
// aborting, which fails the run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error))
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        std::fprintf(stderr, "%s\n", path.string().c_str());
        // An empty file still has a valid address to hand over.
        const char none = 0;
        LLVMFuzzerTestOneInput(
            reinterpret_cast<const std::uint8_t*>(bytes.empty() ? &none : bytes.data()),
            bytes.size());
    }
    std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
    return 0;
}
