#include <gtest/gtest.h>

#include "common/scripted_ui.h"
#include "store/app_config.h"
#include "store/store.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

const char* kHeader =
    "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\"\r\n";
const char* kDefaultMessage = "Error opening config File >>>> Loading DEFAULT configuration...";

AppConfig loadFrom(const TempDir& dir, const std::string& secondLine, ScriptedUi& ui) {
    writeBytes(dir / "config.dat", std::string(kHeader) + secondLine);
    AppConfig c;
    loadConfiguration(dir.path(), c, ui);
    return c;
}

TEST(Config, ClampsValuesIntoTheirRanges) {
    struct Case {
        const char* line;
        int project, last, com;
    } cases[] = {{"-3,0,0,7\r\n", 0, 0, 1}, {"12,5,22,9\r\n", 12, 12, 16}, {"3,5,4,0", 3, 5, 4}};
    for (const auto& k : cases) {
        TempDir dir;
        ScriptedUi ui;
        const AppConfig c = loadFrom(dir, k.line, ui);
        EXPECT_EQ(c.Actual_Project_Number, k.project) << k.line;
        EXPECT_EQ(c.Last_Project, k.last) << k.line;
        EXPECT_EQ(c.Serial_COM, k.com) << k.line;
        EXPECT_EQ(c.Restart_Time, 0) << k.line;
        EXPECT_TRUE(ui.messages.empty()) << k.line;
    }
}

TEST(Config, UnreadableFileGivesTheDefaultSetOverValuesAlreadyRead) {
    for (const char* line : {"9,9\r\n", "9,9,x,0\r\n", "9,99999,4,0\r\n"}) {
        TempDir dir;
        ScriptedUi ui;
        const AppConfig c = loadFrom(dir, line, ui);
        EXPECT_EQ(c.Actual_Project_Number, 1) << line;
        EXPECT_EQ(c.Last_Project, 1) << line;
        EXPECT_EQ(c.Serial_COM, 4) << line;
        EXPECT_EQ(c.Restart_Time, 0) << line;
        EXPECT_EQ(ui.messages, std::vector<std::string>{kDefaultMessage}) << line;
    }
}

TEST(Config, LoadSaysWhetherTheFileOrTheDefaultsWereTaken) {
    TempDir dir;
    ScriptedUi ui;
    AppConfig c;
    EXPECT_FALSE(loadConfiguration(dir.path(), c, ui));
    writeBytes(dir / "config.dat", std::string(kHeader) + "3,5,4,0\r\n");
    EXPECT_TRUE(loadConfiguration(dir.path(), c, ui));
}

TEST(Config, SaveAfterLoadAlwaysWritesZeroRestartTime) {
    TempDir dir;
    ScriptedUi ui;
    AppConfig c = loadFrom(dir, "3,5,4,77\r\n", ui);
    ASSERT_TRUE(saveConfiguration(dir.path(), c, ui));
    EXPECT_EQ(readBytes(dir / "config.dat"), std::string(kHeader) + "3,5,4,0\r\n");
}

TEST(Config, FailedSaveSaysSoAndKeepsTheOldFile) {
    TempDir dir;
    ScriptedUi ui;
    AppConfig c;
    EXPECT_FALSE(saveConfiguration(dir / "no-such-folder", c, ui));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"<Error Saving Config File>"});
}

TEST(StoreStartUp, MissingConfigIsReportedAndNothingIsLoaded) {
    TempDir dir;
    ScriptedUi ui;
    Store store(dir.path(), ui);
    EXPECT_EQ(store.startUp(), Store::StartUp::ConfigMissing);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_STREQ(kConfigNotFoundMessage,
                 "Config file not found: Check correct software installation");
}

TEST(StoreStartUp, ProjectWithoutFolderRunsProjectZeroFromTheApplicationFolder) {
    TempDir dir;
    ScriptedUi ui;
    writeBytes(dir / "config.dat", std::string(kHeader) + "7,7,4,0\r\n");
    writeBytes(dir / "p00003" / "keep", "");
    Store store(dir.path(), ui);
    ASSERT_EQ(store.startUp(), Store::StartUp::Ready);
    EXPECT_EQ(store.config().Actual_Project_Number, 0);
    EXPECT_EQ(store.projectPath(), dir.path());

    store.config().Actual_Project_Number = 3;
    store.chooseProjectPath();
    EXPECT_EQ(store.projectPath(), dir / "p00003");
}

TEST(ApplicationFolder, EnvironmentNamesTheFolderElseTheExecutablesFolder) {
    EXPECT_EQ(applicationFolder("/x/y/quorvel", "/opt/qv"), std::filesystem::path("/opt/qv"));
    const auto own = applicationFolder("ignored", nullptr);
    EXPECT_TRUE(std::filesystem::exists(own / "qv_store_tests"));
    EXPECT_EQ(applicationFolder("ignored", ""), own);
}

TEST(Config, NewProjectNumbersRunFromOneTo32000ThenStartAgain) {
    EXPECT_EQ(nextProjectNumber(0), 1);
    EXPECT_EQ(nextProjectNumber(41), 42);
    EXPECT_EQ(nextProjectNumber(31999), 32000);
    EXPECT_EQ(nextProjectNumber(32000), 1);
    EXPECT_EQ(nextProjectNumber(32767), 1);
    EXPECT_EQ(nextProjectNumber(-32768), 1);
}

}  // namespace
}  // namespace qv
