#pragma once

#include <string>
#include <string_view>

namespace qv {

// The list separator that goes with a decimal point: ";" where the decimal point is ",",
// else ",". Spreadsheets of such locales read ";" between fields.
std::string listSeparatorForDecimalPoint(std::string_view decimalPoint);

// The user's list separator, from the decimal point of the user's default locale (the
// environment's LC_ALL / LC_NUMERIC / LANG); "," when the locale cannot be had.
std::string systemListSeparator();

}  // namespace qv
