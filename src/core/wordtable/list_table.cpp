#include "core/wordtable/list_table.h"

#include <cerrno>

#include <charconv>
#include <cstdio>
#include <iterator>
#include <string_view>

#include "core/output/my_exception.h"
#include "core/output/safe_output_file.h"
#include "core/wordtable/list_snapshot.h"
#include "core/wordtable/list_text.h"

namespace tarvolen {

namespace {

constexpr std::size_t kExportBufferSize = 1 << 20;

void AppendNumber(std::string& to, std::uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    to.append(digits, end);
}

// to_chars, unlike printf, never takes the decimal comma of the person's locale.
void AppendFixed(std::string& to, double value, int decimals) {
    char digits[64];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals)
            .ptr;
    to.append(digits, end);
}

// RFC 4180: a field with a separator, a quote or a line break goes in quotes, its
// quotes doubled. Tab-separated text has no quoting of its own; the same rule keeps
// such a word (only a merged list can hold one) in one cell.
void AppendField(std::string& to, std::string_view field, char separator) {
    if (field.find_first_of(separator == ',' ? ",\"\r\n" : "\t\"\r\n") == std::string_view::npos) {
        to.append(field);
        return;
    }
    to += '"';
    for (const char c : field) {
        if (c == '"')
            to += '"';
        to += c;
    }
    to += '"';
}

struct Layout {
    char separator;
    const char* lineEnd;  // CSV ends lines as its RFC says
};

Layout LayoutOf(TableFormat format) {
    return format == TableFormat::Csv ? Layout{',', "\r\n"} : Layout{'\t', "\n"};
}

void AppendHeader(std::string& to, Layout layout, std::size_t columns) {
    for (std::size_t column = 0; column < columns; ++column) {
        if (column > 0)
            to += layout.separator;
        AppendField(to, kTableColumns[column], layout.separator);
    }
    to += layout.lineEnd;
}

void AppendKeyness(std::string& to, double value) {
    char figure[kKeynessChars];
    to.append(figure, FormatKeyness(value, figure));
}

void AppendRow(std::string& to, Layout layout, const ListSnapshot& snapshot, std::uint32_t row,
               CodePage encoding) {
    const std::string_view word = snapshot.Word(row);
    const std::uint32_t count = snapshot.Count(row);
    const std::uint64_t total = snapshot.TotalOccurrences();
    // The reference's own words have no rank in the list.
    if (snapshot.InList(row))
        AppendNumber(to, std::uint64_t{row} + 1);
    to += layout.separator;
    AppendField(to, ListWordUtf8(encoding, word), layout.separator);
    to += layout.separator;
    AppendNumber(to, count);
    to += layout.separator;
    AppendFixed(to, ShareOf(count, total, 100.0), 2);
    to += layout.separator;
    AppendFixed(to, ShareOf(count, total, 1e6), 1);
    to += layout.separator;
    const std::uint32_t range = snapshot.Range(row);
    AppendNumber(to, range);
    to += layout.separator;
    // A list only merged from files has read no documents to be a share of.
    if (snapshot.DocumentCount() > 0)
        AppendFixed(to, ShareOf(range, snapshot.DocumentCount(), 100.0), 2);
    to += layout.separator;
    AppendNumber(to, ListWordLength(encoding, word));
    if (snapshot.Comparing()) {
        const Keyness keyness = snapshot.KeynessAt(row);
        to += layout.separator;
        AppendNumber(to, snapshot.ReferenceCount(row));
        to += layout.separator;
        AppendKeyness(to, keyness.g2);
        to += layout.separator;
        AppendKeyness(to, keyness.logRatio);
    }
    to += layout.lineEnd;
}

std::size_t TableColumnCount(const ListSnapshot& snapshot) {
    return std::size(kTableColumns) - (snapshot.Comparing() ? 0 : kComparisonColumns);
}

}  // namespace

std::string ListTableText(TableFormat format, const ListSnapshot& snapshot,
                          const std::vector<std::uint32_t>& rows, CodePage encoding) {
    const Layout layout = LayoutOf(format);
    std::string text;
    AppendHeader(text, layout, TableColumnCount(snapshot));
    for (const std::uint32_t row : rows)
        AppendRow(text, layout, snapshot, row, encoding);
    return text;
}

void AppendTableRecord(std::string& to, TableFormat format,
                       std::initializer_list<std::string_view> fields) {
    const Layout layout = LayoutOf(format);
    bool first = true;
    for (const std::string_view field : fields) {
        if (!first)
            to += layout.separator;
        first = false;
        AppendField(to, field, layout.separator);
    }
    to += layout.lineEnd;
}

ExportOutcome ExportTable(const std::string& path, const std::function<bool(std::string&)>& next,
                          OutputSeam* seam, int* openError) {
    SafeOutputFile file(seam);
    if (!file.Open(path, false, kExportBufferSize)) {
        if (openError != nullptr)
            *openError = errno;
        return ExportOutcome::CannotCreate;
    }
    std::string text;
    bool written = true;
    while (next(text)) {
        written = std::fwrite(text.data(), text.size(), 1, file.stream()) == 1 && written;
        text.clear();
    }
    // On a failure the file undoes itself as the output error leaves.
    if (!written || !file.Commit())
        ThrowOutputError();
    return ExportOutcome::Written;
}

ExportOutcome ExportListTable(const std::string& path, TableFormat format,
                              const ListSnapshot& snapshot, const std::vector<std::uint32_t>& rows,
                              CodePage encoding, OutputSeam* seam, int* openError) {
    const Layout layout = LayoutOf(format);
    bool header = true;
    std::size_t next = 0;
    return ExportTable(
        path,
        [&](std::string& text) {
            if (header) {
                AppendHeader(text, layout, TableColumnCount(snapshot));
                header = false;
                return true;
            }
            if (next == rows.size())
                return false;
            AppendRow(text, layout, snapshot, rows[next++], encoding);
            return true;
        },
        seam, openError);
}

}  // namespace tarvolen
