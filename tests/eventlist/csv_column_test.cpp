#include "eventlist/csv_column.h"

#include <gtest/gtest.h>

#include "eventlist/csv_data_set_error.h"

namespace orvalo {
namespace {

TEST(CsvFieldDef, ParsesNamesTypesAndSizes) {
    const auto columns = parseCsvFieldDef("ID:$20;NAME;NOTE:abc;WHEN:@;COUNT:%5;Z:$x;N:$-4;W:Wide", ';');
    struct Expected {
        const char* name;
        char type;
        std::size_t size;
    };
    const Expected expected[] = {{"ID", '$', 20},    {"NAME", '$', 80}, {"NOTE", '$', 80}, {"WHEN", '@', 80},
                                 {"COUNT", '%', 5},  {"Z", '$', 80},    {"N", '$', 80},    {"W", '$', 80}};
    ASSERT_EQ(columns.size(), std::size(expected));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(columns[i].name, expected[i].name);
        EXPECT_EQ(columns[i].typeChar, expected[i].type) << expected[i].name;
        EXPECT_EQ(columns[i].size, expected[i].size) << expected[i].name;
        EXPECT_EQ(columns[i].position, -1);
    }
}

TEST(CsvFieldDef, RefusesBadDefinitionsWithTheirMessages) {
    struct Case {
        const char* definition;
        const char* message;
    };
    const Case cases[] = {
        {"", "Field Definition Error. CsvFieldDef, FieldDefs, and file contents must match"},
        {"ID:2", "Invalid field type character: 2"},
        {"ID:+20", "Invalid field type character: +"},
        {"ID;:$20", "Unexpected error parsing CSV Field Definitions"},
        {"ID;;NAME", "Unexpected error parsing CSV Field Definitions"},
    };
    for (const auto& c : cases) {
        try {
            parseCsvFieldDef(c.definition, ';');
            ADD_FAILURE() << c.definition;
        } catch (const CsvDataSetError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.definition;
        }
    }
}

TEST(CsvKeyDef, MarksKeyColumnsAndRefusesBadNames) {
    auto columns = parseCsvFieldDef("ID;NAME;DATE", ';');
    EXPECT_EQ(parseCsvKeyDef(columns, "date;id", ';'), (std::vector<int>{2, 0}));
    EXPECT_TRUE(columns[0].key && columns[2].key && !columns[1].key);
    EXPECT_TRUE(parseCsvKeyDef(columns, "", ';').empty());

    struct Case {
        const char* keys;
        const char* message;
    };
    const Case cases[] = {
        {"ID;NAME;DATE;ID", "Invalid CsvKeyDef property. InternalInitFieldDefs failed"},
        {"ID;", "Internal Error parsing CsvKeyDef. InternalInitFieldDefs failed"},
        {"KEY", "CsvKeyDef contains field 'KEY' which is not defined. InternalInitFieldDefs failed"},
    };
    for (const auto& c : cases) {
        try {
            parseCsvKeyDef(columns, c.keys, ';');
            ADD_FAILURE() << c.keys;
        } catch (const CsvDataSetError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.keys;
        }
    }
}

}  // namespace
}  // namespace orvalo
