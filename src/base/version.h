#pragma once

#include <string_view>

namespace kiruvan {

// The program's version, from the build.
inline constexpr std::string_view kVersion = KIRUVAN_VERSION;

}  // namespace kiruvan
