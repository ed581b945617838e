#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii_text.h"  // isValidUtf8, which decides how a file is read

namespace kiruvan {

// The lines of a quote file's bytes: lines end with CR LF, LF or a lone CR, and an empty last
// line is no line. A UTF-8 byte-order mark is dropped; bytes that are not valid UTF-8 are read
// as Windows-1252. Lines come back in UTF-8, each whole however long it is.
std::vector<std::string> splitQuoteLines(std::string_view bytes);

// Reads a quote file; throws std::runtime_error naming the file when it cannot be read.
std::vector<std::string> readQuoteFile(const std::filesystem::path& file);

std::string windows1252ToUtf8(std::string_view bytes);

}  // namespace kiruvan
