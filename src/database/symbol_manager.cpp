#include "database/symbol_manager.h"

#include <array>
#include <filesystem>

#include "base/ascii_text.h"
#include "database/symbol_files.h"

namespace kiruvan {
namespace {

std::string tooLongMessage(std::string_view what, std::string_view text)
{
    return "The symbol " + std::string(what) + " '" + std::string(text) + "' is longer than "
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

bool isReservedSymbolCode(std::string_view code)
{
    static constexpr std::array<std::string_view, 3> reserved = {"markets", "master", "optimization"};
    const std::string lower = asciiLower(code);
    for (std::string_view word : reserved)
        if (lower == word)
            return true;
    return false;
}

std::optional<std::string> savedSymbolCodeProblem(std::string_view code)
{
    if (auto problem = symbolCodeProblem(code))
        return problem;
    // Listings separate their fields with ";": a code holding one could forge a field.
    if (code.find(';') != std::string_view::npos)
        return "The symbol code '" + std::string(code) + "' holds ';', the separator of listings.";
    if (isReservedSymbolCode(code))
        return "The symbol code '" + std::string(code) + "' is reserved for the program's own tables.";
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
    if (holdsControlCharacter(name))
        return SymbolRefusal{SymbolItem::Name, "The symbol name holds a control character."};
    return std::nullopt;
}

void Creation_Des_Fichiers_Data(Table& symbols, const DataFolder& folder, std::vector<std::filesystem::path>& created)
{
    for (symbols.first(); !symbols.eof(); symbols.next()) {
        const std::string code = symbols.field(kSymbolCodeField).asString();
        if (!savedSymbolCodeProblem(code) && Creation_d1_Fichier_Data(folder, code))
            created.push_back(folder.symbolFileFor(code));
    }
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
    if (isReservedSymbolCode(code()))
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

// The symbol files come first, so that a failure to create one leaves Master.cds as it was;
// the files created for a table that then fails to save are removed again.
void SymbolManager::saveWithSymbolFiles()
{
    std::vector<std::filesystem::path> created;
    try {
        Creation_Des_Fichiers_Data(symbols_, folder_, created);
        symbols_.saveToFile(folder_.file(kMasterFile));
    } catch (...) {
        std::error_code ec;
        for (const std::filesystem::path& file : created)
            std::filesystem::remove(file, ec);
        throw;
    }
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
