#include "database/symbol_files.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <utility>

#include "base/ascii_text.h"
#include "database/market_manager.h"
#include "database/master_table.h"
#include "database/program_tables.h"
#include "database/table_file.h"

namespace kiruvan {
namespace {

// Another program may create the same file meanwhile: its file is kept.
bool createEmptyFile(Table& layout, const std::filesystem::path& file)
{
    layout.create();
    const bool created = layout.saveToNewFile(file);
    layout.close();
    return created;
}

bool hasStandardNames(const std::vector<FieldDef>& fields)
{
    for (size_t i = 0; i < std::size(kSymbolFieldNames); ++i)
        if (fields[i].name != kSymbolFieldNames[i])
            return false;
    return true;
}

// Eight fields under other names: the layout of another program's export, which the check
// rebuilds.
bool hasForeignNames(const std::vector<FieldDef>& fields)
{
    return fields.size() == std::size(kSymbolFieldNames) && !hasStandardNames(fields);
}

constexpr std::array<std::string_view, 5> kValueFields = {kOpenField, kHighField, kLowField, kCloseField, kVolumeField};

// Positions in the standard layout.
constexpr std::size_t kDatePosition = 0, kFirstValue = 2, kIndexDatePosition = 7;
static_assert(kSymbolFieldNames[kDatePosition] == kDateField && kSymbolFieldNames[kFirstValue] == kOpenField
              && kSymbolFieldNames[kFirstValue + 4] == kVolumeField
              && kSymbolFieldNames[kIndexDatePosition] == kIndexDateField);

void setValue(FieldRef field, std::optional<double> value)
{
    if (value)
        field.setAsFloat(*value);
    else
        field.clear();
}

}  // namespace

// A file in the standard layout has its fields addressed by position: an import writes a row
// per line.
void setSymbolRow(Table& table, Date day, const BarValues<std::optional<double>>& values)
{
    const bool standard =
        table.fieldCount() == static_cast<int>(std::size(kSymbolFieldNames)) && hasStandardNames(table.fields());
    const auto field = [&](std::size_t position) {
        return standard ? table.field(static_cast<int>(position)) : table.field(kSymbolFieldNames[position]);
    };
    field(kDatePosition).setAsDate(day);
    for (std::size_t i = 0; i < values.size(); ++i)
        setValue(field(kFirstValue + i), values[i]);
    field(kIndexDatePosition).setAsString(day.toIndexText());
}

bool hasStandardSymbolLayout(const Table& table)
{
    if (table.fieldCount() != static_cast<int>(std::size(kSymbolFieldNames)) || !hasStandardNames(table.fields()))
        return false;
    const auto& fields = table.fields();
    for (std::size_t i = 0; i < kValueFields.size(); ++i)
        if (fields[kFirstValue + i].type != FieldType::Float)
            return false;
    // The index text is ten characters: a shorter field would cut it.
    const FieldDef& index = fields[kIndexDatePosition];
    return fields[kDatePosition].type == FieldType::Date && index.type == FieldType::String
           && (index.size <= 0 || index.size >= 10);
}

void standardSymbolRow(std::vector<Value>& row, Date day, const BarValues<std::optional<double>>& values)
{
    row.assign(std::size(kSymbolFieldNames), std::monostate{});
    row[kDatePosition] = day;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i])
            row[kFirstValue + i] = *values[i];
    row[kIndexDatePosition] = day.toIndexText();
}

void defineSymbolLayout(Table& table, bool withIndex)
{
    table.clearDefinitions();
    table.addField(std::string(kDateField), FieldType::Date);
    table.addField(std::string(kTimeField), FieldType::String, 8);
    for (std::string_view name : kValueFields)
        table.addField(std::string(name), FieldType::Float);
    table.addField(std::string(kIndexDateField), FieldType::String, 10);
    if (withIndex)
        table.addIndex("Index_1", std::string(kIndexDateField), ixPrimary);
}

namespace {

constexpr std::string_view kPendingSuffix = ".pending";

// ".CODE.cds.PID-N.pending": hidden, and naming the process that writes it.
std::filesystem::path pendingName(const DataFolder& folder, std::string_view code)
{
    static std::atomic<unsigned> counter{0};
    return folder.file("." + std::string(code) + std::string(kTableFileExtension) + "." + std::to_string(::getpid())
                       + "-" + std::to_string(counter++) + std::string(kPendingSuffix));
}

// The process that writes a pending symbol file, from its name; nullopt for any other name.
std::optional<pid_t> pendingWriter(const std::string& name)
{
    if (name.size() <= kPendingSuffix.size() || name.front() != '.' || !name.ends_with(kPendingSuffix))
        return std::nullopt;
    const std::string stem = name.substr(0, name.size() - kPendingSuffix.size());
    const std::size_t dash = stem.rfind('-');
    const std::size_t dot = stem.rfind('.', dash);
    if (dash == std::string::npos || dot == std::string::npos)
        return std::nullopt;
    const std::string digits = stem.substr(dot + 1, dash - dot - 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
        return std::nullopt;
    return static_cast<pid_t>(std::stol(digits));
}

void syncFolder(const std::filesystem::path& folder)
{
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

}  // namespace

PendingSymbolFile::PendingSymbolFile(std::filesystem::path temporary, std::filesystem::path target)
    : temporary_(std::move(temporary)), target_(std::move(target))
{
}

PendingSymbolFile::PendingSymbolFile(PendingSymbolFile&& other) noexcept
    : temporary_(std::exchange(other.temporary_, {})), target_(std::move(other.target_))
{
}

PendingSymbolFile::~PendingSymbolFile()
{
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

std::optional<PendingSymbolFile> PendingSymbolFile::prepare(const DataFolder& folder, std::string_view code)
{
    std::filesystem::path target = folder.symbolFileFor(code);
    std::error_code ec;
    if (std::filesystem::exists(target, ec) || folder.findSymbolFile(code))
        return std::nullopt;
    if (std::filesystem::is_symlink(target, ec))
        throw TableFile::linkError(target);
    PendingSymbolFile pending(pendingName(folder, code), std::move(target));
    Table symbol;
    defineSymbolLayout(symbol, true);
    if (!createEmptyFile(symbol, pending.temporary_))
        throw TableError("Cannot save file \"" + escapedControls(pending.temporary_.string())
                         + "\": another program made a file of that name.");
    return pending;
}

bool PendingSymbolFile::place()
{
    // A link never replaces a file: a symbol file another program made meanwhile stays.
    const bool moved = ::link(temporary_.c_str(), target_.c_str()) == 0;
    if (!moved && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), "cannot create " + target_.string());
    ::unlink(temporary_.c_str());
    temporary_.clear();
    syncFolder(target_.parent_path());
    return moved;
}

std::vector<std::filesystem::path> removeAbandonedSymbolFiles(const DataFolder& folder)
{
    std::vector<std::filesystem::path> removed;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder.root(), ec)) {
        const auto writer = pendingWriter(entry.path().filename().string());
        if (writer && ::kill(*writer, 0) != 0 && errno == ESRCH && std::filesystem::remove(entry.path(), ec))
            removed.push_back(entry.path());
    }
    return removed;
}

void Verification_existance_des_Fichiers(const DataFolder& folder)
{
    TableFile::removeLeftovers(folder.root());
    removeAbandonedSymbolFiles(folder);
    std::error_code ec;
    if (!std::filesystem::exists(folder.file(kMasterFile), ec)) {
        Table master;
        defineMasterLayout(master);
        createEmptyFile(master, folder.file(kMasterFile));
    }
    if (!std::filesystem::exists(folder.file(kMarketsFile), ec)) {
        Table markets;
        defineMarketLayout(markets);
        createEmptyFile(markets, folder.file(kMarketsFile));
    }
}

bool Creation_d1_Fichier_Data(const DataFolder& folder, std::string_view code)
{
    std::optional<PendingSymbolFile> pending = PendingSymbolFile::prepare(folder, code);
    return pending && pending->place();
}

bool Verification_Fichier_Data(const std::filesystem::path& symbolFile)
{
    std::unique_ptr<TableFile> open = TableFile::open(symbolFile);
    return Verification_Fichier_Data(open);
}

bool Verification_Fichier_Data(std::unique_ptr<TableFile>& open)
{
    // The field list alone clears most files; the loads that follow read and check the rows.
    if (!hasForeignNames(open->readAll({.requiredFields = {}, .problems = nullptr, .withoutRows = true}).fields))
        return false;
    const std::filesystem::path symbolFile = open->path();
    open.reset();
    Table scratch;
    scratch.loadFromFile(symbolFile);  // a damaged file is refused, not rebuilt
    scratch.close();
    // The rebuilt file starts empty: keep the user's rows in a copy beside it.
    std::filesystem::copy_file(symbolFile, symbolFile.string() + ".bak",
                               std::filesystem::copy_options::overwrite_existing);
    Table standard;
    defineSymbolLayout(standard, true);
    standard.create();
    standard.saveToFile(symbolFile);
    open = TableFile::open(symbolFile);
    return true;
}

bool Verification_Fichier_Data(const DataFolder& folder, std::string_view code)
{
    const auto file = folder.findSymbolFile(code);
    if (!file)
        throw TableError("Cannot open file \"" + folder.file(std::string(code) + ".cds").string()
                         + "\": the file does not exist.");
    return Verification_Fichier_Data(*file);
}

void rewriteSymbolFile(Table& loaded, const std::filesystem::path& file)
{
    // The rows were read from this file: if another program wrote it since, they are stale.
    const bool overLoadedFile = loaded.fileName() == file;
    if (overLoadedFile && loaded.changedOnDisk())
        throw TableFile::changedError(file);
    if (loaded.isEditing())
        loaded.post();
    Table copy;
    copy.copyFieldDefinitions(loaded);
    copy.create();
    for (int row = 0; row < loaded.recordCount(); ++row) {
        copy.append();
        for (int f = 0; f < loaded.fieldCount(); ++f)
            copy.field(f).setValue(loaded.valueAt(row, f));
        copy.post();
    }
    // Checked again under the lock, since building the copy takes a while.
    if (overLoadedFile)
        loaded.replaceLoadedFile(copy);
    else
        copy.saveToFile(file);
}

}  // namespace kiruvan
