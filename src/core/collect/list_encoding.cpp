#include "core/collect/list_encoding.h"

#include <cstddef>
#include <cstdint>

namespace tarvolen {

namespace {

bool ShapesAList(unsigned char byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == ',';
}

}  // namespace

TextEncoding ListEncodingOf(std::string_view start, std::int64_t size, const TextEncoding& chosen) {
    if (chosen.kind != EncodingKind::Automatic || size % 2 != 0 ||
        start.find('\0') == std::string_view::npos)
        return chosen;
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
        return chosen;
    // Counted as little-endian units: "high" is the second byte of each pair.
    std::size_t highNul = 0;
    std::size_t lowNul = 0;
    std::size_t shapingBytes = 0;
    std::size_t shapingUnitsLe = 0;
    std::size_t shapingUnitsBe = 0;
    for (std::size_t i = 0; i + 1 < start.size(); i += 2) {
        const auto first = static_cast<unsigned char>(start[i]);
        const auto second = static_cast<unsigned char>(start[i + 1]);
        if (first == 0 && second == 0)
            return chosen;
        highNul += second == 0;
        lowNul += first == 0;
        shapingBytes += ShapesAList(first) + ShapesAList(second);
        shapingUnitsLe += second == 0 && ShapesAList(first);
        shapingUnitsBe += first == 0 && ShapesAList(second);
    }
    const bool little = highNul > lowNul;
    if (highNul == lowNul || shapingBytes > 2 * (little ? shapingUnitsLe : shapingUnitsBe))
        return chosen;
    return TextEncoding{little ? EncodingKind::Utf16Le : EncodingKind::Utf16Be, {}};
}

}  // namespace tarvolen
