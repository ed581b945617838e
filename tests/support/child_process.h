#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace kiruvan::test {

struct ChildOutcome {
    int status = -1;
    std::string output;
};

// Runs `body` in a child process and returns its status and what it wrote. With a full disk,
// no file of the child can grow: every write fails as on a disk without free space.
ChildOutcome runInChild(const std::function<int(std::ostream& output)>& body, bool fullDisk = false);

}  // namespace kiruvan::test
