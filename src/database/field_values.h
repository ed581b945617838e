#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "database/table.h"

namespace kiruvan {

// A row member written to and read from the field of the same type.
template <typename T>
void writeFieldValue(FieldRef target, const T& value)
{
    if constexpr (std::is_same_v<T, std::int32_t>)
        target.setAsInteger(value);
    else if constexpr (std::is_same_v<T, double>)
        target.setAsFloat(value);
    else
        target.setAsString(value);
}

template <typename T>
void readFieldValue(const FieldRef& source, T& value)
{
    if constexpr (std::is_same_v<T, std::int32_t>)
        value = source.asInteger();
    else if constexpr (std::is_same_v<T, double>)
        value = source.asFloat();
    else
        value = source.asString();
}

}  // namespace kiruvan
