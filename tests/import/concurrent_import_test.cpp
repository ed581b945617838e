#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "database/symbol_files.h"
#include "database/table.h"
#include "database/table_file.h"
#include "import/import_run.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using Lines = std::vector<std::string>;

// Lines of consecutive days of March 2004 for ABC, with or without the symbol column.
Lines daysOfMarch(int first, int last, bool symbolColumn)
{
    Lines lines;
    for (int day = first; day <= last; ++day) {
        const std::string date = (day < 10 ? "0" : "") + std::to_string(day) + "/03/2004";
        lines.push_back((symbolColumn ? "ABC;" : "") + date + ";1.2;1.3;1.1;1.25;1500");
    }
    return lines;
}

// Two imports into one symbol file; the test lets the second one in at the moment it names.
class ConcurrentImports : public ::testing::Test {
protected:
    ConcurrentImports() { Creation_d1_Fichier_Data(folder, "ABC"); }
    ~ConcurrentImports() override { TableFile::setEventHookForTests({}); }

    ImportOutcome import(const Lines& lines, bool symbolColumn, const std::function<void(int)>& onLine = {})
    {
        ImportSettings settings;
        settings.fieldSeparator = 0;
        settings.dateFormat = static_cast<int>(DateLayout::DdMmYyyy);
        settings.firstDate = Date::fromYmd(2004, 1, 1);
        if (symbolColumn)
            settings.columns = {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume};
        else
            settings.columns = {kDate, kOpen, kHigh, kLow, kClose, kVolume};
        ImportHooks hooks;
        int line = 0;
        hooks.progress = [&](int) {
            if (onLine)
                onLine(++line);
        };
        return runImport({folder, clock, settings, symbolColumn ? "" : "ABC", lines}, hooks);
    }

    int storedDays()
    {
        Table table;
        table.loadFromFile(folder.file("ABC.cds"));
        return table.recordCount();
    }

    static void expectAllWritten(const ImportOutcome& outcome, int lines)
    {
        EXPECT_EQ(outcome.end, ImportEnd::Completed) << outcome.message;
        EXPECT_EQ(outcome.linesInserted, lines);
        EXPECT_TRUE(outcome.writeErrors.empty()) << outcome.writeErrors.front();
    }

    test::TempFolder temp;
    DataFolder folder{temp.path()};
    FixedClock clock = test::fixedClock2026();
};

// The other import commits just after the rewrite's read ends, before anything else happens.
TEST_F(ConcurrentImports, ARewriteKeepsTheDaysAnotherImportCommittedJustAfterItsRead)
{
    ASSERT_EQ(import(daysOfMarch(10, 20, true), true).linesInserted, 11);
    bool linesDone = false;
    ImportOutcome other;
    TableFile::setEventHookForTests([&](TableFile::Event event, const std::filesystem::path&) {
        if (event == TableFile::Event::ReadDone && std::exchange(linesDone, false))
            other = import(daysOfMarch(21, 25, true), true);
    });

    const ImportOutcome older = import(daysOfMarch(1, 5, false), false, [&](int line) { linesDone = line == 5; });

    expectAllWritten(older, 5);
    expectAllWritten(other, 5);
    EXPECT_EQ(storedDays(), 21);
}

// The other import writes the file between this one's read and its first write.
TEST_F(ConcurrentImports, ALineIsWrittenIntoTheFileAsAnotherImportLeftIt)
{
    bool injected = false;
    ImportOutcome other;
    TableFile::setEventHookForTests([&](TableFile::Event event, const std::filesystem::path&) {
        if (event == TableFile::Event::WriteStarts && !std::exchange(injected, true))
            other = import(daysOfMarch(21, 25, true), true);
    });

    const ImportOutcome first = import(daysOfMarch(1, 5, true), true);

    expectAllWritten(first, 5);
    expectAllWritten(other, 5);
    EXPECT_EQ(storedDays(), 10);
}

// The other import starts while this one holds the file, and waits for it instead of failing.
TEST_F(ConcurrentImports, AnImportWaitsForTheFileAnotherImportHolds)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool otherWaits = false;
    std::thread other;
    ImportOutcome otherOutcome;
    const auto holder = std::this_thread::get_id();
    TableFile::setEventHookForTests([&](TableFile::Event event, const std::filesystem::path&) {
        if (event == TableFile::Event::Waiting && std::this_thread::get_id() != holder) {
            std::lock_guard lock(mutex);
            otherWaits = true;
            changed.notify_all();
        } else if (event == TableFile::Event::Committed && std::this_thread::get_id() == holder && !other.joinable()) {
            other = std::thread([&] { otherOutcome = import(daysOfMarch(21, 25, true), true); });
            std::unique_lock lock(mutex);
            ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return otherWaits; }));
        }
    });

    const ImportOutcome first = import(daysOfMarch(1, 5, true), true);
    ASSERT_TRUE(other.joinable());
    other.join();

    expectAllWritten(first, 5);
    expectAllWritten(otherOutcome, 5);
    EXPECT_EQ(storedDays(), 10);
}

}  // namespace
}  // namespace kiruvan
