#include "import/import_run.h"

#include "database/table_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <variant>

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "import/conversions.h"
#include "import/open_symbol_files.h"

namespace kiruvan {
namespace {

// An accepted line, ready to be written: each number read once, as the store would read its
// text; the volume may be left out.
struct Bar {
    Date day;
    BarValues<std::optional<double>> values;  // Open, High, Low, Close, Volume
};

bool pricesAreConsistent(const Bar& bar)
{
    const double open = *bar.values[0], high = *bar.values[1], low = *bar.values[2], close = *bar.values[3];
    return !(high < open) && !(high < low) && !(high < close) && !(low > open) && !(low > close);
}

bool isText(std::string_view line)
{
    return std::none_of(line.begin(), line.end(),
                        [](char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F; });
}

// How many date fields the run keeps to recognise a layout chosen by mistake.
constexpr std::size_t kSampledDates = 200;

// The day a date field stands for under the layout, as the run reads it.
std::optional<Date> dayOfDateField(const std::string& text, std::optional<DateLayout> layout, const Clock& clock)
{
    return parseDate(Formatage_de_la_date(text, layout, clock), clock);
}

// A price: a number of at least zero.
std::optional<double> priceOf(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    const auto value = parseFloat(*text);
    return value && *value >= 0 ? value : std::nullopt;
}

class ImportRunner {
public:
    ImportRunner(const ImportRequest& request, const ImportHooks& hooks)
        : request_(request), hooks_(hooks), layout_(dateLayoutOf(request.settings))
    {
    }

    ImportOutcome run()
    {
        TableFile::removeLeftovers(request_.folder.root());
        outcome_.summary.firstDate = request_.settings.firstDate;
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
        outcome_.summary.betterLayout =
            fourDigitYearLayout(request_.settings.dateFormat, sampledDates_, request_.clock);
        return outcome_;
    }

private:
    // One line of the file; false when the run ends at it.
    bool importLine(std::size_t i)
    {
        reportProgress(i, request_.lines.size());
        ++outcome_.summary.linesRead;
        lineIndex_ = i - 1;
        splitFields(request_.lines[i - 1], separator_, fields_);
        const bool symbolColumn = column(kSymbol) != 0;
        if (!symbolColumn && i == 1 && !typedSymbolUsable())
            return false;
        const std::string symbol = symbolColumn ? *fieldOf(fields_, column(kSymbol)) : request_.symbol;
        SymbolTable* target = tableOf(symbol);
        if (!target) {
            if (symbolColumn) {
                skipUnknownSymbol(symbol);
                return true;
            }
            return endBeforeWriting(ImportEnd::SymbolNotFound, symbolNotFoundMessage(request_.folder, symbol));
        }
        if (!symbolColumn)
            typedSymbolFile_ = target->file;
        Mise_a_jour_Ligne_fichier(symbol, *target);  // may let go of target
        return true;
    }

    void skipUnknownSymbol(const std::string& symbol)
    {
        if (!hasDigit(field(kDate).value_or("")) || symbol.empty()) {
            outcome_.summary.skip(SkipReason::HeaderOrBlank);
            return;
        }
        if (auto problem = symbolCodeProblem(symbol)) {
            outcome_.summary.skip(SkipReason::CodeRefused);
            if (outcome_.summary.firstCodeRefusal.empty())
                outcome_.summary.firstCodeRefusal = *problem;
            return;
        }
        outcome_.summary.skip(SkipReason::UnknownSymbol);
        outcome_.summary.noteUnknownSymbol(symbol);
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

    // With a decimal comma the number is read as if written with "."; the checks stay the same.
    std::optional<std::string> numberField(ColumnKind kind) const
    {
        auto text = field(kind);
        if (text && request_.settings.decimalComma)
            *text = To_Float(std::move(*text));
        return text;
    }

    void reportProgress(std::size_t line, std::size_t lineCount) const
    {
        if (hooks_.progress)
            hooks_.progress(
                static_cast<int>(std::nearbyint(static_cast<double>(line) * 100.0 / static_cast<double>(lineCount))));
    }

    // The open table of a symbol's file; the file is found once per run and found again when
    // it goes away. nullptr when the symbol has no file (or cannot name one).
    SymbolTable* tableOf(const std::string& symbol)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            auto known = resolved_.find(symbol);
            if (known == resolved_.end())
                known = resolved_.emplace(symbol, KnownFile{request_.folder.findSymbolFile(symbol), {}}).first;
            KnownFile& file = known->second;
            if (!file.path)
                return nullptr;
            if (SymbolTable* table = files_.open(*file.path, file.opened))
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

    // The bar a line gives, or why the line is rejected.
    std::variant<Bar, SkipReason> acceptedBar()
    {
        if (!isText(request_.lines[lineIndex_]))
            return SkipReason::NotText;
        const auto dateText = field(kDate);
        if (!dateText || !hasDigit(*dateText))
            return SkipReason::HeaderOrBlank;
        if (sampledDates_.size() < kSampledDates)
            sampledDates_.push_back(*dateText);
        const auto day = dayOfDateField(*dateText, layout_, request_.clock);
        if (!day)
            return SkipReason::DateUnreadable;
        if (*day < request_.settings.firstDate)
            return SkipReason::BeforeFirstDate;
        Bar bar{*day, {}};
        constexpr std::array<ColumnKind, 4> kPrices = {kOpen, kHigh, kLow, kClose};
        for (std::size_t i = 0; i < kPrices.size(); ++i)
            if (!(bar.values[i] = priceOf(numberField(kPrices[i]))))
                return SkipReason::NumberUnreadable;
        const auto volume = numberField(kVolume);
        if (!volume || !Volume_Valide(*volume))
            return SkipReason::NumberUnreadable;
        if (!volume->empty())
            bar.values[4] = priceOf(volume);
        if (!pricesAreConsistent(bar))
            return SkipReason::InconsistentPrices;
        return bar;
    }

    void Mise_a_jour_Ligne_fichier(const std::string& symbol, SymbolTable& target)
    {
        const auto accepted = acceptedBar();
        if (const auto* reason = std::get_if<SkipReason>(&accepted))
            return outcome_.summary.skip(*reason);
        try {
            const bool replaced = writeBarAnew(symbol, &target, std::get<Bar>(accepted));
            ++outcome_.linesInserted;
            ++(replaced ? outcome_.summary.replacedDays : outcome_.summary.newDays);
        } catch (const std::exception& error) {
            outcome_.summary.skip(SkipReason::WriteFailed);
            noteWriteError(error.what());
            if (hooks_.writeFailed)
                hooks_.writeFailed(symbol);
        }
    }

    // Writes the bar; when another program changed the file since it was read, reads the file
    // again and writes the bar into what it holds now.
    bool writeBarAnew(const std::string& symbol, SymbolTable* target, const Bar& bar)
    {
        bool replaced = false;
        retryWhileChanged([&] {
            if (!target && !(target = tableOf(symbol)))
                throw TableError(symbolNotFoundMessage(request_.folder, symbol));
            try {
                replaced = writeBar(*target, symbol, bar);
            } catch (...) {
                // The table may hold a row the file does not: read the file again.
                const std::filesystem::path file = target->file;
                target = nullptr;
                files_.forget(file);
                throw;
            }
        });
        return replaced;
    }

    void noteWriteError(std::string error)
    {
        auto& errors = outcome_.writeErrors;
        if (std::find(errors.begin(), errors.end(), error) == errors.end())
            errors.push_back(std::move(error));
    }

    // True when the day was in the file already.
    static bool writeBar(SymbolTable& target, const std::string& symbol, const Bar& bar)
    {
        const std::int32_t day = bar.day.dayNumber();
        const auto existing = target.rowOfDay.find(day);
        if (target.writesStraight && (!existing || existing->row == 0))
            writeStraight(target, bar, existing ? existing->key : 0);
        else
            writeThroughTable(target, bar, existing ? existing->row : 0);
        if (target.writtenFor.empty())
            target.writtenFor = symbol;
        return existing.has_value();
    }

    // A new day, or a day this run wrote straight: the row goes to the file alone, so that a
    // whole market's lines do not pile up in memory.
    static void writeStraight(SymbolTable& target, const Bar& bar, std::int64_t key)
    {
        standardSymbolRow(target.row, bar.day, bar.values);
        const std::int64_t written = target.table.writeRowToFile(target.row, key);
        if (key == 0)
            target.rowOfDay.add(bar.day.dayNumber(), {0, written});
    }

    // A day the file held when it was loaded keeps its other fields, the time among them.
    static void writeThroughTable(SymbolTable& target, const Bar& bar, int row)
    {
        Table& table = target.table;
        if (row != 0) {
            table.moveTo(row);
            table.edit();
        } else {
            table.append();
        }
        setSymbolRow(table, bar.day, bar.values);
        table.post();
        if (row == 0)
            target.rowOfDay.add(bar.day.dayNumber(), {table.recNo(), 0});
        table.saveToFile(target.file);
    }

    const ImportRequest& request_;
    const ImportHooks& hooks_;
    OpenSymbolFiles files_{[this](const std::string& symbol, const std::string& error) {
        noteWriteError(error);
        if (hooks_.writeFailed)
            hooks_.writeFailed(symbol);
    }};
    std::optional<DateLayout> layout_;
    std::string separator_;
    std::vector<std::string_view> fields_;
    std::size_t lineIndex_ = 0;
    std::vector<std::string> sampledDates_;
    struct KnownFile {
        std::optional<std::filesystem::path> path;
        OpenSymbolFiles::Handle opened;
    };
    std::unordered_map<std::string, KnownFile> resolved_;
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

std::optional<Date> earliestLineDate(const std::vector<std::string>& lines, const ImportSettings& settings,
                                     const Clock& clock)
{
    const ColumnCheck check = Verification_CBX(settings);
    if (!check.passed())
        return std::nullopt;
    const int dateColumn = check.numbers[kDate];
    const std::string separator = Definition_des_parametres(settings);
    const auto layout = dateLayoutOf(settings);
    std::optional<Date> earliest;
    std::vector<std::string_view> fields;
    for (const std::string& line : lines) {
        splitFields(line, separator, fields);
        const auto text = fieldOf(fields, dateColumn);
        if (!text || !hasDigit(*text))
            continue;
        if (const auto day = dayOfDateField(*text, layout, clock); day && (!earliest || *day < *earliest))
            earliest = day;
    }
    return earliest;
}

void Compression_File(const std::filesystem::path& file)
{
    // What another program wrote since the load stays: the rewrite then reads the file again.
    retryWhileChanged([&] {
        Table loaded;
        loaded.loadFromFile(file);
        rewriteSymbolFile(loaded, file);
    });
}

}  // namespace kiruvan
