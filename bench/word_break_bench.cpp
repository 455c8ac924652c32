// The yardstick of the Unicode rule on Chinese text: ICU's word break iterator alone,
// over the whole of a UTF-8 file, as a bare loop that counts the pieces holding a
// letter. Whole-process time is what compare.sh measures, as it does tarvolen-cli's.
//
//   word_break_bench FILE
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: word_break_bench FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> text(bytes.size() + 1);
    std::int32_t length = 0;
    u_strFromUTF8(text.data(), static_cast<std::int32_t>(text.size()), &length, bytes.data(),
                  static_cast<std::int32_t>(bytes.size()), &status);
    UBreakIterator* words = ubrk_open(UBRK_WORD, "", text.data(), length, &status);
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "ICU: %s\n", u_errorName(status));
        return 1;
    }
    long long pieces = 0;
    std::int32_t start = ubrk_first(words);
    for (std::int32_t end = ubrk_next(words); end != UBRK_DONE;
         start = end, end = ubrk_next(words)) {
        UChar32 c;
        std::int32_t i = start;
        U16_NEXT(text.data(), i, end, c);
        pieces += u_isalpha(c) ? 1 : 0;
    }
    ubrk_close(words);
    std::printf("%lld words\n", pieces);
    return 0;
}
