#include "database/table.h"

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "database/program_tables.h"
#include "database/table_file.h"
#include "database/table_rows.h"

namespace kiruvan {
namespace {

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

int fieldPosition(const std::vector<FieldDef>& fields, std::string_view name)
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (sameIgnoringAsciiCase(fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

int Table::fieldIndex(std::string_view name) const
{
    return fieldPosition(fields_, name);
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

}  // namespace kiruvan
