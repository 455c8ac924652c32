#include "core/text/format_count.h"

#include <cstdarg>
#include <cstdio>

namespace tarvolen {

namespace {

// Every group is printed as three digits, so the zero groups in front of the first
// significant digit (and the separators between them) have to be cut away again.
std::string TrimLeadingGroups(const char* formatted, char separator) {
    const char* p = formatted;
    while (*p == '0' || *p == separator) {
        ++p;
    }
    return p;
}

}  // namespace

std::string FormatCount64(std::int64_t value, char separator) {
    if (value == 0) {
        return "0";
    }
    const bool negative = value < 0;
    const std::uint64_t m =
        negative ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);

    constexpr std::uint64_t kThousand = 1000;
    unsigned groups[7];
    std::uint64_t rest = m;
    for (int i = 6; i >= 0; --i) {
        groups[i] = static_cast<unsigned>(rest % kThousand);
        rest /= kThousand;
    }

    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%03u%c%03u%c%03u%c%03u%c%03u%c%03u%c%03u", groups[0],
                  separator, groups[1], separator, groups[2], separator, groups[3], separator,
                  groups[4], separator, groups[5], separator, groups[6]);
    std::string digits = TrimLeadingGroups(buffer, separator);
    return negative ? "-" + digits : digits;
}

// Every 32-bit value is a 64-bit one, grouped the same way.
std::string FormatCount(std::int32_t value, char separator) {
    return FormatCount64(value, separator);
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);

    std::string result;
    if (length > 0) {
        result.resize(static_cast<std::size_t>(length));
        // The string's own terminator slot takes the NUL that vsnprintf always writes.
        std::vsnprintf(result.data(), result.size() + 1, format, args);
    }
    va_end(args);
    return result;
}

}  // namespace tarvolen
