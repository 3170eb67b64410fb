// A table of text columns kept in one ";"-separated text file with a header line.
// open() reads the whole file into memory; edits change rows in memory and set the
// changed flag; saveIfChanged() and close() rewrite the file atomically. Rows that
// were not modified are written back byte for byte.
//
// Not thread-safe: callers that share a table hold their own lock around each pass.
// Errors are CsvDataSetError (CsvKeyError for a duplicate key), ConvertError for a
// field read as an integer, IoError when the file cannot be read or written.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eventlist/csv_column.h"
#include "eventlist/csv_data_set_error.h"
#include "eventlist/csv_row.h"

namespace orvalo {

class CsvDataSet;

// A column of the table's current record, as returned by fieldByName().
class CsvField {
public:
    CsvField(CsvDataSet& table, int column) : table_(&table), column_(column) {}
    std::string asString() const;
    std::int64_t asInteger() const;  // ConvertError when the text is not a whole number
    void setAsString(std::string_view value) const;
    void setAsInteger(std::int64_t value) const { setAsString(std::to_string(value)); }
    const std::string& name() const;
    std::size_t size() const;

private:
    CsvDataSet* table_;
    int column_;
};

class CsvDataSet {
public:
    enum class State { Inactive, Browse, Edit, Insert };

    CsvDataSet();
    // Closes the table, writing pending changes; errors are ignored here.
    ~CsvDataSet();
    CsvDataSet(const CsvDataSet&) = delete;
    CsvDataSet& operator=(const CsvDataSet&) = delete;

    // Settings; each may be changed only while the table is closed.
    void setFileName(std::string fileName);
    const std::string& fileName() const { return fileName_; }
    void setSeparator(char separator);
    char separator() const { return separator_; }
    void setCsvFieldDef(std::string definition);
    void setCsvKeyDef(std::string keyDefinition);
    void setCsvUniqueKeys(bool unique);
    void setCaseInsensitive(bool caseInsensitive);
    // Runs at the start of open(), before the file name is used.
    void setBeforeOpen(std::function<void(CsvDataSet&)> handler);

    // Reads the file; a missing file opens as an empty table. Opening an open table
    // does nothing. On error the table stays closed and will not write the file.
    void open();
    // saveIfChanged(), then drops the rows.
    void close();
    bool active() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    bool changed() const { return changed_; }
    // Rewrites the whole file now when anything changed since open or the last save.
    void saveIfChanged();
    // saveIfChanged() in two steps, so that a shared table can be written outside
    // its lock: the text of every change so far (the changed flag is cleared), then
    // the writing of that text, which touches no state of the table: after a failed
    // write the caller calls markChanged() under its lock, so the next save retries.
    std::string takeChangedText();
    void writeSavedText(const std::string& text) const;
    void markChanged() { changed_ = true; }
    // Reads the file again, dropping every change not saved yet; on error the table
    // is closed as after a failed open().
    void reload();
    // Full path the table was opened from (empty while closed).
    const std::filesystem::path& openedPath() const { return openedPath_; }
    // The header line as read (with appended names of columns the file lacked).
    const std::string& headerRow() const { return headerRow_; }

    // Cursor over the rows in file order.
    int recordCount() const { return static_cast<int>(rows_.size()); }
    int recNo() const { return cursor_; }  // index of the current row, -1 when none
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int index);
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    // Moves to the first row whose field equals value exactly; false leaves the cursor.
    bool locate(std::string_view fieldName, std::string_view value);

    // Fields of the current record, names matched without regard to case.
    int fieldIndex(std::string_view name) const;
    CsvField fieldByName(std::string_view name);
    std::string value(std::string_view fieldName) const { return valueAt(requireField(fieldName)); }
    void setValue(std::string_view fieldName, std::string_view value) { setValueAt(requireField(fieldName), value); }
    std::string valueAt(int column) const;
    void setValueAt(int column, std::string_view value);
    const std::vector<CsvColumn>& columns() const { return columns_; }

    // Editing: edit() the current row, append() a row at the end, insert() a row at
    // the cursor; post() stores it, cancel() drops it.
    void edit();
    void append();
    void insert();
    void post();
    void cancel();
    // Deletes rows from..to inclusive, stopping at the end of the table.
    void deleteRowRange(int from, int to);
    // Re-reads the view and returns to the current row (browse state only).
    void refreshKeepingPosition();

    // Replaces the rows with those of a file's text, as open() does after reading.
    // Used by open() and by tests and fuzzing without a file.
    void loadText(std::string_view text);
    // The text that a save writes.
    std::string fileText() const;

    // Longest line accepted on read and produced on write: large enough for any
    // record whose values fit their column sizes, small enough that a corrupt file
    // cannot exhaust memory.
    std::size_t lineLimit() const { return lineLimit_; }

private:
    friend class CsvField;

    [[noreturn]] void fail(const std::string& message) const;
    void requireWritable() const;
    void requireClosed() const;
    void requireActive() const;
    void requireBrowse(const char* what) const;
    int requireField(std::string_view name) const;
    void initFieldDefs();
    int mapHeader();  // returns how many defined columns the header lacked
    std::filesystem::path resolvePath() const;
    const CsvRow* currentRow() const;
    bool sameKey(const CsvRow& a, const CsvRow& b) const;
    bool hasDuplicateKey(const CsvRow& row, int exceptIndex) const;
    void clearRows();

    std::string fileName_;
    char separator_ = ';';
    std::string fieldDef_;
    std::string keyDef_;
    bool uniqueKeys_ = false;
    bool caseInsensitive_ = false;
    std::function<void(CsvDataSet&)> beforeOpen_;
    std::filesystem::path createdIn_;

    State state_ = State::Inactive;
    std::vector<CsvColumn> columns_;
    std::vector<int> keyColumns_;
    std::vector<CsvRow> rows_;
    std::string headerRow_;
    std::filesystem::path openedPath_;
    std::size_t lineLimit_ = 0;
    bool changed_ = false;
    std::optional<std::string> openFailure_;

    int cursor_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    std::optional<CsvRow> buffer_;  // the record being edited or inserted
    bool appending_ = false;
};

}  // namespace orvalo
