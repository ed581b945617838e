#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include "app/MAIN.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "import/ui/F_Maj.h"
#include "support/gui_support.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using test::child;

struct Message {
    TU_MAJ::MessageKind kind;
    QString text;
    friend bool operator==(const Message&, const Message&) = default;
};

class ImportDialog : public ::testing::Test {
protected:
    std::unique_ptr<TU_MAJ> open()
    {
        auto dialog = std::make_unique<TU_MAJ>(folder, clock);
        dialog->showMessage = [this](TU_MAJ::MessageKind kind, const QString& text) {
            messages.push_back({kind, text});
        };
        dialog->beep = [this] { messages.push_back({TU_MAJ::MessageKind::Information, "beep"}); };
        return dialog;
    }

    void setColumns(TU_MAJ& dialog, std::vector<int> kinds)
    {
        for (std::size_t c = 0; c < kinds.size(); ++c)
            child<QComboBox>(dialog, c == 0 ? "CBX_col1" : ("CBX_Col" + std::to_string(c + 1)).c_str())
                ->setCurrentIndex(kinds[c]);
    }

    void loadLines(TU_MAJ& dialog, const std::string& text)
    {
        test::writeFile(temp.file("quotes.txt"), text);
        ASSERT_TRUE(dialog.loadQuoteFile(QString::fromStdString(temp.file("quotes.txt").string())));
    }

    // A symbol file of seven fields passes the layout check but has no Volume to write.
    void writeSevenFieldSymbol(const std::string& code)
    {
        Table odd;
        for (const char* name : {"Date", "Time", "Open", "High", "Low", "Close", "INDEX_DATE"})
            odd.addField(name, std::string(name) == "Date" ? FieldType::Date : FieldType::String, 10);
        odd.create();
        odd.saveToFile(temp.file(code + ".cds"));
    }

    static void saveShot(TU_MAJ& dialog, const char* name)
    {
        dialog.show();
        QApplication::processEvents();
        if (const char* shots = std::getenv("KIRUVAN_SHOTS"))
            dialog.grab().save(QString::fromLocal8Bit(shots) + "/" + name);
    }

    test::TempFolder temp;
    DataFolder folder{temp.path()};
    FixedClock clock = test::fixedClock2026();
    std::vector<Message> messages;
};

TEST_F(ImportDialog, OpensWithTheDefaultsWithoutASettingsFile)
{
    auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), "Update Database");
    EXPECT_EQ(child<QComboBox>(*dialog, "CBX_Separateur_Champ")->currentText(), ";");
    EXPECT_EQ(child<QComboBox>(*dialog, "CBX_date_Format")->currentText(), "dd/mm/yy");
    EXPECT_EQ(child<QComboBox>(*dialog, "CBX_Col10")->currentText(), "None");
    EXPECT_EQ(child<QComboBox>(*dialog, "CBX_col1")->count(), 11);
    EXPECT_EQ(child<QDateEdit>(*dialog, "Picker_FirstDate")->date(), QDate(2026, 6, 15));
    EXPECT_EQ(child<QDateEdit>(*dialog, "Picker_FirstDate")->maximumDate(), QDate(2026, 6, 15));
    EXPECT_EQ(child<QLabel>(*dialog, "Label13")->text(), "Date Fomat");
    EXPECT_FALSE(child<QPushButton>(*dialog, "BTN_update")->isEnabled());
    EXPECT_EQ(child<QLineEdit>(*dialog, "EDT_Symbol")->maxLength(), 30);
    dialog->show();
    EXPECT_FALSE(child<QComboBox>(*dialog, "CBX_Decimal_Separateur")->isVisible());
    EXPECT_FALSE(child<QPlainTextEdit>(*dialog, "Memo_Erreurs")->isVisible());
    EXPECT_EQ(dialog->size(), QSize(760, 344));
}

TEST_F(ImportDialog, OnlyTheCloseButtonWritesTheSettings)
{
    const std::string before = "[Date Format]\r\nValue=1\r\n";
    test::writeFile(temp.file("Files.ini"), before);
    {
        auto dialog = open();
        child<QComboBox>(*dialog, "CBX_date_Format")->setCurrentIndex(4);
        dialog->show();
        dialog->close();
    }
    EXPECT_EQ(test::readFile(temp.file("Files.ini")), before);

    auto dialog = open();
    EXPECT_EQ(child<QComboBox>(*dialog, "CBX_date_Format")->currentIndex(), 1);
    child<QComboBox>(*dialog, "CBX_date_Format")->setCurrentIndex(4);
    setColumns(*dialog, {kDate, kClose});
    child<QPushButton>(*dialog, "OK")->click();
    const ImportSettings written = Lecture_Fichier_INI(temp.file("Files.ini"), clock);
    EXPECT_EQ(written.dateFormat, 4);
    EXPECT_EQ(written.columns[1], kClose);
    EXPECT_EQ(written.firstDate, clock.today());
}

TEST_F(ImportDialog, CompletedRunBeepsAndEmptiesTheListAndTheSymbol)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    auto dialog = open();
    setColumns(*dialog, {kDate, kOpen, kHigh, kLow, kClose, kVolume});
    child<QComboBox>(*dialog, "CBX_date_Format")->setCurrentIndex(1);
    child<QDateEdit>(*dialog, "Picker_FirstDate")->setDate(QDate(2004, 1, 1));
    loadLines(*dialog, "05/03/2004;1;1;1;1;1\r\n");
    EXPECT_TRUE(child<QPushButton>(*dialog, "BTN_update")->isEnabled());
    EXPECT_EQ(child<QPlainTextEdit>(*dialog, "Memo_Import")->toPlainText(), "05/03/2004;1;1;1;1;1");
    child<QLineEdit>(*dialog, "EDT_Symbol")->setText("ABC");
    saveShot(*dialog, "import_dialog_loaded.png");
    child<QPushButton>(*dialog, "BTN_update")->click();
    EXPECT_EQ(messages, (std::vector<Message>{{TU_MAJ::MessageKind::Information, "beep"}}));
    EXPECT_EQ(child<QPlainTextEdit>(*dialog, "Memo_Import")->toPlainText(), "");
    EXPECT_EQ(child<QLineEdit>(*dialog, "EDT_Symbol")->text(), "");
    EXPECT_TRUE(child<QPushButton>(*dialog, "BTN_update")->isEnabled());
    EXPECT_EQ(child<QLabel>(*dialog, "LBL_Processing")->text(), "100  %");
    EXPECT_TRUE(child<QLabel>(*dialog, "LBL_Processing")->isHidden());

    // A second run on the emptied list writes nothing and says so.
    child<QPushButton>(*dialog, "BTN_update")->click();
    EXPECT_EQ(messages.back().text, "   0 line inserted ! Please check parameters.   ");
}

TEST_F(ImportDialog, BarThatCannotBeWrittenIsListedUnderTheLines)
{
    writeSevenFieldSymbol("ODD");
    auto dialog = open();
    setColumns(*dialog, {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume});
    child<QComboBox>(*dialog, "CBX_date_Format")->setCurrentIndex(1);
    child<QDateEdit>(*dialog, "Picker_FirstDate")->setDate(QDate(2004, 1, 1));
    loadLines(*dialog, "ODD;05/03/2004;1;1;1;1;1\nODD;08/03/2004;1;1;1;1;1\n");
    child<QPushButton>(*dialog, "BTN_update")->click();
    auto* errors = child<QPlainTextEdit>(*dialog, "Memo_Erreurs");
    EXPECT_FALSE(errors->isHidden());
    EXPECT_EQ(errors->toPlainText(), "Symbol [ODD]\nSymbol [ODD]");
    saveShot(*dialog, "import_dialog_write_failures.png");
}

TEST_F(ImportDialog, CloseBoxAndEscapeDoNothingDuringARun)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    auto dialog = open();
    setColumns(*dialog, {kDate, kOpen, kHigh, kLow, kClose, kVolume});
    loadLines(*dialog, "05/03/04;1;1;1;1;1\n");
    child<QLineEdit>(*dialog, "EDT_Symbol")->setText("ABC");
    dialog->show();
    bool tried = false;
    QTimer::singleShot(0, [&] {
        tried = dialog->running();
        dialog->close();
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
    });
    child<QPushButton>(*dialog, "BTN_update")->click();
    EXPECT_TRUE(tried);
    EXPECT_TRUE(dialog->isVisible());
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ImportDialog, InputMadeDuringARunIsDroppedNotCarriedOutAfterIt)
{
    writeSevenFieldSymbol("ODD");
    Creation_d1_Fichier_Data(folder, "ABC");
    auto dialog = open();
    setColumns(*dialog, {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume});
    child<QComboBox>(*dialog, "CBX_date_Format")->setCurrentIndex(1);
    child<QDateEdit>(*dialog, "Picker_FirstDate")->setDate(QDate(2004, 1, 1));
    loadLines(*dialog, "ODD;05/03/2004;1;1;1;1;1\nABC;05/03/2004;1;1;1;1;1\n");
    dialog->show();
    QWindow* window = dialog->windowHandle();
    auto* update = child<QPushButton>(*dialog, "BTN_update");
    const QPointF onUpdate = update->mapTo(dialog.get(), update->rect().center());
    // The user clicks Update, presses Escape and clicks the close box while the run holds the
    // window's thread (at the first line's failed write); the desktop queues it all.
    const auto queueInput = [&] {
        using Input = QWindowSystemInterface;
        Input::handleMouseEvent<Input::AsynchronousDelivery>(window, onUpdate, window->mapToGlobal(onUpdate),
                                                             Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
        Input::handleMouseEvent<Input::AsynchronousDelivery>(window, onUpdate, window->mapToGlobal(onUpdate),
                                                             Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
        Input::handleKeyEvent<Input::AsynchronousDelivery>(window, QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        Input::handleCloseEvent<Input::AsynchronousDelivery>(window);
    };
    QTimer::singleShot(0, [&] { QTimer::singleShot(0, queueInput); });
    update->click();
    QApplication::processEvents();
    EXPECT_EQ(messages, (std::vector<Message>{{TU_MAJ::MessageKind::Information, "beep"}}));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ImportDialog, MainWindowCommandOpensItModally)
{
    TBrannock window(folder);
    ASSERT_TRUE(test::child<QAction>(window, "MiseJour1")->isEnabled());
    QString opened;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<TU_MAJ*>(QApplication::activeModalWidget())) {
            opened = dialog->windowTitle();
            dialog->close();
        }
    });
    test::child<QAction>(window, "MiseJour1")->trigger();
    EXPECT_EQ(opened, "Update Database");
    EXPECT_FALSE(std::filesystem::exists(temp.file("Files.ini")));
}

TEST_F(ImportDialog, MissingSymbolKeepsTheLoadedLines)
{
    auto dialog = open();
    setColumns(*dialog, {kDate, kOpen, kHigh, kLow, kClose, kVolume});
    loadLines(*dialog, "05/03/04;1;1;1;1;1\n");
    child<QPushButton>(*dialog, "BTN_update")->click();
    EXPECT_EQ(messages, (std::vector<Message>{{TU_MAJ::MessageKind::Information, "beep"},
                                              {TU_MAJ::MessageKind::Error, "Needs Symbol."}}));
    EXPECT_EQ(child<QPlainTextEdit>(*dialog, "Memo_Import")->toPlainText(), "05/03/04;1;1;1;1;1");
    EXPECT_TRUE(child<QComboBox>(*dialog, "CBX_col1")->isEnabled());
}

TEST_F(ImportDialog, FailedColumnCheckWarnsThenReportsNothingInserted)
{
    auto dialog = open();
    setColumns(*dialog, {kNone, kDate});
    loadLines(*dialog, "x;05/03/04\n");
    child<QPushButton>(*dialog, "BTN_update")->click();
    EXPECT_EQ(messages, (std::vector<Message>{
                            {TU_MAJ::MessageKind::Warning, "Please check Column 1."},
                            {TU_MAJ::MessageKind::Information, "beep"},
                            {TU_MAJ::MessageKind::Information, "   0 line inserted ! Please check parameters.   "}}));
    EXPECT_EQ(child<QPlainTextEdit>(*dialog, "Memo_Import")->toPlainText(), "");
}

TEST_F(ImportDialog, DetectFillsTheSettingsAndUpdateImportsWithADecimalComma)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    auto dialog = open();
    loadLines(*dialog, "Ticker;Date;Open;High;Low;Close;Volume\nABC;17/09/2004;68,15;69,00;67,10;68,50;1500\n");
    child<QDateEdit>(*dialog, "Picker_FirstDate")->setDate(QDate(2004, 1, 1));
    child<QPushButton>(*dialog, "BTN_Detect")->click();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(child<QCheckBox>(*dialog, "CHK_Decimal_Comma")->isChecked());
    EXPECT_EQ(child<QComboBox>(*dialog, "CBX_date_Format")->currentText(), "dd/mm/yyyy");
    EXPECT_EQ(child<QComboBox>(*dialog, "CBX_col1")->currentIndex(), kSymbol);
    child<QPushButton>(*dialog, "BTN_update")->click();
    EXPECT_EQ(dialog->currentSettings().decimalComma, true);
    Table bars;
    bars.loadFromFile(temp.file("ABC.cds"));
    EXPECT_EQ(bars.recordCount(), 1);
    EXPECT_EQ(bars["Close"].asFloat(), 68.5);

    loadLines(*dialog, "no quotes here\n");
    messages.clear();
    child<QPushButton>(*dialog, "BTN_Detect")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, TU_MAJ::MessageKind::Warning);
}

// A daily history ending the day before the test's today, oldest line last, under a header.
std::string historyOf(int days)
{
    const Date last = Date::fromYmd(2026, 6, 14);
    std::string text = "Date;Open;High;Low;Close;Volume\n";
    for (int d = 0; d < days; ++d)
        text += Date::fromDayNumber(last.dayNumber() - d).toText() + ";10;11;9;10.5;100\n";
    return text;
}

QDate qDate(Date day)
{
    return QDate(day.year(), day.month(), day.day());
}

TEST_F(ImportDialog, DetectTakesTheWholeHistoryAndALaterFirstDateNamesTheLinesSkipped)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    auto dialog = open();
    auto* picker = child<QDateEdit>(*dialog, "Picker_FirstDate");
    const Date oldest = Date::fromDayNumber(Date::fromYmd(2026, 6, 14).dayNumber() - 2999);
    loadLines(*dialog, historyOf(3000));
    child<QPushButton>(*dialog, "BTN_Detect")->click();
    EXPECT_EQ(picker->date(), qDate(oldest));
    child<QLineEdit>(*dialog, "EDT_Symbol")->setText("ABC");
    child<QPushButton>(*dialog, "BTN_update")->click();
    Table bars;
    bars.loadFromFile(temp.file("ABC.cds"));
    EXPECT_EQ(bars.recordCount(), 3000);

    loadLines(*dialog, historyOf(3000));
    const Date later = Date::fromDayNumber(oldest.dayNumber() + 1250);
    picker->setDate(qDate(later));
    child<QLineEdit>(*dialog, "EDT_Symbol")->setText("ABC");
    child<QPushButton>(*dialog, "BTN_update")->click();
    EXPECT_TRUE(
        child<QPlainTextEdit>(*dialog, "Memo_Summary")
            ->toPlainText()
            .contains(QString::fromStdString("1,250 lines older than First Date " + later.toText() + " were skipped")));
}

TEST_F(ImportDialog, AFirstDateNobodyChoseFollowsTheFileAndIsNotStored)
{
    const Date oldest = Date::fromYmd(2004, 3, 5);
    {
        auto dialog = open();
        setColumns(*dialog, {kDate, kOpen, kHigh, kLow, kClose, kVolume});
        loadLines(*dialog, "08/03/04;1;1;1;1;1\n05/03/04;1;1;1;1;1\n");
        EXPECT_EQ(child<QDateEdit>(*dialog, "Picker_FirstDate")->date(), qDate(oldest));
        child<QPushButton>(*dialog, "OK")->click();
    }
    EXPECT_EQ(storedFirstDate(temp.file("Files.ini"), clock), std::nullopt);

    // Stored, the date is the user's and stays whatever file is opened.
    test::writeFile(temp.file("Files.ini"), "[First Date]\nValue=01/01/2010\n");
    auto dialog = open();
    loadLines(*dialog, historyOf(10));
    EXPECT_EQ(child<QDateEdit>(*dialog, "Picker_FirstDate")->date(), QDate(2010, 1, 1));
}

TEST_F(ImportDialog, TheSummaryMovesNoButtonAndGoesWithTheNextFile)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    auto dialog = open();
    dialog->show();
    auto* update = child<QPushButton>(*dialog, "BTN_update");
    auto* close = child<QPushButton>(*dialog, "OK");
    auto* summary = child<QPlainTextEdit>(*dialog, "Memo_Summary");
    QApplication::processEvents();
    const QRect closeBefore = close->geometry();
    loadLines(*dialog, historyOf(5));
    child<QPushButton>(*dialog, "BTN_Detect")->click();
    child<QLineEdit>(*dialog, "EDT_Symbol")->setText("ABC");
    QApplication::processEvents();
    const QRect before = update->geometry();
    update->click();
    QApplication::processEvents();
    ASSERT_TRUE(summary->isVisible());
    EXPECT_EQ(update->geometry(), before);

    loadLines(*dialog, historyOf(5));
    QApplication::processEvents();
    EXPECT_EQ(summary->toPlainText(), "");
    EXPECT_EQ(update->geometry(), before);
    EXPECT_EQ(close->geometry(), closeBefore);
}

}  // namespace
}  // namespace kiruvan
