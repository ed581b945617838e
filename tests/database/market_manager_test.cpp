#include <gtest/gtest.h>

#include "database/market_manager.h"
#include "database/symbol_files.h"
#include "database_test_data.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using test::TempFolder;

class MarketManagerTest : public ::testing::Test {
protected:
    MarketManagerTest() { Verification_existance_des_Fichiers(folder); }

    std::vector<Market> saved() const { return readMarkets(folder); }

    TempFolder temp;
    DataFolder folder{temp.path()};
};

TEST_F(MarketManagerTest, NumbersMarketsInOrderOfAdditionWhateverTheirNames)
{
    MarketManager manager(folder);
    EXPECT_EQ(manager.add("NYSE").id, 1);
    EXPECT_EQ(manager.add("AMEX").id, 2);
    EXPECT_EQ(manager.add("CAC").id, 3);
    manager.save();
    EXPECT_EQ(saved(), (std::vector<Market>{{2, "AMEX"}, {3, "CAC"}, {1, "NYSE"}}));
}

TEST_F(MarketManagerTest, NewNumberFollowsTheLargestOneIgnoringNulls)
{
    Table markets;
    markets.loadFromFile(folder.file(kMarketsFile));
    markets.append();
    markets.field("ID_Marche").setAsInteger(7);
    markets.field("Nom_Marche").setAsString("B");
    markets.append();  // posts the first row; this one keeps a null number
    markets.field("Nom_Marche").setAsString("A");
    markets.post();
    EXPECT_EQ(Get_NumAuto_IDMarche(markets), 8);
}

TEST_F(MarketManagerTest, RefusesANameUsedWithOtherCaseOfAToZOnly)
{
    MarketManager manager(folder);
    manager.add("NYSE");
    EXPECT_EQ(manager.add("nyse").outcome, AddMarketOutcome::Duplicate);
    EXPECT_EQ(manager.add("NySe").outcome, AddMarketOutcome::Duplicate);
    EXPECT_EQ(manager.add("NYSÉ").outcome, AddMarketOutcome::Added);
    EXPECT_EQ(manager.add("nysé").outcome, AddMarketOutcome::Added);   // É is not folded
    EXPECT_EQ(manager.add("NYSE ").outcome, AddMarketOutcome::Added);  // names are not trimmed
    EXPECT_EQ(manager.markets().size(), 4u);
    EXPECT_EQ(manager.current()->name, "NYSE ");
}

TEST_F(MarketManagerTest, RefusesEmptyAndOverlongNamesAndCountsCharactersNotBytes)
{
    MarketManager manager(folder);
    EXPECT_EQ(manager.add("").outcome, AddMarketOutcome::EmptyName);
    EXPECT_EQ(manager.add(std::string(31, 'A')).outcome, AddMarketOutcome::TooLong);
    EXPECT_EQ(manager.add(std::string(30, 'A')).outcome, AddMarketOutcome::Added);
    std::string accented;
    for (int i = 0; i < 30; ++i)
        accented += "É";
    EXPECT_EQ(manager.add(accented).outcome, AddMarketOutcome::Added);
    EXPECT_EQ(manager.markets().size(), 2u);
}

TEST_F(MarketManagerTest, RenameMayDuplicateAndKeepsTheNumber)
{
    MarketManager manager(folder);
    manager.add("NYSE");
    manager.add("AMEX");
    ASSERT_EQ(manager.current()->name, "AMEX");
    EXPECT_TRUE(manager.renameCurrent("NYSE"));
    EXPECT_EQ(manager.current(), (Market{2, "NYSE"}));
    EXPECT_FALSE(manager.renameCurrent(""));
    manager.save();
    EXPECT_EQ(saved(), (std::vector<Market>{{1, "NYSE"}, {2, "NYSE"}}));
}

TEST_F(MarketManagerTest, RenameInAnEmptyTableChangesNothing)
{
    MarketManager manager(folder);
    EXPECT_FALSE(manager.current());
    EXPECT_FALSE(manager.renameCurrent("NYSE"));
    EXPECT_TRUE(manager.markets().empty());
}

TEST_F(MarketManagerTest, NothingReachesTheFileBeforeSave)
{
    {
        MarketManager manager(folder);
        manager.add("NYSE");
        manager.save();
    }
    MarketManager manager(folder);
    manager.add("AMEX");
    manager.renameCurrent("LSE");
    EXPECT_EQ(saved(), (std::vector<Market>{{1, "NYSE"}}));
}

TEST_F(MarketManagerTest, StartsFromTheTwoBuiltInMarketsWhenTheFileIsMissing)
{
    std::filesystem::remove(folder.file(kMarketsFile));
    MarketManager manager(folder);
    EXPECT_EQ(manager.markets(), (std::vector<Market>{{1, "CAC 40"}, {2, "DOW JONES INDEX"}}));
    EXPECT_EQ(manager.current()->id, 1);
    EXPECT_TRUE(saved().empty());
    EXPECT_EQ(manager.add("NYSE").id, 3);
    manager.save();
    EXPECT_EQ(saved().size(), 3u);
}

}  // namespace
}  // namespace kiruvan
