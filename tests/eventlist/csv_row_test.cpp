#include "eventlist/csv_row.h"

#include <gtest/gtest.h>

#include "eventlist/csv_data_set_error.h"

namespace orvalo {
namespace {

TEST(CsvValue, EncodesAndDecodesAsStored) {
    struct Case {
        std::string value;
        std::string stored;
        std::string readBack;
    };
    const Case cases[] = {
        {"plain", "plain", "plain"},
        {"a;b", "\"a;b\"", "a;b"},
        {"say \"hi\"", "\"say \"\"hi\"\"\"", "say \"hi\""},
        {"x\r\ny", "\"x\\r\\ny\"", "x\\r\\ny"},
        {" padded ", " padded ", "padded"},
        {"tab\tin;side", "\"tab\tin;side\"", "tab\tin;side"},
        {"bell\a;", "\"bell;\"", "bell;"},    // control characters are dropped when quoted
        {"bell\a", "bell\a", "bell\a"},       // but kept when the value is written plain
        {"C:\\temp\\run.bat", "C:\\temp\\run.bat", "C:\\temp\\run.bat"},
        {"\"", "\"\"\"\"", "\""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeCsvValue(c.value, ';'), c.stored) << c.value;
        EXPECT_EQ(decodeCsvValue(c.stored), c.readBack) << c.value;
    }
}

TEST(CsvValue, DecodesHandWrittenQuoting) {
    EXPECT_EQ(decodeCsvValue("  \"quoted\"  "), "quoted");
    EXPECT_EQ(decodeCsvValue("\"\""), "");
    EXPECT_EQ(decodeCsvValue("\"only-start"), "\"only-start");
    EXPECT_EQ(decodeCsvValue("mid\"dle"), "mid\"dle");
}

TEST(CsvValue, ReadCutCountsEscapedLineBreaksAsOneCharacter) {
    EXPECT_EQ(cutReadValue("abcdef", 4), "abcd");
    EXPECT_EQ(cutReadValue("a\\r\\nb", 4), "a\\r\\nb");  // four characters as written
    EXPECT_EQ(cutReadValue("a\\r\\nbc", 4), "a\\r\\nb");
    EXPECT_EQ(cutReadValue("\\x\\y", 2), "\\x");
}

TEST(CsvRow, SplitsOutsideQuotesOnly) {
    const CsvRow row = CsvRow::parse("1; \"a;b\" ;\"x\"\"y\";last;", ';');
    ASSERT_EQ(row.columnCount(), 5);
    EXPECT_EQ(row.rawColumn(0), "1");
    EXPECT_EQ(row.rawColumn(1), " \"a;b\" ");
    EXPECT_EQ(row.rawColumn(2), "\"x\"\"y\"");
    EXPECT_EQ(row.rawColumn(3), "last");
    EXPECT_EQ(row.rawColumn(4), "");
    EXPECT_EQ(row.rawColumn(5), "");  // a column the row lacks reads empty
}

TEST(CsvRow, SpliceShiftsLaterColumnsAndWidensShortRows) {
    CsvRow row = CsvRow::parse("1;short;end", ';');
    row.splice(1, "\"much;longer\"", ';');
    EXPECT_EQ(row.text(), "1;\"much;longer\";end");
    EXPECT_EQ(row.rawColumn(2), "end");
    row.splice(2, "", ';');
    EXPECT_EQ(row.text(), "1;\"much;longer\";");
    row.splice(4, "far", ';');
    EXPECT_EQ(row.text(), "1;\"much;longer\";;;far");
    EXPECT_EQ(row.columnCount(), 5);
    EXPECT_EQ(row.rawColumn(4), "far");
    row.splice(0, "22", ';');
    EXPECT_EQ(row.rawColumn(0), "22");
    EXPECT_EQ(row.rawColumn(4), "far");
}

TEST(CsvRow, RefusesMoreThan120Columns) {
    EXPECT_NO_THROW(CsvRow::parse(std::string(119, ';'), ';'));
    EXPECT_NO_THROW(CsvRow::parse("\"" + std::string(300, ';') + "\"", ';'));
    try {
        CsvRow::parse(std::string(120, ';'), ';');
        FAIL();
    } catch (const CsvDataSetError& e) {
        EXPECT_STREQ(e.what(), "CsvData - Internal Limit of MAXCOLUMNS (120) reached. CSV Data has too many columns");
    }
}

}  // namespace
}  // namespace orvalo
