// One row of a CSV table file, kept as the exact text of its line plus the start
// offset of every column, so rows nobody modified are written back byte for byte.
// Values are cut out of the text on demand. Not thread-safe; owned by CsvDataSet.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvalo {

class CsvRow {
public:
    // Most columns a line may have (119 separators outside quotes).
    static constexpr int kMaxColumns = 120;

    // Splits a line at every separator outside double quotes. Raises
    // CsvDataSetError when the line has more than kMaxColumns columns.
    static CsvRow parse(std::string text, char separator);
    [[noreturn]] static void failTooManyColumns();

    int columnCount() const { return static_cast<int>(starts_.size()) - 1; }
    const std::string& text() const { return text_; }

    // The text of a column as stored, untrimmed; empty for a column the row lacks.
    std::string_view rawColumn(int position) const;

    // Replaces the stored text of one column with already encoded text, adding
    // empty columns first when the row is shorter than position + 1.
    void splice(int position, std::string_view encoded, char separator);

    // Adds count empty columns at the end of the line.
    void appendEmptyColumns(int count, char separator);

private:
    std::string text_;
    // Start offset of each column, then an end marker one past the text's end,
    // as if a separator followed the last column.
    std::vector<std::uint32_t> starts_;
};

// Text as written into a line: plain, or enclosed in double quotes when it holds the
// separator, CR, LF or a double quote (CR -> \r, LF -> \n, quote doubled, other
// control characters except tab dropped). forceQuotes quotes any value.
std::string encodeCsvValue(std::string_view value, char separator, bool forceQuotes = false);

// A column's value as read: blanks trimmed, and outer quotes removed with doubled
// quotes made single when the trimmed text is quoted. \r and \n stay as they are.
std::string decodeCsvValue(std::string_view raw);

// Cuts a value read from a file to a column's size. The two-character sequences \r
// and \n count as one character each, as they stand for the single line-break
// characters that were counted when the value was written.
std::string_view cutReadValue(std::string_view value, std::size_t size);

}  // namespace orvalo
