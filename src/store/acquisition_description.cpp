#include "store/acquisition_description.h"

#include <optional>

#include <algorithm>

#include "common/field_text.h"
#include "common/file_util.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "subproj.dat";
constexpr const char* kBackupName = "subproj.bak";

std::string withoutQuotes(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
    return s;
}

// The name and comments as two fields of field text; the fields of an older or hand-made
// file that is shorter than that count as empty.
struct Description {
    std::string name;
    std::string comments;
};

Description readDescriptionFields(const fs::path& file) {
    Description d;
    if (auto reader = FieldReader::open(file)) {
        reader->text(d.name);
        reader->text(d.comments);
    }
    return d;
}

// Both rewrites keep the previous file as subproj.bak before anything changes.
bool backUp(const fs::path& folder, Ui& ui) {
    if (!copyFileOver(folder / kFileName, folder / kBackupName)) {
        ui.message("error");
        return false;
    }
    return true;
}

}  // namespace

bool writeAcquisitionDescription(const fs::path& acquisitionFolder, const std::string& name,
                                 const std::string& comments) {
    FieldWriter w;
    w.text(withoutQuotes(name)).endRecord();
    w.text(withoutQuotes(comments)).endRecord();
    return writeFileAtomic(acquisitionFolder / kFileName, w.str());
}

std::string readAcquisitionName(const fs::path& acquisitionFolder) {
    auto reader = FieldReader::open(acquisitionFolder / kFileName);
    std::string name;
    if (!reader || !reader->text(name)) {
        return "";
    }
    return name;
}

std::string readAcquisitionComments(const fs::path& acquisitionFolder) {
    auto bytes = readFile(acquisitionFolder / kFileName);
    if (!bytes) {
        return "";
    }
    const std::vector<std::string> lines = splitLines(*bytes);
    std::string comments;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string line = withoutQuotes(lines[i]);
        if (line.empty()) {
            continue;
        }
        if (!comments.empty()) {
            comments += "\r\n";
        }
        comments += line;
    }
    return comments;
}

namespace {

// What subproj.dat held, read from the backup made first; nullopt when the backup failed. A
// folder without subproj.dat gives an empty description.
std::optional<Description> previousDescription(const fs::path& acquisitionFolder, Ui& ui) {
    if (!isRegularFile(acquisitionFolder / kFileName)) {
        return Description{};
    }
    if (!backUp(acquisitionFolder, ui)) {
        return std::nullopt;
    }
    return readDescriptionFields(acquisitionFolder / kBackupName);
}

}  // namespace

std::string renameAcquisition(const fs::path& acquisitionFolder, const std::string& newName,
                              Ui& ui) {
    const auto old = previousDescription(acquisitionFolder, ui);
    if (!old || !writeAcquisitionDescription(acquisitionFolder, newName, old->comments)) {
        return "";
    }
    return newName;
}

std::string setAcquisitionComments(const fs::path& acquisitionFolder, const std::string& comments,
                                   Ui& ui) {
    const auto old = previousDescription(acquisitionFolder, ui);
    if (!old || !writeAcquisitionDescription(acquisitionFolder, old->name, comments)) {
        return "";
    }
    return "ok";
}

}  // namespace qv
