#include "import/import_run.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include <sys/resource.h>

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "import/conversions.h"

namespace kiruvan {
namespace {

// Bars held in memory by the open files of a run: a market's whole history in a few hundred
// megabytes at most, however many symbols a daily file names.
constexpr std::size_t kMostRowsHeld = 600000;

// As many symbol files kept open as the process's file limit allows with room to spare (a file
// and its journal each), so that a market's file, read day after day, keeps every one of its
// symbols open.
std::size_t mostOpenSymbolFiles()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1000;
    const auto spare = static_cast<std::size_t>(limit.rlim_cur) / 2;
    return std::clamp<std::size_t>(spare > 64 ? (spare - 64) : 0, 16, 5000);
}

// A symbol file loaded for the run, with the row of each day it holds.
struct SymbolTable {
    std::filesystem::path file;
    Table table;
    std::unordered_map<std::int32_t, int> rowOfDay;  // 1-based row; the first row of a day
    std::uint64_t lastUse = 0;
    std::string writtenFor;  // the symbol of the first bar written; empty while none is
};

using FlushFailed = std::function<void(const std::string& symbol)>;

// The symbol files of a run. A file is checked and loaded when a line first needs it, then
// kept open while nothing else changes it, so that each line costs one row write, not a
// whole load and save. Each line's save is complete in the file before the next line, and
// survives the process dying; waiting for the disk at every line would make a bulk import
// crawl, so the run's files are flushed to the disk once, when the run ends.
class OpenSymbolFiles {
public:
    // A file that cannot be flushed when it is let go is reported, with the symbol that wrote it.
    explicit OpenSymbolFiles(FlushFailed flushFailed) : flushFailed_(std::move(flushFailed)) {}
    ~OpenSymbolFiles() { closeAll(); }

    // The table of a symbol file, loaded again when the file changed since; nullptr when the
    // file is gone.
    SymbolTable* open(const std::filesystem::path& file)
    {
        const std::string key = file.string();
        auto it = tables_.find(key);
        if (it != tables_.end() && !it->second->table.changedOnDisk()) {
            it->second->lastUse = ++uses_;
            return it->second.get();
        }
        if (it != tables_.end())
            letGo(it);
        std::error_code ec;
        if (!std::filesystem::exists(file, ec))
            return nullptr;
        auto table = load(file);
        table->lastUse = ++uses_;
        SymbolTable* opened = tables_.emplace(key, std::move(table)).first->second.get();
        makeRoom();
        return opened;
    }

    void forget(const std::filesystem::path& file)
    {
        if (auto it = tables_.find(file.string()); it != tables_.end())
            letGo(it);
    }

    void closeAll()
    {
        while (!tables_.empty())
            letGo(tables_.begin());
    }

private:
    std::unique_ptr<SymbolTable> load(const std::filesystem::path& file)
    {
        // The layout check runs on the file actually found, whatever the case of the code.
        Verification_Fichier_Data(file);
        auto st = std::make_unique<SymbolTable>();
        st->file = file;
        st->table.setFullSync(false);
        st->table.loadFromFile(file);
        const int dateField = st->table.fieldIndex(kDateField);
        for (int row = 0; dateField >= 0 && row < st->table.recordCount(); ++row) {
            const Value& day = st->table.valueAt(row, dateField);
            if (const Date* date = std::get_if<Date>(&day))
                st->rowOfDay.emplace(date->dayNumber(), row + 1);
        }
        return st;
    }

    // Lets go of the least recently used files beyond the file limit or the memory budget; the
    // file just opened is the most recently used and stays.
    void makeRoom()
    {
        auto rowsHeld = [this] {
            std::size_t rows = 0;
            for (const auto& [name, table] : tables_)
                rows += static_cast<std::size_t>(table->table.recordCount());
            return rows;
        };
        while (tables_.size() > 1 && (tables_.size() > mostOpen_ || rowsHeld() > kMostRowsHeld))
            closeLeastRecentlyUsed();
    }

    void closeLeastRecentlyUsed()
    {
        auto oldest = tables_.begin();
        for (auto it = tables_.begin(); it != tables_.end(); ++it)
            if (it->second->lastUse < oldest->second->lastUse)
                oldest = it;
        letGo(oldest);
    }

    using Tables = std::map<std::string, std::unique_ptr<SymbolTable>>;

    // Saves were only handed to the system: the file reaches the disk as it is let go.
    void letGo(Tables::iterator it)
    {
        const std::unique_ptr<SymbolTable> let = std::move(it->second);
        tables_.erase(it);
        if (let->writtenFor.empty())
            return;
        try {
            let->table.flush();
        } catch (const TableError&) {
            if (flushFailed_)
                flushFailed_(let->writtenFor);
        }
    }

    Tables tables_;
    FlushFailed flushFailed_;
    std::uint64_t uses_ = 0;
    std::size_t mostOpen_ = mostOpenSymbolFiles();
};

// The texts of an accepted line, ready to be written.
struct Bar {
    Date day;
    std::string open, high, low, close, volume;
};

bool pricesAreConsistent(const Bar& bar)
{
    const auto open = parseFloat(bar.open), high = parseFloat(bar.high);
    const auto low = parseFloat(bar.low), close = parseFloat(bar.close);
    if (!open || !high || !low || !close)
        return false;
    return !(*high < *open) && !(*high < *low) && !(*high < *close) && !(*low > *open) && !(*low > *close);
}

// Every price: a number of at least zero; the volume may be empty.
bool valuesPass(const std::optional<std::string>& open, const std::optional<std::string>& high,
                const std::optional<std::string>& low, const std::optional<std::string>& close,
                const std::optional<std::string>& volume)
{
    for (const auto* price : {&open, &high, &low, &close})
        if (!*price || !Prix_Valide(**price))
            return false;
    return volume && Volume_Valide(*volume);
}

class ImportRunner {
public:
    ImportRunner(const ImportRequest& request, const ImportHooks& hooks)
        : request_(request), hooks_(hooks), layout_(dateLayoutOf(request.settings))
    {
    }

    ImportOutcome run()
    {
        separator_ = Definition_des_parametres(request_.settings);
        outcome_.check = Verification_CBX(request_.settings);
        if (!outcome_.check.passed()) {
            outcome_.end = ImportEnd::ColumnCheckFailed;
            outcome_.message = outcome_.check.message;
            return outcome_;
        }
        try {
            for (std::size_t i = 1; i <= request_.lines.size(); ++i)
                if (!importLine(i))
                    return outcome_;
        } catch (const std::exception& error) {
            files_.closeAll();
            outcome_.end = ImportEnd::Stopped;
            outcome_.message = error.what();
            return outcome_;
        }
        files_.closeAll();
        if (typedSymbolFile_)
            compact(*typedSymbolFile_);
        return outcome_;
    }

private:
    // One line of the file; false when the run ends at it.
    bool importLine(std::size_t i)
    {
        reportProgress(i, request_.lines.size());
        fields_ = splitFields(request_.lines[i - 1], separator_);
        const bool symbolColumn = column(kSymbol) != 0;
        if (!symbolColumn && i == 1 && !typedSymbolUsable())
            return false;
        const std::string symbol = symbolColumn ? *fieldOf(fields_, column(kSymbol)) : request_.symbol;
        SymbolTable* target = tableOf(symbol);
        if (!target) {
            if (symbolColumn)
                return true;
            return endBeforeWriting(ImportEnd::SymbolNotFound, symbolNotFoundMessage(request_.folder, symbol));
        }
        if (!symbolColumn)
            typedSymbolFile_ = target->file;
        Mise_a_jour_Ligne_fichier(symbol, *target);  // may let go of target
        return true;
    }

    void compact(const std::filesystem::path& file)
    {
        try {
            Compression_File(file);
        } catch (const std::exception& error) {
            outcome_.end = ImportEnd::Stopped;
            outcome_.message = error.what();
        }
    }

    int column(ColumnKind kind) const { return outcome_.check.numbers[kind]; }
    std::optional<std::string> field(ColumnKind kind) const { return fieldOf(fields_, column(kind)); }

    void reportProgress(std::size_t line, std::size_t lineCount) const
    {
        if (hooks_.progress)
            hooks_.progress(static_cast<int>(std::nearbyint(static_cast<double>(line) * 100.0 /
                                                            static_cast<double>(lineCount))));
    }

    // The open table of a symbol's file; the file is found once per run and found again when
    // it goes away. nullptr when the symbol has no file (or cannot name one).
    SymbolTable* tableOf(const std::string& symbol)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            auto known = resolved_.find(symbol);
            if (known == resolved_.end())
                known = resolved_.emplace(symbol, request_.folder.findSymbolFile(symbol)).first;
            if (!known->second)
                return nullptr;
            if (SymbolTable* table = files_.open(*known->second))
                return table;
            resolved_.erase(known);
        }
        return nullptr;
    }

    // Whether the symbol typed for a file without a symbol column can be used; ends the run when not.
    bool typedSymbolUsable()
    {
        const std::string& symbol = request_.symbol;
        if (symbol.empty())
            return endBeforeWriting(ImportEnd::NeedsSymbol, std::string(kNeedsSymbolMessage));
        if (auto problem = symbolCodeProblem(symbol))
            return endBeforeWriting(ImportEnd::SymbolRefused, *problem);
        return true;
    }

    bool endBeforeWriting(ImportEnd end, std::string message)
    {
        files_.closeAll();
        outcome_.end = end;
        outcome_.message = std::move(message);
        return false;
    }

    // The bar a line gives, or nullopt when the line is rejected.
    std::optional<Bar> acceptedBar() const
    {
        const auto dateText = field(kDate);
        if (!dateText)
            return std::nullopt;
        const auto day = parseDate(Formatage_de_la_date(*dateText, layout_, request_.clock), request_.clock);
        if (!day || *day < request_.settings.firstDate)
            return std::nullopt;
        const auto open = field(kOpen), high = field(kHigh), low = field(kLow), close = field(kClose);
        const auto volume = field(kVolume);
        if (!valuesPass(open, high, low, close, volume))
            return std::nullopt;
        Bar bar{*day, To_Float(*open), To_Float(*high), To_Float(*low), To_Float(*close), *volume};
        if (!pricesAreConsistent(bar))
            return std::nullopt;
        return bar;
    }

    void Mise_a_jour_Ligne_fichier(const std::string& symbol, SymbolTable& target)
    {
        const auto bar = acceptedBar();
        if (!bar)
            return;
        try {
            writeBar(target, symbol, *bar);
            ++outcome_.linesInserted;
        } catch (const std::exception&) {
            // The table may hold a row the file does not: read the file again for the next line.
            files_.forget(target.file);
            if (hooks_.writeFailed)
                hooks_.writeFailed(symbol);
        }
    }

    static void writeBar(SymbolTable& target, const std::string& symbol, const Bar& bar)
    {
        Table& table = target.table;
        const auto existing = target.rowOfDay.find(bar.day.dayNumber());
        if (existing != target.rowOfDay.end()) {
            table.moveTo(existing->second);
            table.edit();
        } else {
            table.append();
        }
        setSymbolRow(table, bar.day, {bar.open, bar.high, bar.low, bar.close, bar.volume});
        table.post();
        if (existing == target.rowOfDay.end())
            target.rowOfDay.emplace(bar.day.dayNumber(), table.recNo());
        if (target.writtenFor.empty())
            target.writtenFor = symbol;
        table.saveToFile(target.file);
    }

    const ImportRequest& request_;
    const ImportHooks& hooks_;
    OpenSymbolFiles files_{hooks_.writeFailed};
    std::optional<DateLayout> layout_;
    std::string separator_;
    std::vector<std::string_view> fields_;
    std::unordered_map<std::string, std::optional<std::filesystem::path>> resolved_;
    std::optional<std::filesystem::path> typedSymbolFile_;  // the file a one-symbol run compacts
    ImportOutcome outcome_;
};

}  // namespace

std::string symbolNotFoundMessage(const DataFolder& folder, std::string_view symbol)
{
    std::string path = folder.root().string();
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += symbol;
    return "< \"" + asciiLower(path) + std::string(kTableFileExtension) + "\" Not found >";
}

ImportOutcome runImport(const ImportRequest& request, const ImportHooks& hooks)
{
    return ImportRunner(request, hooks).run();
}

void Compression_File(const std::filesystem::path& file)
{
    Table loaded;
    loaded.loadFromFile(file);
    rewriteSymbolFile(loaded, file);
}

}  // namespace kiruvan
