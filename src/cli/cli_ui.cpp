#include "cli/cli_ui.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

#include "common/cp1252.h"

namespace qv::cli {

void CliUi::message(const std::string& text, const std::string& title) {
    if (!title.empty()) {
        err_ << cp1252ToUtf8(title) << ": ";
    }
    err_ << cp1252ToUtf8(text) << '\n' << std::flush;
}

Answer CliUi::ask(const std::string& text, Buttons buttons) {
    const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    err_ << cp1252ToUtf8(text) << (yesNo ? " [y/n] " : " [ok/cancel] ") << std::flush;
    std::string reply;
    if (!std::getline(in_, reply)) {
        err_ << '\n';
        return yesNo ? Answer::No : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
    }
    std::transform(reply.begin(), reply.end(), reply.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
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

std::optional<std::string> CliUi::input(const std::string& prompt, const std::string&,
                                        const std::string& defaultText) {
    err_ << cp1252ToUtf8(prompt) << " [" << cp1252ToUtf8(defaultText) << "] " << std::flush;
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

void CliUi::openExternal(const std::string& path, ExternalKind) {
    // A batch run opens nothing; it says where the file is.
    err_ << "open: " << cp1252ToUtf8(path) << '\n' << std::flush;
}

}  // namespace qv::cli
