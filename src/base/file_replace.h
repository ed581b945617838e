#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kiruvan {

// Writes the bytes to a file of a unique name beside `file`, then renames it over `file`: a
// reader sees the old file or the new one, never a part, and a failure leaves no partial file.
// Returns the reason of a failure, nullopt on success.
std::optional<std::string> replaceFileContents(const std::filesystem::path& file, std::string_view bytes);

}  // namespace kiruvan
