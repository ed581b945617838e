#include <gtest/gtest.h>

#include "database/market_manager.h"
#include "database/symbol_files.h"
#include "database/symbol_manager.h"
#include "database_test_data.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using test::TempFolder;

class SymbolManagerTest : public ::testing::Test {
protected:
    SymbolManagerTest()
    {
        Verification_existance_des_Fichiers(folder);
        MarketManager markets(folder);
        markets.add("NYSE");
        markets.add("AMEX");
        markets.save();
    }

    static void fill(SymbolManager& manager, const std::string& code, const std::string& name, std::int32_t market)
    {
        manager.add();
        manager.setCode(code);
        manager.setName(name);
        manager.setMarket(market);
    }

    std::vector<std::string> savedCodes() const { return test::columnText(folder.file(kMasterFile), "Code_Titre"); }
    bool fileExists(const std::string& name) const { return std::filesystem::exists(temp.file(name)); }

    TempFolder temp;
    DataFolder folder{temp.path()};
    bool validationOK = false;
};

TEST_F(SymbolManagerTest, ApplySavesTheSymbolAndCreatesItsEmptyFile)
{
    SymbolManager manager(folder);
    fill(manager, "IBM", "International Business Machin", 1);
    const ApplyOutcome outcome = manager.apply(validationOK);
    EXPECT_TRUE(outcome.saved);
    EXPECT_EQ(savedCodes(), std::vector<std::string>{"IBM"});
    ASSERT_TRUE(fileExists("IBM.cds"));
    Table symbolFile;
    symbolFile.loadFromFile(temp.file("IBM.cds"));
    EXPECT_EQ(symbolFile.fieldCount(), 8);
    EXPECT_TRUE(symbolFile.isEmpty());
}

TEST_F(SymbolManagerTest, IncompleteSymbolSavesNothingAndFocusesTheFirstMissingItem)
{
    SymbolManager manager(folder);
    fill(manager, "IBM", "", 1);
    ApplyOutcome outcome = manager.apply(validationOK);
    EXPECT_FALSE(outcome.saved);
    EXPECT_EQ(outcome.focus, SymbolItem::Name);
    EXPECT_TRUE(savedCodes().empty());
    EXPECT_FALSE(fileExists("IBM.cds"));

    manager.confirm(validationOK);
    EXPECT_FALSE(validationOK);  // OK does not close

    manager.setName("IBM Corp");
    manager.setMarket(0);
    EXPECT_EQ(manager.apply(validationOK).focus, SymbolItem::Market);
    manager.setCode("");
    EXPECT_EQ(manager.apply(validationOK).focus, SymbolItem::Code);
}

TEST_F(SymbolManagerTest, OkAfterAFailedApplyClosesOnceTheSymbolIsComplete)
{
    SymbolManager manager(folder);
    fill(manager, "IBM", "", 1);
    manager.apply(validationOK);
    manager.setName("IBM Corp");
    EXPECT_TRUE(manager.confirm(validationOK).saved);
    EXPECT_TRUE(validationOK);
}

TEST_F(SymbolManagerTest, ReservedCodesInAnyCaseAreEmptiedOnLeavingTheEditAndOnApply)
{
    SymbolManager manager(folder);
    fill(manager, "mAsTeR", "Master", 1);
    manager.leaveCodeEdit();
    EXPECT_EQ(manager.code(), "");

    // Apply without leaving the edit first, as Enter or a button click may do.
    manager.setCode("OPTIMIZATION");
    const ApplyOutcome outcome = manager.apply(validationOK);
    EXPECT_FALSE(outcome.saved);
    EXPECT_EQ(outcome.focus, SymbolItem::Code);
    EXPECT_EQ(manager.code(), "");
    EXPECT_TRUE(savedCodes().empty());

    manager.setCode("Marketsx");
    manager.leaveCodeEdit();
    EXPECT_EQ(manager.code(), "Marketsx");
}

TEST_F(SymbolManagerTest, CodesThatAreNoPlainFileNameAreRefusedWithAMessage)
{
    const std::filesystem::path outside = temp.path().parent_path() / "evil.cds";
    for (const std::string& code : std::vector<std::string>{"../evil", "a\\b", ".", ".."}) {
        SymbolManager manager(folder);
        fill(manager, code, "Name", 1);
        const ApplyOutcome outcome = manager.apply(validationOK);
        EXPECT_FALSE(outcome.saved) << code;
        EXPECT_EQ(outcome.focus, SymbolItem::Code) << code;
        EXPECT_FALSE(outcome.problem.empty()) << code;
        EXPECT_EQ(manager.code(), code);  // left for the user to correct
    }
    EXPECT_TRUE(savedCodes().empty());
    EXPECT_FALSE(std::filesystem::exists(outside));
}

TEST_F(SymbolManagerTest, AnIncompleteSymbolSavedByTheWayNeverCreatesADotCdsFile)
{
    SymbolManager manager(folder);
    manager.add();  // left without a code...
    manager.setName("Nameless");
    fill(manager, "IBM", "IBM Corp", 1);  // ...and posted by the next Add
    EXPECT_TRUE(manager.apply(validationOK).saved);
    EXPECT_EQ(savedCodes().size(), 2u);
    EXPECT_FALSE(fileExists(".cds"));
    EXPECT_TRUE(fileExists("IBM.cds"));
}

TEST_F(SymbolManagerTest, PriorAndNextMoveOnlyFromACompleteSymbol)
{
    SymbolManager manager(folder);
    fill(manager, "AAA", "Alpha", 1);
    fill(manager, "BBB", "Beta", 1);
    manager.apply(validationOK);
    ASSERT_EQ(manager.code(), "BBB");  // Apply leaves the last symbol shown
    manager.setName("");
    EXPECT_FALSE(manager.prior());
    EXPECT_EQ(manager.code(), "BBB");
    manager.setName("Beta");
    EXPECT_TRUE(manager.prior());
    EXPECT_EQ(manager.code(), "AAA");
    EXPECT_TRUE(manager.prior());  // at the first symbol: no move
    EXPECT_EQ(manager.code(), "AAA");
}

TEST_F(SymbolManagerTest, SymbolsAreOrderedByMarketNumberThenName)
{
    SymbolManager manager(folder);
    fill(manager, "Z1", "Zeta", 1);
    fill(manager, "A2", "Alpha", 2);
    fill(manager, "A1", "Alpha", 1);
    manager.apply(validationOK);
    EXPECT_EQ(savedCodes().size(), 3u);
    std::vector<std::string> ordered;
    for (const Symbol& symbol : listSymbols(folder))
        ordered.push_back(symbol.code);
    EXPECT_EQ(ordered, (std::vector<std::string>{"A1", "Z1", "A2"}));
    EXPECT_EQ(listSymbols(folder, 2).size(), 1u);
}

TEST_F(SymbolManagerTest, AddStartsInTheMarketShownBefore)
{
    SymbolManager manager(folder);
    manager.add();
    EXPECT_EQ(manager.marketId(), 0);  // nothing shown in an empty table
    manager.setCode("IBM");
    manager.setName("IBM Corp");
    manager.setMarket(2);
    manager.add();
    EXPECT_EQ(manager.marketId(), 2);
    EXPECT_EQ(manager.code(), "");

    manager.setCode("X");
    manager.setName("X");
    manager.setMarket(99);  // no such market: the list shows nothing
    manager.add();
    EXPECT_EQ(manager.marketId(), 0);
}

TEST_F(SymbolManagerTest, TypingIntoAnEmptyTableStartsANewSymbol)
{
    SymbolManager manager(folder);
    ASSERT_FALSE(manager.hasSymbol());
    manager.setCode("IBM");
    EXPECT_TRUE(manager.deleteEnabled());
    manager.setName("IBM Corp");
    manager.setMarket(1);
    EXPECT_TRUE(manager.apply(validationOK).saved);
    EXPECT_EQ(savedCodes(), std::vector<std::string>{"IBM"});
}

TEST_F(SymbolManagerTest, DeletingTheOnlySymbolDisablesDeleteAndKeepsItsFile)
{
    {
        SymbolManager manager(folder);
        fill(manager, "IBM", "IBM Corp", 1);
        manager.apply(validationOK);
    }
    SymbolManager manager(folder);
    EXPECT_TRUE(manager.deleteEnabled());
    manager.removeCurrent();
    EXPECT_FALSE(manager.deleteEnabled());
    EXPECT_FALSE(manager.hasSymbol());
    EXPECT_EQ(savedCodes(), std::vector<std::string>{"IBM"});  // until Apply
    EXPECT_TRUE(manager.apply(validationOK).saved);
    EXPECT_TRUE(savedCodes().empty());
    EXPECT_TRUE(fileExists("IBM.cds"));
}

TEST_F(SymbolManagerTest, ApplyOnAnEmptyTableSavesAnEmptyTableAndCreatesNoFile)
{
    SymbolManager manager(folder);
    EXPECT_FALSE(manager.deleteEnabled());
    std::filesystem::remove(folder.file(kMasterFile));
    EXPECT_TRUE(manager.apply(validationOK).saved);
    Table master;
    master.loadFromFile(folder.file(kMasterFile));
    EXPECT_EQ(master.fieldCount(), 3);
    EXPECT_TRUE(master.isEmpty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 2);
}

TEST_F(SymbolManagerTest, CreatingFilesSkipsRowsWithCodesThatCannotNameAFile)
{
    Table symbols;
    symbols.loadFromFile(folder.file(kMasterFile));
    for (const char* code : {"../up", "markets", "GOOD"}) {
        symbols.append();
        symbols.field("Code_Titre").setAsString(code);
        symbols.post();
    }
    std::vector<std::filesystem::path> created;
    Creation_Des_Fichiers_Data(symbols, folder, created);
    EXPECT_EQ(created, std::vector<std::filesystem::path>{folder.symbolFileFor("GOOD")});
    EXPECT_FALSE(fileExists("markets.cds"));
    EXPECT_FALSE(std::filesystem::exists(temp.path().parent_path() / "up.cds"));
    EXPECT_EQ(symbols.field("Code_Titre").asString(), "GOOD");  // the walk ends on the last row
}

TEST_F(SymbolManagerTest, AFailedApplyStoresNeitherTheSymbolNorItsFile)
{
    // The symbol file cannot be created: a link stands in its place.
    std::filesystem::create_symlink(temp.file("elsewhere.cds"), temp.file("IBM.cds"));
    SymbolManager linked(folder);
    fill(linked, "IBM", "IBM Corp", 1);
    EXPECT_THROW(linked.apply(validationOK), TableError);
    EXPECT_TRUE(savedCodes().empty());
    std::filesystem::remove(temp.file("IBM.cds"));

    // Master.cds cannot be saved: another program changed it since it was read.
    SymbolManager stale(folder);
    fill(stale, "IBM", "IBM Corp", 1);
    SymbolManager other(folder);
    fill(other, "MSFT", "Microsoft", 1);
    ASSERT_TRUE(other.apply(validationOK).saved);
    EXPECT_THROW(stale.apply(validationOK), TableError);
    EXPECT_EQ(savedCodes(), std::vector<std::string>{"MSFT"});
    EXPECT_FALSE(fileExists("IBM.cds"));
}

}  // namespace
}  // namespace kiruvan
