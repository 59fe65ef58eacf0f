#include "store/project_files.h"

#include <system_error>
#include <vector>

#include "common/date_time.h"
#include "common/field_text.h"
#include "common/file_util.h"
#include "common/number_format.h"
#include "store/stored_text.h"

namespace qv {

namespace fs = std::filesystem;

std::int16_t countLines(const fs::path& file) {
    const auto bytes = readFile(file);
    if (!bytes) {
        return 0;
    }
    const std::size_t lines = splitLines(*bytes).size();
    return lines > 32767 ? 0 : static_cast<std::int16_t>(lines);
}

int copyFile(const fs::path& source, const fs::path& target) {
    return isRegularFile(source) && copyFileOver(source, target) ? 1 : -1;
}

bool keepDamagedFile(const fs::path& file, fs::path* kept) {
    if (!isRegularFile(file)) {
        return true;
    }
    for (int k = 1; k < 1000; ++k) {
        fs::path target = file;
        target += k == 1 ? ".damaged" : ".damaged" + std::to_string(k);
        std::error_code ec;
        if (fs::exists(fs::symlink_status(target, ec))) {
            continue;
        }
        if (!copyFileOver(file, target)) {
            return false;
        }
        if (kept != nullptr) {
            *kept = target;
        }
        return true;
    }
    return false;
}

std::string newestAcquisitionFolder(const fs::path& folder) {
    std::string best;
    std::int64_t bestKey = 0;
    // A listing that fails half way (a failing stick) ends the search instead of throwing.
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        const auto stamp = parseFolderStamp(name);
        std::error_code kind;
        if (!stamp || !entry.is_directory(kind)) {
            continue;
        }
        const std::int64_t key = toEpochMs(*stamp);
        // Ties keep the first one found, as a later candidate needs a strictly newer time.
        if (best.empty() || key > bestKey) {
            best = name;
            bestKey = key;
        }
    }
    return best;
}

namespace {

// Brings back a setup.dat with fewer than 6 lines from setup.bak or, without a backup, from
// the newest acquisition snapshot; returns the line count in force afterwards.
int repairShortSetup(const fs::path& folder, int count, Ui& ui) {
    const fs::path setupFile = folder / "setup.dat";
    const fs::path bak = folder / "setup.bak";
    if (isRegularFile(bak)) {
        if (countLines(bak) > 5 && keepDamagedFile(setupFile) && copyFile(bak, setupFile) == 1) {
            ui.message("Error reading Setup.dat -> recovered from Setup.bak");
            return countLines(setupFile);
        }
        return count;
    }
    const std::string newest = newestAcquisitionFolder(folder);
    const fs::path snapshot = folder / newest / "setup.dat";
    if (!newest.empty() && countLines(snapshot) > 5 && keepDamagedFile(setupFile) &&
        copyFile(snapshot, setupFile) == 1) {
        ui.message("Error reading Setup.dat -> recovered from " + folder.string() + "/" + newest);
        return countLines(setupFile);
    }
    return count;
}

}  // namespace

std::string readProjectTitle(const fs::path& folder, Ui& ui) {
    const fs::path setupFile = folder / "setup.dat";
    int count = isRegularFile(setupFile) ? countLines(setupFile) : 0;
    if (count < 6) {
        count = repairShortSetup(folder, count, ui);
    }
    if (count < 6) {
        return "<Project> p: SETUP NOT FOUND!!";
    }
    auto reader = FieldReader::open(setupFile);
    std::string number, name, ignored;
    if (!reader || !reader->skipField() || !reader->text(number) || !reader->text(name) ||
        !reader->text(ignored) || !reader->text(ignored)) {
        return "ERROR on SETUP.DAT FILE!!!";
    }
    const double value = leadingNumber(number);
    if (!(value > -1e9 && value < 1e9)) {
        return "ERROR on SETUP.DAT FILE!!!";
    }
    return "<Project> p" + formatNumber(value, "00000") + ": " + name;
}

namespace {

// Splits at the commas outside double quotes, so a quoted name holding a comma stays whole.
std::vector<std::string> splitFieldsOfLine(const std::string& line, std::size_t maxPieces) {
    std::vector<std::string> pieces(1);
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
        }
        if (c == ',' && !quoted && pieces.size() < maxPieces) {
            pieces.emplace_back();
        } else {
            pieces.back() += c;
        }
    }
    return pieces;
}

std::string renamedIdentityLine(const std::string& line, const std::string& newName) {
    const auto pieces = splitFieldsOfLine(line, 11);
    std::string out = pieces[0] + ",\"" + storableText(newName) + "\"";
    for (std::size_t i = 2; i < pieces.size(); ++i) {
        out += "," + pieces[i];
    }
    return out;
}

}  // namespace

std::string renameStoredName(const fs::path& folder, const std::string& newName, Ui& ui) {
    const fs::path setupFile = folder / "setup.dat";
    if (!isRegularFile(setupFile)) {
        return newName;
    }
    if (copyFile(setupFile, folder / "setup.bak") != 1) {
        ui.message("error");
        return {};
    }
    const auto bytes = readFile(folder / "setup.bak");
    if (!bytes) {
        return {};
    }
    const auto lines = splitLines(*bytes);
    std::string out;
    for (std::size_t i = 0; i < lines.size() && i < 51; ++i) {
        out += (i == 1 ? renamedIdentityLine(lines[i], newName) : lines[i]) + "\r\n";
    }
    return writeFileAtomic(setupFile, out) ? newName : std::string();
}

}  // namespace qv
