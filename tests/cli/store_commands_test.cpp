// The store's commands run as a user runs them: views that say when they show a fallback and
// never write, an init that loses nothing, a demo project that never takes a project's place.
#include <gtest/gtest.h>

#include <map>

#include "cli/tool_run.h"
#include "common/file_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Every file under a folder with its bytes, to tell whether anything was written.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        files[e.path().string()] = e.is_regular_file() ? readBytes(e.path()) : "<folder>";
    }
    return files;
}

const std::string kConfigHeader =
    "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\"\r\n";

TEST(StoreCommands, ShowsSayWhenTheyShowDefaults) {
    ToolFixture f;
    ASSERT_TRUE(f.ready);
    const std::string app = f.app().string();

    RunResult r = f.tool({"project", "show", "--project", "5", "--app-folder", app});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    json j = jsonOf(r);
    EXPECT_EQ(j["project_number"], 0);
    EXPECT_EQ(j["defaults_applied"], true);
    EXPECT_NE(r.err.find("No project folder p00005"), std::string::npos) << r.err;

    r = f.tool({"project", "show", "--project", "1", "--app-folder", app});
    j = jsonOf(r);
    EXPECT_EQ(j["project_number"], 1);
    EXPECT_EQ(j["Name"], "Demo");
    EXPECT_EQ(j["defaults_applied"], false);
    EXPECT_TRUE(r.err.empty()) << r.err;

    r = f.tool({"plate", "show", "bogus", "--app-folder", app});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    j = jsonOf(r);
    EXPECT_EQ(j["defaults_applied"], true);
    EXPECT_EQ(j["code"], "w96f");
    EXPECT_EQ(j["requested_code"], "bogus");
    EXPECT_NE(r.err.find("Error [\\bogus.dat] ID#0"), std::string::npos) << r.err;

    writeBytes(f.app() / "config.dat", kConfigHeader + "1,x,4,0\r\n");
    r = f.tool({"config", "show", "--app-folder", app});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    j = jsonOf(r);
    EXPECT_EQ(j["defaults_applied"], true);
    EXPECT_NE(r.err.find("Loading DEFAULT configuration"), std::string::npos) << r.err;

    fs::remove(f.app() / "config.dat");
    r = f.tool({"config", "show", "--app-folder", app});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Config file not found"), std::string::npos) << r.err;
}

// A damaged setup.dat and its backup: the view shows what a load would bring back, and the
// folder stays exactly as it was. The program's own load then keeps the damaged file.
TEST(StoreCommands, ProjectShowNeverWritesButTheLoadKeepsTheDamagedFile) {
    ToolFixture f;
    ASSERT_TRUE(f.ready);
    const fs::path p = f.app() / "p00001";
    const std::string good = readBytes(p / "setup.dat");
    std::string damaged = good;
    damaged.replace(damaged.find("\r\n1,10,"), 7, "\r\n1,x,");
    writeBytes(p / "setup.bak", good);
    writeBytes(p / "setup.dat", damaged);
    const auto before = snapshot(f.app());

    const RunResult r = f.tool({"project", "show", "--app-folder", f.app().string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json j = jsonOf(r);
    EXPECT_EQ(j["recovered"], true);
    EXPECT_EQ(j["Aq_lapse"], 10);
    EXPECT_NE(r.err.find("=> Loading values from: p00001\\"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(f.app()), before);
}

TEST(StoreCommands, InitForceKeepsWhatItReplaces) {
    TempDir dir;
    const std::string app = (dir / "app").string();
    ASSERT_EQ(runTool({"init", "--app-folder", app}).exitCode, 0);
    writeBytes(dir / "app" / "calvalue.dat", "this instrument's calibration");
    writeBytes(dir / "app" / "config.dat", kConfigHeader + "7,9,3,0\r\n");

    RunResult r = runTool({"init", "--app-folder", app});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("use --force"), std::string::npos) << r.err;
    EXPECT_EQ(readBytes(dir / "app" / "calvalue.dat"), "this instrument's calibration");

    r = runTool({"init", "--app-folder", app, "--force"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json j = jsonOf(r);
    const fs::path kept = j["kept_folder"].get<std::string>();
    EXPECT_EQ(kept.parent_path(), dir / "app");
    EXPECT_EQ(readBytes(kept / "calvalue.dat"), "this instrument's calibration");
    EXPECT_EQ(readBytes(kept / "config.dat"), kConfigHeader + "7,9,3,0\r\n");
    const auto replaced = j["replaced"].get<std::vector<std::string>>();
    EXPECT_NE(std::find(replaced.begin(), replaced.end(), "calvalue.dat"), replaced.end());
    EXPECT_NE(r.err.find("kept in " + kept.string()), std::string::npos) << r.err;
}

// The settings files cannot hold a double quote; an application folder whose path has one
// still loads without a single fallback.
TEST(StoreCommands, InitIntoAFolderWithAQuoteInItsPath) {
    TempDir dir;
    const std::string app = (dir / "the \"lab\"").string();
    ASSERT_EQ(runTool({"init", "--app-folder", app}).exitCode, 0);
    const RunResult r = runTool({"project", "show", "--app-folder", app});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(jsonOf(r)["defaults_applied"], false);
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(StoreCommands, DemoProjectPassesOverProjectsThatExist) {
    ToolFixture f;
    ASSERT_TRUE(f.ready);
    // p00002 is someone's project, made by hand, that config.dat does not know of.
    fs::copy(f.app() / "p00001", f.app() / "p00002", fs::copy_options::recursive);
    writeBytes(f.app() / "p00002" / "groups.dat",
               "\"<Group_Number>, <Group_Name>\"\r\n0,\"Mine\"\r\n");
    const auto before = snapshot(f.app() / "p00002");
    const RunResult r = f.tool({"demo-project", "--app-folder", f.app().string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json j = jsonOf(r);
    EXPECT_EQ(j["project"], 3);
    EXPECT_EQ(j["passed_over"], json::array({2}));
    EXPECT_EQ(snapshot(f.app() / "p00002"), before);
    EXPECT_NE(readBytes(f.app() / "config.dat").find("3,3,4,0"), std::string::npos);
    // The demo project comes with its ten-minute demo run: forty 15-second blocks.
    const fs::path run = j["acquisition"].get<std::string>();
    EXPECT_EQ(run.parent_path(), f.app() / "p00003");
    EXPECT_EQ(fs::file_size(run / "counts.bin"), 40u * 774u);
}

// Last_Project at the top of the 16-bit range: the numbers start again at 1, never below.
TEST(StoreCommands, DemoProjectAfterTheLastNumberStartsAgainAtOne) {
    TempDir dir;
    const fs::path app = dir / "app";
    ASSERT_EQ(runTool({"init", "--app-folder", app.string()}).exitCode, 0);
    writeBytes(app / "config.dat", kConfigHeader + "0,32767,4,0\r\n");
    const std::string project0 = readBytes(app / "setup.dat");
    const RunResult r = runTool({"demo-project", "--app-folder", app.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(jsonOf(r)["project"], 1);
    EXPECT_TRUE(fs::is_directory(app / "p00001"));
    EXPECT_FALSE(fs::exists(app / "p-32768"));
    EXPECT_EQ(readBytes(app / "setup.dat"), project0);
}

}  // namespace
}  // namespace qv::testing
