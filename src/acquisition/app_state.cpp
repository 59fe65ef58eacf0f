#include "acquisition/app_state.h"

namespace qv {

bool isAutorunSwitch(std::string_view commandLine) {
    const auto first = commandLine.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    const auto last = commandLine.find_last_not_of(' ');
    const auto word = commandLine.substr(first, last - first + 1);
    return word == "/run" || word == "/RUN" || word == "/Run";
}

}  // namespace qv
