#include <gtest/gtest.h>

#include <filesystem>

#include "common/scripted_ui.h"
#include "store/installation.h"
#include "store/store.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// quorvel-tool project and groups on a fresh installation; skipped when the tool has not
// been built.
class SetupToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tool_ = testing::binaryDir() / "src/cli/quorvel-tool";
        if (!fs::exists(tool_)) {
            GTEST_SKIP() << "quorvel-tool not built";
        }
        ASSERT_EQ(layInstallationData(testing::sourceDir() / "data", dir_.path(), false).status,
                  InstallStatus::Ok);
    }

    testing::ProgramRun run(const std::string& args) {
        return testing::runProgram(tool_, args + " --app-folder '" + dir_.path().string() + "'",
                                   dir_ / "stderr.txt");
    }

    // The store as the desktop program would find it next time.
    ProjectSetup current(std::int16_t* number = nullptr) {
        ScriptedUi quiet;
        Store store(dir_.path(), quiet);
        store.startUp();
        if (number != nullptr) {
            *number = store.config().Actual_Project_Number;
        }
        return store.setup();
    }

    testing::TempDir dir_;
    fs::path tool_;
};

// The output is one JSON line without blanks; the parts are written with a blank after the
// colon for reading's sake.
bool has(const std::string& text, std::string part) {
    for (std::size_t at; (at = part.find("\": ")) != std::string::npos;) {
        part.erase(at + 2, 1);
    }
    return text.find(part) != std::string::npos;
}

TEST_F(SetupToolTest, NewProjectsAreNumberedAndAnExistingFolderIsKeptWithoutYes) {
    auto r = run("project new 'Larvae A'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\"project\": 1")) << r.out;
    EXPECT_TRUE(has(r.out, "\"name\": \"Larvae A\"")) << r.out;
    std::int16_t number = 0;
    EXPECT_EQ(current(&number).Name, "Larvae A");
    EXPECT_EQ(number, 1);

    fs::create_directory(dir_ / "p00002");
    r = run("project save-as Copy");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(has(r.err, "p00002 already exists and was kept")) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "p00002/setup.dat"));
    current(&number);
    EXPECT_EQ(number, 1);

    r = run("project save-as Copy --yes");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\"action\": \"save-as\"")) << r.out;
    EXPECT_EQ(current(&number).Name, "Copy");
    EXPECT_EQ(number, 2);
}

TEST_F(SetupToolTest, ListLoadRenameAndSave) {
    ASSERT_EQ(run("project new First").exitCode, 0);
    ASSERT_EQ(run("project new Second").exitCode, 0);
    auto r = run("project list");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\"entry\": \"p00001_First\"")) << r.out;
    EXPECT_TRUE(has(r.out, "\"entry\": \"p00002_Second\"")) << r.out;
    EXPECT_TRUE(has(r.out, "\"current_project\": 2")) << r.out;

    r = run("project load 1");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::int16_t number = 0;
    EXPECT_EQ(current(&number).Name, "First");
    EXPECT_EQ(number, 1);
    EXPECT_EQ(run("project load 7").exitCode, 1);
    EXPECT_EQ(run("project load 40000").exitCode, 2);

    r = run("project rename Renamed");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(current().Name, "Renamed");
    EXPECT_TRUE(fs::is_directory(dir_ / "p00001"));
    EXPECT_EQ(run("project rename ''").exitCode, 2);
    EXPECT_EQ(run("project save").exitCode, 0);

    ASSERT_EQ(run("project load 0").exitCode, 0);
    r = run("project rename Nope");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(has(r.err, "Not possible to rename the Default project")) << r.err;
}

TEST_F(SetupToolTest, GroupsAreArrangedInBlocksAndClearedOnlyWithYes) {
    auto r = run("groups arrange 02x03");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\"block_rows\": 2")) << r.out;
    ProjectSetup s = current();
    EXPECT_EQ(s.channelGroup[0], 0);   // A1
    EXPECT_EQ(s.channelGroup[34], 0);  // B2
    EXPECT_EQ(s.channelGroup[50], 0);  // B2's second beam
    EXPECT_EQ(s.channelGroup[4], 1);   // C1
    EXPECT_EQ(s.channelGroup[1], -1);  // an odd beam row lies in no well
    EXPECT_EQ(s.groupName[15], "Group15");
    EXPECT_TRUE(has(testing::readBytes(dir_ / "groups.dat"), "\r\n3,\"Group3\"\r\n"));

    r = run("groups arrange 3x3");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(has(r.err, "does not tile the 8 x 12 plate w96f")) << r.err;
    EXPECT_EQ(run("groups arrange big").exitCode, 2);

    r = run("groups clear");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(current().channelGroup[0], 0);
    r = run("groups clear --yes");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    s = current();
    EXPECT_EQ(s.channelGroup[0], -1);
    EXPECT_EQ(s.groupName[0], "Free");
}

TEST_F(SetupToolTest, AFolderWithoutInstallationFails) {
    fs::remove(dir_ / "config.dat");
    const auto r = run("project list");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(has(r.err, "Config file not found")) << r.err;
}

}  // namespace
}  // namespace qv
