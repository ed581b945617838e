#include "web/address_list.h"

#include <algorithm>

namespace kiruvan {
namespace {

std::string lowerCase(std::string_view text)
{
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lowered;
}

}  // namespace

void Ajout_URL_Dans_combobox(std::vector<std::string>& items, std::string_view address)
{
    const std::string lowered = lowerCase(address);
    const bool listed = std::any_of(items.begin(), items.end(),
                                    [&](const std::string& item) { return !item.empty() && lowerCase(item) == lowered; });
    if (!listed)
        items.insert(items.begin(), lowered);
}

}  // namespace kiruvan
