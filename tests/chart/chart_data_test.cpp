#include "chart/chart_data.h"

#include <gtest/gtest.h>

#include <vector>

#include "chart_fixture.h"

namespace kiruvan {
namespace {

using test::ChartFolder;
using test::storedRow;

class ChartDataTest : public ::testing::Test {
protected:
    std::string opened(std::int32_t market, const std::string& requested)
    {
        data.Code_Titre_Demande = requested;
        data.Load_Liste_Actions_du_Marche(market);
        return data.Code_Titre_Courant;
    }

    ChartFolder folder;
    ChartData data{folder.folder()};
};

TEST_F(ChartDataTest, OpensTheRequestedOrFirstOrLastSymbolByName)
{
    EXPECT_EQ(opened(1, ""), "ALP");
    EXPECT_EQ(data.Nom_Titre_Courant, "Alpha");
    EXPECT_EQ(opened(1, "GAM"), "GAM");
    EXPECT_EQ(opened(1, "gam"), "O'N");  // not listed (codes compare exactly): the last by name
    EXPECT_EQ(opened(1, "XEN"), "O'N");
}

TEST_F(ChartDataTest, PriorAndNextWrapAround)
{
    opened(1, "O'N");
    data.nextSymbol();
    EXPECT_EQ(data.Code_Titre_Courant, "ALP");
    EXPECT_EQ(data.NBBars(), 3501);
    data.priorSymbol();
    EXPECT_EQ(data.Code_Titre_Courant, "O'N");
    data.priorSymbol();
    EXPECT_EQ(data.Code_Titre_Courant, "GAM");
    EXPECT_TRUE(data.canStep());
    opened(2, "");
    EXPECT_FALSE(data.canStep());
}

TEST_F(ChartDataTest, MissingFileLeavesNoBarsAndATitleNote)
{
    opened(1, "GAM");
    EXPECT_EQ(data.NBBars(), 300);
    EXPECT_TRUE(data.Message_Fichier.empty());
    data.nextSymbol();
    EXPECT_EQ(data.Code_Titre_Courant, "O'N");
    EXPECT_EQ(data.NBBars(), 0);
    EXPECT_EQ(data.Message_Fichier, "\r <File not found>");
}

TEST_F(ChartDataTest, StoredParametersBelongToTheMarketAndTheExactCode)
{
    opened(1, "ALP");
    EXPECT_EQ(data.First_Bar, 2251);
    EXPECT_EQ(data.DateStr_Last_Top_Equity_Curve, "12/05/2025");
    EXPECT_NE(data.series().positionState[2251], 0.0);
    EXPECT_NE(data.series().bars.Barux[3000], 0.0);
    EXPECT_NE(data.series().MA50()[100], 0.0);

    ResultRow edited = storedRow(1, "GAM");
    edited.Opt1 = 0;
    folder.storeResults({storedRow(2, "BET"), storedRow(1, "O'N"), edited});
    EXPECT_EQ(opened(1, "GAM"), "GAM");
    EXPECT_FALSE(data.hasParameters());
    EXPECT_EQ(opened(1, "BET"), "BET");
    EXPECT_EQ(data.First_Bar, -1);
    EXPECT_FALSE(data.hasParameters());
    data.nextSymbol();
    data.nextSymbol();
    EXPECT_EQ(data.Code_Titre_Courant, "O'N");
    // No file, so the values of the symbol before stay; with a file the quoted code finds its row.
    folder.writeBars("O'N", 300, 5);
    data.loadCurrentSymbol();
    EXPECT_EQ(data.First_Bar, 2251);
}

}  // namespace
}  // namespace kiruvan
