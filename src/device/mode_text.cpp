#include "device/mode_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>
#include <vector>

namespace qv::device {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool toInt(std::string_view s, int& out) {
    if (s.empty()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool parseBaud(std::string_view s, int& baud) {
    int v = 0;
    if (!toInt(s, v) || v <= 0) {
        return false;
    }
    // The short form abbreviates the classic rates by their first two digits.
    constexpr std::array<std::pair<int, int>, 9> kAbbrev{{{11, 110},
                                                          {15, 150},
                                                          {30, 300},
                                                          {60, 600},
                                                          {12, 1200},
                                                          {24, 2400},
                                                          {48, 4800},
                                                          {96, 9600},
                                                          {19, 19200}}};
    for (const auto& [abbrev, rate] : kAbbrev) {
        if (v == abbrev) {
            v = rate;
        }
    }
    baud = v;
    return true;
}

bool parseParity(std::string_view s, char& parity) {
    if (s.size() != 1) {
        return false;
    }
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    if (std::string_view("NEOMS").find(c) == std::string_view::npos) {
        return false;
    }
    parity = c;
    return true;
}

bool parseData(std::string_view s, int& data) {
    int v = 0;
    if (!toInt(s, v) || v < 5 || v > 8) {
        return false;
    }
    data = v;
    return true;
}

bool parseStop(std::string_view s, int& stop) {
    if (s == "1.5") {
        stop = 15;
        return true;
    }
    int v = 0;
    if (!toInt(s, v) || (v != 1 && v != 2)) {
        return false;
    }
    stop = v;
    return true;
}

bool isSwitchValue(const std::string& key, const std::string& value) {
    if (value == "on" || value == "off") {
        return true;
    }
    return (key == "dtr" && value == "hs") || (key == "rts" && (value == "hs" || value == "tg"));
}

bool applyKey(const std::string& key, std::string_view value, SerialSettings& s) {
    if (key == "baud") {
        return parseBaud(value, s.baud);
    }
    if (key == "parity") {
        return parseParity(value, s.parity);
    }
    if (key == "data") {
        return parseData(value, s.dataBits);
    }
    if (key == "stop") {
        return parseStop(value, s.stopBits);
    }
    constexpr std::array<std::string_view, 7> kSwitches{"to",  "xon", "odsr", "octs",
                                                        "dtr", "rts", "idsr"};
    if (std::find(kSwitches.begin(), kSwitches.end(), key) != kSwitches.end()) {
        return isSwitchValue(key, lower(value));
    }
    return false;
}

std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(sep, start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

bool applyKeywordForm(std::string_view text, SerialSettings& s) {
    std::size_t pos = 0;
    bool any = false;
    while (pos < text.size()) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
            ++pos;
        }
        if (pos >= text.size()) {
            break;
        }
        std::size_t end = pos;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) {
            ++end;
        }
        const std::string_view token = text.substr(pos, end - pos);
        const std::size_t eq = token.find('=');
        if (eq == std::string_view::npos ||
            !applyKey(lower(token.substr(0, eq)), token.substr(eq + 1), s)) {
            return false;
        }
        any = true;
        pos = end;
    }
    return any;
}

// "baud,parity,data,stop[,x|p]"
bool applyShortForm(std::string_view text, SerialSettings& s) {
    const auto parts = split(text, ',');
    if (parts.size() < 1 || parts.size() > 5 || !parseBaud(trim(parts[0]), s.baud)) {
        return false;
    }
    if (parts.size() > 1 && !parseParity(trim(parts[1]), s.parity)) {
        return false;
    }
    if (parts.size() > 2 && !parseData(trim(parts[2]), s.dataBits)) {
        return false;
    }
    if (parts.size() > 3 && !parseStop(trim(parts[3]), s.stopBits)) {
        return false;
    }
    if (parts.size() > 4) {
        const std::string flow = lower(trim(parts[4]));
        return flow == "x" || flow == "p";
    }
    return true;
}

}  // namespace

bool applyModeText(std::string_view modeText, SerialSettings& settings) {
    std::string_view text = trim(modeText);
    // The short form may name the port first ("COM1: 9600,n,8,1").
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.find('=') == std::string_view::npos) {
        text = trim(text.substr(colon + 1));
    }
    SerialSettings work = settings;
    const bool ok = text.find('=') != std::string_view::npos ? applyKeywordForm(text, work)
                                                             : applyShortForm(text, work);
    if (ok) {
        settings = work;
    }
    return ok;
}

}  // namespace qv::device
