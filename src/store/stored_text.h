#pragma once

#include <string>
#include <string_view>

namespace qv {

// A text field of the settings files cannot hold a double quote or a line end (the format has
// no escape); such characters would shift every later field, so they are replaced when
// written: '"' becomes '\'' and CR or LF a blank.
std::string storableText(std::string_view text);

// The numeric value of a text the way a stored number inside text is read: leading blanks
// skipped, then the longest leading decimal number; 0 when there is none.
double leadingNumber(std::string_view text);

}  // namespace qv
