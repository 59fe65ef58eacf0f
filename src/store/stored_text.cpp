#include "store/stored_text.h"

#include <charconv>
#include <cmath>

namespace qv {

std::string storableText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '"') {
            c = '\'';
        } else if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

double leadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double v = 0;
    const auto [ptr, ec] =
        std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || !std::isfinite(v)) {
        return 0;
    }
    return v;
}

}  // namespace qv
