#include "eventlist/csv_row.h"

#include "base/text.h"
#include "eventlist/csv_data_set_error.h"

namespace orvalo {

CsvRow CsvRow::parse(std::string text, char separator) {
    CsvRow row;
    row.starts_.push_back(0);
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            if (row.starts_.size() >= static_cast<std::size_t>(kMaxColumns)) failTooManyColumns();
            row.starts_.push_back(static_cast<std::uint32_t>(i + 1));
        }
    }
    row.starts_.push_back(static_cast<std::uint32_t>(text.size() + 1));
    row.text_ = std::move(text);
    return row;
}

void CsvRow::failTooManyColumns() {
    throw CsvDataSetError("CsvData - Internal Limit of MAXCOLUMNS (" + std::to_string(kMaxColumns) +
                          ") reached. CSV Data has too many columns");
}

std::string_view CsvRow::rawColumn(int position) const {
    if (position < 0 || position >= columnCount()) return {};
    const std::uint32_t begin = starts_[static_cast<std::size_t>(position)];
    const std::uint32_t end = starts_[static_cast<std::size_t>(position) + 1] - 1;
    return std::string_view(text_).substr(begin, end - begin);
}

void CsvRow::appendEmptyColumns(int count, char separator) {
    for (int i = 0; i < count; ++i) {
        text_.push_back(separator);
        starts_.push_back(static_cast<std::uint32_t>(text_.size() + 1));
    }
}

void CsvRow::splice(int position, std::string_view encoded, char separator) {
    if (position >= columnCount()) appendEmptyColumns(position + 1 - columnCount(), separator);
    const auto p = static_cast<std::size_t>(position);
    const std::uint32_t begin = starts_[p];
    const std::uint32_t end = starts_[p + 1] - 1;
    text_.replace(begin, end - begin, encoded);
    const auto shift = static_cast<std::int64_t>(encoded.size()) - static_cast<std::int64_t>(end - begin);
    for (std::size_t k = p + 1; k < starts_.size(); ++k)
        starts_[k] = static_cast<std::uint32_t>(static_cast<std::int64_t>(starts_[k]) + shift);
}

std::string encodeCsvValue(std::string_view value, char separator, bool forceQuotes) {
    bool needsQuotes = forceQuotes;
    for (char c : value) {
        if (c == separator || c == '\r' || c == '\n' || c == '"') {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes) return std::string(value);
    std::string out;
    out.reserve(value.size() + 8);
    out.push_back('"');
    for (char c : value) {
        switch (c) {
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '"': out += "\"\""; break;
            case '\t': out.push_back(c); break;
            default:
                if (static_cast<unsigned char>(c) >= 32) out.push_back(c);
                break;
        }
    }
    out.push_back('"');
    return out;
}

std::string decodeCsvValue(std::string_view raw) {
    const std::string_view text = trimBlanks(raw);
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string(text);
    const std::string_view inner = text.substr(1, text.size() - 2);
    std::string out;
    out.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        out.push_back(inner[i]);
        if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') ++i;
    }
    return out;
}

std::string_view cutReadValue(std::string_view value, std::size_t size) {
    if (value.size() <= size) return value;
    std::size_t bytes = 0;
    for (std::size_t count = 0; count < size && bytes < value.size(); ++count) {
        const bool escape = value[bytes] == '\\' && bytes + 1 < value.size() &&
                            (value[bytes + 1] == 'r' || value[bytes + 1] == 'n');
        bytes += escape ? 2 : 1;
    }
    return cutToWidth(value, bytes);
}

}  // namespace orvalo
