#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace qv {

// Every per-channel table has one spare entry (index 384) so a reader accepts 385 records.
inline constexpr int kChannels = 384;
inline constexpr int kChannelSlots = 385;

using Mn = std::array<std::int16_t, 6>;

// Positions inside the tool settings lines Mn1..Mn3 (Mn4..Mn6 are reserved).
namespace mn1 {
inline constexpr int Organism = 0, Enab_Cal = 1, Enab_Zero = 2, SNRx10 = 3;
}
namespace mn2 {
inline constexpr int Enable = 0, Time_ON = 1, Time_OFF = 2, Pulse_Cycles = 3, Pulse_ONx10 = 4,
                     Pulse_OFFx10 = 5;
}
namespace mn3 {
inline constexpr int Enable = 0, Tempx10 = 1;
}

// The settings of the current project: setup.dat plus the four channel files. Text fields
// hold Windows-1252 bytes as stored.
struct ProjectSetup {
    // Identity (setup.dat lines 1-2). Num_proj is kept as the text read.
    std::string Num_proj;
    std::string Name = "Default";
    std::string Working_folder;
    std::string Plate_format = "96f";

    // Acquisition (lines 3-4).
    std::int16_t Aq_mode = 1;
    std::int16_t Aq_lapse = 30;
    std::int16_t Sample_Rate = 99;
    std::int16_t RT_Buffer = 500;
    std::int16_t DSP_Method = 1;
    std::int16_t DSP_Interval = 30;

    // Detection and storage (lines 5-6).
    std::int16_t Binary_Acq = 1;
    std::int16_t Threshold_Counter = 300;
    std::int16_t Cal_value = 80;
    std::int16_t Cal_mode = 1;
    std::int16_t Save_counts = 1;
    std::int16_t Save_real = 1;

    // Tools (lines 7-8): Menu1:Cal, Menu2:Light, Menu3:Temp, then three reserved.
    std::int16_t Menu1 = 1;
    std::int16_t Menu2 = 0;
    std::int16_t Menu3 = 0;
    std::int16_t Menu4 = 0;
    std::int16_t Menu5 = 0;
    std::int16_t Menu6 = 0;

    // Tool settings (lines 9-20).
    Mn Mn1{0, 1, 1, 0, 0, 0};
    Mn Mn2{0, 9, 21, 0, 0, 0};
    Mn Mn3{0, 200, 0, 0, 0, 0};
    Mn Mn4{};
    Mn Mn5{};
    Mn Mn6{};

    // Channel tables (status.dat, threshld.dat, groups.dat, chgroup.dat).
    std::array<std::int16_t, kChannelSlots> channelStatus;
    std::array<bool, kChannelSlots> channelEnabled;
    std::array<double, kChannelSlots> channelThreshold;
    std::array<std::string, kChannelSlots> groupName;
    std::array<std::int16_t, kChannelSlots> channelGroup;

    ProjectSetup();
};

// The default content of each group, used by the loader from the failing group onward.
void setIdentityDefaults(ProjectSetup& s, const std::string& workingFolder);
void setAcquisitionDefaults(ProjectSetup& s);
void setDetectionDefaults(ProjectSetup& s);
void setToolsDefaults(ProjectSetup& s);
// k = 1..6
void setMnDefaults(ProjectSetup& s, int k);
Mn& mnLine(ProjectSetup& s, int k);
const Mn& mnLine(const ProjectSetup& s, int k);

void setDefaultStatus(ProjectSetup& s);
void setDefaultThresholds(ProjectSetup& s);
void setDefaultGroupNames(ProjectSetup& s);
// Column pairs: beam column 1 alone is group 0, columns 2-3 group 1, ..., column 24 group 12.
void setDefaultChannelGroups(ProjectSetup& s);

// The Working_folder text this installation writes: the native folder path with a trailing
// separator.
std::string workingFolderText(const std::filesystem::path& folder);

// Writes setup.dat alone, keeping the previous one as setup.bak when it reads completely.
[[nodiscard]] bool saveSetupFile(const std::filesystem::path& folder, const ProjectSetup& s,
                                 std::int16_t projectNumber, const std::string& workingFolder);

// groups.dat and chgroup.dat alone (group editing of a stored acquisition rewrites only
// these), each replaced whole or not at all; false when it could not be written.
[[nodiscard]] bool writeGroupNamesFile(const std::filesystem::path& folder, const ProjectSetup& s);
[[nodiscard]] bool writeChannelGroupsFile(const std::filesystem::path& folder,
                                          const ProjectSetup& s);

// Writes setup.dat (after keeping the previous good one as setup.bak), status.dat,
// threshld.dat, groups.dat and chgroup.dat into the folder. Num_proj is written from
// projectNumber and Working_folder from workingFolder. False when any file could not be
// written; every file is replaced whole or not at all.
[[nodiscard]] bool saveProjectSettings(const std::filesystem::path& folder, const ProjectSetup& s,
                                       std::int16_t projectNumber,
                                       const std::string& workingFolder);

}  // namespace qv
