#include "support/child_process.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

namespace kiruvan::test {

ChildOutcome runInChild(const std::function<int(std::ostream& output)>& body, bool fullDisk)
{
    int channel[2];
    if (pipe(channel) != 0)
        throw std::runtime_error("cannot make a pipe");
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("cannot fork");
    if (child == 0) {
        close(channel[0]);
        if (fullDisk) {
            const rlimit limit{0, 0};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        }
        std::ostringstream output;
        const int status = body(output);
        const std::string text = output.str();
        const bool sent = write(channel[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        _exit(sent ? status : 125);
    }
    close(channel[1]);
    ChildOutcome outcome;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        outcome.output.append(buffer, static_cast<size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

}  // namespace kiruvan::test
