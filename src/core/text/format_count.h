#pragma once

#include <cstdint>
#include <string>

namespace tarvolen {

// 1234567 -> "1,234,567" with ',' as the separator.
std::string FormatCount(std::int32_t value, char separator);
std::string FormatCount64(std::int64_t value, char separator);

// printf-style formatting into a new string.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tarvolen
