#pragma once

#include <string>
#include <string_view>

namespace tarvolen {

// Text for a terminal or a log, where a file name may carry any bytes: well-formed
// UTF-8 stays as it is; each byte that is not part of a well-formed sequence, each
// control byte other than tab, LF and CR, and each byte of a C1 or bidirectional
// control character becomes \xHH (upper-case hex digits). The file itself is always
// opened by its bytes, never by this form.
std::string ReadableText(std::string_view text);

}  // namespace tarvolen
