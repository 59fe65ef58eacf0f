#include "store/project_load.h"

#include <functional>
#include <optional>

#include "common/field_text.h"
#include "common/file_util.h"
#include "common/number_format.h"
#include "store/project_files.h"
#include "store/stored_text.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRecheckWarning = "Warning!! PLEASE Re-Check setup values before RUN";

bool readIdentity(FieldReader& r, ProjectSetup& s, double& storedNumber) {
    std::string number, name, folder, plate;
    if (!r.skipLine() || !r.text(number) || !r.text(name) || !r.text(folder) || !r.text(plate)) {
        return false;
    }
    s.Num_proj = number;
    s.Name = name;
    s.Working_folder = folder;
    s.Plate_format = plate;
    storedNumber = leadingNumber(number);
    return true;
}

// Skips the group's header line, then reads six integers; the targets change only when all
// six were read.
bool readSix(FieldReader& r, std::initializer_list<std::int16_t*> targets) {
    std::int16_t v[6] = {};
    if (!r.skipLine()) {
        return false;
    }
    for (auto& x : v) {
        if (!r.int16(x)) {
            return false;
        }
    }
    int i = 0;
    for (std::int16_t* t : targets) {
        *t = v[i++];
    }
    return true;
}

bool readMn(FieldReader& r, Mn& m) {
    return readSix(r, {&m[0], &m[1], &m[2], &m[3], &m[4], &m[5]});
}

}  // namespace

int readSetupFile(const fs::path& file, ProjectSetup& s, double& storedNumber) {
    storedNumber = 0;
    int P = 1;
    const int lines = countLines(file);
    auto r = FieldReader::open(file);
    if (!r) {
        return P;
    }
    if (lines >= 6) {
        if (!readIdentity(*r, s, storedNumber)) {
            return P;
        }
        P = 2;
        if (!readSix(*r, {&s.Aq_mode, &s.Aq_lapse, &s.Sample_Rate, &s.RT_Buffer, &s.DSP_Method,
                          &s.DSP_Interval})) {
            return P;
        }
        P = 3;
        if (!readSix(*r, {&s.Binary_Acq, &s.Threshold_Counter, &s.Cal_value, &s.Cal_mode,
                          &s.Save_counts, &s.Save_real})) {
            return P;
        }
    }
    if (lines >= 20) {
        P = 4;
        if (!readSix(*r, {&s.Menu1, &s.Menu2, &s.Menu3, &s.Menu4, &s.Menu5, &s.Menu6})) {
            return P;
        }
        for (int k = 1; k <= 6; ++k) {
            P = 4 + k;
            if (!readMn(*r, mnLine(s, k))) {
                return P;
            }
        }
    }
    return kSetupFullyRead;
}

bool isCompleteSetupFile(const fs::path& file) {
    ProjectSetup scratch;
    double number = 0;
    return countLines(file) >= 20 && readSetupFile(file, scratch, number) == kSetupFullyRead;
}

namespace {

std::string setupErrorPrefix(std::int16_t N, int P) {
    return "Error [\\p" + formatPadded(N, 5) + "\\setup.dat] ID#" + std::to_string(P);
}

// Steps 1-3 of the recovery: the file worth reading again (setup.dat itself once the copy
// was written over it, or the source where it lies when the folder must stay untouched), or
// nothing. A damaged setup.dat is kept beside the recovered one before it is replaced.
std::optional<fs::path> restoreSetupFile(const ProjectLoadRequest& q, int P, ProjectSetup& s,
                                         Ui& ui, ProjectLoadResult& res) {
    const std::int16_t N = q.projectNumber;
    if (N <= 0 || P >= kSetupFullyRead) {
        return std::nullopt;
    }
    const fs::path setupFile = q.projectPath / "setup.dat";
    s.Working_folder = workingFolderText(q.projectPath);
    std::string S;
    fs::path source;
    if (isRegularFile(q.projectPath / "setup.bak")) {
        source = q.projectPath / "setup.bak";
    } else {
        S = newestAcquisitionFolder(q.projectPath);
        const fs::path snapshot = q.projectPath / S / "setup.dat";
        if (!S.empty() && isRegularFile(snapshot) && countLines(snapshot) > 16) {
            source = snapshot;
        }
    }
    if (source.empty()) {
        return std::nullopt;
    }
    fs::path readFrom = source;
    if (q.repairFiles) {
        if (!keepDamagedFile(setupFile, &res.keptDamaged) || copyFile(source, setupFile) != 1) {
            return std::nullopt;
        }
        readFrom = setupFile;
    }
    ui.message(setupErrorPrefix(N, P) + " => Loading values from: p" + formatPadded(N, 5) + "\\" +
               S);
    ui.message(kRecheckWarning);
    return readFrom;
}

void applyDefaultsFrom(int P, const ProjectLoadRequest& q, ProjectSetup& s) {
    if (P <= 1) {
        setIdentityDefaults(s, workingFolderText(q.projectPath));
    }
    if (P <= 2) {
        setAcquisitionDefaults(s);
    }
    if (P <= 3) {
        setDetectionDefaults(s);
    }
    if (P <= 4) {
        setToolsDefaults(s);
    }
    for (int k = 1; k <= 6; ++k) {
        if (P <= 4 + k) {
            setMnDefaults(s, k);
        }
    }
}

void loadSetupPart(const ProjectLoadRequest& q, ProjectSetup& s, Ui& ui, ProjectLoadResult& res) {
    fs::path readFrom = q.projectPath / "setup.dat";
    for (;;) {
        double storedNumber = 0;
        const int P = readSetupFile(readFrom, s, storedNumber);
        if (P == kSetupFullyRead) {
            if (storedNumber != q.projectNumber) {
                res.newsLine = "Warning: Project ID# <> Folder Name [p00" +
                               std::to_string(q.currentProject) + "]";
                ui.message(res.newsLine);
            }
            return;
        }
        // The reload after a restore is done once; a second failure takes the defaults.
        if (!res.recovered) {
            if (const auto restored = restoreSetupFile(q, P, s, ui, res)) {
                res.recovered = true;
                readFrom = *restored;
                continue;
            }
        }
        ui.message(setupErrorPrefix(q.projectNumber, P) + " => Loading default values...");
        ui.message(kRecheckWarning);
        applyDefaultsFrom(P, q, s);
        res.defaultsApplied = true;
        return;
    }
}

using ReadValue = std::function<bool(FieldReader&, int)>;

// The shared layout of the channel files: a header, then index-and-value records stored by
// position (the index itself is not trusted), at most 385 of them. A file without a single
// record counts as unreadable, or the tables would silently keep the previous project's values.
bool readChannelRecords(const fs::path& file, const ReadValue& readValue) {
    auto r = FieldReader::open(file);
    if (!r || !r->skipField()) {
        return false;
    }
    int i = 0;
    for (; i < kChannelSlots && !r->atEnd(); ++i) {
        if (!r->skipField() || !readValue(*r, i)) {
            return false;
        }
    }
    return i > 0;
}

std::string channelFileError(std::int16_t N, const char* file, const char* what) {
    return "Error [\\p" + formatPadded(N, 4) + "\\" + file + "] => Loading default " + what + "...";
}

}  // namespace

std::vector<std::string> loadChannelFiles(const fs::path& folder, std::int16_t N, ProjectSetup& s,
                                          Ui& ui) {
    std::vector<std::string> defaulted;
    if (readChannelRecords(folder / "status.dat",
                           [&](FieldReader& r, int i) { return r.int16(s.channelStatus[i]); })) {
        for (int c = 0; c < kChannels; ++c) {
            s.channelEnabled[c] = s.channelStatus[c] != 0;
        }
    } else {
        ui.message(channelFileError(N, "status.dat", "values"));
        setDefaultStatus(s);
        defaulted.emplace_back("status.dat");
    }
    if (!readChannelRecords(folder / "threshld.dat", [&](FieldReader& r, int i) {
            double v = 0;
            if (!r.number(v)) {
                return false;
            }
            s.channelThreshold[i] = v;
            return true;
        })) {
        ui.message(channelFileError(N, "threshld.dat", "values"));
        setDefaultThresholds(s);
        defaulted.emplace_back("threshld.dat");
    }
    if (!readChannelRecords(folder / "groups.dat",
                            [&](FieldReader& r, int i) { return r.text(s.groupName[i]); })) {
        ui.message(channelFileError(N, "groups.dat", "groups"));
        setDefaultGroupNames(s);
        defaulted.emplace_back("groups.dat");
    }
    if (!readChannelRecords(folder / "chgroup.dat",
                            [&](FieldReader& r, int i) { return r.int16(s.channelGroup[i]); })) {
        ui.message(channelFileError(N, "chgroup.dat", "groups"));
        setDefaultChannelGroups(s);
        defaulted.emplace_back("chgroup.dat");
    }
    return defaulted;
}

ProjectLoadResult loadProjectSettings(const ProjectLoadRequest& q, ProjectSetup& s, Ui& ui) {
    ProjectLoadResult res;
    loadSetupPart(q, s, ui, res);
    res.channelFilesDefaulted = loadChannelFiles(q.projectPath, q.projectNumber, s, ui);
    return res;
}

}  // namespace qv
