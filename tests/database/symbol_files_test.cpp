#include <gtest/gtest.h>

#include <algorithm>

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "database/symbol_files.h"
#include "support/temp_folder.h"

using namespace kiruvan;
using kiruvan::test::TempFolder;

namespace {

std::vector<std::string> fieldNames(const std::filesystem::path& file)
{
    Table t;
    t.loadFromFile(file);
    std::vector<std::string> names;
    for (const FieldDef& f : t.fields())
        names.push_back(f.name);
    return names;
}

int rowCount(const std::filesystem::path& file)
{
    Table t;
    t.loadFromFile(file);
    return t.recordCount();
}

void writeTable(const std::filesystem::path& file, const std::vector<std::string>& names, int rows)
{
    Table t;
    for (const auto& n : names)
        t.addField(n, FieldType::String, 10);
    t.create();
    for (int i = 0; i < rows; ++i) {
        t.append();
        t.field(0).setAsString("r" + std::to_string(i));
        t.post();
    }
    t.saveToFile(file);
}

}  // namespace

TEST(StartupTables, CreatedWhenMissingAndKeptOtherwise)
{
    TempFolder dir;
    DataFolder folder(dir.path());
    Verification_existance_des_Fichiers(folder);
    EXPECT_EQ(fieldNames(folder.file(kMasterFile)),
              (std::vector<std::string>{"Code_Titre", "Nom_Titre", "Code_Marche"}));
    EXPECT_EQ(fieldNames(folder.file(kMarketsFile)), (std::vector<std::string>{"ID_Marche", "Nom_Marche"}));
    EXPECT_EQ(rowCount(folder.file(kMasterFile)), 0);

    Table markets;
    markets.loadFromFile(folder.file(kMarketsFile));
    EXPECT_EQ(markets.fields()[1].size, 30);
    markets.append();
    markets["ID_Marche"].setAsInteger(1);
    markets["Nom_Marche"].setAsString("NYSE");
    markets.saveToFile(folder.file(kMarketsFile));
    markets.close();

    std::filesystem::remove(folder.file(kMasterFile));
    Verification_existance_des_Fichiers(folder);
    EXPECT_EQ(rowCount(folder.file(kMarketsFile)), 1) << "an existing file is never replaced";
    EXPECT_EQ(rowCount(folder.file(kMasterFile)), 0);
}

TEST(SymbolFile, CreationNeverReplacesAndRefusesUnsafeCodes)
{
    TempFolder dir;
    DataFolder folder(dir.path());
    Creation_d1_Fichier_Data(folder, "ABC");
    const auto file = folder.file("ABC.cds");
    EXPECT_EQ(fieldNames(file), std::vector<std::string>(std::begin(kSymbolFieldNames), std::end(kSymbolFieldNames)));
    Table t;
    t.loadFromFile(file);
    ASSERT_EQ(t.indexes().size(), 1u);
    EXPECT_EQ(t.indexes()[0], (IndexDef{"Index_1", "INDEX_DATE", ixPrimary}));
    t.append();
    t["Date"].setAsDate(Date::fromYmd(2004, 3, 5));
    t.saveToFile(file);
    t.close();

    Creation_d1_Fichier_Data(folder, "ABC");
    Creation_d1_Fichier_Data(folder, "abc");  // the same file on a file system that ignores case
    EXPECT_EQ(rowCount(file), 1);
    EXPECT_FALSE(std::filesystem::exists(folder.file("abc.cds")));

    for (const char* bad : {"", ".", "..", "../evil", "a/b", "a\\b"})
        EXPECT_THROW(Creation_d1_Fichier_Data(folder, bad), std::invalid_argument) << bad;
    EXPECT_THROW(Creation_d1_Fichier_Data(folder, std::string_view("a\0b", 3)), std::invalid_argument);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SymbolFile, LayoutCheckRebuildsOnlyEightWrongNamesAndKeepsACopy)
{
    TempFolder dir;
    DataFolder folder(dir.path());
    std::vector<std::string> names(std::begin(kSymbolFieldNames), std::end(kSymbolFieldNames));

    writeTable(folder.file("OK.cds"), names, 3);
    auto seven = names;
    seven.pop_back();
    writeTable(folder.file("SEVEN.cds"), seven, 3);
    auto nine = names;
    nine.push_back("Extra");
    writeTable(folder.file("NINE.cds"), nine, 3);
    auto lower = names;
    lower[0] = "date";
    writeTable(folder.file("LOWER.cds"), lower, 3);

    for (const char* code : {"OK", "SEVEN", "NINE"}) {
        const std::string before = kiruvan::test::readFile(folder.file(std::string(code) + ".cds"));
        EXPECT_FALSE(Verification_Fichier_Data(folder, code)) << code;
        EXPECT_EQ(kiruvan::test::readFile(folder.file(std::string(code) + ".cds")), before) << code;
    }
    const std::string original = kiruvan::test::readFile(folder.file("LOWER.cds"));
    EXPECT_TRUE(Verification_Fichier_Data(folder, "lower"));  // found without regard to case
    EXPECT_EQ(fieldNames(folder.file("LOWER.cds")), names);
    EXPECT_EQ(rowCount(folder.file("LOWER.cds")), 0);
    EXPECT_EQ(kiruvan::test::readFile(folder.file("LOWER.cds.bak")), original);
    EXPECT_THROW(Verification_Fichier_Data(folder, "NONE"), TableError);
}

TEST(SymbolFile, RewriteFromRowsDropsTheIndexAndPassesTheCheck)
{
    TempFolder dir;
    DataFolder folder(dir.path());
    Creation_d1_Fichier_Data(folder, "R");
    Table t;
    t.loadFromFile(folder.file("R.cds"));
    for (int d = 3; d >= 1; --d) {
        t.append();
        t["Date"].setAsDate(Date::fromYmd(2004, 3, d));
        t["Close"].setAsFloat(d * 1.5);
        t["INDEX_DATE"].setAsString(Date::fromYmd(2004, 3, d).toIndexText());
        t.post();
    }
    t.setSortOrder("Date");
    rewriteSymbolFile(t, folder.file("R.cds"));
    Table back;
    back.loadFromFile(folder.file("R.cds"));
    EXPECT_TRUE(back.indexes().empty());
    ASSERT_EQ(back.recordCount(), 3);
    EXPECT_EQ(back.textAt(0, 0), "01/03/2004");
    EXPECT_EQ(back.textAt(0, 7), "2004/03/01");
    EXPECT_FALSE(Verification_Fichier_Data(folder.file("R.cds")));
}

// Another program holds the file's write lock as the rewrite starts and commits a row before
// letting go: the rewrite waits for the lock, then finds the change and refuses.
TEST(SymbolFile, RewriteRefusesAChangeCommittedWhileItWaitsForTheLock)
{
    TempFolder dir;
    DataFolder folder(dir.path());
    Creation_d1_Fichier_Data(folder, "R");
    const auto file = folder.file("R.cds");
    Table loaded;
    loaded.loadFromFile(file);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, "BEGIN IMMEDIATE; INSERT INTO kv_rows(_row) VALUES(7)", nullptr, nullptr, nullptr);
        const bool told = write(ready[1], "x", 1) == 1;
        usleep(300000);
        _exit(told && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : 1);
    }
    char told = 0;
    ASSERT_EQ(read(ready[0], &told, 1), 1);
    EXPECT_THROW(rewriteSymbolFile(loaded, file), TableError);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    int rows = -1;
    sqlite3_exec(
        db, "SELECT count(*) FROM kv_rows",
        [](void* count, int, char** values, char**) { return *static_cast<int*>(count) = std::atoi(values[0]), 0; },
        &rows, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(rows, 1) << "the other program's row stays";
}

TEST(SymbolFile, AnAddKilledBeforeMasterIsSavedLeavesOnlyATemporaryThatTheNextStartRemoves)
{
    TempFolder dir;
    DataFolder folder(dir.path());
    Verification_existance_des_Fichiers(folder);
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<std::string> tables = names();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto pending = PendingSymbolFile::prepare(folder, "IBM");
        ::kill(::getpid(), SIGKILL);  // where Master.cds would be saved
        _exit(pending ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_FALSE(std::filesystem::exists(folder.file("IBM.cds")));
    EXPECT_EQ(names().size(), tables.size() + 1);

    std::optional<PendingSymbolFile> alive = PendingSymbolFile::prepare(folder, "MSFT");
    Verification_existance_des_Fichiers(folder);
    EXPECT_EQ(names().size(), tables.size() + 1) << "a live process's file stays";
    ASSERT_TRUE(alive && alive->place());
    EXPECT_EQ(names().size(), tables.size() + 1);
    EXPECT_EQ(rowCount(folder.file("MSFT.cds")), 0);
    EXPECT_TRUE(Creation_d1_Fichier_Data(folder, "IBM"));
}

TEST(DataFolderNames, ResolvesSymbolFilesWithoutRegardToCase)
{
    TempFolder dir;
    DataFolder folder(dir.path());
    kiruvan::test::writeFile(folder.file("Abc.cds"), "x");
    EXPECT_EQ(folder.findSymbolFile("ABC"), folder.file("Abc.cds"));
    kiruvan::test::writeFile(folder.file("ABC.cds"), "x");
    EXPECT_EQ(folder.findSymbolFile("ABC"), folder.file("ABC.cds")) << "the exact name first";
    EXPECT_EQ(folder.findSymbolFile("abc"), std::nullopt) << "two files match: none is chosen";
    EXPECT_EQ(folder.findSymbolFile("../ABC"), std::nullopt);
    EXPECT_FALSE(symbolCodeProblem("BRK.A"));
    EXPECT_FALSE(symbolCodeProblem("O'NEIL"));
    EXPECT_TRUE(symbolCodeProblem(".."));
}

namespace kiruvan {
namespace {

// An installed program never writes beside itself: only a folder that already holds the
// market table is used as a portable install.
TEST(DataFolderChoice, EnvironmentThenPortableFolderThenTheUsersOwn)
{
    test::TempFolder portable, installed;
    test::writeFile(portable.file("Markets.cds"), "");
    const struct {
        const char *data, *xdg, *home;
        const test::TempFolder& executable;
        std::filesystem::path expected;
    } cases[] = {
        {"/home/me/quotes", "/x", "/home/me", installed, "/home/me/quotes"},
        {"", nullptr, "/home/me", portable, portable.path()},
        {nullptr, "/x", "/home/me", installed, "/x/Kiruvan"},
        {nullptr, "relative", "/home/me", installed, "/home/me/.local/share/Kiruvan"},
        {nullptr, "", "/home/me", installed, "/home/me/.local/share/Kiruvan"},
        {nullptr, nullptr, nullptr, installed, installed.path()},
    };
    const auto set = [](const char* name, const char* value) { value ? ::setenv(name, value, 1) : ::unsetenv(name); };
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    for (const auto& c : cases) {
        set("KIRUVAN_DATA", c.data);
        set("XDG_DATA_HOME", c.xdg);
        set("HOME", c.home);
        const DataFolderChoice choice = chooseDataFolder(c.executable.path());
        EXPECT_EQ(choice.folder, c.expected) << (c.data ? c.data : "-") << " " << (c.xdg ? c.xdg : "-");
        EXPECT_FALSE(choice.reason.empty());
    }
    ::unsetenv("KIRUVAN_DATA");
    ::unsetenv("XDG_DATA_HOME");
    set("HOME", home ? savedHome.c_str() : nullptr);
}

}  // namespace
}  // namespace kiruvan
