#include "database/symbol_manager.h"

#include <algorithm>
#include <filesystem>

#include "base/ascii_text.h"
#include "database/program_tables.h"
#include "database/symbol_files.h"

namespace kiruvan {
namespace {

std::string tooLongMessage(std::string_view what, std::string_view text)
{
    return "The symbol " + std::string(what) + " " + quotedText(text) + " is longer than "
           + std::to_string(kSymbolTextSize) + " characters.";
}

void loadOrDefine(Table& table, const std::filesystem::path& file, void (*define)(Table&))
{
    if (std::filesystem::exists(file)) {
        table.loadFromFile(file);
    } else {
        define(table);
        table.create();
    }
}

}  // namespace

std::optional<std::string> savedSymbolCodeProblem(std::string_view code)
{
    if (auto problem = symbolCodeProblem(code))
        return problem;
    // Listings separate their fields with ";": a code holding one could forge a field.
    if (code.find(';') != std::string_view::npos)
        return "The symbol code " + quotedText(code) + " holds ';', the separator of listings.";
    if (characterCount(code) > kSymbolTextSize)
        return tooLongMessage("code", code);
    return std::nullopt;
}

std::optional<SymbolRefusal> symbolTextProblem(std::string_view code, std::string_view name)
{
    if (auto problem = savedSymbolCodeProblem(code))
        return SymbolRefusal{SymbolItem::Code, *problem};
    if (characterCount(name) > kSymbolTextSize)
        return SymbolRefusal{SymbolItem::Name, tooLongMessage("name", name)};
    if (!isValidUtf8(name))
        return SymbolRefusal{SymbolItem::Name, "The symbol name " + quotedText(name) + " is not valid UTF-8 text."};
    if (holdsControlCharacter(name))
        return SymbolRefusal{SymbolItem::Name, "The symbol name " + quotedText(name) + " holds a control character."};
    return std::nullopt;
}

std::vector<PendingSymbolFile> pendingSymbolFiles(Table& symbols, const DataFolder& folder)
{
    std::vector<PendingSymbolFile> pending;
    for (symbols.first(); !symbols.eof(); symbols.next()) {
        const std::string code = symbols.field(kSymbolCodeField).asString();
        if (savedSymbolCodeProblem(code))
            continue;
        // A code listed twice, in any case, gets one file, as it would once the first is placed.
        const std::string file = folder.symbolFileFor(code).filename().string();
        const auto sameFile = [&](const PendingSymbolFile& p) {
            return sameIgnoringAsciiCase(p.target().filename().string(), file);
        };
        if (std::none_of(pending.begin(), pending.end(), sameFile))
            if (auto prepared = PendingSymbolFile::prepare(folder, code))
                pending.push_back(std::move(*prepared));
    }
    return pending;
}

void Creation_Des_Fichiers_Data(Table& symbols, const DataFolder& folder, std::vector<std::filesystem::path>& created)
{
    for (PendingSymbolFile& file : pendingSymbolFiles(symbols, folder))
        if (file.place())
            created.push_back(file.target());
}

SymbolManager::SymbolManager(DataFolder folder) : folder_(std::move(folder))
{
    loadOrDefine(symbols_, folder_.file(kMasterFile), defineMasterLayout);
    symbols_.setSortOrder(std::string(kSymbolOrder));
    symbols_.first();
    loadOrDefine(markets_, folder_.file(kMarketsFile), defineMarketLayout);
    markets_.setSortOrder(std::string(kMarketOrder));
    deleteEnabled_ = hasSymbol();
}

std::string SymbolManager::code() const
{
    return hasSymbol() ? symbols_.field(kSymbolCodeField).asString() : std::string();
}

std::string SymbolManager::name() const
{
    return hasSymbol() ? symbols_.field(kSymbolNameField).asString() : std::string();
}

std::int32_t SymbolManager::marketId() const
{
    return hasSymbol() ? symbols_.field(kSymbolMarketField).asInteger() : 0;
}

std::int32_t SymbolManager::shownMarket() const
{
    const std::int32_t id = marketId();
    for (const Market& market : markets())
        if (market.id == id)
            return id;
    return 0;
}

bool SymbolManager::hasSymbol() const
{
    return !symbols_.isEmpty() || symbols_.state() == TableState::Insert;
}

bool SymbolManager::isComplete() const
{
    return !firstMissingItem();
}

void SymbolManager::setCode(std::string_view code)
{
    setText(kSymbolCodeField, code);
}

void SymbolManager::setName(std::string_view name)
{
    setText(kSymbolNameField, name);
}

void SymbolManager::setMarket(std::int32_t id)
{
    if (hasSymbol() && !symbols_.field(kSymbolMarketField).isNull() && marketId() == id)
        return;
    beginEdit();
    symbols_.field(kSymbolMarketField).setAsInteger(id);
}

void SymbolManager::leaveCodeEdit()
{
    if (namesProgramTable(code()))
        setCode("");
}

bool SymbolManager::prior()
{
    return step(-1);
}

bool SymbolManager::next()
{
    return step(+1);
}

void SymbolManager::add()
{
    const std::int32_t market = shownMarket();
    postPending();
    symbols_.append();
    symbols_.field(kSymbolMarketField).setAsInteger(market);
    deleteEnabled_ = true;
}

ApplyOutcome SymbolManager::apply(bool& Validation_OK)
{
    // Enter or a button may reach Apply without the code edit being left: check again.
    leaveCodeEdit();
    const bool complete = !hasSymbol() || isComplete();
    const std::optional<SymbolRefusal> problem =
        complete && hasSymbol() ? symbolTextProblem(code(), name()) : std::nullopt;
    if (complete && !problem) {
        postPending();
        saveWithSymbolFiles();
        if (hasSymbol())
            deleteEnabled_ = true;
        return {true, SymbolItem::Code, {}};
    }
    Validation_OK = false;
    if (problem)
        return {false, problem->item, problem->message};
    return {false, firstMissingItem().value_or(SymbolItem::Code), {}};
}

// The symbol files are written first under temporary names, so that a failure to write one
// leaves Master.cds as it was, and take their names only once Master.cds lists their symbols: a
// process killed at any point leaves no symbol file that no symbol lists.
void SymbolManager::saveWithSymbolFiles()
{
    std::vector<PendingSymbolFile> pending = pendingSymbolFiles(symbols_, folder_);
    symbols_.saveToFile(folder_.file(kMasterFile));
    for (PendingSymbolFile& file : pending)
        file.place();
}

ApplyOutcome SymbolManager::confirm(bool& Validation_OK)
{
    Validation_OK = true;
    return apply(Validation_OK);
}

void SymbolManager::removeCurrent()
{
    postPending();
    if (!symbols_.isEmpty())
        symbols_.remove();
    deleteEnabled_ = hasSymbol();
}

void SymbolManager::postPending()
{
    if (symbols_.isEditing())
        symbols_.post();
}

void SymbolManager::setText(std::string_view field, std::string_view text)
{
    if (hasSymbol() && symbols_.field(field).asString() == text)
        return;
    beginEdit();
    symbols_.field(field).setAsString(text);
}

void SymbolManager::beginEdit()
{
    if (symbols_.isEditing())
        return;
    const bool startsASymbol = !hasSymbol();  // editing an empty table appends a row
    symbols_.edit();
    if (startsASymbol)
        deleteEnabled_ = true;
}

bool SymbolManager::step(int direction)
{
    if (!hasSymbol() || !isComplete())
        return false;
    postPending();
    const int before = symbols_.recNo();
    direction < 0 ? symbols_.prior() : symbols_.next();
    if (symbols_.recNo() != before)
        deleteEnabled_ = true;
    return true;
}

std::optional<SymbolItem> SymbolManager::firstMissingItem() const
{
    if (code().empty())
        return SymbolItem::Code;
    if (name().empty())
        return SymbolItem::Name;
    if (marketId() == 0)
        return SymbolItem::Market;
    return std::nullopt;
}

}  // namespace kiruvan
