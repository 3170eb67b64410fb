#include "eventlist/csv_data_set.h"

#include <algorithm>

#include "base/text.h"
#include "platform/atomic_file.h"

namespace orvalo {

namespace {

// Lines shorter than this are always accepted, whatever the column sizes.
constexpr std::size_t kMinLineLimit = 16384;

[[noreturn]] void failTooLong(std::string_view line) {
    throw CsvDataSetError("CSV string is too long: " + printableExcerpt(line.substr(0, 40), 40) + "...");
}

std::string describeSeparator(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32) {
        char text[4];
        text[0] = '#';
        text[1] = static_cast<char>('0' + code / 10);
        text[2] = static_cast<char>('0' + code % 10);
        text[3] = '\0';
        return text;
    }
    return std::string(1, c);
}

bool isForbiddenSeparator(char c) {
    static constexpr std::string_view forbidden("\0\b\n\f\r!\"#$%&'*-/@\\^", 18);
    return forbidden.find(c) != std::string_view::npos;
}

// The number of the line that holds the byte at offset, counting from 1.
std::size_t lineNumberAt(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
    }
    return line;
}

// Splits file text into lines: CR LF, a lone CR and a lone LF each end a line.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

}  // namespace

// ---- CsvField ----

std::string CsvField::asString() const { return table_->valueAt(column_); }
std::int64_t CsvField::asInteger() const { return toInteger(asString()); }
void CsvField::setAsString(std::string_view value) const { table_->setValueAt(column_, value); }
const std::string& CsvField::name() const { return table_->columns_[static_cast<std::size_t>(column_)].name; }
std::size_t CsvField::size() const { return table_->columns_[static_cast<std::size_t>(column_)].size; }

// ---- settings ----

CsvDataSet::CsvDataSet() {
    std::error_code ec;
    createdIn_ = std::filesystem::current_path(ec);
}

CsvDataSet::~CsvDataSet() {
    try {
        close();
    } catch (...) {
        // A destructor cannot report; callers that care call close() themselves.
    }
}

void CsvDataSet::fail(const std::string& message) const {
    throw CsvDataSetError(fileName_.empty() ? message : fileName_ + ": " + message);
}

void CsvDataSet::requireClosed() const {
    if (active()) fail("Cannot perform this operation on an open dataset");
}

void CsvDataSet::requireActive() const {
    if (!active()) fail("Cannot perform this operation on a closed dataset");
}

void CsvDataSet::requireBrowse(const char* what) const {
    requireActive();
    if (state_ != State::Browse) fail(std::string("Cannot ") + what + ". Not in dsBrowse mode");
}

void CsvDataSet::setFileName(std::string fileName) {
    requireClosed();
    fileName_ = std::move(fileName);
}

void CsvDataSet::setSeparator(char separator) {
    requireClosed();
    if (isForbiddenSeparator(separator))
        throw CsvDataSetError("Invalid separator character (" + describeSeparator(separator) + ")");
    separator_ = separator;
}

void CsvDataSet::setCsvFieldDef(std::string definition) {
    requireClosed();
    fieldDef_ = std::move(definition);
}

void CsvDataSet::setCsvKeyDef(std::string keyDefinition) {
    requireClosed();
    keyDef_ = std::move(keyDefinition);
}

void CsvDataSet::setCsvUniqueKeys(bool unique) { uniqueKeys_ = unique; }
void CsvDataSet::setCaseInsensitive(bool caseInsensitive) { caseInsensitive_ = caseInsensitive; }
void CsvDataSet::setBeforeOpen(std::function<void(CsvDataSet&)> handler) { beforeOpen_ = std::move(handler); }

// ---- open, load, save, close ----

std::filesystem::path CsvDataSet::resolvePath() const {
    std::filesystem::path path;
    if (fileName_.size() >= 2 && fileName_[0] == '.' && fileName_[1] == '/')
        path = createdIn_ / fileName_.substr(2);
    else
        path = std::filesystem::absolute(fileName_);
    return path.lexically_normal();
}

void CsvDataSet::initFieldDefs() {
    try {
        columns_ = parseCsvFieldDef(fieldDef_, separator_);
        keyColumns_ = parseCsvKeyDef(columns_, keyDef_, separator_);
    } catch (const CsvDataSetError& e) {
        columns_.clear();
        keyColumns_.clear();
        fail(e.what());
    }
    // Every value fits its column size; quoting at most doubles it, plus the quotes
    // and the separator.
    std::size_t longest = 0;
    for (const CsvColumn& column : columns_) longest += 2 * column.size + 3;
    lineLimit_ = std::max(kMinLineLimit, longest + 1);
}

int CsvDataSet::mapHeader() {
    for (CsvColumn& column : columns_) column.position = -1;
    int next = 0;
    if (!headerRow_.empty()) {
        for (std::string_view item : splitAt(headerRow_, separator_)) {
            std::string_view name = trimBlanks(item);
            name = name.substr(0, name.find(':'));
            if (name.empty()) fail("Error processing first line of CSV file");
            const int column = findColumn(columns_, name);
            if (column < 0)
                fail("ProcessCsvHeaderRow: Field " + printableExcerpt(name) + " found in file, but not in field definitions");
            columns_[static_cast<std::size_t>(column)].position = next++;
        }
    }
    // Columns the file lacks go after the file's own, and the header names them.
    int added = 0;
    for (CsvColumn& column : columns_) {
        if (column.position >= 0) continue;
        if (next > 0) headerRow_.push_back(separator_);
        headerRow_ += column.name;
        column.position = next++;
        ++added;
    }
    return added;
}

void CsvDataSet::loadText(std::string_view text) {
    state_ = State::Inactive;
    changed_ = false;
    clearRows();
    initFieldDefs();

    // A NUL is no text: a damaged file is refused whole, never read in part (and
    // then written back shorter).
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        fail("The list holds a NUL byte in line " + std::to_string(lineNumberAt(text, nul)));
    const auto lines = splitLines(text);
    headerRow_.clear();
    if (!lines.empty()) {
        if (lines.front().size() >= lineLimit_) failTooLong(lines.front());
        headerRow_ = std::string(lines.front());
    }
    // Without a header the columns simply follow the definition order.
    const bool fileHasHeader = !headerRow_.empty();
    const int added = mapHeader();

    std::vector<CsvRow> rows;
    rows.reserve(lines.size());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty() || line.starts_with(">>")) continue;
        if (line.size() >= lineLimit_) failTooLong(line);
        CsvRow row = CsvRow::parse(std::string(line), separator_);
        if (added > 0 && fileHasHeader) {
            row.appendEmptyColumns(added, separator_);
            // A widened row must still read back after the next save.
            if (row.columnCount() > CsvRow::kMaxColumns) CsvRow::failTooManyColumns();
            if (row.text().size() >= lineLimit_) failTooLong(row.text());
        }
        rows.push_back(std::move(row));
    }
    rows_ = std::move(rows);
    state_ = State::Browse;
    first();
}

void CsvDataSet::open() {
    if (active()) return;
    if (beforeOpen_) beforeOpen_(*this);
    if (fileName_.empty()) throw CsvDataSetError("TCustomCsvDataSet.GetFileName - TableName property is not set");
    try {
        const std::filesystem::path path = resolvePath();
        std::string text;
        readWholeFile(path, text);  // a missing file leaves text empty: an empty table
        loadText(text);
        openedPath_ = path;
        openFailure_.reset();
    } catch (const std::exception& e) {
        clearRows();
        state_ = State::Inactive;
        openFailure_ = e.what();
        throw;
    }
}

std::string CsvDataSet::fileText() const {
    std::string text;
    std::size_t total = headerRow_.size() + 2;
    for (const CsvRow& row : rows_) total += row.text().size() + 2;
    text.reserve(total);
    text += headerRow_;
    text += "\r\n";
    for (const CsvRow& row : rows_) {
        text += row.text();
        text += "\r\n";
    }
    return text;
}

void CsvDataSet::requireWritable() const {
    if (fileName_.empty()) throw CsvDataSetError("TableName not specified");
    if (openFailure_)
        fail("the list was not loaded (" + *openFailure_ + "), so it is not written and the file stays as it was");
}

void CsvDataSet::saveIfChanged() {
    requireWritable();
    if (!changed_ || !active()) return;
    try {
        writeSavedText(takeChangedText());
    } catch (...) {
        changed_ = true;  // not saved after all: the next save tries again
        throw;
    }
}

std::string CsvDataSet::takeChangedText() {
    requireWritable();
    changed_ = false;
    return fileText();
}

void CsvDataSet::writeSavedText(const std::string& text) const {
    requireWritable();
    writeFileAtomically(openedPath_.empty() ? resolvePath() : openedPath_, text);
}

void CsvDataSet::reload() {
    requireActive();
    cancel();
    changed_ = false;
    clearRows();
    state_ = State::Inactive;
    openedPath_.clear();
    open();
}

void CsvDataSet::close() {
    if (!active()) return;
    cancel();
    saveIfChanged();
    clearRows();
    state_ = State::Inactive;
    openedPath_.clear();
}

void CsvDataSet::clearRows() {
    rows_.clear();
    buffer_.reset();
    appending_ = false;
    cursor_ = -1;
    bof_ = eof_ = true;
}

// ---- cursor ----

void CsvDataSet::first() {
    requireBrowse("move");
    cursor_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void CsvDataSet::next() {
    requireBrowse("move");
    if (cursor_ + 1 < recordCount()) {
        ++cursor_;
        bof_ = false;
    } else {
        eof_ = true;
    }
}

void CsvDataSet::prior() {
    requireBrowse("move");
    if (cursor_ > 0) {
        --cursor_;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

void CsvDataSet::last() {
    requireBrowse("move");
    cursor_ = recordCount() - 1;
    eof_ = true;
    bof_ = rows_.empty();
}

void CsvDataSet::moveTo(int index) {
    requireBrowse("move");
    if (rows_.empty()) return first();
    cursor_ = std::clamp(index, 0, recordCount() - 1);
    bof_ = eof_ = false;
}

bool CsvDataSet::locate(std::string_view fieldName, std::string_view value) {
    requireBrowse("locate");
    const int column = requireField(fieldName);
    const int saved = cursor_;
    for (cursor_ = 0; cursor_ < recordCount(); ++cursor_) {
        if (valueAt(column) == value) {
            bof_ = eof_ = false;
            return true;
        }
    }
    cursor_ = saved;
    return false;
}

// ---- fields ----

int CsvDataSet::fieldIndex(std::string_view name) const { return findColumn(columns_, name); }

int CsvDataSet::requireField(std::string_view name) const {
    const int column = fieldIndex(name);
    if (column < 0) fail("Field '" + std::string(name) + "' not found");
    return column;
}

CsvField CsvDataSet::fieldByName(std::string_view name) { return CsvField(*this, requireField(name)); }

const CsvRow* CsvDataSet::currentRow() const {
    if (buffer_) return &*buffer_;
    if (cursor_ < 0 || cursor_ >= recordCount()) return nullptr;
    return &rows_[static_cast<std::size_t>(cursor_)];
}

std::string CsvDataSet::valueAt(int column) const {
    const CsvRow* row = currentRow();
    if (row == nullptr) return {};
    const CsvColumn& def = columns_.at(static_cast<std::size_t>(column));
    const std::string decoded = decodeCsvValue(row->rawColumn(def.position));
    return std::string(cutReadValue(decoded, def.size));
}

void CsvDataSet::setValueAt(int column, std::string_view value) {
    if (!buffer_) fail("Dataset not in edit or insert mode");
    const CsvColumn& def = columns_.at(static_cast<std::size_t>(column));
    const std::string_view cut = cutToWidth(value, def.size);
    std::string encoded = encodeCsvValue(cut, separator_);
    // A line that starts with ">>" is not read as a row; quoting keeps the row.
    if (def.position == 0 && encoded.starts_with(">>")) encoded = encodeCsvValue(cut, separator_, true);
    const std::size_t widen = def.position >= buffer_->columnCount()
                                  ? static_cast<std::size_t>(def.position + 1 - buffer_->columnCount())
                                  : 0;
    const std::size_t newLength =
        buffer_->text().size() + widen - buffer_->rawColumn(def.position).size() + encoded.size();
    if (newLength >= lineLimit_) failTooLong(buffer_->text());
    buffer_->splice(def.position, encoded, separator_);
    changed_ = true;
}

// ---- editing ----

void CsvDataSet::edit() {
    requireActive();
    if (state_ != State::Browse) return;
    if (cursor_ < 0 || cursor_ >= recordCount()) fail("Cannot edit. The table holds no current record");
    buffer_ = rows_[static_cast<std::size_t>(cursor_)];
    state_ = State::Edit;
}

void CsvDataSet::append() {
    insert();
    appending_ = true;
}

void CsvDataSet::insert() {
    requireActive();
    if (state_ != State::Browse) post();
    int width = 0;
    for (const CsvColumn& column : columns_) width = std::max(width, column.position + 1);
    buffer_ = CsvRow::parse(std::string(static_cast<std::size_t>(std::max(width - 1, 0)), separator_), separator_);
    appending_ = false;
    state_ = State::Insert;
}

bool CsvDataSet::sameKey(const CsvRow& a, const CsvRow& b) const {
    // Key columns compared as stored, blanks trimmed, quotes left; the first unequal
    // column decides.
    for (int column : keyColumns_) {
        const int position = columns_[static_cast<std::size_t>(column)].position;
        const std::string_view x = trimBlanks(a.rawColumn(position));
        const std::string_view y = trimBlanks(b.rawColumn(position));
        if (caseInsensitive_ ? !equalsIgnoreCase(x, y) : x != y) return false;
    }
    return true;
}

bool CsvDataSet::hasDuplicateKey(const CsvRow& row, int exceptIndex) const {
    if (keyColumns_.empty()) return false;
    for (int i = 0; i < recordCount(); ++i)
        if (i != exceptIndex && sameKey(rows_[static_cast<std::size_t>(i)], row)) return true;
    return false;
}

void CsvDataSet::post() {
    if (state_ != State::Edit && state_ != State::Insert) fail("Cannot post. Not in dsEdit or dsInsert mode");
    const bool editing = state_ == State::Edit;
    // Appended rows are checked too: a duplicate ID would break the list for its readers.
    if (uniqueKeys_ && hasDuplicateKey(*buffer_, editing ? cursor_ : -1))
        throw CsvKeyError(fileName_ + " - Key is not unique ");
    if (editing) {
        rows_[static_cast<std::size_t>(cursor_)] = std::move(*buffer_);
    } else {
        const int index = appending_ ? recordCount() : std::clamp(cursor_, 0, recordCount());
        rows_.insert(rows_.begin() + index, std::move(*buffer_));
        cursor_ = index;
    }
    buffer_.reset();
    appending_ = false;
    state_ = State::Browse;
    bof_ = eof_ = false;
    changed_ = true;
}

void CsvDataSet::cancel() {
    if (state_ != State::Edit && state_ != State::Insert) return;
    buffer_.reset();
    appending_ = false;
    state_ = State::Browse;
}

void CsvDataSet::deleteRowRange(int from, int to) {
    requireBrowse("delete");
    from = std::max(from, 0);
    to = std::min(to, recordCount() - 1);
    if (from <= to) rows_.erase(rows_.begin() + from, rows_.begin() + to + 1);
    changed_ = true;
    if (rows_.empty()) return first();
    const bool beyondEnd = cursor_ >= recordCount();
    cursor_ = beyondEnd ? recordCount() - 1 : 0;
    bof_ = !beyondEnd;
    eof_ = beyondEnd;
}

void CsvDataSet::refreshKeepingPosition() {
    requireBrowse("refresh");
    if (rows_.empty()) return first();
    cursor_ = std::clamp(cursor_, 0, recordCount() - 1);
    bof_ = eof_ = false;
}

}  // namespace orvalo
