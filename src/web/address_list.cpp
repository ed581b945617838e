#include "web/address_list.h"

#include <algorithm>

#include "base/ascii_text.h"

namespace kiruvan {

void Ajout_URL_Dans_combobox(std::vector<std::string>& items, std::string_view address)
{
    const bool listed = std::any_of(items.begin(), items.end(), [&](const std::string& item) {
        return !item.empty() && sameIgnoringAsciiCase(item, address);
    });
    if (!listed)
        items.insert(items.begin(), asciiLower(address));
}

}  // namespace kiruvan
