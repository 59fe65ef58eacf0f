// Every reader of stored files fed empty, truncated, oversized and random files: each ends
// with its fallback and message, and nothing crashes or hangs.
#include <gtest/gtest.h>

#include <random>

#include "store/app_config.h"
#include "store/plate_format.h"
#include "store/project_files.h"
#include "store/project_load.h"
#include "store_fixture.h"

namespace qv {
namespace {

using testing::setupText;
using testing::TempDir;
using testing::writeBytes;

namespace fs = std::filesystem;

std::string randomBytes(unsigned seed, std::size_t n) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s(n, '\0');
    for (char& c : s) {
        c = static_cast<char>(byte(gen));
    }
    return s;
}

std::vector<std::string> badContents() {
    std::vector<std::string> v = {"", "\"", "\r\n\r\n", std::string(3, '\0'), "\"unclosed,1,2"};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        v.push_back(randomBytes(seed, 64 + seed * 97));
    }
    return v;
}

bool hasMessage(const ScriptedUi& ui, const std::string& text) {
    return std::find(ui.messages.begin(), ui.messages.end(), text) != ui.messages.end();
}

TEST(BadFiles, ConfigGivesTheDefaultSet) {
    for (const auto& bytes : badContents()) {
        TempDir dir;
        writeBytes(dir / "config.dat", bytes);
        ScriptedUi ui;
        AppConfig c;
        c.Serial_COM = 9;
        loadConfiguration(dir.path(), c, ui);
        EXPECT_EQ(c.Serial_COM, 4);
        EXPECT_EQ(ui.messages.size(), 1u);
    }
}

TEST(BadFiles, SetupGivesDefaultsOrTheIdWarning) {
    for (const auto& bytes : badContents()) {
        TempDir dir;
        writeBytes(dir / "setup.dat", bytes);
        ScriptedUi ui;
        ProjectSetup s;
        const auto r = loadProjectSettings({dir.path(), 2, 2}, s, ui);
        // A file too short to hold anything is no failure; then the stored number is missing.
        EXPECT_TRUE(r.defaultsApplied ||
                    r.newsLine == "Warning: Project ID# <> Folder Name [p002]");
        if (r.defaultsApplied) {
            EXPECT_EQ(ui.messages.at(0).rfind("Error [\\p00002\\setup.dat] ID#", 0), 0u);
        }
    }
}

TEST(BadFiles, TruncatedSetupAtEveryLengthLoadsOrFallsBack) {
    const std::string full = setupText(1, "Whole", 9);
    for (std::size_t n = 0; n < full.size(); n += 3) {
        TempDir dir;
        writeBytes(dir / "setup.dat", full.substr(0, n));
        writeBytes(dir / "setup.bak", full);
        ScriptedUi ui;
        ProjectSetup s;
        const auto r = loadProjectSettings({dir.path(), 1, 1}, s, ui);
        EXPECT_FALSE(r.defaultsApplied) << n;
        if (r.recovered) {
            EXPECT_EQ(s.Mn6[5], 9) << n;
        }
    }
}

TEST(BadFiles, ChannelFilesEachFallBack) {
    for (const auto& bytes : badContents()) {
        TempDir dir;
        for (const char* f : {"status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
            writeBytes(dir / f, bytes);
        }
        ScriptedUi ui;
        ProjectSetup s;
        s.channelThreshold.fill(-1);
        loadChannelFiles(dir.path(), 1, s, ui);
        // Random text can pass for group names, never for numbers.
        EXPECT_TRUE(hasMessage(ui, "Error [\\p0001\\threshld.dat] => Loading default values..."));
        EXPECT_TRUE(hasMessage(ui, "Error [\\p0001\\status.dat] => Loading default values..."));
        EXPECT_EQ(s.channelThreshold[0], 3.0);
        EXPECT_TRUE(s.channelEnabled[0]);
    }
}

TEST(BadFiles, OversizedFilesReadOnlyWhatTheyHold) {
    TempDir dir;
    std::string thr = "\"<Channel>, <Threshold>\"\r\n";
    for (int i = 0; i < 100000; ++i) {
        thr += std::to_string(i) + ",4.25\r\n";
    }
    writeBytes(dir / "threshld.dat", thr);
    writeBytes(dir / "setup.dat", setupText(0, std::string(1 << 20, 'N')));
    std::string plate = "\"t\",\"h\",16,1,0,24,1,0,\"c\"\r\n";
    for (int i = 0; i < 5000; ++i) {
        plate += "\"x\"," + std::to_string(i % 384) + ",0\r\n";
    }
    writeBytes(dir / "big.dat", plate);
    ScriptedUi ui;
    ProjectSetup s;
    const auto r = loadProjectSettings({dir.path(), 0, 0}, s, ui);
    EXPECT_FALSE(r.defaultsApplied);
    EXPECT_EQ(s.Name.size(), 1u << 20);
    EXPECT_EQ(s.channelThreshold[384], 4.25);
    EXPECT_FALSE(hasMessage(ui, "Error [\\p0000\\threshld.dat] => Loading default values..."));
    PlateFormat p;
    EXPECT_TRUE(loadPlateFormatWithoutFallback(dir.path(), "big", p).ok);
    EXPECT_EQ(p.largestWell, 383);
}

TEST(BadFiles, PlateFileFallsBack) {
    for (const auto& bytes : badContents()) {
        TempDir dir;
        writeBytes(dir / "w384.dat", bytes);
        ScriptedUi ui;
        PlateFormat p;
        std::string code = "w384";
        loadPlateFormat(dir.path(), code, p, ui);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].rfind("Error [\\w384.dat] ID#", 0), 0u);
        EXPECT_EQ(p.channelOf(383, 0), 383);
    }
}

TEST(BadFiles, TitleAndRenameSurviveGarbage) {
    for (const auto& bytes : badContents()) {
        TempDir dir;
        writeBytes(dir / "setup.dat", bytes);
        ScriptedUi ui;
        const std::string title = readProjectTitle(dir.path(), ui);
        EXPECT_EQ(title.rfind("<Project> p", 0) == 0 || title == "ERROR on SETUP.DAT FILE!!!", true)
            << title;
        EXPECT_EQ(renameStoredName(dir.path(), "N", ui), "N");
    }
}

}  // namespace
}  // namespace qv
