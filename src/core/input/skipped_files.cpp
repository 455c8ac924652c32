#include "core/input/skipped_files.h"

#include <cstdint>

#include "core/text/format_count.h"

namespace tarvolen {

namespace {

std::string Count(std::size_t count) {
    return FormatCount64(static_cast<std::int64_t>(count), ',');
}

void Name(const std::vector<std::string>& entries, std::string& text) {
    for (std::size_t i = 0; i < entries.size() && i < kSkippedNamed; ++i)
        text += entries[i] + "\r\n";
    if (entries.size() > kSkippedNamed)
        text += "and " + Count(entries.size() - kSkippedNamed) + " more\r\n";
}

}  // namespace

std::string DescribeSkipped(const SkippedFiles& skipped) {
    std::string text;
    if (!skipped.notText.empty()) {
        const std::size_t count = skipped.notText.size();
        text += Count(count) + (count == 1 ? " file" : " files") + " skipped: not text\r\n";
        Name(skipped.notText, text);
    }
    if (!skipped.unreadable.empty()) {
        const std::size_t count = skipped.unreadable.size();
        text += Count(count) + (count == 1 ? " file or folder" : " files or folders") +
                " skipped: cannot be read\r\n";
        Name(skipped.unreadable, text);
    }
    return text;
}

}  // namespace tarvolen
