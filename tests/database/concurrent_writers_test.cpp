#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "cli/cli.h"
#include "database_test_data.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

struct Outcomes {
    std::set<std::string> succeeded, failed;
};

// Runs the commands in a child process each, all at once against one folder, and sorts each
// command's last argument by what the command reported.
Outcomes runConcurrently(const std::filesystem::path& folder,
                         const std::vector<std::vector<std::vector<std::string>>>& writers)
{
    std::vector<std::pair<pid_t, int>> children;
    for (const auto& commands : writers) {
        int channel[2];
        if (pipe(channel) != 0)
            throw std::runtime_error("pipe");
        const pid_t child = fork();
        if (child == 0) {
            close(channel[0]);
            FixedClock clock = test::fixedClock2026();
            for (std::vector<std::string> args : commands) {
                args.insert(args.begin(), {"--data", folder.string()});
                std::ostringstream out, err;
                const char result =
                    cli::runCommandLine(args, "/nonexistent/", clock, out, err) == cli::kSuccess ? '1' : '0';
                if (write(channel[1], &result, 1) != 1)
                    _exit(2);
            }
            _exit(0);
        }
        close(channel[1]);
        children.emplace_back(child, channel[0]);
    }
    Outcomes outcomes;
    for (size_t w = 0; w < writers.size(); ++w) {
        char result = 0;
        for (const auto& args : writers[w])
            if (read(children[w].second, &result, 1) == 1)
                (result == '1' ? outcomes.succeeded : outcomes.failed).insert(args.back());
        close(children[w].second);
        waitpid(children[w].first, nullptr, 0);
    }
    return outcomes;
}

std::string listing(const std::filesystem::path& folder, const std::string& command)
{
    FixedClock clock = test::fixedClock2026();
    std::ostringstream out, err;
    cli::runCommandLine({"--data", folder.string(), command}, "/nonexistent/", clock, out, err);
    return out.str();
}

// A symbol code starts its line, a market name ends it.
bool listed(const std::string& listing, const std::string& name)
{
    return listing.find("\n" + name + ";") != std::string::npos || listing.find(";" + name + "\n") != std::string::npos;
}

TEST(ConcurrentWritersTest, EveryReportedSuccessIsStoredAndEveryReportedFailureIsNot)
{
    test::TempFolder temp;
    FixedClock clock = test::fixedClock2026();
    std::ostringstream ignored;
    cli::runCommandLine({"--data", temp.path().string(), "add-market", "NYSE"}, "/nonexistent/", clock, ignored,
                        ignored);
    std::vector<std::vector<std::vector<std::string>>> writers(2);
    for (int i = 0; i < 30; ++i)
        for (int w = 0; w < 2; ++w) {
            const std::string tag = std::string(1, char('A' + w)) + std::to_string(i);
            writers[w].push_back({"add-symbol", "--market", "NYSE", "S" + tag});
            if (i % 3 == 0)
                writers[w].push_back({"add-market", "M" + tag});
        }
    const Outcomes outcomes = runConcurrently(temp.path(), writers);
    const std::string stored = "\n" + listing(temp.path(), "symbols") + listing(temp.path(), "markets");
    for (const std::string& name : outcomes.succeeded)
        EXPECT_TRUE(listed(stored, name)) << name << " was reported saved";
    for (const std::string& name : outcomes.failed)
        EXPECT_FALSE(listed(stored, name)) << name << " was reported not saved";
    EXPECT_GT(outcomes.succeeded.size(), outcomes.failed.size());
}

}  // namespace
}  // namespace kiruvan
