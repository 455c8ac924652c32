#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace tarvolen {

// The one reading of a number typed by a person, in a dialog or on the command line:
// plain decimal (no sign, no exponent for a fraction), blanks around it ignored;
// nothing for anything else or a value the type cannot hold. The callers check the
// range they allow.
template <typename Number>
std::optional<Number> ParseNumberText(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
    Number value{};
    const char* end = text.data() + text.size();
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<Number>)
        result = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    else
        result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

}  // namespace tarvolen
