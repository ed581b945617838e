#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "database/market_manager.h"
#include "database/symbol_files.h"
#include "database/ui/FAjout_Marche.h"
#include "database/ui/FGestion_codes.h"
#include "database/ui/F_DataView.h"
#include "database/ui/F_DatePicker.h"
#include "database/ui/F_Gestion_Marches.h"
#include "database_test_data.h"
#include "support/gui_support.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using test::bar;

class DatabaseWindowsTest : public ::testing::Test {
protected:
    DatabaseWindowsTest() { Verification_existance_des_Fichiers(folder); }

    void addMarkets(std::initializer_list<const char*> names)
    {
        MarketManager markets(folder);
        for (const char* name : names)
            markets.add(name);
        markets.save();
    }

    static void activate(QWidget& window)
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    test::TempFolder temp;
    DataFolder folder{temp.path()};
    FixedClock clock = test::fixedClock2026();
};

TEST_F(DatabaseWindowsTest, MarketManagerAddsShowsAndSavesOnOk)
{
    TGestion_Marches dialog(folder);
    QStringList answers{"NYSE", "nyse", "AMEX"};
    QStringList captions;
    dialog.askName = [&](const QString& caption, const QString&) {
        captions << caption;
        return answers.takeFirst();
    };
    for (int i = 0; i < 3; ++i)
        test::child<QPushButton>(dialog, "BTN_Ajouter")->click();
    EXPECT_EQ(captions.front(), "Add a New Market...");
    EXPECT_EQ(test::child<QComboBox>(dialog, "DBL")->count(), 2);  // the duplicate was refused
    EXPECT_EQ(test::child<QComboBox>(dialog, "DBL")->currentText(), "AMEX");
    EXPECT_EQ(test::child<QComboBox>(dialog, "DBL")->itemText(0), "AMEX");  // name order

    test::child<QPushButton>(dialog, "BitBtn1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(readMarkets(folder), (std::vector<Market>{{2, "AMEX"}, {1, "NYSE"}}));
}

TEST_F(DatabaseWindowsTest, MarketManagerRenamesTheShownMarketAndTheCloseBoxDiscards)
{
    addMarkets({"AMEX", "NYSE"});
    TGestion_Marches dialog(folder);
    ASSERT_EQ(test::child<QComboBox>(dialog, "DBL")->currentText(), "AMEX");
    test::child<QComboBox>(dialog, "DBL")->setCurrentIndex(1);
    emit test::child<QComboBox>(dialog, "DBL")->activated(1);
    QString offered;
    dialog.askName = [&](const QString& caption, const QString& initial) {
        EXPECT_EQ(caption, "Modify a Market...");
        offered = initial;
        return QString("LSE");
    };
    test::child<QPushButton>(dialog, "BTN_Modifier")->click();
    EXPECT_EQ(offered, "NYSE");
    EXPECT_EQ(test::child<QComboBox>(dialog, "DBL")->currentText(), "LSE");
    EXPECT_EQ(test::child<QComboBox>(dialog, "DBL")->currentData().toInt(), 2);

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(readMarkets(folder), (std::vector<Market>{{1, "AMEX"}, {2, "NYSE"}}));
}

TEST_F(DatabaseWindowsTest, MarketNameDialogTakesThirtyCharactersAndGivesNothingWhenClosed)
{
    TAjout_Marche typed("Add a New Market...", "", nullptr);
    EXPECT_EQ(typed.windowTitle(), "Add a New Market...");
    QTest::keyClicks(test::child<QLineEdit>(typed, "EDT_Nom_Marche"), QString(31, 'A'));
    EXPECT_EQ(test::child<QLineEdit>(typed, "EDT_Nom_Marche")->text().size(), 30);
    test::child<QPushButton>(typed, "BitBtn1")->click();
    EXPECT_EQ(typed.Nom_Saisi(), QString(30, 'A'));

    TAjout_Marche closed("Modify a Market...", "NYSE", nullptr);
    EXPECT_EQ(test::child<QLineEdit>(closed, "EDT_Nom_Marche")->text(), "NYSE");
    closed.reject();
    EXPECT_EQ(closed.Nom_Saisi(), "");
}

TEST_F(DatabaseWindowsTest, SymbolManagerEmptiesAReservedCodeWhenTheEditIsLeft)
{
    addMarkets({"NYSE"});
    bool validationOK = false;
    TGestion_des_codes dialog(folder, validationOK);
    activate(dialog);
    test::child<QPushButton>(dialog, "BTN_Ajouter")->click();
    EXPECT_EQ(test::child<QComboBox>(dialog, "DBL")->currentIndex(), -1);
    EXPECT_EQ(QApplication::focusWidget(), test::child<QLineEdit>(dialog, "EDT_Code"));
    QTest::keyClicks(test::child<QLineEdit>(dialog, "EDT_Code"), "MaStEr");
    test::child<QLineEdit>(dialog, "EDT_Nom")->setFocus();
    EXPECT_EQ(test::child<QLineEdit>(dialog, "EDT_Code")->text(), "");
    EXPECT_EQ(dialog.manager().code(), "");
}

TEST_F(DatabaseWindowsTest, SymbolManagerApplyFocusesTheMissingNameAndOkStaysOpen)
{
    addMarkets({"NYSE"});
    bool validationOK = true;
    TGestion_des_codes dialog(folder, validationOK);
    activate(dialog);
    test::child<QPushButton>(dialog, "BTN_Ajouter")->click();
    QTest::keyClicks(test::child<QLineEdit>(dialog, "EDT_Code"), "IBM");
    test::child<QComboBox>(dialog, "DBL")->setCurrentIndex(0);
    emit test::child<QComboBox>(dialog, "DBL")->activated(0);
    test::child<QPushButton>(dialog, "BTN_Appliquer")->click();
    EXPECT_EQ(QApplication::focusWidget(), test::child<QLineEdit>(dialog, "EDT_Nom"));
    EXPECT_FALSE(validationOK);
    test::child<QPushButton>(dialog, "BTN_OK")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(std::filesystem::exists(temp.file("IBM.cds")));

    QTest::keyClicks(test::child<QLineEdit>(dialog, "EDT_Nom"), "IBM Corp");
    test::child<QPushButton>(dialog, "BTN_OK")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(std::filesystem::exists(temp.file("IBM.cds")));
}

TEST_F(DatabaseWindowsTest, SymbolManagerDeleteAsksAndIsDisabledOnceTheTableIsEmpty)
{
    addMarkets({"NYSE"});
    bool validationOK = false;
    TGestion_des_codes dialog(folder, validationOK);
    EXPECT_FALSE(test::child<QPushButton>(dialog, "BTN_Del")->isEnabled());
    test::child<QPushButton>(dialog, "BTN_Ajouter")->click();
    EXPECT_TRUE(test::child<QPushButton>(dialog, "BTN_Del")->isEnabled());
    QStringList questions;
    bool answer = false;
    dialog.confirm = [&](const QString& question) {
        questions << question;
        return answer;
    };
    test::child<QPushButton>(dialog, "BTN_Del")->click();
    EXPECT_TRUE(dialog.manager().hasSymbol());
    answer = true;
    test::child<QPushButton>(dialog, "BTN_Del")->click();
    EXPECT_EQ(questions, QStringList({"Do you want delete this symbol ?", "Do you want delete this symbol ?"}));
    EXPECT_FALSE(dialog.manager().hasSymbol());
    EXPECT_FALSE(test::child<QPushButton>(dialog, "BTN_Del")->isEnabled());
}

class DataViewTest : public DatabaseWindowsTest {
protected:
    std::unique_ptr<TFDataView> open(const std::vector<test::BarRow>& rows)
    {
        test::writeSymbolFile(folder, "IBM", rows);
        return std::make_unique<TFDataView>(folder, "IBM", "International Business Machines", clock);
    }

    static QString cell(TFDataView& viewer, int row, int column)
    {
        return test::child<QTableView>(viewer, "DBG")->model()->index(row, column).data().toString();
    }
};

TEST_F(DataViewTest, ShowsTheBarsInDateOrderWithTwoDecimalPrices)
{
    auto viewer = open({bar(2004, 3, 8, 10.5, 11, 9.125, 10, 1500), bar(2004, 3, 5, 1, 2, 1, 2, 7)});
    EXPECT_EQ(viewer->windowTitle(), "International Business Machines");
    ASSERT_EQ(test::child<QTableView>(*viewer, "DBG")->model()->rowCount(), 2);
    EXPECT_EQ(cell(*viewer, 0, 0), "05/03/2004");
    EXPECT_EQ(cell(*viewer, 1, 1), "10.50");
    EXPECT_EQ(cell(*viewer, 1, 3), "9.12");
    EXPECT_EQ(cell(*viewer, 1, 5), "1500");
    EXPECT_TRUE(test::child<QPushButton>(*viewer, "BTN_OK")->isEnabled());
}

TEST_F(DataViewTest, AnEmptyFileLeavesOnlyCancel)
{
    auto viewer = open({});
    EXPECT_FALSE(test::child<QPushButton>(*viewer, "BTN_Division")->isEnabled());
    EXPECT_FALSE(test::child<QPushButton>(*viewer, "BTN_Save_ASCII")->isEnabled());
    EXPECT_FALSE(test::child<QPushButton>(*viewer, "BTN_OK")->isEnabled());
    EXPECT_TRUE(test::child<QPushButton>(*viewer, "BTN_Cancel")->isEnabled());
}

TEST_F(DataViewTest, OkStopsOnTheFailingCellThenSavesOnceTheRowIsDeleted)
{
    auto viewer =
        open({bar(2004, 3, 5, 10, 11, 9, 10), bar(2004, 3, 8, 10, 11, 10.5, 10.2), bar(2004, 3, 9, 10, 11, 9, 10)});
    activate(*viewer);
    test::child<QPushButton>(*viewer, "BTN_OK")->click();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(test::child<QTableView>(*viewer, "DBG")->currentIndex().row(), 1);
    EXPECT_EQ(test::child<QTableView>(*viewer, "DBG")->currentIndex().column(), kLowColumn);
    EXPECT_EQ(QApplication::focusWidget(), test::child<QTableView>(*viewer, "DBG"));
    EXPECT_EQ(test::readSymbolFile(folder, "IBM").size(), 3u);

    QString question;
    viewer->confirm = [&](const QString& text) {
        question = text;
        return true;
    };
    QTest::keyClick(test::child<QTableView>(*viewer, "DBG"), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_FALSE(question.isEmpty());
    EXPECT_EQ(test::child<QTableView>(*viewer, "DBG")->model()->rowCount(), 2);
    test::child<QPushButton>(*viewer, "BTN_OK")->click();
    EXPECT_EQ(viewer->result(), QDialog::Accepted);
    EXPECT_EQ(test::readSymbolFile(folder, "IBM").size(), 2u);
}

TEST_F(DataViewTest, DivisionAsksFromTheCurrentDayAndChangesOnlyTheTable)
{
    auto viewer = open({bar(2004, 3, 5, 10, 11, 9.5, 10.5, 1000), bar(2004, 3, 8, 20.123, 21, 20, 20.5, 10)});
    std::optional<Date> asked;
    viewer->askDivision = [&](Date reference) {
        asked = reference;
        return confirmDivision("2", Date::fromYmd(2004, 3, 5));
    };
    test::child<QPushButton>(*viewer, "BTN_Division")->click();
    EXPECT_EQ(asked, Date::fromYmd(2004, 3, 5));
    EXPECT_EQ(cell(*viewer, 0, 3), "4.75");
    EXPECT_EQ(cell(*viewer, 0, 5), "2000");
    EXPECT_EQ(cell(*viewer, 1, 1), "20.12");
    EXPECT_EQ(test::readSymbolFile(folder, "IBM")[0].open, 10);  // nothing saved before OK

    viewer->askDivision = [](Date) { return DivideChoice{}; };  // cancelled
    test::child<QPushButton>(*viewer, "BTN_Division")->click();
    EXPECT_EQ(cell(*viewer, 0, 3), "4.75");
}

TEST_F(DataViewTest, SaveToAsciiOffersTheCodeInTheDataFolderAndWritesTheExport)
{
    auto viewer = open({bar(2004, 3, 5, 12.5, 13, 12.25, 12.75, 1500)});
    QString offeredFolder, offeredName;
    const QString target = QString::fromStdString(temp.file("ibm.txt").string());
    viewer->chooseExportFile = [&](const QString& dir, const QString& name) {
        offeredFolder = dir;
        offeredName = name;
        return target;
    };
    test::child<QPushButton>(*viewer, "BTN_Save_ASCII")->click();
    EXPECT_EQ(offeredName, "IBM");
    EXPECT_EQ(std::filesystem::path(offeredFolder.toStdString()), temp.path());
    EXPECT_EQ(test::readFile(temp.file("ibm.txt")), "05/03/2004;12.5;13;12.25;12.75;1500\r\n");

    viewer->chooseExportFile = [](const QString&, const QString&) { return QString(); };
    std::filesystem::remove(temp.file("ibm.txt"));
    test::child<QPushButton>(*viewer, "BTN_Save_ASCII")->click();
    EXPECT_FALSE(std::filesystem::exists(temp.file("ibm.txt")));
}

TEST_F(DataViewTest, OkOverAFileAnotherProgramChangedSaysSoAndKeepsTheEdits)
{
    auto viewer = open({bar(2004, 3, 5, 10, 11, 9, 10), bar(2004, 3, 8, 10, 11, 9, 10)});
    activate(*viewer);
    viewer->confirm = [](const QString&) { return true; };
    QTest::keyClick(test::child<QTableView>(*viewer, "DBG"), Qt::Key_Delete, Qt::ControlModifier);
    test::writeSymbolFile(folder, "IBM", {bar(2004, 3, 9, 20, 21, 19, 20)});  // another program adds a day
    const std::string written = test::readFile(folder.symbolFileFor("IBM"));

    test::MessageBoxAnswer ok(QMessageBox::Ok);
    test::child<QPushButton>(*viewer, "BTN_OK")->click();
    const std::string file = folder.symbolFileFor("IBM").string();
    EXPECT_EQ(ok.text().toStdString(), "\"" + file + "\" was changed by another program; reload it and try again");
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(test::child<QTableView>(*viewer, "DBG")->model()->rowCount(), 1);
    EXPECT_EQ(cell(*viewer, 0, 0), "08/03/2004");
    EXPECT_EQ(test::readFile(folder.symbolFileFor("IBM")), written);
}

TEST_F(DataViewTest, ASymbolFileThatIsALinkIsRefusedAndItsTargetLeftAlone)
{
    test::TempFolder outside;
    test::writeSymbolFile(DataFolder(outside.path()), "IBM", {bar(2004, 3, 5, 10, 11, 9, 10)});
    const std::string target = test::readFile(outside.file("IBM.cds"));
    std::filesystem::create_symlink(outside.file("IBM.cds"), temp.file("IBM.cds"));

    test::MessageBoxAnswer ok(QMessageBox::Ok);
    EXPECT_FALSE(TFDataView::showFor(nullptr, folder, "IBM", "IBM", clock));
    EXPECT_EQ(ok.text().toStdString(), "\"" + temp.file("IBM.cds").string()
                                           + "\" is a link; Kiruvan only uses regular files in its data folder");
    EXPECT_EQ(test::readFile(outside.file("IBM.cds")), target);
}

TEST_F(DatabaseWindowsTest, DividePickerAcceptsOnlyADivisorItCanRead)
{
    TFDatePicker picker(Date::fromYmd(2004, 3, 5));
    EXPECT_EQ(picker.windowTitle(), "Divide by / before");
    EXPECT_EQ(test::child<QCalendarWidget>(picker, "MonthCalendar1")->selectedDate(), QDate(2004, 3, 5));
    EXPECT_EQ(test::child<QLineEdit>(picker, "EDT_By")->text(), "1");
    test::child<QLineEdit>(picker, "EDT_By")->clear();
    QTest::keyClicks(test::child<QLineEdit>(picker, "EDT_By"), "a.5.7x9");
    EXPECT_EQ(test::child<QLineEdit>(picker, "EDT_By")->text(), ".57");
    test::child<QLineEdit>(picker, "EDT_By")->setText("");
    test::child<QLineEdit>(picker, "EDT_By")->insert("12abc");  // a paste of text that is no number
    EXPECT_EQ(test::child<QLineEdit>(picker, "EDT_By")->text(), "");

    QTest::keyClicks(test::child<QLineEdit>(picker, "EDT_By"), ".5");
    test::child<QCalendarWidget>(picker, "MonthCalendar1")->setSelectedDate(QDate(2004, 2, 27));
    test::child<QPushButton>(picker, "BTN_OK")->click();
    EXPECT_EQ(picker.result().Division_OK, 1);
    EXPECT_EQ(picker.result().Diviseur, 0.5);
    EXPECT_EQ(picker.result().Date_Choisie, "27/02/2004");

    TFDatePicker cancelled(Date::fromYmd(2004, 3, 5));
    test::child<QPushButton>(cancelled, "BTN_Cancel")->click();
    EXPECT_EQ(cancelled.result().Division_OK, 0);
}

}  // namespace
}  // namespace kiruvan
