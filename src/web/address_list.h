#pragma once

// The address list of a web window: pages it has finished loading, newest first, in lower
// case, each once whatever its case.

#include <string>
#include <string_view>
#include <vector>

namespace kiruvan {

// The page a new web window offers and Home goes to: the quote page of a stock index.
inline constexpr std::string_view kWebStartPage = "https://www.google.com/finance/quote/.INX:INDEXSP";

// Puts a completed address at the top of the list unless the list holds it already; an
// address already listed keeps its place.
void Ajout_URL_Dans_combobox(std::vector<std::string>& items, std::string_view address);

}  // namespace kiruvan
