#include "eventlist/csv_data_set.h"

#include <gtest/gtest.h>

#include "support/test_helpers.h"
#include <sys/stat.h>

#include "base/error.h"
#include "eventlist/event_record.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

using test::errorOf;
using test::readFile;
using test::writeFile;

// A small table: ID key, a 10-character NAME and a 20-character NOTE.
class CsvDataSetTest : public ::testing::Test {
protected:
    void configure(CsvDataSet& table, bool unique = true) {
        table.setFileName(path().string());
        table.setCsvFieldDef("ID:$5;NAME:$10;NOTE:$20");
        table.setCsvKeyDef("ID");
        table.setCsvUniqueKeys(unique);
    }
    std::filesystem::path path() const { return folder_ / "t.csv"; }
    void openWith(const std::string& contents, bool unique = true) {
        writeFile(path(), contents);
        configure(table_, unique);
        table_.open();
    }
    void appendRow(const std::string& id, const std::string& name, const std::string& note = "") {
        table_.append();
        table_.setValue("ID", id);
        table_.setValue("NAME", name);
        table_.setValue("NOTE", note);
        table_.post();
    }
    std::vector<std::string> column(const char* name) {
        std::vector<std::string> values;
        for (table_.first(); !table_.eof(); table_.next()) values.push_back(table_.value(name));
        return values;
    }
    test::TempFolder folder_;
    CsvDataSet table_;
};

TEST_F(CsvDataSetTest, MissingFileOpensEmptyAndFirstSaveCreatesIt) {
    configure(table_);
    table_.open();
    EXPECT_TRUE(table_.active());
    EXPECT_EQ(table_.recordCount(), 0);
    EXPECT_TRUE(table_.eof());
    EXPECT_FALSE(std::filesystem::exists(path()));

    appendRow("1", "first", "n");
    EXPECT_TRUE(table_.changed());
    table_.saveIfChanged();
    EXPECT_FALSE(table_.changed());
    EXPECT_EQ(readFile(path()), "ID;NAME;NOTE\r\n1;first;n\r\n");
}

TEST_F(CsvDataSetTest, HeaderOnlyGivesNoRecords) {
    openWith("ID;NAME;NOTE\r\n");
    EXPECT_EQ(table_.recordCount(), 0);
    EXPECT_EQ(table_.value("NAME"), "");
}

TEST_F(CsvDataSetTest, ValuesRoundTripThroughTheFile) {
    configure(table_);
    table_.open();
    appendRow("1", "a;b", "say \"hi\"");
    appendRow("2", " spaced ", "x\r\ny");
    appendRow("3", "tab\there", "");
    table_.close();

    EXPECT_EQ(readFile(path()),
              "ID;NAME;NOTE\r\n"
              "1;\"a;b\";\"say \"\"hi\"\"\"\r\n"
              "2; spaced ;\"x\\r\\ny\"\r\n"
              "3;tab\there;\r\n");

    table_.open();
    EXPECT_EQ(column("NAME"), (std::vector<std::string>{"a;b", "spaced", "tab\there"}));
    // CR and LF come back as the escape characters; readers of schedule texts turn them back.
    EXPECT_EQ(column("NOTE"), (std::vector<std::string>{"say \"hi\"", "x\\r\\ny", ""}));
}

TEST_F(CsvDataSetTest, ValuesAreCutToTheColumnSize) {
    configure(table_);
    table_.open();
    appendRow("1", std::string(25, 'n'), std::string(10, '\n') + std::string(15, 'x'));
    EXPECT_EQ(table_.value("NAME"), std::string(10, 'n'));
    table_.close();
    table_.open();
    EXPECT_EQ(table_.value("NAME"), std::string(10, 'n'));
    // Each line break counts once, as it did when the value was written.
    std::string note;
    for (int i = 0; i < 10; ++i) note += "\\n";
    EXPECT_EQ(table_.value("NOTE"), note + std::string(10, 'x'));
}

TEST_F(CsvDataSetTest, UntouchedRowsAreWrittenBackByteForByte) {
    const std::string odd = "  2 ;\"quoted\"\"name\";  \t note with blanks  ";
    const std::string hand = "3;\"unbalanced;quote;and more";
    openWith("id; Name ;NOTE:$20\n1;one;x\r" + odd + "\r\n\r\n" + hand + "\n>>special line\n4;four;y\r\n");
    EXPECT_EQ(table_.recordCount(), 4);
    ASSERT_TRUE(table_.locate("ID", "1"));
    table_.edit();
    table_.setValue("NOTE", "changed");
    table_.post();
    table_.saveIfChanged();
    EXPECT_EQ(readFile(path()), "id; Name ;NOTE:$20\r\n1;one;changed\r\n" + odd + "\r\n" + hand + "\r\n4;four;y\r\n");
}

TEST_F(CsvDataSetTest, ShortRowsReadEmptyAndWidenWhenWritten) {
    openWith("ID;NAME;NOTE\r\n7\r\n8;eight\r\n");
    EXPECT_EQ(column("NAME"), (std::vector<std::string>{"", "eight"}));
    table_.first();
    table_.edit();
    table_.setValue("NOTE", "late");
    table_.post();
    table_.close();
    EXPECT_EQ(readFile(path()), "ID;NAME;NOTE\r\n7;;late\r\n8;eight\r\n");
}

TEST_F(CsvDataSetTest, ReorderedHeaderIsReadByNameAndStaysConsistentAfterSave) {
    openWith("NOTE;ID;NAME\r\nnote1;1;one\r\n");
    EXPECT_EQ(table_.value("ID"), "1");
    EXPECT_EQ(table_.value("NAME"), "one");
    EXPECT_EQ(table_.value("NOTE"), "note1");
    appendRow("2", "two", "note2");
    table_.close();
    // The header keeps the order the rows are in, so the file reads the same again.
    EXPECT_EQ(readFile(path()), "NOTE;ID;NAME\r\nnote1;1;one\r\nnote2;2;two\r\n");
    table_.open();
    EXPECT_EQ(column("NAME"), (std::vector<std::string>{"one", "two"}));
}

TEST_F(CsvDataSetTest, HeaderLackingColumnsAppendsThem) {
    openWith("ID;NAME\r\n1;one\r\n");
    EXPECT_EQ(table_.value("NOTE"), "");
    EXPECT_EQ(table_.headerRow(), "ID;NAME;NOTE");
    table_.edit();
    table_.setValue("NOTE", "new");
    table_.post();
    table_.close();
    EXPECT_EQ(readFile(path()), "ID;NAME;NOTE\r\n1;one;new\r\n");
}

TEST_F(CsvDataSetTest, SpecialAndEmptyLinesDisappearAfterTheNextSave) {
    openWith("ID;NAME;NOTE\r\n>>meta\r\n\r\n1;one;\r\n\n\n>>more\r\n");
    EXPECT_EQ(table_.recordCount(), 1);
    table_.edit();
    table_.setValue("NAME", "one");
    table_.post();
    table_.close();
    EXPECT_EQ(readFile(path()), "ID;NAME;NOTE\r\n1;one;\r\n");
}

TEST_F(CsvDataSetTest, AFirstValueLookingLikeASpecialLineIsQuotedSoTheRowSurvives) {
    openWith("NAME;ID;NOTE\r\n");
    appendRow("1", ">>special");
    table_.close();
    EXPECT_EQ(readFile(path()), "NAME;ID;NOTE\r\n\">>special\";1;\r\n");
    table_.open();
    EXPECT_EQ(table_.recordCount(), 1);
    EXPECT_EQ(table_.value("NAME"), ">>special");
}

TEST_F(CsvDataSetTest, AnyLineEndEndsALine) {
    openWith("ID;NAME;NOTE\r1;a\n2;b\r\n3;c");
    EXPECT_EQ(column("NAME"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(CsvDataSetTest, ANulByteIsAReadErrorNamingItsLineAndTheFileIsKept) {
    std::string text = "ID;NAME;NOTE\r1;a\n2;b\r\n3;c";
    text += '\0';
    text += "4;hidden\r\n";
    writeFile(path(), text);
    configure(table_);
    EXPECT_EQ(test::errorOf([&] { table_.open(); }), path().string() + ": The list holds a NUL byte in line 4");
    EXPECT_NE(test::errorOf([&] { table_.saveIfChanged(); }).find("so it is not written"), std::string::npos);
    table_.close();
    EXPECT_EQ(readFile(path()), text);
}

TEST_F(CsvDataSetTest, BadHeadersFailToOpenWithTheirMessages) {
    struct Case {
        const char* header;
        std::string message;
    };
    const std::string name = path().string();
    const Case cases[] = {
        {"ID;NAME;EXTRA;NOTE", name + ": ProcessCsvHeaderRow: Field EXTRA found in file, but not in field definitions"},
        {"ID;;NAME", name + ": Error processing first line of CSV file"},
        {"ID;NAME;NOTE;", name + ": Error processing first line of CSV file"},
    };
    for (const auto& c : cases) {
        CsvDataSet table;
        writeFile(path(), std::string(c.header) + "\r\n1;a;b\r\n");
        configure(table);
        EXPECT_EQ(errorOf([&] { table.open(); }), c.message) << c.header;
        EXPECT_FALSE(table.active());
    }
}

TEST_F(CsvDataSetTest, OverlongLinesAndTooManyColumnsAreRefused) {
    const std::string longLine = "1;" + std::string(20000, 'z');
    CsvDataSet table;
    writeFile(path(), "ID;NAME;NOTE\r\n" + longLine + "\r\n");
    configure(table);
    EXPECT_EQ(errorOf([&] { table.open(); }), "CSV string is too long: " + longLine.substr(0, 40) + "...");

    CsvDataSet wide;
    writeFile(path(), "ID;NAME;NOTE\r\n" + std::string(130, ';') + "\r\n");
    configure(wide);
    EXPECT_EQ(errorOf([&] { wide.open(); }),
              "CsvData - Internal Limit of MAXCOLUMNS (120) reached. CSV Data has too many columns");
}

TEST_F(CsvDataSetTest, AListThatFailedToOpenIsNeverWrittenBack) {
    const std::string broken = "ID;NAME;BOGUS\r\n1;precious;data\r\n";
    writeFile(path(), broken);
    configure(table_);
    EXPECT_THROW(table_.open(), CsvDataSetError);
    EXPECT_THROW(table_.append(), CsvDataSetError);
    const std::string message = errorOf([&] { table_.saveIfChanged(); });
    EXPECT_NE(message.find("not loaded"), std::string::npos) << message;
    EXPECT_NE(message.find("BOGUS"), std::string::npos) << message;
    table_.close();
    EXPECT_EQ(readFile(path()), broken);

    // Once the file is mended, the table opens and saves again.
    writeFile(path(), "ID;NAME;NOTE\r\n1;precious;data\r\n");
    table_.open();
    table_.edit();
    table_.setValue("NOTE", "kept");
    table_.post();
    EXPECT_NO_THROW(table_.saveIfChanged());
}

TEST_F(CsvDataSetTest, UniqueKeysRefuseDuplicatesOnPost) {
    openWith("ID;NAME;NOTE\r\n1;one;\r\n2;two;\r\n");
    const std::string keyError = path().string() + " - Key is not unique ";

    table_.first();
    table_.edit();
    table_.setValue("ID", "2");
    EXPECT_EQ(errorOf([&] { table_.post(); }), keyError);
    EXPECT_EQ(table_.state(), CsvDataSet::State::Edit);
    table_.cancel();

    table_.edit();
    table_.setValue("NAME", "uno");
    EXPECT_NO_THROW(table_.post());

    table_.append();
    table_.setValue("ID", "1");
    EXPECT_THROW(table_.post(), CsvKeyError);
    table_.cancel();

    table_.first();
    table_.insert();
    table_.setValue("ID", " 2 ");  // the stored text is compared trimmed
    EXPECT_THROW(table_.post(), CsvKeyError);
    table_.cancel();
    EXPECT_EQ(column("NAME"), (std::vector<std::string>{"uno", "two"}));
}

TEST_F(CsvDataSetTest, KeysMayRepeatWhenNotUnique) {
    openWith("ID;NAME;NOTE\r\n1;one;\r\n", false);
    appendRow("1", "again");
    EXPECT_EQ(table_.recordCount(), 2);
}

TEST_F(CsvDataSetTest, CaseInsensitiveKeysCompareUpperCased) {
    writeFile(path(), "ID;NAME;NOTE\r\nab;one;\r\n");
    configure(table_);
    table_.setCaseInsensitive(true);
    table_.open();
    table_.append();
    table_.setValue("ID", "AB");
    EXPECT_THROW(table_.post(), CsvKeyError);
}

TEST_F(CsvDataSetTest, InsertPlacesTheRowAtTheCursor) {
    openWith("ID;NAME;NOTE\r\n1;one;\r\n3;three;\r\n");
    table_.next();
    table_.insert();
    table_.setValue("ID", "2");
    table_.setValue("NAME", "two");
    table_.post();
    EXPECT_EQ(table_.recNo(), 1);
    EXPECT_EQ(column("ID"), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(CsvDataSetTest, CancelDropsTheEditButTheWriteStillCountsAsAChange) {
    openWith("ID;NAME;NOTE\r\n1;one;\r\n");
    table_.edit();
    table_.setValue("NAME", "other");
    EXPECT_EQ(table_.value("NAME"), "other");
    table_.cancel();
    EXPECT_EQ(table_.value("NAME"), "one");
    EXPECT_TRUE(table_.changed());
}

TEST_F(CsvDataSetTest, DeleteRowRangeStopsAtTheEndAndMovesTheCursor) {
    openWith("ID;NAME;NOTE\r\n1;a;\r\n2;b;\r\n3;c;\r\n4;d;\r\n");
    table_.moveTo(3);
    table_.deleteRowRange(2, 99999);
    EXPECT_EQ(column("ID"), (std::vector<std::string>{"1", "2"}));
    table_.moveTo(0);
    table_.deleteRowRange(1, 1);
    EXPECT_EQ(table_.recNo(), 0);
    EXPECT_EQ(table_.value("ID"), "1");

    table_.saveIfChanged();
    table_.deleteRowRange(0, 99999);
    EXPECT_EQ(table_.recordCount(), 0);
    EXPECT_TRUE(table_.changed());
    EXPECT_TRUE(table_.eof());
    table_.close();
    EXPECT_EQ(readFile(path()), "ID;NAME;NOTE\r\n");
}

TEST_F(CsvDataSetTest, CursorWalksTheRowsInFileOrder) {
    openWith("ID;NAME;NOTE\r\n1;a;\r\n2;b;\r\n3;c;\r\n");
    EXPECT_EQ(table_.recNo(), 0);
    EXPECT_TRUE(table_.bof());
    EXPECT_FALSE(table_.eof());
    table_.last();
    EXPECT_EQ(table_.value("ID"), "3");
    table_.prior();
    EXPECT_EQ(table_.value("ID"), "2");
    EXPECT_TRUE(table_.locate("NAME", "a"));
    EXPECT_EQ(table_.recNo(), 0);
    EXPECT_FALSE(table_.locate("NAME", "zz"));
    EXPECT_EQ(table_.recNo(), 0);
    table_.moveTo(2);
    table_.refreshKeepingPosition();
    EXPECT_EQ(table_.value("ID"), "3");
}

TEST_F(CsvDataSetTest, FieldsAreFoundWithoutRegardToCase) {
    openWith("ID;NAME;NOTE\r\n12;one;\r\n");
    EXPECT_EQ(table_.fieldByName("name").asString(), "one");
    EXPECT_EQ(table_.fieldByName("Id").asInteger(), 12);
    EXPECT_EQ(errorOf([&] { table_.fieldByName("MISSING"); }), path().string() + ": Field 'MISSING' not found");
    table_.edit();
    table_.fieldByName("note").setAsInteger(5);
    EXPECT_EQ(table_.value("NOTE"), "5");
}

TEST_F(CsvDataSetTest, MisuseGivesClearErrors) {
    const std::string prefix = path().string() + ": ";
    configure(table_);
    EXPECT_EQ(errorOf([&] { table_.post(); }), prefix + "Cannot post. Not in dsEdit or dsInsert mode");
    table_.open();
    EXPECT_EQ(errorOf([&] { table_.setValue("NAME", "x"); }), prefix + "Dataset not in edit or insert mode");
    EXPECT_EQ(errorOf([&] { table_.edit(); }), prefix + "Cannot edit. The table holds no current record");
    EXPECT_EQ(errorOf([&] { table_.setFileName("other.csv"); }), prefix + "Cannot perform this operation on an open dataset");
    table_.append();
    EXPECT_EQ(errorOf([&] { table_.deleteRowRange(0, 1); }), prefix + "Cannot delete. Not in dsBrowse mode");
    EXPECT_EQ(errorOf([&] { table_.refreshKeepingPosition(); }), prefix + "Cannot refresh. Not in dsBrowse mode");
    table_.cancel();

    CsvDataSet unnamed;
    unnamed.setCsvFieldDef("ID");
    EXPECT_EQ(errorOf([&] { unnamed.open(); }), "TCustomCsvDataSet.GetFileName - TableName property is not set");
    EXPECT_EQ(errorOf([&] { unnamed.saveIfChanged(); }), "TableName not specified");

    CsvDataSet badKey;
    configure(badKey);
    badKey.setCsvKeyDef("NOPE");
    EXPECT_EQ(errorOf([&] { badKey.open(); }),
              prefix + "CsvKeyDef contains field 'NOPE' which is not defined. InternalInitFieldDefs failed");
}

TEST_F(CsvDataSetTest, SeparatorIsValidated) {
    const std::pair<char, const char*> refused[] = {
        {'\0', "#00"}, {'\b', "#08"}, {'\n', "#10"}, {'\f', "#12"}, {'\r', "#13"}, {'!', "!"},  {'"', "\""},
        {'#', "#"},    {'$', "$"},    {'%', "%"},    {'&', "&"},    {'\'', "'"},   {'*', "*"},  {'-', "-"},
        {'/', "/"},    {'@', "@"},    {'\\', "\\"},  {'^', "^"},
    };
    for (const auto& [c, shown] : refused)
        EXPECT_EQ(errorOf([&] { table_.setSeparator(c); }), std::string("Invalid separator character (") + shown + ")");
    for (char c : {',', '\t', '|', ';'}) EXPECT_NO_THROW(table_.setSeparator(c));
}

TEST_F(CsvDataSetTest, OtherSeparatorsWork) {
    table_.setSeparator(',');
    configure(table_);
    table_.setCsvFieldDef("ID:$5,NAME:$10,NOTE:$20");
    table_.open();
    appendRow("1", "a,b;c");
    table_.close();
    EXPECT_EQ(readFile(path()), "ID,NAME,NOTE\r\n1,\"a,b;c\",\r\n");
}

TEST_F(CsvDataSetTest, RelativeDotNamesResolveAgainstTheFolderAtCreation) {
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    CsvDataSet table;
    std::filesystem::create_directory(folder_ / "elsewhere");
    std::filesystem::current_path(folder_ / "elsewhere");
    table.setFileName("./rel.csv");
    table.setCsvFieldDef("ID");
    table.open();
    table.append();
    table.setValue("ID", "1");
    table.post();
    table.close();
    std::filesystem::current_path(saved);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "rel.csv"));
}

TEST_F(CsvDataSetTest, SaveKeepsPermissionsAndLeavesNoTemporaryFiles) {
    writeFile(path(), "ID;NAME;NOTE\r\n1;one;\r\n");
    ASSERT_EQ(::chmod(path().c_str(), 0640), 0);
    configure(table_);
    table_.open();
    appendRow("2", "two");
    table_.saveIfChanged();
    struct stat st {};
    ASSERT_EQ(::stat(path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.path())) ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(CsvDataSetTest, SaveIntoAMissingFolderCreatesIt) {
    table_.setFileName((folder_ / "new" / "deeper" / "l.csv").string());
    table_.setCsvFieldDef("ID");
    table_.open();
    table_.append();
    table_.setValue("ID", "1");
    table_.post();
    table_.close();
    EXPECT_EQ(readFile(folder_ / "new" / "deeper" / "l.csv"), "ID\r\n1\r\n");
}

// The event list's own definitions: a record with every field full, and every
// character one that needs quoting, still saves and reads back whole.
TEST(CsvDataSetLimits, AFullEventRecordReadsBackWhole) {
    test::TempFolder folder;
    const auto path = folder / "L.csv";
    EventRecord full;
    for (const auto& field : EventRecord::kFields) {
        CsvDataSet probe;
        probe.setCsvFieldDef(std::string(kEventListFieldDef));
        probe.loadText("");
        const std::size_t size = probe.columns()[static_cast<std::size_t>(probe.fieldIndex(field.name))].size;
        full.*field.member = std::string(size, '"');
    }
    full.cfgSave = std::string(600, '\n');
    full.id = "0";
    {
        CsvDataSet table;
        configureEventListTable(table, path.string(), true);
        table.open();
        table.append();
        writeEventRecord(table, full);
        table.post();
        table.close();
    }
    EXPECT_GT(readFile(path).size(), 4000u);
    CsvDataSet table;
    configureEventListTable(table, path.string(), true);
    table.open();
    EventRecord back = readEventRecord(table);
    std::string escaped;
    for (int i = 0; i < 600; ++i) escaped += "\\n";
    EXPECT_EQ(back.cfgSave, escaped);
    back.cfgSave = full.cfgSave;
    EXPECT_EQ(back, full);
}

}  // namespace
}  // namespace orvalo
