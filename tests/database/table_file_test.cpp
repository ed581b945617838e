#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <set>

#include "database/table.h"
#include "database/table_file.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

using namespace kiruvan;
using kiruvan::test::TempFolder;

namespace {

void defineOne(Table& t)
{
    t.addField("Key", FieldType::Integer);
    t.addField("Mark", FieldType::Float);
}

void fill(Table& t, int rows, double mark)
{
    defineOne(t);
    t.create();
    for (int i = 0; i < rows; ++i) {
        t.append();
        t["Key"].setAsInteger(i);
        t["Mark"].setAsFloat(mark);
        t.post();
    }
}

std::uint64_t inodeOf(const std::filesystem::path& p)
{
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_ino;
}

std::vector<std::string> folderListing(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(TableSave, DeltaOverTheLoadedFileAndFullRewriteOtherwise)
{
    TempFolder dir;
    const auto file = dir.file("d.cds");
    {
        Table t;
        fill(t, 100, 1.0);
        t.saveToFile(file);
    }
    Table a;
    a.loadFromFile(file);
    const auto inode = inodeOf(file);
    a.moveTo(10);
    a.edit();
    a["Mark"].setAsFloat(2.0);
    a.post();
    a.first();
    a.remove();
    a.append();
    a["Key"].setAsInteger(1000);
    a.post();
    a.saveToFile(file);
    EXPECT_EQ(inodeOf(file), inode) << "an unchanged file gets a delta save in place";

    Table b;
    b.loadFromFile(file);
    ASSERT_EQ(b.recordCount(), 100);
    EXPECT_EQ(b.textAt(0, 0), "1");
    EXPECT_EQ(b.textAt(8, 1), "2");
    EXPECT_EQ(b.textAt(99, 0), "1000");

    // Another table replaces the file: the first one's next save is refused, its rows kept.
    b.first();
    b.remove();
    b.saveToFile(dir.file("other.cds"));
    b.saveToFile(file);
    a.last();
    a.edit();
    a["Mark"].setAsFloat(3.0);
    a.post();
    EXPECT_THROW(a.saveToFile(file), TableError);
    EXPECT_EQ(a.textAt(99, 1), "3");
    Table c;
    c.loadFromFile(file);
    EXPECT_EQ(c.recordCount(), 99) << "the other table's save stays";

    a.close();
    b.close();
    c.close();
    EXPECT_EQ(folderListing(dir.path()), (std::vector<std::string>{"d.cds", "other.cds"}))
        << "no journal or temporary file is left behind";
}

TEST(TableSave, LeftoversOfKilledSavesGoButFilesInUseStay)
{
    TempFolder dir;
    Table t;
    fill(t, 3, 1.0);
    t.saveToFile(dir.file("A.cds"));
    kiruvan::test::writeFile(dir.file(".A.cds.1-2-3.saving"), "left by a killed save");
    kiruvan::test::writeFile(dir.file(".A.cds.4-5-6.saving"), "a save under way");
    kiruvan::test::writeFile(dir.file("A.cds-journal"), std::string(512, '\0'));
    const int held = ::open(dir.file(".A.cds.4-5-6.saving").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    TableFile::removeLeftovers(dir.path());
    ::close(held);
    EXPECT_EQ(folderListing(dir.path()), (std::vector<std::string>{".A.cds.4-5-6.saving", "A.cds"}));
    Table check;
    check.loadFromFile(dir.file("A.cds"));
    EXPECT_EQ(check.recordCount(), 3);
}

TEST(TableLoad, ALinkIsNeitherReadNorWrittenThrough)
{
    TempFolder dir;
    Table t;
    fill(t, 3, 1.0);
    t.saveToFile(dir.file("target.cds"));
    const std::string before = kiruvan::test::readFile(dir.file("target.cds"));
    std::filesystem::create_symlink(dir.file("target.cds"), dir.file("link.cds"));
    Table viaLink;
    EXPECT_THROW(viaLink.loadFromFile(dir.file("link.cds")), TableError);
    try {
        t.saveToFile(dir.file("link.cds"));
        FAIL() << "a save through a link must be refused";
    } catch (const TableError& error) {
        EXPECT_EQ(std::string(error.what()), "\"" + dir.file("link.cds").string()
                                                 + "\" is a link; Kiruvan only uses regular files in its data folder");
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.cds")));
    EXPECT_EQ(kiruvan::test::readFile(dir.file("target.cds")), before);
}

TEST(TableLoad, RefusesFilesThatAreNotTablesAndLeavesThemAlone)
{
    TempFolder dir;
    kiruvan::test::writeFile(dir.file("X.cds"), "Date;Open;High\n01/02/2004;1;2\n");
    {
        Table t;
        fill(t, 500, 1.0);
        t.saveToFile(dir.file("damaged.cds"));
    }
    std::string bytes = kiruvan::test::readFile(dir.file("damaged.cds"));
    for (size_t i = bytes.size() / 2; i < bytes.size(); i += 7)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    kiruvan::test::writeFile(dir.file("damaged.cds"), bytes);
    {
        // A SQLite database that is not one of ours is no table file either.
        Table t;
        fill(t, 1, 1.0);
        t.saveToFile(dir.file("foreign.cds"));
    }
    const std::string foreign = kiruvan::test::readFile(dir.file("foreign.cds"));

    for (const char* name : {"X.cds", "damaged.cds", "missing.cds"}) {
        const std::string before = kiruvan::test::readFile(dir.file(name));
        Table t;
        try {
            t.loadFromFile(dir.file(name));
            ADD_FAILURE() << name;
        } catch (const TableError& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
            if (std::string_view(name) == "X.cds") {
                EXPECT_NE(std::string(e.what()).find("it is not a table file"), std::string::npos) << e.what();
            }
        }
        EXPECT_FALSE(t.isOpen());
        EXPECT_EQ(kiruvan::test::readFile(dir.file(name)), before) << name;
    }
    EXPECT_EQ(kiruvan::test::readFile(dir.file("foreign.cds")), foreign);
}

// A save killed at any moment leaves the whole old table or the whole new one.
TEST(TableSave, SurvivesTheProcessBeingKilledAtAnyMoment)
{
    TempFolder dir;
    const auto file = dir.file("big.cds");
    constexpr int kRows = 20000;
    {
        Table t;
        fill(t, kRows, 0.0);
        t.saveToFile(file);
    }
    std::mt19937 random(12345);
    std::set<std::string> marksSeen;
    for (int round = 0; round < 12; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Alternate whole rewrites and delta saves that touch every row.
            Table t;
            t.loadFromFile(file);
            for (int generation = 1;; ++generation) {
                for (t.first(); !t.eof(); t.next()) {
                    t.edit();
                    t["Mark"].setAsFloat(generation);
                    t.post();
                }
                t.saveToFile(generation % 2 ? file : dir.file("elsewhere.cds"));
                if (generation % 2 == 0)
                    t.saveToFile(file);
            }
        }
        usleep(50000 + random() % 600000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        Table check;
        check.loadFromFile(file);
        ASSERT_EQ(check.recordCount(), kRows) << "round " << round;
        const std::string mark = check.textAt(0, 1);
        for (int r = 0; r < kRows; ++r)
            ASSERT_EQ(check.textAt(r, 1), mark) << "a mix of two saves in round " << round;
        marksSeen.insert(mark);
    }
    EXPECT_GT(marksSeen.size(), 2u) << "the kills must land while saves are under way";
}

TEST(TableSave, WithoutFlushKeepsEverySaveAndLeavesNoJournalAfterClose)
{
    TempFolder dir;
    const auto file = dir.file("fast.cds");
    {
        Table t;
        fill(t, 3, 1.0);
        t.saveToFile(file);
    }
    {
        Table t;
        t.loadFromFile(file);
        t.setFullSync(false);
        for (int i = 0; i < 50; ++i) {
            t.append();
            t["Key"].setAsInteger(100 + i);
            t.post();
            t.saveToFile(file);
        }
    }
    Table reader;
    reader.loadFromFile(file);
    EXPECT_EQ(reader.recordCount(), 53);
    reader.close();
    EXPECT_EQ(folderListing(dir.path()), (std::vector<std::string>{"fast.cds"}));
}

TEST(TableSave, FlushOfAFileThatIsGoneThrowsWithItsNameAndTheReason)
{
    TempFolder dir;
    const auto file = dir.file("gone.cds");
    Table t;
    fill(t, 1, 1.0);
    t.saveToFile(file);
    EXPECT_FALSE(t.changedOnDisk());
    t.flush();
    std::filesystem::remove(file);
    EXPECT_TRUE(t.changedOnDisk());
    try {
        t.flush();
        FAIL() << "a flush that cannot reach the file must not pass";
    } catch (const TableError& error) {
        EXPECT_NE(std::string(error.what()).find("gone.cds"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("No such file"), std::string::npos) << error.what();
    }
}

TEST(TableSave, DeltaSavesKeepTrackOfRowsAcrossEditsAppendsAndDeletes)
{
    TempFolder dir;
    const auto file = dir.file("keys.cds");
    {
        Table t;
        fill(t, 5, 0.0);
        t.saveToFile(file);
    }
    Table t;
    t.loadFromFile(file);
    auto change = [&](int recNo, double mark) {
        t.moveTo(recNo);
        t.edit();
        t["Mark"].setAsFloat(mark);
        t.post();
    };
    change(2, 1.0);  // an update and an insert in one save
    t.append();
    t["Key"].setAsInteger(5);
    t.post();
    t.saveToFile(file);
    change(6, 2.0);  // the new row is updated in place, not lost
    t.moveTo(1);
    t.remove();  // a delete shifts the rows after it
    change(4, 3.0);
    t.saveToFile(file);

    Table back;
    back.loadFromFile(file);
    std::vector<std::string> marks;
    for (int r = 0; r < back.recordCount(); ++r)
        marks.push_back(back.textAt(r, 0) + ":" + back.textAt(r, 1));
    EXPECT_EQ(marks, (std::vector<std::string>{"1:1", "2:0", "3:0", "4:3", "5:2"}));
}

// On a full disk every kind of save fails with the file's name and the system's reason, and
// leaves neither a journal nor a temporary file behind.
TEST(TableSave, AFailedWriteNamesTheFileAndTheSystemsReasonAndLeavesNoJournal)
{
    const std::vector<std::pair<const char*, std::function<void(const std::filesystem::path&)>>> saves = {
        {"a new file",
         [](const std::filesystem::path& file) {
             Table t;
             fill(t, 50, 1.0);
             t.saveToFile(file.parent_path() / "new.cds");
         }},
        {"changed rows",
         [](const std::filesystem::path& file) {
             Table t;
             t.loadFromFile(file);
             t.append();
             t["Key"].setAsInteger(4);
             t.post();
             t.saveToFile(file);
         }},
        {"rows of a held file",
         [](const std::filesystem::path& file) {
             Table t;
             t.loadFromFile(file);
             t.setFullSync(false);
             t.writeRowToFile({std::int32_t{4}, 2.0}, 0);
         }},
    };
    for (const auto& [what, save] : saves) {
        TempFolder dir;
        const auto file = dir.file("d.cds");
        Table t;
        fill(t, 3, 1.0);
        t.saveToFile(file);
        const kiruvan::test::ChildOutcome outcome = kiruvan::test::runInChild(
            [&](std::ostream& output) {
                try {
                    save(file);
                } catch (const TableError& e) {
                    output << e.what();
                    return 1;
                }
                return 0;
            },
            true);
        EXPECT_EQ(outcome.status, 1) << what;
        EXPECT_NE(outcome.output.find(dir.path().string()), std::string::npos) << what << ": " << outcome.output;
        EXPECT_NE(outcome.output.find("File too large"), std::string::npos) << what << ": " << outcome.output;
        EXPECT_EQ(folderListing(dir.path()), std::vector<std::string>{"d.cds"}) << what;
    }
}
