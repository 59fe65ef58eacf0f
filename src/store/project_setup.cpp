#include "store/project_setup.h"

#include "common/cp1252.h"
#include "common/field_text.h"
#include "common/file_util.h"
#include "common/number_format.h"
#include "store/project_load.h"
#include "store/stored_text.h"

namespace qv {

namespace fs = std::filesystem;

ProjectSetup::ProjectSetup() {
    channelStatus.fill(1);
    channelEnabled.fill(true);
    channelThreshold.fill(3.0);
    setDefaultGroupNames(*this);
    setDefaultChannelGroups(*this);
}

void setIdentityDefaults(ProjectSetup& s, const std::string& workingFolder) {
    s.Name = "Default";
    s.Working_folder = workingFolder;
    s.Plate_format = "96f";
}

void setAcquisitionDefaults(ProjectSetup& s) {
    const ProjectSetup d;
    s.Aq_mode = d.Aq_mode;
    s.Aq_lapse = d.Aq_lapse;
    s.Sample_Rate = d.Sample_Rate;
    s.RT_Buffer = d.RT_Buffer;
    s.DSP_Method = d.DSP_Method;
    s.DSP_Interval = d.DSP_Interval;
}

void setDetectionDefaults(ProjectSetup& s) {
    const ProjectSetup d;
    s.Binary_Acq = d.Binary_Acq;
    s.Threshold_Counter = d.Threshold_Counter;
    s.Cal_value = d.Cal_value;
    s.Cal_mode = d.Cal_mode;
    s.Save_counts = d.Save_counts;
    s.Save_real = d.Save_real;
}

void setToolsDefaults(ProjectSetup& s) {
    const ProjectSetup d;
    s.Menu1 = d.Menu1;
    s.Menu2 = d.Menu2;
    s.Menu3 = d.Menu3;
    s.Menu4 = d.Menu4;
    s.Menu5 = d.Menu5;
    s.Menu6 = d.Menu6;
}

Mn& mnLine(ProjectSetup& s, int k) {
    switch (k) {
        case 1:
            return s.Mn1;
        case 2:
            return s.Mn2;
        case 3:
            return s.Mn3;
        case 4:
            return s.Mn4;
        case 5:
            return s.Mn5;
        default:
            return s.Mn6;
    }
}

const Mn& mnLine(const ProjectSetup& s, int k) {
    return mnLine(const_cast<ProjectSetup&>(s), k);
}

void setMnDefaults(ProjectSetup& s, int k) {
    const ProjectSetup d;
    mnLine(s, k) = mnLine(d, k);
}

void setDefaultStatus(ProjectSetup& s) {
    for (int c = 0; c < kChannels; ++c) {
        s.channelEnabled[c] = true;
    }
}

void setDefaultThresholds(ProjectSetup& s) {
    for (int c = 0; c < kChannels; ++c) {
        s.channelThreshold[c] = 3.0;
    }
}

void setDefaultGroupNames(ProjectSetup& s) {
    for (int g = 0; g < kChannels; ++g) {
        s.groupName[g] = g < 12 ? "Group" + std::to_string(g) : "Free";
    }
}

void setDefaultChannelGroups(ProjectSetup& s) {
    for (int c = 0; c < 24; ++c) {
        for (int r = 0; r < 16; ++r) {
            s.channelGroup[c * 16 + r] = static_cast<std::int16_t>((c + 1) / 2);
        }
    }
}

std::string workingFolderText(const fs::path& folder) {
    // Paths are UTF-8 here; the settings files hold Windows-1252 like every other text.
    std::string text = utf8ToCp1252(folder.string());
    if (text.empty() || text.back() != '/') {
        text += '/';
    }
    return text;
}

namespace {

void writeSix(FieldWriter& w, std::initializer_list<std::int16_t> values) {
    for (const std::int16_t v : values) {
        w.number(std::int64_t{v});
    }
    w.endRecord();
}

std::string setupFileText(const ProjectSetup& s, std::int16_t projectNumber,
                          const std::string& workingFolder) {
    FieldWriter w;
    w.text("Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>").endRecord();
    w.number(std::int64_t{projectNumber})
        .text(storableText(s.Name))
        .text(storableText(workingFolder))
        .text(storableText(s.Plate_format))
        .endRecord();
    w.text("<Aq_mode>,<Aq_lapse>,<Sample_Rate>,<RT_Buffer>,<DSP_Method>,<DSP_Interval>")
        .endRecord();
    writeSix(w, {s.Aq_mode, s.Aq_lapse, s.Sample_Rate, s.RT_Buffer, s.DSP_Method, s.DSP_Interval});
    w.text("<Binary_Acq>,<Threshold_Counter>,<Cal_value>,<Cal_mode>,<Save_counts>,<Save_real>")
        .endRecord();
    writeSix(w, {s.Binary_Acq, s.Threshold_Counter, s.Cal_value, s.Cal_mode, s.Save_counts,
                 s.Save_real});
    w.text("Tools: <Menu1:Cal>, <Menu2:Light>, <Menu3:Temp>, <Menu4>, <Menu5>, <Menu6>")
        .endRecord();
    writeSix(w, {s.Menu1, s.Menu2, s.Menu3, s.Menu4, s.Menu5, s.Menu6});
    static constexpr const char* kMnHeaders[6] = {
        "Mn1: <Organism>, <Enab_Cal>, <Enab_Zero>, <SNRx10>,,",
        "Mn2: <Enable>, <Time_ON>, <v3:Time_OFF>,,,",
        "Mn3: <v1:Enable>, <v2:Tempx10>,,,,",
        "Mn4: ,,,,,",
        "Mn5: ,,,,,",
        "Mn6: ,,,,,"};
    for (int k = 1; k <= 6; ++k) {
        const Mn& m = mnLine(s, k);
        w.text(kMnHeaders[k - 1]).endRecord();
        writeSix(w, {m[0], m[1], m[2], m[3], m[4], m[5]});
    }
    return w.str();
}

template <typename WriteValue>
std::string channelFileText(const char* header, WriteValue writeValue) {
    FieldWriter w;
    w.text(header).endRecord();
    for (int c = 0; c < kChannels; ++c) {
        w.number(std::int64_t{c});
        writeValue(w, c);
        w.endRecord();
    }
    return w.str();
}

double thresholdAsStored(double v) {
    return parseNumber(formatFixed(v, 3)).value_or(0.0);
}

}  // namespace

bool saveSetupFile(const fs::path& folder, const ProjectSetup& s, std::int16_t projectNumber,
                   const std::string& workingFolder) {
    const fs::path setupFile = folder / "setup.dat";
    // Only a complete setup.dat becomes the backup: a damaged one must never replace the
    // last good copy that recovery depends on.
    if (isCompleteSetupFile(setupFile)) {
        copyFileOver(setupFile, folder / "setup.bak");
    }
    return writeFileAtomic(setupFile, setupFileText(s, projectNumber, workingFolder));
}

bool writeGroupNamesFile(const fs::path& folder, const ProjectSetup& s) {
    return writeFileAtomic(
        folder / "groups.dat",
        channelFileText("<Group_Number>, <Group_Name>",
                        [&](FieldWriter& w, int c) { w.text(storableText(s.groupName[c])); }));
}

bool writeChannelGroupsFile(const fs::path& folder, const ProjectSetup& s) {
    return writeFileAtomic(
        folder / "chgroup.dat",
        channelFileText("<Channel>, <Group: -1=Free>",
                        [&](FieldWriter& w, int c) { w.number(std::int64_t{s.channelGroup[c]}); }));
}

bool saveProjectSettings(const fs::path& folder, const ProjectSetup& s, std::int16_t projectNumber,
                         const std::string& workingFolder) {
    bool ok = saveSetupFile(folder, s, projectNumber, workingFolder);
    ok = writeFileAtomic(folder / "status.dat",
                         channelFileText("<Channel>, <Enabled>",
                                         [&](FieldWriter& w, int c) {
                                             w.number(std::int64_t{s.channelEnabled[c] ? 1 : 0});
                                         })) &&
         ok;
    ok = writeFileAtomic(folder / "threshld.dat",
                         channelFileText("<Channel>, <Threshold>",
                                         [&](FieldWriter& w, int c) {
                                             w.number(thresholdAsStored(s.channelThreshold[c]));
                                         })) &&
         ok;
    ok = writeGroupNamesFile(folder, s) && ok;
    return writeChannelGroupsFile(folder, s) && ok;
}

}  // namespace qv
