#pragma once

#include <filesystem>
#include <string>

#include "base/calendar_date.h"

namespace kiruvan::test {

// A fresh empty folder under the system's temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::string withSeparator() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& bytes);

// The fixed "today" most tests use: 15/06/2026.
inline FixedClock fixedClock2026()
{
    return FixedClock(Date::fromYmd(2026, 6, 15));
}

}  // namespace kiruvan::test
