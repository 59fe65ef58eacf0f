#pragma once

#include <string>
#include <string_view>

namespace qv {

// Text on disk is single-byte Windows-1252 so folders interchange with installations on
// other systems; the core keeps it as it is read and converts only where text leaves the core
// (the Qt boundary, JSON output).
std::string cp1252ToUtf8(std::string_view bytes);

// Characters that Windows-1252 cannot hold, and malformed UTF-8, become the replacement byte.
std::string utf8ToCp1252(std::string_view utf8, char replacement = '?');

}  // namespace qv
