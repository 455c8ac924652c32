#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvolen {

// The encoding a web page's label names, as the encoding standard gets an encoding
// (ASCII white space around it ignored, any letter case), given as ParseEncoding
// takes it; nothing for a label the standard does not know ("utf-32", "utf-7").
std::optional<std::string_view> EncodingOfLabel(std::string_view label);

}  // namespace tarvolen
