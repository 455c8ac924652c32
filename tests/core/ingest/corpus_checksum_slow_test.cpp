// The lists that tarvolen-cli writes for the benchmark corpora, checked against the
// md5 sums of the lists that the first complete implementation wrote. Any change to
// the word store, the tokenizer or the writers that is meant to be only faster must
// leave these bytes alone.
//
// kjv_x10 is made here from kjv.txt (10 copies); the two large corpora are only read
// from the cache that bench/compare.sh fills, and the test skips without them.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace tarvolen {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// MD5 (RFC 1321), enough of it to sum a file held in memory.
class Md5 {
  public:
    static std::string HexOf(const std::string& bytes) {
        std::uint32_t h[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
        std::string message = bytes;
        const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
        message.push_back(static_cast<char>(0x80));
        while (message.size() % 64 != 56)
            message.push_back('\0');
        for (int i = 0; i < 8; ++i)
            message.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
        for (std::size_t block = 0; block < message.size(); block += 64)
            Round(h, reinterpret_cast<const unsigned char*>(message.data() + block));
        std::string hex;
        static const char digits[] = "0123456789abcdef";
        for (std::uint32_t word : h) {
            for (int i = 0; i < 4; ++i) {
                const unsigned byte = (word >> (8 * i)) & 0xFF;
                hex.push_back(digits[byte >> 4]);
                hex.push_back(digits[byte & 15]);
            }
        }
        return hex;
    }

  private:
    static std::uint32_t Rotate(std::uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

    static void Round(std::uint32_t h[4], const unsigned char* block) {
        static constexpr int kShift[64] = {
            7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 5,  9,  14, 20, 5,  9,
            14, 20, 5,  9,  14, 20, 5,  9,  14, 20, 4,  11, 16, 23, 4,  11, 16, 23, 4,  11, 16, 23,
            4,  11, 16, 23, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21};
        static const std::array<std::uint32_t, 64> kSine = [] {
            std::array<std::uint32_t, 64> table{};
            for (int i = 0; i < 64; ++i)
                table[i] = static_cast<std::uint32_t>(std::abs(std::sin(i + 1.0)) * 4294967296.0);
            return table;
        }();
        std::uint32_t m[16];
        for (int i = 0; i < 16; ++i) {
            m[i] = static_cast<std::uint32_t>(block[4 * i]) |
                   static_cast<std::uint32_t>(block[4 * i + 1]) << 8 |
                   static_cast<std::uint32_t>(block[4 * i + 2]) << 16 |
                   static_cast<std::uint32_t>(block[4 * i + 3]) << 24;
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const std::uint32_t next = d;
            d = c;
            c = b;
            b = b + Rotate(a + f + kSine[i] + m[g], kShift[i]);
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs tarvolen-cli quietly with the arguments; true when it exits with 0.
bool RunCli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), TARVOLEN_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, TARVOLEN_CLI_PATH, nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

fs::path EnvironmentPath(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? fs::path(value) : fs::path(fallback);
}

// Where bench/compare.sh keeps the corpora, and where kjv.txt is kept.
fs::path CorpusCache() {
    return EnvironmentPath("TARVOLEN_CORPUS_CACHE", "/tmp/corpus");
}
fs::path CorpusSources() {
    return EnvironmentPath("TARVOLEN_CORPUS_SOURCES", TARVOLEN_CORPUS_SOURCES_DEFAULT);
}

struct Corpus {
    const char* name;
    const char* frequencyMd5;  // of `tarvolen-cli --frequency -o - FILE`
    const char* wordsMd5;      // of `tarvolen-cli -o - FILE`
};

void ExpectLists(const fs::path& file, const Corpus& corpus) {
    TempDir dir;
    const fs::path frequency = dir.path() / "frequency.txt";
    const fs::path words = dir.path() / "words.txt";
    ASSERT_TRUE(RunCli({"-q", "--frequency", "-o", frequency.string(), file.string()}));
    ASSERT_TRUE(RunCli({"-q", "-o", words.string(), file.string()}));
    EXPECT_EQ(Md5::HexOf(ReadAll(frequency)), corpus.frequencyMd5) << corpus.name;
    EXPECT_EQ(Md5::HexOf(ReadAll(words)), corpus.wordsMd5) << corpus.name;
}

TEST(Md5Test, KnownDigests) {
    EXPECT_EQ(Md5::HexOf(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5::HexOf("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5::HexOf(std::string(1000, 'a')), "cabe45dcc9ae5b66ba86600cca6b8ba8");
}

TEST(CorpusChecksumSlowTest, KingJamesTenTimes) {
    const fs::path source = CorpusSources() / "kjv.txt";
    if (!fs::exists(source))
        GTEST_SKIP() << source << " is missing";
    TempDir dir;
    const fs::path file = dir.path() / "kjv_x10.txt";
    {
        const std::string text = ReadAll(source);
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 10; ++i)
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    ASSERT_EQ(fs::file_size(file), 43'362'300u);
    ExpectLists(
        file, {"kjv_x10", "3942b9bf99ab81ca42a7369a790027cd", "0c05acd1fbe8a7f527959dcf4c2078ca"});
}

TEST(CorpusChecksumSlowTest, LargeCorpora) {
    const Corpus corpora[] = {
        {"en_mix_x5", "324d247dcf3a4f1c674f4395b7eb437e", "8cb4904fa38d33616f527d65c43c45c0"},
        {"zipf3m", "c3475a88dacc2d97cb50a7feb0481670", "142210ae937216fdfbef0d5da2da5bed"},
    };
    int checked = 0;
    for (const Corpus& corpus : corpora) {
        const fs::path file = CorpusCache() / (std::string(corpus.name) + ".txt");
        if (!fs::exists(file))
            continue;
        ExpectLists(file, corpus);
        ++checked;
    }
    if (checked == 0)
        GTEST_SKIP() << "no large corpus in " << CorpusCache() << " (bench/compare.sh makes them)";
}

}  // namespace
}  // namespace tarvolen
