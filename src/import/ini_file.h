#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiruvan {

// A settings file in the common INI layout. Section and key names match without regard to
// case, blanks and CR around names and values are ignored, and every line that is not changed
// through setValue is written back as it was read.
class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string_view text);

    // A missing file reads as an empty one; a file that cannot be read throws std::runtime_error.
    static IniFile load(const std::filesystem::path& file);

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::optional<int> integer(std::string_view section, std::string_view key) const;

    // Replaces the key's line, or adds the key at the end of its section, or the section at the
    // end of the file. The section name is written as given: blanks in it are kept as they are.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;
    // Writes through a temporary file so that a failed write leaves the old file whole.
    void save(const std::filesystem::path& file) const;

private:
    struct Position {
        std::size_t sectionLine;  // the "[...]" line, or npos for keys before any section
        std::size_t end;          // one past the last line of the section
    };
    std::optional<Position> findSection(std::string_view section) const;
    std::optional<std::size_t> findKey(const Position& section, std::string_view key) const;

    std::vector<std::string> lines_;
};

}  // namespace kiruvan
