#include <gtest/gtest.h>

#include "web/address_list.h"

namespace kiruvan {
namespace {

TEST(WebAddressList, NewestFirstInLowerCaseAndEachAddressOnceWhateverItsCase)
{
    std::vector<std::string> list;
    Ajout_URL_Dans_combobox(list, "https://Example.com/A");
    Ajout_URL_Dans_combobox(list, "https://example.com/b");
    Ajout_URL_Dans_combobox(list, "HTTPS://EXAMPLE.COM/a");
    EXPECT_EQ(list, (std::vector<std::string>{"https://example.com/b", "https://example.com/a"}));
}

}  // namespace
}  // namespace kiruvan
