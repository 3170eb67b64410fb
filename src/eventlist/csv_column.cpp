#include "eventlist/csv_column.h"

#include "base/text.h"
#include "eventlist/csv_data_set_error.h"

namespace orvalo {

namespace {

bool isTypeChar(char c) {
    switch (c) {
        case '$': case '%': case '&': case '!': case '@': case '/': case '*': case '#': case '-':
            return true;
        default:
            return false;
    }
}

std::size_t parseSize(std::string_view text) {
    const auto value = parseInteger(text);
    return (value && *value > 0) ? static_cast<std::size_t>(*value) : kDefaultColumnSize;
}

CsvColumn parseEntry(std::string_view entry) {
    CsvColumn column;
    const auto colon = entry.find(':');
    column.name = std::string(trimBlanks(entry.substr(0, colon)));
    if (column.name.empty()) throw CsvDataSetError("Unexpected error parsing CSV Field Definitions");
    if (colon == std::string_view::npos) return column;
    const std::string_view rest = entry.substr(colon + 1);
    if (rest.empty()) return column;
    const char type = rest.front();
    if (static_cast<unsigned char>(type) >= 'A') {
        column.size = parseSize(rest);
        return column;
    }
    if (!isTypeChar(type)) throw CsvDataSetError(std::string("Invalid field type character: ") + type);
    column.typeChar = type;
    column.size = parseSize(rest.substr(1));
    return column;
}

}  // namespace

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> items;
    for (;;) {
        const auto at = text.find(separator);
        items.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return items;
        text.remove_prefix(at + 1);
    }
}

std::vector<CsvColumn> parseCsvFieldDef(std::string_view definition, char separator) {
    if (trimBlanks(definition).empty())
        throw CsvDataSetError("Field Definition Error. CsvFieldDef, FieldDefs, and file contents must match");
    std::vector<CsvColumn> columns;
    for (std::string_view entry : splitAt(definition, separator)) columns.push_back(parseEntry(entry));
    return columns;
}

int findColumn(const std::vector<CsvColumn>& columns, std::string_view name) {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (equalsIgnoreCase(columns[i].name, name)) return static_cast<int>(i);
    return -1;
}

std::vector<int> parseCsvKeyDef(std::vector<CsvColumn>& columns, std::string_view keyDefinition,
                                char separator) {
    std::vector<int> keys;
    if (keyDefinition.empty()) return keys;
    const auto names = splitAt(keyDefinition, separator);
    if (names.size() > columns.size())
        throw CsvDataSetError("Invalid CsvKeyDef property. InternalInitFieldDefs failed");
    for (std::string_view raw : names) {
        const std::string_view name = trimBlanks(raw);
        if (name.empty()) throw CsvDataSetError("Internal Error parsing CsvKeyDef. InternalInitFieldDefs failed");
        const int index = findColumn(columns, name);
        if (index < 0)
            throw CsvDataSetError("CsvKeyDef contains field '" + std::string(name) +
                                  "' which is not defined. InternalInitFieldDefs failed");
        columns[static_cast<std::size_t>(index)].key = true;
        keys.push_back(index);
    }
    return keys;
}

}  // namespace orvalo
