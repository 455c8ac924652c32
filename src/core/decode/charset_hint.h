#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tarvolen {

// A page names its encoding near its start; only this much of it is looked at, as
// browsers do.
inline constexpr std::size_t kCharsetHintBytes = 1024;

// The encoding a page names in its first kCharsetHintBytes bytes, as ParseEncoding
// takes it: in an <?xml ... encoding="..."?> that starts it, else as the HTML
// standard's prescan finds it, in the charset of a <meta charset=...> or of the content
// of a <meta http-equiv="Content-Type" content=...>, past comments and the attributes
// of other tags. Labels are those of the encoding standard (EncodingOfLabel); nothing
// when the page names none it knows.
std::optional<std::string> FindCharsetHint(const unsigned char* bytes, std::size_t size);

}  // namespace tarvolen
