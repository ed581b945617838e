#include "import/ini_file.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/ascii_text.h"
#include "base/text_values.h"

namespace kiruvan {
namespace {

// Lines of a file written on another system may end in CR.
std::string_view trimmedLine(std::string_view text)
{
    return trimmed(text, " \t\r");
}

// The name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line)
{
    const std::string_view t = trimmedLine(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return std::nullopt;
    return trimmedLine(t.substr(1, t.size() - 2));
}

struct KeyLine {
    std::string_view key, value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || sectionName(line))
        return std::nullopt;
    return KeyLine{trimmedLine(line.substr(0, equals)), trimmedLine(line.substr(equals + 1))};
}

}  // namespace

IniFile::IniFile(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines_.emplace_back(line);
        start = end + 1;
    }
}

IniFile IniFile::load(const std::filesystem::path& file)
{
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return IniFile();
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("Cannot read the settings file " + file.string() + ".");
    std::ostringstream content;
    content << in.rdbuf();
    return IniFile(content.str());
}

std::optional<IniFile::Position> IniFile::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = sectionName(lines_[i]);
        if (!name || !sameIgnoringAsciiCase(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !sectionName(lines_[end]))
            ++end;
        return Position{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniFile::findKey(const Position& section, std::string_view key) const
{
    for (std::size_t i = section.sectionLine + 1; i < section.end; ++i) {
        const auto line = keyLine(lines_[i]);
        if (line && sameIgnoringAsciiCase(line->key, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    const auto position = findSection(section);
    if (!position)
        return std::nullopt;
    const auto line = findKey(*position, key);
    if (!line)
        return std::nullopt;
    return std::string(keyLine(lines_[*line])->value);
}

std::optional<int> IniFile::integer(std::string_view section, std::string_view key) const
{
    const auto text = value(section, key);
    if (!text || text->empty())
        return std::nullopt;
    return exactNumber<int>(std::string_view(*text).substr(text->front() == '+' ? 1 : 0));
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line(key);
    line.append("=").append(value);
    const auto position = findSection(section);
    if (!position) {
        std::string header("[");
        lines_.push_back(header.append(section).append("]"));
        lines_.push_back(std::move(line));
        return;
    }
    if (const auto existing = findKey(*position, key)) {
        lines_[*existing] = std::move(line);
        return;
    }
    // After the section's last non-blank line, so that a blank line between sections stays there.
    std::size_t at = position->end;
    while (at > position->sectionLine + 1 && trimmedLine(lines_[at - 1]).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

std::string IniFile::text() const
{
    std::string result;
    for (const std::string& line : lines_)
        result += line + "\r\n";
    return result;
}

void IniFile::save(const std::filesystem::path& file) const
{
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text();
        out.close();
        if (!out)
            throw std::runtime_error("Cannot write the settings file " + file.string() + ".");
    }
    std::error_code ec;
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        throw std::runtime_error("Cannot write the settings file " + file.string() + ".");
    }
}

}  // namespace kiruvan
