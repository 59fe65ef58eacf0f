#include "cli/cli_ui.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

#include "common/cp1252.h"

namespace qv::cli {

namespace {

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int more = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            more = 1, min = 0x80, cp = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, min = 0x800, cp = c & 0x0Fu;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3, min = 0x10000, cp = c & 0x07u;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= s.size()) {
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (d & 0x3Fu);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

std::string lowered(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!s.empty() && s.back() == '\r') {
        s.pop_back();
    }
    return s;
}

// What a question gets when nobody is asked: the choice that does nothing.
Answer unattendedAnswer(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::OkCancel:
        case Buttons::YesNoCancel:
            break;
    }
    return Answer::Cancel;
}

const char* answerName(Answer a) {
    switch (a) {
        case Answer::Ok:
            return "OK";
        case Answer::Yes:
            return "Yes";
        case Answer::No:
            return "No";
        case Answer::Cancel:
            break;
    }
    return "Cancel";
}

constexpr const char* kNotAsked = " (standard input is read only with --interactive)";

}  // namespace

std::string terminalText(const std::string& text) {
    return isUtf8(text) ? text : cp1252ToUtf8(text);
}

void CliUi::message(const std::string& text, const std::string& title) {
    if (!title.empty()) {
        err_ << terminalText(title) << ": ";
    }
    err_ << terminalText(text) << '\n' << std::flush;
}

void CliUi::progress(const std::string& text) {
    err_ << terminalText(text) << '\n' << std::flush;
}

Answer CliUi::ask(const std::string& text, Buttons buttons) {
    const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    if (!interactive) {
        const Answer a = unattendedAnswer(buttons);
        err_ << terminalText(text) << " -> " << answerName(a) << kNotAsked << '\n' << std::flush;
        ++unanswered_;
        return a;
    }
    err_ << terminalText(text)
         << (buttons == Buttons::YesNoCancel ? " [y/n/c] "
             : yesNo                         ? " [y/n] "
             : buttons == Buttons::Ok        ? " [ok] "
                                             : " [ok/cancel] ")
         << std::flush;
    std::string reply;
    if (!std::getline(in_, reply)) {
        err_ << '\n';
        return unattendedAnswer(buttons);
    }
    reply = lowered(reply);
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    if (yesNo) {
        if (reply == "y" || reply == "yes") {
            return Answer::Yes;
        }
        if (buttons == Buttons::YesNoCancel && (reply == "c" || reply == "cancel")) {
            return Answer::Cancel;
        }
        return Answer::No;
    }
    return (reply == "ok" || reply == "o" || reply == "y") ? Answer::Ok : Answer::Cancel;
}

std::optional<std::string> CliUi::input(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) {
    const std::string head = title.empty() ? std::string() : terminalText(title) + ": ";
    if (!interactive) {
        err_ << head << terminalText(prompt) << " -> no answer" << kNotAsked << '\n' << std::flush;
        ++unanswered_;
        return std::nullopt;
    }
    err_ << head << terminalText(prompt) << " [" << terminalText(defaultText) << "] " << std::flush;
    std::string reply;
    if (!std::getline(in_, reply)) {
        err_ << '\n';
        return std::nullopt;
    }
    if (!reply.empty() && reply.back() == '\r') {
        reply.pop_back();
    }
    return reply.empty() ? defaultText : utf8ToCp1252(reply);
}

}  // namespace qv::cli
