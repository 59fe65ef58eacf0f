#include "acquisition/care_context.h"

#include <charconv>

#include "common/field_text.h"

namespace qv {

Control& controlOf(Controls& controls, std::string_view name, ControlKind kind, std::string text) {
    if (Control* c = controls.find(name)) {
        return *c;
    }
    return controls.add(std::string(name), kind, std::move(text));
}

std::optional<double> typedNumber(const std::string& text) {
    std::string t = text;
    bool blank = true;
    for (char& c : t) {
        if (c == ',') {
            c = '.';
        }
        blank = blank && (c == ' ' || c == '\t');
    }
    if (blank) {
        return std::nullopt;
    }
    return parseNumber(t);
}

std::string commaAsPoint(std::string text) {
    for (char& c : text) {
        if (c == ',') {
            c = '.';
        }
    }
    return text;
}

double leadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    std::size_t end = i;
    if (end < text.size() && (text[end] == '-' || text[end] == '+')) {
        ++end;
    }
    bool point = false;
    bool digits = false;
    for (; end < text.size(); ++end) {
        const char c = text[end];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return 0.0;
    }
    // from_chars, unlike strtod, ignores the user's locale: "." is the point everywhere.
    std::size_t from = i;
    if (text[from] == '+') {
        ++from;
    }
    double v = 0;
    std::from_chars(text.data() + from, text.data() + end, v);
    return v;
}

}  // namespace qv
