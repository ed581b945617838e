#include "import/quote_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kiruvan {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Code points of bytes 0x80 to 0x9F; the five bytes the code page leaves undefined map to the
// control characters of the same number, so that every byte reads as something.
constexpr std::array<char32_t, 32> kWindows1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x80)
            out += c;
        else if (byte < 0xA0)
            appendUtf8(out, kWindows1252High[byte - 0x80]);
        else
            appendUtf8(out, byte);
    }
    return out;
}

std::vector<std::string> splitQuoteLines(std::string_view bytes)
{
    if (bytes.starts_with(kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    std::string converted;
    if (!isValidUtf8(bytes)) {
        converted = windows1252ToUtf8(bytes);
        bytes = converted;
    }
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    // A plain scan: searching for either break character calls a library search per byte.
    const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto stop = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end(), isBreak);
        const auto end = static_cast<std::size_t>(stop - bytes.begin());
        lines.emplace_back(bytes.substr(start, end - start));
        if (end == bytes.size())
            break;
        start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

std::vector<std::string> readQuoteFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("Cannot read the file " + file.string() + ".");
    // Read in one piece when the size is known: a daily file of a whole market is tens of
    // megabytes. A pipe has no size and is read as it comes.
    std::string content;
    const std::streamoff size = in.seekg(0, std::ios::end) ? std::streamoff(in.tellg()) : -1;
    if (size >= 0 && in.seekg(0)) {
        content.resize(static_cast<std::size_t>(size));
        in.read(content.data(), static_cast<std::streamsize>(content.size()));
        content.resize(static_cast<std::size_t>(in.gcount()));
    } else {
        in.clear();
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (in.bad())
        throw std::runtime_error("Cannot read the file " + file.string() + ".");
    return splitQuoteLines(content);
}

}  // namespace kiruvan
