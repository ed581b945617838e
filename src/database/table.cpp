#include "database/table.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "database/field_text.h"
#include "database/program_tables.h"
#include "database/table_file.h"
#include "database/table_filter.h"

namespace kiruvan {
namespace {

const Value kNull;

// Splits "a;b" into field positions.
std::vector<int> fieldPositions(const Table& table, const std::string& list, const char* what)
{
    std::vector<int> out;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(';', start), list.size());
        const std::string_view name = trimmed(std::string_view(list).substr(start, end - start));
        if (!name.empty()) {
            const int i = table.fieldIndex(name);
            if (i < 0)
                throw TableError(std::string(what) + " \"" + list + "\": field '" + std::string(name) + "' not found.");
            out.push_back(i);
        }
        start = end + 1;
    }
    return out;
}

// How often a change refused because the file changed meanwhile is applied anew.
constexpr int kChangeAttempts = 8;

}  // namespace

void retryWhileChanged(const std::function<void()>& attempt)
{
    for (int made = 1;; ++made) {
        try {
            attempt();
            return;
        } catch (const FileChangedError&) {
            if (made == kChangeAttempts)
                throw;
        }
    }
}

struct Table::Impl {
    struct Row {
        std::vector<Value> values;
        std::int64_t key = 0;  // row key in the file; 0 while only in memory
        std::int64_t id = 0;   // identity in memory, to keep the cursor across re-sorts
        bool modified = false;
    };
    struct Test {
        int field;
        Value value;
    };

    std::vector<Row> rows;  // file order
    std::vector<int> view;  // visible rows in cursor order
    int pos = -1;
    std::vector<Value> buffer;  // the row being edited or inserted
    std::vector<std::int64_t> deletedKeys;
    std::vector<size_t> dirty;  // rows posted since the last save, in posting order
    TableDelta delta;
    std::int64_t nextKey = 1;
    std::int64_t nextId = 1;
    std::vector<Test> tests;
    std::vector<int> sortFields;
    std::map<int, Listener> listeners;
    int nextListener = 1;
    bool pendingNotify = false;
    std::unique_ptr<TableFile> file;
    std::vector<FieldDef> fileFields;
    std::vector<IndexDef> fileIndexes;
    bool fullSync = true;

    // Every row's values, in file order, for a whole write.
    std::vector<const std::vector<Value>*> rowValues() const
    {
        std::vector<const std::vector<Value>*> values;
        values.reserve(rows.size());
        for (const Row& row : rows)
            values.push_back(&row.values);
        return values;
    }

    // The connection to the file the table was loaded from, for a save that needs it.
    TableFile& loadedFile() const
    {
        if (!file)
            throw TableError("Cannot save the table: it was not loaded from a file.");
        return *file;
    }

    void markDirty(size_t index)
    {
        if (!rows[index].modified) {
            rows[index].modified = true;
            dirty.push_back(index);
        }
    }
    // The row at `index` goes away: later rows move one place up.
    void forgetDirty(size_t index)
    {
        std::erase(dirty, index);
        for (size_t& i : dirty)
            if (i > index)
                --i;
    }

    Row& current() { return rows[static_cast<size_t>(view[static_cast<size_t>(pos)])]; }
    bool hasCurrent() const { return pos >= 0 && pos < static_cast<int>(view.size()); }

    bool visible(const Row& row) const
    {
        return std::all_of(tests.begin(), tests.end(), [&](const Test& t) {
            const Value& v = row.values[static_cast<size_t>(t.field)];
            return !std::holds_alternative<std::monostate>(v) && v == t.value;
        });
    }
    bool sortedBefore(int a, int b) const
    {
        for (int f : sortFields) {
            const Value& x = rows[static_cast<size_t>(a)].values[static_cast<size_t>(f)];
            const Value& y = rows[static_cast<size_t>(b)].values[static_cast<size_t>(f)];
            if (x < y)
                return true;
            if (y < x)
                return false;
        }
        return false;
    }
};

const FieldDef& FieldRef::def() const
{
    return table_->fields_[static_cast<size_t>(index_)];
}
bool FieldRef::isNull() const
{
    return std::holds_alternative<std::monostate>(value());
}

const Value& FieldRef::value() const
{
    Table::Impl& d = *table_->d_;
    if (table_->isEditing())
        return d.buffer[static_cast<size_t>(index_)];
    return d.hasCurrent() ? d.current().values[static_cast<size_t>(index_)] : kNull;
}

std::string FieldRef::asString() const
{
    struct Text {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(double v) const { return formatGeneral(v); }
        std::string operator()(Date v) const { return v.toText(); }
    };
    return std::visit(Text{}, value());
}

double FieldRef::asFloat() const
{
    const Value& v = value();
    if (auto f = std::get_if<double>(&v))
        return *f;
    if (auto i = std::get_if<std::int32_t>(&v))
        return *i;
    if (std::holds_alternative<std::monostate>(v))
        return 0.0;
    if (auto s = std::get_if<std::string>(&v))
        if (auto f = parseFloat(*s))
            return *f;
    throw TableError("Field '" + def().name + "' cannot be read as a floating point value.");
}

std::int32_t FieldRef::asInteger() const
{
    const Value& v = value();
    if (auto i = std::get_if<std::int32_t>(&v))
        return *i;
    if (std::holds_alternative<std::monostate>(v))
        return 0;
    if (auto f = std::get_if<double>(&v); f && std::fabs(*f) < 2147483647.5)
        return static_cast<std::int32_t>(std::nearbyint(*f));
    if (auto s = std::get_if<std::string>(&v))
        if (auto i = parseInteger(*s))
            return *i;
    throw TableError("Field '" + def().name + "' cannot be read as an integer value.");
}

Date FieldRef::asDate() const
{
    const Value& v = value();
    if (auto d = std::get_if<Date>(&v))
        return *d;
    if (std::holds_alternative<std::monostate>(v))
        return Date{};
    if (auto s = std::get_if<std::string>(&v))
        if (auto d = dateFromText(*s, table_->clock_))
            return *d;
    throw TableError("Field '" + def().name + "' cannot be read as a date.");
}

void FieldRef::setValue(const Value& v)
{
    struct Writer {
        FieldRef* f;
        void operator()(std::monostate) const { f->clear(); }
        void operator()(const std::string& s) const { f->setAsString(s); }
        void operator()(std::int32_t i) const { f->setAsInteger(i); }
        void operator()(double x) const { f->setAsFloat(x); }
        void operator()(Date d) const { f->setAsDate(d); }
    };
    std::visit(Writer{this}, v);
}

void FieldRef::setAsString(std::string_view text)
{
    table_->requireEditing("write a field");
    table_->d_->buffer[static_cast<size_t>(index_)] = valueFromText(def(), text, table_->clock_);
}

void FieldRef::setAsFloat(double v)
{
    table_->requireEditing("write a field");
    if (!std::isfinite(v))
        throw TableError("A value that is not a finite number cannot be written to field '" + def().name + "'.");
    switch (def().type) {
    case FieldType::Float:
        table_->d_->buffer[static_cast<size_t>(index_)] = v;
        return;
    case FieldType::Integer:
        if (std::fabs(v) >= 2147483647.5)
            throw TableError("The value " + formatGeneral(v) + " does not fit integer field '" + def().name + "'.");
        table_->d_->buffer[static_cast<size_t>(index_)] = static_cast<std::int32_t>(std::nearbyint(v));
        return;
    default:
        setAsString(formatGeneral(v));
    }
}

void FieldRef::setAsInteger(std::int32_t v)
{
    table_->requireEditing("write a field");
    switch (def().type) {
    case FieldType::Integer:
        table_->d_->buffer[static_cast<size_t>(index_)] = v;
        return;
    case FieldType::Float:
        table_->d_->buffer[static_cast<size_t>(index_)] = static_cast<double>(v);
        return;
    default:
        setAsString(std::to_string(v));
    }
}

void FieldRef::setAsDate(Date v)
{
    table_->requireEditing("write a field");
    if (def().type == FieldType::Date)
        table_->d_->buffer[static_cast<size_t>(index_)] = v;
    else if (def().type == FieldType::String)
        setAsString(v.toText());
    else
        throw TableError("A date cannot be written to field '" + def().name + "'.");
}

void FieldRef::clear()
{
    table_->requireEditing("write a field");
    table_->d_->buffer[static_cast<size_t>(index_)] = std::monostate{};
}

Table::Table() : d_(std::make_unique<Impl>())
{
}
Table::~Table() = default;

void Table::requireOpen(const char* what) const
{
    if (!isOpen())
        throw TableError(std::string("Cannot ") + what + ": the table is not open.");
}

void Table::requireClosed(const char* what) const
{
    if (isOpen())
        throw TableError(std::string("Cannot ") + what + ": the table is open.");
}

void Table::requireEditing(const char* what) const
{
    if (!isEditing())
        throw TableError(std::string("Cannot ") + what + ": the table is not in edit or insert mode.");
}

void Table::addField(std::string name, FieldType type, int size)
{
    requireClosed("define a field");
    if (name.empty() || fieldIndex(name) >= 0 || sameIgnoringAsciiCase(name, "_row"))
        throw TableError("Cannot define field '" + name + "': the name is empty, reserved or already used.");
    fields_.push_back({std::move(name), type, type == FieldType::String ? size : 0});
}

void Table::addIndex(std::string name, std::string fieldList, unsigned options)
{
    requireClosed("define an index");
    indexes_.push_back({std::move(name), std::move(fieldList), options});
}

void Table::clearDefinitions()
{
    requireClosed("clear the definitions");
    fields_.clear();
    indexes_.clear();
}

void Table::copyFieldDefinitions(const Table& other)
{
    requireClosed("copy field definitions");
    fields_ = other.fields_;
    indexes_.clear();
}

int Table::fieldIndex(std::string_view name) const
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (sameIgnoringAsciiCase(fields_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

void Table::create()
{
    if (isOpen())
        throw TableError("Cannot create the table: it is already open.");
    if (fields_.empty())
        throw TableError("Cannot create the table: it has no fields.");
    d_->file.reset();
    d_->rows.clear();
    d_->dirty.clear();
    d_->deletedKeys.clear();
    d_->nextKey = 1;
    state_ = TableState::Browse;
    rebuildView(0, 0);
    scroll(d_->view.empty() ? -1 : 0, d_->view.empty(), true);
    fire(afterOpen);
    notify(TableChange::Reset, -1);
}

void Table::loadFromFile(const std::filesystem::path& file, std::vector<std::string>* problems)
{
    close();
    auto source = TableFile::open(file);
    TableContents contents = source->readAll({requiredFieldsOf(file), problems});
    fields_ = std::move(contents.fields);
    indexes_ = std::move(contents.indexes);
    d_->rows.clear();
    d_->dirty.clear();
    d_->rows.reserve(contents.rows.size());
    for (StoredRow& stored : contents.rows) {
        d_->nextKey = std::max(d_->nextKey, stored.key + 1);
        d_->rows.push_back({std::move(stored.values), stored.key, d_->nextId++, false});
    }
    d_->file = std::move(source);
    d_->file->setFullSync(d_->fullSync);
    d_->fileFields = fields_;
    d_->fileIndexes = indexes_;
    fileName_ = file;
    state_ = TableState::Browse;
    try {
        rebuildView(0, 0);
    } catch (...) {
        close();
        throw;
    }
    d_->pos = d_->view.empty() ? -1 : 0;
    bof_ = true;
    eof_ = d_->view.empty();
    fire(afterOpen);
    fire(afterScroll);
    notify(TableChange::Reset, -1);
}

void Table::open()
{
    loadFromFile(fileName_);
}

void Table::close()
{
    const bool wasOpen = isOpen();
    d_->file.reset();
    d_->rows.clear();
    d_->dirty.clear();
    d_->view.clear();
    d_->buffer.clear();
    d_->deletedKeys.clear();
    d_->nextKey = 1;
    d_->pos = -1;
    state_ = TableState::Inactive;
    eof_ = bof_ = true;
    if (wasOpen)
        notify(TableChange::Reset, -1);
}

void Table::setFullSync(bool on)
{
    d_->fullSync = on;
    if (d_->file)
        d_->file->setFullSync(on);
}

void Table::flush()
{
    if (!d_->file)
        throw TableError("Cannot flush the table: it was not loaded from a file.");
    d_->file->flush();
}

bool Table::changedOnDisk()
{
    return !d_->file || !d_->file->unchangedSinceLastAccess();
}

void Table::adoptFile(std::unique_ptr<TableFile> file)
{
    d_->file = std::move(file);
    d_->file->setFullSync(d_->fullSync);
    d_->fileFields = fields_;
    d_->fileIndexes = indexes_;
}

void Table::saveToFile(const std::filesystem::path& file)
{
    save(file, WriteMode::Replace);
}

bool Table::saveToNewFile(const std::filesystem::path& file)
{
    return save(file, WriteMode::CreateNew);
}

std::int64_t Table::writeRowToFile(const std::vector<Value>& values, std::int64_t key)
{
    requireOpen("save the table");
    Impl& d = *d_;
    TableFile& file = d.loadedFile();
    const std::int64_t written = key != 0 ? key : d.nextKey;
    TableDelta& delta = d.delta;
    delta.deleted.clear();
    delta.updated.clear();
    delta.inserted.clear();
    (key != 0 ? delta.updated : delta.inserted).push_back({written, &values});
    file.applyDelta(fields_, delta);
    if (key == 0)
        ++d.nextKey;
    return written;
}

void Table::replaceLoadedFile(const Table& source)
{
    requireOpen("save the table");
    d_->loadedFile().replaceWhole(source.fields_, source.indexes_, source.d_->rowValues()).reset();
    d_->file.reset();  // the connection must not outlive the file it reads
}

bool Table::save(const std::filesystem::path& file, WriteMode mode)
{
    requireOpen("save the table");
    if (isEditing())
        post();
    Impl& d = *d_;
    bool sameFile = d.file
                    && (d.file->path().native() == file.native()
                        || std::filesystem::absolute(d.file->path()).lexically_normal()
                               == std::filesystem::absolute(file).lexically_normal());
    // A file removed since the load is written anew, unless another program made one meanwhile.
    const bool recreate = sameFile && d.file->isGone();
    if (recreate) {
        d.file.reset();
        sameFile = false;
    }
    if (sameFile && mode == WriteMode::CreateNew)
        return false;
    if (sameFile && d.fileFields == fields_ && d.fileIndexes == indexes_) {
        saveChangedRows();
        return true;
    }
    const std::vector<const std::vector<Value>*> rows = d.rowValues();
    std::unique_ptr<TableFile> written;
    if (sameFile) {
        written = d.file->replaceWhole(fields_, indexes_, rows);
        d.file.reset();  // the connection must not outlive the file it reads
    } else if (!(written =
                     TableFile::writeWhole(file, fields_, indexes_, rows, recreate ? WriteMode::CreateNew : mode))) {
        if (recreate)
            throw TableFile::changedError(file);
        return false;
    }
    std::int64_t key = 0;
    for (Impl::Row& row : d.rows) {
        row.key = ++key;
        row.modified = false;
    }
    d.nextKey = key + 1;
    d.dirty.clear();
    d.deletedKeys.clear();
    adoptFile(std::move(written));
    return true;
}

// Only the rows posted since the last save are written; new rows get the next keys.
void Table::saveChangedRows()
{
    Impl& d = *d_;
    TableDelta& delta = d.delta;  // kept between saves: a save per imported line allocates nothing
    delta.deleted.assign(d.deletedKeys.begin(), d.deletedKeys.end());
    delta.updated.clear();
    delta.inserted.clear();
    std::int64_t nextKey = d.nextKey;
    for (size_t index : d.dirty) {
        const Impl::Row& row = d.rows[index];
        if (row.key != 0)
            delta.updated.push_back({row.key, &row.values});
        else
            delta.inserted.push_back({nextKey++, &row.values});
    }
    d.file->applyDelta(fields_, delta);
    nextKey = d.nextKey;
    for (size_t index : d.dirty) {
        Impl::Row& row = d.rows[index];
        if (row.key == 0)
            row.key = nextKey++;
        row.modified = false;
    }
    d.nextKey = nextKey;
    d.dirty.clear();
    d.deletedKeys.clear();
}

void Table::setFilter(std::string expression)
{
    filterText_ = std::move(expression);
    if (isOpen())
        rebuildView(d_->hasCurrent() ? d_->current().id : 0, 0);
}

void Table::setFiltered(bool on)
{
    filtered_ = on;
    if (isOpen()) {
        rebuildView(d_->hasCurrent() ? d_->current().id : 0, 0);
        first();
    }
}

void Table::setSortOrder(std::string fieldList)
{
    sortText_ = std::move(fieldList);
    if (isOpen()) {
        rebuildView(d_->hasCurrent() ? d_->current().id : 0, 0);
        notify(TableChange::Reset, -1);
    }
}

void Table::rebuildView(std::int64_t keepRowId, int fallbackPos)
{
    Impl& d = *d_;
    d.tests.clear();
    if (filtered_)
        for (auto& [field, value] : parseFilter(*this, filterText_, clock_))
            d.tests.push_back({field, std::move(value)});
    d.sortFields = fieldPositions(*this, sortText_, "Cannot sort on");
    d.view.clear();
    for (size_t i = 0; i < d.rows.size(); ++i)
        if (d.visible(d.rows[i]))
            d.view.push_back(static_cast<int>(i));
    if (!d.sortFields.empty())
        std::stable_sort(d.view.begin(), d.view.end(), [&](int a, int b) { return d.sortedBefore(a, b); });
    d.pos = -1;
    if (keepRowId != 0)
        for (size_t i = 0; i < d.view.size(); ++i)
            if (d.rows[static_cast<size_t>(d.view[i])].id == keepRowId)
                d.pos = static_cast<int>(i);
    if (d.pos < 0 && !d.view.empty())
        d.pos = std::clamp(fallbackPos, 0, static_cast<int>(d.view.size()) - 1);
}

void Table::checkBrowseMode()
{
    if (isEditing())
        post();
}

void Table::scroll(int viewPos, bool atEnd, bool atStart)
{
    fire(beforeScroll);
    d_->pos = viewPos;
    eof_ = atEnd;
    bof_ = atStart;
    fire(afterScroll);
    notify(TableChange::Current, d_->pos);
}

void Table::first()
{
    requireOpen("move");
    checkBrowseMode();
    const bool empty = d_->view.empty();
    scroll(empty ? -1 : 0, empty, true);
}

void Table::last()
{
    requireOpen("move");
    checkBrowseMode();
    const int n = static_cast<int>(d_->view.size());
    scroll(n - 1, true, n == 0);
}

void Table::next()
{
    moveBy(1);
}
void Table::prior()
{
    moveBy(-1);
}

void Table::moveBy(int n)
{
    requireOpen("move");
    checkBrowseMode();  // posting may re-sort: count from where the row is now
    moveToPosition(static_cast<long>(d_->pos) + n, true);
}
void Table::moveTo(int recNo)
{
    moveToPosition(static_cast<long>(recNo) - 1, false);
}

// Moves to a 0-based position clipped to the rows; a relative move that ran past an end
// raises that end's flag.
void Table::moveToPosition(long target, bool flagClipping)
{
    requireOpen("move");
    checkBrowseMode();
    const int count = static_cast<int>(d_->view.size());
    if (count == 0) {
        scroll(-1, true, true);
        return;
    }
    scroll(static_cast<int>(std::clamp<long>(target, 0, count - 1)), flagClipping && target > count - 1,
           flagClipping && target < 0);
}

int Table::recNo() const
{
    return d_->hasCurrent() ? d_->pos + 1 : 0;
}
int Table::recordCount() const
{
    return static_cast<int>(d_->view.size());
}

void Table::append()
{
    requireOpen("append a row");
    checkBrowseMode();
    fire(beforeScroll);
    d_->buffer.assign(fields_.size(), std::monostate{});
    state_ = TableState::Insert;
    eof_ = bof_ = false;
    fire(afterInsert);
    fire(afterScroll);
    notify(TableChange::Current, d_->pos);
}

void Table::edit()
{
    requireOpen("edit a row");
    if (isEditing())
        return;
    if (!d_->hasCurrent()) {
        append();  // editing an empty table starts a new row
        return;
    }
    d_->buffer = d_->current().values;
    state_ = TableState::Edit;
    fire(afterEdit);
}

void Table::post()
{
    requireEditing("post");
    Impl& d = *d_;
    std::int64_t id = 0;
    if (state_ == TableState::Insert) {
        id = d.nextId++;
        d.rows.push_back({std::move(d.buffer), 0, id, false});
        d.markDirty(d.rows.size() - 1);
    } else {
        Impl::Row& row = d.current();
        row.values = std::move(d.buffer);
        d.markDirty(static_cast<size_t>(d.view[static_cast<size_t>(d.pos)]));
        id = row.id;
    }
    const bool wasInsert = state_ == TableState::Insert;
    state_ = TableState::Browse;
    d.buffer.clear();
    // Plain tables keep the cheap path: an appended row goes last, an edited row stays put.
    if (d.sortFields.empty() && d.tests.empty()) {
        if (wasInsert) {
            d.view.push_back(static_cast<int>(d.rows.size()) - 1);
            d.pos = static_cast<int>(d.view.size()) - 1;
        }
    } else {
        rebuildView(id, d.pos);
    }
    eof_ = bof_ = false;
    notify(TableChange::Reset, -1);
}

void Table::cancel()
{
    if (!isEditing())
        return;
    state_ = TableState::Browse;
    d_->buffer.clear();
    notify(TableChange::Current, d_->pos);
}

void Table::remove()
{
    requireOpen("delete a row");
    if (state_ == TableState::Insert) {
        cancel();
        return;
    }
    Impl& d = *d_;
    if (!d.hasCurrent())
        throw TableError("Cannot delete a row: the table is empty.");
    state_ = TableState::Browse;
    d.buffer.clear();
    fire(beforeScroll);
    const int pos = d.pos;
    const auto index = static_cast<size_t>(d.view[static_cast<size_t>(pos)]);
    if (d.rows[index].key != 0)
        d.deletedKeys.push_back(d.rows[index].key);
    d.forgetDirty(index);
    d.rows.erase(d.rows.begin() + static_cast<std::ptrdiff_t>(index));
    rebuildView(0, pos);
    eof_ = d.view.empty();
    bof_ = d.view.empty();
    fire(afterScroll);
    notify(TableChange::Reset, -1);
}

FieldRef Table::field(std::string_view name)
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw TableError("Field '" + std::string(name) + "' not found.");
    return FieldRef(*this, i);
}

FieldRef Table::field(int index)
{
    if (index < 0 || index >= fieldCount())
        throw TableError("Field number " + std::to_string(index) + " does not exist.");
    return FieldRef(*this, index);
}

const Value& Table::valueAt(int row, int fieldIndex) const
{
    const Impl& d = *d_;
    if (row < 0 || row >= static_cast<int>(d.view.size()) || fieldIndex < 0 || fieldIndex >= this->fieldCount())
        return kNull;
    if (state_ == TableState::Edit && row == d.pos)
        return d.buffer[static_cast<size_t>(fieldIndex)];
    return d.rows[static_cast<size_t>(d.view[static_cast<size_t>(row)])].values[static_cast<size_t>(fieldIndex)];
}

std::string Table::textAt(int row, int fieldIndex) const
{
    const Value& v = valueAt(row, fieldIndex);
    if (auto d = std::get_if<double>(&v))
        return formatGeneral(*d);
    if (auto i = std::get_if<std::int32_t>(&v))
        return std::to_string(*i);
    if (auto s = std::get_if<std::string>(&v))
        return *s;
    if (auto dt = std::get_if<Date>(&v))
        return dt->toText();
    return {};
}

void Table::disableControls()
{
    ++suspended_;
}

void Table::enableControls()
{
    if (suspended_ > 0 && --suspended_ == 0 && d_->pendingNotify) {
        d_->pendingNotify = false;
        notify(TableChange::Reset, -1);
    }
}

int Table::subscribe(Listener listener)
{
    const int id = d_->nextListener++;
    d_->listeners.emplace(id, std::move(listener));
    return id;
}

void Table::unsubscribe(int id)
{
    d_->listeners.erase(id);
}

void Table::notify(TableChange change, int row)
{
    if (suspended_ > 0) {
        d_->pendingNotify = true;
        return;
    }
    if (d_->listeners.empty())
        return;
    const auto listeners = d_->listeners;  // a listener may unsubscribe itself
    for (const auto& [id, listener] : listeners)
        listener(change, row);
}

void Table::fire(const std::function<void(Table&)>& handler)
{
    // Events fire even while display updates are suspended: handlers keep state, not pixels.
    if (handler)
        handler(*this);
}

}  // namespace kiruvan
