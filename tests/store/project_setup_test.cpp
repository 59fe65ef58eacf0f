#include <gtest/gtest.h>

#include "common/field_text.h"
#include "store/project_load.h"
#include "store/project_setup.h"
#include "store_fixture.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::setupText;
using testing::TempDir;
using testing::writeBytes;

namespace fs = std::filesystem;

const std::string kRecheck = "Warning!! PLEASE Re-Check setup values before RUN";

ProjectSetup everyFieldChanged() {
    ProjectSetup s;
    s.Name = "Ensayo, ni\xf1o \x80";  // a comma and Windows-1252 bytes
    s.Plate_format = "w96u";
    s.Aq_mode = 2, s.Aq_lapse = 1440, s.Sample_Rate = 50, s.RT_Buffer = 250, s.DSP_Method = 3;
    s.DSP_Interval = 15;
    s.Binary_Acq = 0, s.Threshold_Counter = -12, s.Cal_value = 70, s.Cal_mode = 2;
    s.Save_counts = 0, s.Save_real = 0;
    s.Menu1 = 0, s.Menu2 = 1, s.Menu3 = 1, s.Menu4 = 4, s.Menu5 = 5, s.Menu6 = 6;
    for (int k = 1; k <= 6; ++k) {
        for (int i = 0; i < 6; ++i) {
            mnLine(s, k)[i] = static_cast<std::int16_t>(k * 100 + i - 300);
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        s.channelEnabled[c] = c % 7 != 0;
        s.channelStatus[c] = s.channelEnabled[c] ? 1 : 0;
        s.channelThreshold[c] = 1.0 + c / 1000.0;
        s.groupName[c] = "Name " + std::to_string(c);
        s.channelGroup[c] = static_cast<std::int16_t>(c % 13 - 1);
    }
    return s;
}

ProjectLoadResult load(const fs::path& folder, int N, ProjectSetup& s, ScriptedUi& ui,
                       int current = -1) {
    const auto n = static_cast<std::int16_t>(N);
    return loadProjectSettings({folder, n, static_cast<std::int16_t>(current < 0 ? N : current)}, s,
                               ui);
}

TEST(ProjectSettings, SaveThenLoadKeepsEveryField) {
    TempDir dir;
    const ProjectSetup saved = everyFieldChanged();
    ASSERT_TRUE(saveProjectSettings(dir.path(), saved, 4, "/qv/p00004/"));
    ProjectSetup s;
    ScriptedUi ui;
    const auto r = load(dir.path(), 4, s, ui);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_TRUE(r.newsLine.empty());
    EXPECT_EQ(s.Num_proj, "4");
    EXPECT_EQ(s.Name, saved.Name);
    EXPECT_EQ(s.Working_folder, "/qv/p00004/");
    EXPECT_EQ(s.Plate_format, "w96u");
    EXPECT_EQ(
        std::tie(s.Aq_mode, s.Aq_lapse, s.Sample_Rate, s.RT_Buffer, s.DSP_Method, s.DSP_Interval),
        std::tie(saved.Aq_mode, saved.Aq_lapse, saved.Sample_Rate, saved.RT_Buffer,
                 saved.DSP_Method, saved.DSP_Interval));
    EXPECT_EQ(std::tie(s.Binary_Acq, s.Threshold_Counter, s.Cal_value, s.Cal_mode, s.Save_counts,
                       s.Save_real),
              std::tie(saved.Binary_Acq, saved.Threshold_Counter, saved.Cal_value, saved.Cal_mode,
                       saved.Save_counts, saved.Save_real));
    EXPECT_EQ(
        std::tie(s.Menu1, s.Menu2, s.Menu3, s.Menu4, s.Menu5, s.Menu6),
        std::tie(saved.Menu1, saved.Menu2, saved.Menu3, saved.Menu4, saved.Menu5, saved.Menu6));
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(mnLine(s, k), mnLine(saved, k)) << "Mn" << k;
    }
    for (int c = 0; c < kChannels; ++c) {
        ASSERT_EQ(s.channelEnabled[c], saved.channelEnabled[c]) << c;
        ASSERT_EQ(s.channelStatus[c], saved.channelStatus[c]) << c;
        ASSERT_DOUBLE_EQ(s.channelThreshold[c], saved.channelThreshold[c]) << c;
        ASSERT_EQ(s.groupName[c], saved.groupName[c]) << c;
        ASSERT_EQ(s.channelGroup[c], saved.channelGroup[c]) << c;
    }
}

TEST(ProjectSettings, WritesTwentyCrLfLinesAndThresholdsToThreeDecimals) {
    TempDir dir;
    ProjectSetup s;
    s.channelThreshold[0] = 3.14159;
    s.channelThreshold[1] = 2.0005;  // the decimal text rounds, not the binary value
    ASSERT_TRUE(saveProjectSettings(dir.path(), s, 0, "/qv/"));
    const std::string setup = readBytes(dir / "setup.dat");
    EXPECT_EQ(testing::linesOf(setup).size(), 20u);
    EXPECT_EQ(setup.substr(0, setup.find("\r\n", 70) + 2),
              "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n"
              "0,\"Default\",\"/qv/\",\"96f\"\r\n");
    EXPECT_NE(setup.find("\"Mn1: <Organism>, <Enab_Cal>, <Enab_Zero>, <SNRx10>,,\"\r\n0,1,1,0,0,0"),
              std::string::npos);
    const auto thr = testing::linesOf(readBytes(dir / "threshld.dat"));
    ASSERT_EQ(thr.size(), 385u);
    EXPECT_EQ(thr[0], "\"<Channel>, <Threshold>\"");
    EXPECT_EQ(thr[1], "0,3.142");
    EXPECT_EQ(thr[3], "2,3");
    EXPECT_EQ(testing::linesOf(readBytes(dir / "chgroup.dat"))[384], "383,12");
}

TEST(ProjectSettings, BackupIsAlwaysThePreviousGoodSetup) {
    TempDir dir;
    ProjectSetup s;
    s.Name = "First";
    ASSERT_TRUE(saveProjectSettings(dir.path(), s, 1, "/a/"));
    EXPECT_FALSE(fs::exists(dir / "setup.bak"));
    s.Name = "Second";
    ASSERT_TRUE(saveProjectSettings(dir.path(), s, 1, "/a/"));
    EXPECT_NE(readBytes(dir / "setup.bak").find("\"First\""), std::string::npos);

    // A damaged setup.dat is not worth keeping: the good backup stays.
    writeBytes(dir / "setup.dat", "\"half\"\r\n1,\"Sec");
    s.Name = "Third";
    ASSERT_TRUE(saveProjectSettings(dir.path(), s, 1, "/a/"));
    EXPECT_NE(readBytes(dir / "setup.bak").find("\"First\""), std::string::npos);
    EXPECT_NE(readBytes(dir / "setup.dat").find("\"Third\""), std::string::npos);
}

TEST(ProjectSettings, SaveIntoMissingFolderFailsTowardsTheCaller) {
    TempDir dir;
    EXPECT_FALSE(saveProjectSettings(dir / "gone", ProjectSetup{}, 1, "/a/"));
}

TEST(ProjectLoad, RecoversFromBackupWithBothMessages) {
    TempDir dir;
    const fs::path p = dir / "p00003";
    writeBytes(p / "setup.bak", setupText(3, "FromBak", 5));
    testing::writeChannelFiles(p);
    ProjectSetup s;
    ScriptedUi ui;
    const auto r = load(p, 3, s, ui);
    EXPECT_TRUE(r.recovered);
    EXPECT_FALSE(r.defaultsApplied);
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{
                  "Error [\\p00003\\setup.dat] ID#1 => Loading values from: p00003\\", kRecheck}));
    EXPECT_EQ(s.Name, "FromBak");
    EXPECT_EQ(s.Aq_lapse, 5);
    EXPECT_EQ(s.Mn6[5], 5);
    EXPECT_EQ(readBytes(p / "setup.dat"), readBytes(p / "setup.bak"));
}

// A setup.dat of 20 lines whose acquisition group does not read.
std::string damagedSetup(const std::string& name) {
    auto lines = testing::linesOf(setupText(3, name, 1));
    lines[3] = "1,x,1,1,1,1";
    return testing::joinCrLf(lines);
}

// What the user had in setup.dat stays beside the recovered file, every time.
TEST(ProjectLoad, RecoveryKeepsTheDamagedFileBesideTheRecoveredOne) {
    TempDir dir;
    const fs::path p = dir / "p00003";
    writeBytes(p / "setup.bak", setupText(3, "FromBak", 5));
    writeBytes(p / "setup.dat", damagedSetup("Mine"));
    testing::writeChannelFiles(p);
    ProjectSetup s;
    ScriptedUi ui;
    const auto r = load(p, 3, s, ui);
    EXPECT_TRUE(r.recovered);
    EXPECT_EQ(r.keptDamaged, p / "setup.dat.damaged");
    EXPECT_EQ(readBytes(p / "setup.dat.damaged"), damagedSetup("Mine"));
    EXPECT_EQ(readBytes(p / "setup.dat"), readBytes(p / "setup.bak"));

    writeBytes(p / "setup.dat", damagedSetup("Again"));
    load(p, 3, s, ui);
    EXPECT_EQ(readBytes(p / "setup.dat.damaged2"), damagedSetup("Again"));
    EXPECT_EQ(readBytes(p / "setup.dat.damaged"), damagedSetup("Mine"));
}

// A look at a project (a "show") reads what a load would bring back and writes nothing.
TEST(ProjectLoad, WithoutRepairTheRecoveryReadsTheBackupWhereItLies) {
    TempDir dir;
    const fs::path p = dir / "p00003";
    writeBytes(p / "20240101_0900" / "setup.dat", setupText(3, "Snap", 2));
    writeBytes(p / "setup.dat", damagedSetup("Mine"));
    testing::writeChannelFiles(p);
    ProjectSetup s;
    ScriptedUi ui;
    const auto r = loadProjectSettings({p, 3, 3, false}, s, ui);
    EXPECT_TRUE(r.recovered);
    EXPECT_EQ(s.Name, "Snap");
    EXPECT_EQ(s.Aq_lapse, 2);
    EXPECT_EQ(readBytes(p / "setup.dat"), damagedSetup("Mine"));
    EXPECT_FALSE(fs::exists(p / "setup.dat.damaged"));
    EXPECT_TRUE(r.keptDamaged.empty());
    EXPECT_EQ(ui.messages.at(0),
              "Error [\\p00003\\setup.dat] ID#2 => Loading values from: p00003\\20240101_0900");
}

TEST(ProjectLoad, ChannelFilesThatTookTheirDefaultsAreNamed) {
    TempDir dir;
    writeBytes(dir / "setup.dat", setupText(1, "One", 1));
    testing::writeChannelFiles(dir.path());
    fs::remove(dir / "groups.dat");
    writeBytes(dir / "threshld.dat", "garbage");
    ProjectSetup s;
    ScriptedUi ui;
    const auto r = load(dir.path(), 1, s, ui);
    EXPECT_EQ(r.channelFilesDefaulted, (std::vector<std::string>{"threshld.dat", "groups.dat"}));
}

TEST(ProjectLoad, RecoversFromTheAcquisitionThatIsReallyNewest) {
    TempDir dir;
    const fs::path p = dir / "p00003";
    writeBytes(p / "20231231_2300" / "setup.dat", setupText(3, "Dec2023", 1));
    writeBytes(p / "20240101_0900" / "setup.dat", setupText(3, "Jan2024", 2));
    // Not a real date: never chosen, however large its digits.
    writeBytes(p / "99991399_2300" / "setup.dat", setupText(3, "Bogus", 3));
    ProjectSetup s;
    ScriptedUi ui;
    load(p, 3, s, ui);
    EXPECT_EQ(s.Name, "Jan2024");
    ASSERT_GE(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0],
              "Error [\\p00003\\setup.dat] ID#1 => Loading values from: p00003\\20240101_0900");
    EXPECT_EQ(ui.messages[1], kRecheck);
}

TEST(ProjectLoad, ASnapshotOfSixteenLinesOrFewerIsNotUsed) {
    TempDir dir;
    const fs::path p = dir / "p00002";
    auto lines = testing::linesOf(setupText(2, "Short", 1));
    lines.resize(16);
    writeBytes(p / "20240101_0900" / "setup.dat", testing::joinCrLf(lines));
    ProjectSetup s;
    s.Name = "Before";
    ScriptedUi ui;
    load(p, 2, s, ui);
    EXPECT_EQ(s.Name, "Default");
    EXPECT_EQ(ui.messages.at(0), "Error [\\p00002\\setup.dat] ID#1 => Loading default values...");
    EXPECT_EQ(ui.messages.at(1), kRecheck);
}

TEST(ProjectLoad, RecoveryHappensOnceThenDefaultsFromTheFailingGroup) {
    TempDir dir;
    const fs::path p = dir / "p00003";
    auto lines = testing::linesOf(setupText(3, "BadBak", 4));
    lines[7] = "1,2,x,4,5,6";  // tools group unreadable
    writeBytes(p / "setup.bak", testing::joinCrLf(lines));
    lines[1] = "3,\"Bad\",\"x\",\"w384\"";
    ProjectSetup s;
    s.Menu2 = 9;
    s.Mn3[1] = 999;
    ScriptedUi ui;
    writeBytes(p / "setup.dat", testing::joinCrLf(lines));
    const auto r = load(p, 3, s, ui);
    EXPECT_TRUE(r.recovered);
    EXPECT_TRUE(r.defaultsApplied);
    ASSERT_GE(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[0], "Error [\\p00003\\setup.dat] ID#4 => Loading values from: p00003\\");
    EXPECT_EQ(ui.messages[1], kRecheck);
    EXPECT_EQ(ui.messages[2], "Error [\\p00003\\setup.dat] ID#4 => Loading default values...");
    EXPECT_EQ(ui.messages[3], kRecheck);
    // Groups before the failing one keep what the file held, the rest take the defaults.
    EXPECT_EQ(s.Name, "BadBak");
    EXPECT_EQ(s.Aq_lapse, 4);
    EXPECT_EQ(s.Save_real, 4);
    EXPECT_EQ(s.Menu2, 0);
    EXPECT_EQ(s.Mn3, (Mn{0, 200, 0, 0, 0, 0}));
}

TEST(ProjectLoad, ProjectZeroNeverRecoversAndDefaultsKeepNumProj) {
    TempDir dir;
    writeBytes(dir / "setup.bak", setupText(0, "Bak"));
    ProjectSetup s;
    s.Num_proj = "42";
    s.Name = "Old";
    ScriptedUi ui;
    load(dir.path(), 0, s, ui);
    EXPECT_EQ(ui.messages.at(0), "Error [\\p00000\\setup.dat] ID#1 => Loading default values...");
    EXPECT_EQ(s.Name, "Default");
    EXPECT_EQ(s.Plate_format, "96f");
    EXPECT_EQ(s.Num_proj, "42");
    EXPECT_EQ(s.Working_folder, workingFolderText(dir.path()));
    EXPECT_FALSE(fs::exists(dir / "setup.dat"));
}

TEST(ProjectLoad, ShortSetupKeepsTheGroupsItCannotHold) {
    TempDir dir;
    auto lines = testing::linesOf(setupText(2, "Twelve", 8));
    lines.resize(12);
    writeBytes(dir / "setup.dat", testing::joinCrLf(lines));
    testing::writeChannelFiles(dir.path());
    ProjectSetup s;
    s.Menu1 = 0;
    s.Menu3 = 1;
    s.Mn2 = Mn{1, 8, 20, 3, 4, 5};
    ScriptedUi ui;
    const auto r = load(dir.path(), 2, s, ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(r.defaultsApplied);
    EXPECT_EQ(s.Name, "Twelve");
    EXPECT_EQ(s.Save_real, 8);
    EXPECT_EQ(s.Menu1, 0);
    EXPECT_EQ(s.Menu3, 1);
    EXPECT_EQ(s.Mn2, (Mn{1, 8, 20, 3, 4, 5}));
}

TEST(ProjectLoad, IdWarningGoesToTheNewsLineAndAMessage) {
    TempDir dir;
    writeBytes(dir / "setup.dat", setupText(5, "Five"));
    ProjectSetup s;
    ScriptedUi ui;
    const auto r = load(dir.path(), 6, s, ui, 6);
    EXPECT_EQ(r.newsLine, "Warning: Project ID# <> Folder Name [p006]");
    EXPECT_EQ(ui.messages.at(0), r.newsLine);
    EXPECT_EQ(s.Name, "Five");  // the values stay loaded

    // Fewer than 6 lines read nothing: the number counts as 0.
    writeBytes(dir / "setup.dat", "\"x\"\r\n");
    ScriptedUi ui2;
    EXPECT_FALSE(load(dir.path(), 6, s, ui2, 6).newsLine.empty());
    ScriptedUi ui3;
    EXPECT_TRUE(load(dir.path(), 0, s, ui3).newsLine.empty());
}

TEST(ChannelFiles, EachFallsBackAloneWithAFourDigitNumber) {
    TempDir dir;
    testing::writeChannelFiles(dir.path());
    fs::remove(dir / "threshld.dat");
    ProjectSetup s;
    s.channelThreshold[7] = 9.0;
    ScriptedUi ui;
    loadChannelFiles(dir.path(), 3, s, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{
                               "Error [\\p0003\\threshld.dat] => Loading default values..."});
    EXPECT_EQ(s.channelThreshold[7], 3.0);
    EXPECT_FALSE(s.channelEnabled[3]);
    EXPECT_TRUE(s.channelEnabled[4]);
    EXPECT_EQ(s.groupName[10], "G10");
    EXPECT_EQ(s.channelGroup[6], 0);
}

TEST(ChannelFiles, DefaultsOfEveryFile) {
    TempDir dir;
    ProjectSetup s;
    s.channelStatus.fill(0);
    s.channelEnabled.fill(false);
    s.channelGroup.fill(-1);
    s.groupName.fill("x");
    ScriptedUi ui;
    loadChannelFiles(dir.path(), 12, s, ui);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{
                               "Error [\\p0012\\status.dat] => Loading default values...",
                               "Error [\\p0012\\threshld.dat] => Loading default values...",
                               "Error [\\p0012\\groups.dat] => Loading default groups...",
                               "Error [\\p0012\\chgroup.dat] => Loading default groups..."}));
    EXPECT_TRUE(s.channelEnabled[383]);
    EXPECT_EQ(s.channelStatus[0], 0);  // status values stay as they were
    EXPECT_EQ(s.groupName[11], "Group11");
    EXPECT_EQ(s.groupName[12], "Free");
    EXPECT_EQ(s.channelGroup[15], 0);
    EXPECT_EQ(s.channelGroup[16], 1);
    EXPECT_EQ(s.channelGroup[47], 1);
    EXPECT_EQ(s.channelGroup[48], 2);
    EXPECT_EQ(s.channelGroup[383], 12);
}

TEST(ChannelFiles, ReadsAtMost385RecordsByPosition) {
    TempDir dir;
    testing::writeChannelFiles(dir.path());
    std::string status = "\"<Channel>, <Enabled>\"\r\n";
    for (int i = 0; i < 400; ++i) {
        // The index field is not trusted; position decides.
        status += "77," + std::to_string(i) + "\r\n";
    }
    writeBytes(dir / "status.dat", status);
    ProjectSetup s;
    ScriptedUi ui;
    loadChannelFiles(dir.path(), 1, s, ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(s.channelStatus[0], 0);
    EXPECT_FALSE(s.channelEnabled[0]);
    EXPECT_EQ(s.channelStatus[383], 383);
    EXPECT_EQ(s.channelStatus[384], 384);
}

}  // namespace
}  // namespace qv
