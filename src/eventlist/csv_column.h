// Column definitions of a CSV table, parsed from a definition string such as
// "ID:$20;NAME:$200". Pure functions; errors are CsvDataSetError without the
// table's file-name prefix (the table adds it).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvalo {

struct CsvColumn {
    std::string name;
    char typeChar = '$';   // $ text; % & ! @ / * # - are accepted and held as text too
    std::size_t size = 80;  // most characters a value keeps
    int position = -1;     // index of the column in the file's lines, -1 until mapped
    bool key = false;
};

inline constexpr std::size_t kDefaultColumnSize = 80;

// Parses the definition string. An entry without ":" is a text column of size 80;
// after ":" comes a type character and the size, except that a letter there starts
// the size of a text column. A size that is not a positive number gives 80.
std::vector<CsvColumn> parseCsvFieldDef(std::string_view definition, char separator);

// Index of the column named name (ignoring case), or -1.
int findColumn(const std::vector<CsvColumn>& columns, std::string_view name);

// Marks the key columns named in keyDefinition and returns their indexes in key
// order; an empty definition means no key.
std::vector<int> parseCsvKeyDef(std::vector<CsvColumn>& columns, std::string_view keyDefinition,
                                char separator);

// Splits text at every separator; an empty text gives one empty item.
std::vector<std::string_view> splitAt(std::string_view text, char separator);

}  // namespace orvalo
