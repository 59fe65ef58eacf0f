#include "offline/browser_rows.h"

#include <algorithm>

namespace qv {

bool isProjectFolderName(std::string_view name) {
    return name.size() == 6 && (name[0] == 'p' || name[0] == 'P');
}

bool isAcquisitionFolderName(std::string_view name) {
    return name.size() == 13 && name[8] == '_';
}

std::string dateColumn(std::string_view acquisitionFolder) {
    if (acquisitionFolder.size() < 8) {
        return std::string(8, ' ');
    }
    return std::string(acquisitionFolder.substr(0, 4)) + "." +
           std::string(acquisitionFolder.substr(4, 4));
}

std::string projectRow(std::string_view firstAcquisition, std::string_view projectFolder,
                       std::string_view projectName) {
    return "+ " + dateColumn(firstAcquisition) + "\t" + std::string(projectFolder) + "_" +
           std::string(projectName);
}

std::string acquisitionRow(std::string_view acquisitionFolder, std::string_view description,
                           bool withTags, std::string_view tags) {
    std::string row = "  > " + dateColumn(acquisitionFolder) + "\t ACQ";
    if (acquisitionFolder.size() >= 13) {
        row += std::string(acquisitionFolder.substr(9, 2)) + ":" +
               std::string(acquisitionFolder.substr(11, 2));
    }
    row += " \"" + std::string(description) + "\"";
    if (withTags) {
        row += "\t\t" + std::string(tags);
    }
    return row;
}

bool isProjectRow(std::string_view row) {
    return !row.empty() && row[0] == '+';
}

std::string projectNameOfTitle(std::string_view title) {
    const auto colon = title.find(':');
    if (colon == std::string_view::npos) {
        return std::string(title);
    }
    return std::string(title.substr(std::min(colon + 2, title.size())));
}

std::vector<std::string> filterTerms(std::string_view text) {
    std::vector<std::string> terms;
    std::string term;
    bool quoted = false;
    auto flush = [&] {
        if (!term.empty()) {
            terms.push_back(term);
        }
        term.clear();
    };
    for (const char c : text) {
        if (c == '"') {
            flush();
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            flush();
        } else {
            term += c;
        }
    }
    flush();
    if (terms.size() > 10) {
        terms.resize(10);
    }
    return terms;
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        const auto u = static_cast<unsigned char>(ch);
        if (u >= 'A' && u <= 'Z') {
            ch = static_cast<char>(u + 32);
        } else if (u >= 0xC0 && u <= 0xDE && u != 0xD7) {
            // Windows-1252 capitals with accents lie 32 below their small letters.
            ch = static_cast<char>(u + 32);
        }
    }
    return out;
}

bool containsTerm(std::string_view row, std::string_view lowerTerm) {
    return lowerCase(row).find(lowerTerm) != std::string::npos;
}

std::string reportCaption(std::string_view row) {
    if (row.size() > 50) {
        return std::string(row.substr(0, 50)) + ".. => REPORT";
    }
    return std::string(row) + " => REPORT";
}

}  // namespace qv
