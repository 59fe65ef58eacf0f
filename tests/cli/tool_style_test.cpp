// What every quorvel-tool command shares, checked on the commands the program itself lists:
// nothing waits for an answer nobody gives, every option says what it takes, bad values are
// refused with exit code 2, and the JSON carries UTF-8 text and absolute paths.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "cli/tool_run.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) {
        out.push_back(w);
    }
    return out;
}

// The trial's arguments with the fixture's files in place of the placeholders.
std::vector<std::string> trialArgs(const ToolFixture& f, const json& command, int index) {
    std::vector<std::string> args = words(command["command"].get<std::string>());
    if (command["trial"].is_null()) {
        // A command without a trial still gets an application folder when it takes one.
        for (const auto& o : command["options"]) {
            if (o["name"] == "--app-folder") {
                args.insert(args.end(), {"--app-folder", f.app().string()});
            }
        }
        return args;
    }
    const std::map<std::string, fs::path> places = {
        {"{app}", f.app()},
        {"{new}", f.dir / ("new" + std::to_string(index))},
        {"{acquisition}", f.acquisition()},
        {"{basal}", f.basal()},
        {"{raw}", f.raw()},
        {"{counts}", f.counts()}};
    for (std::string w : words(command["trial"].get<std::string>())) {
        const auto p = places.find(w);
        args.push_back(p == places.end() ? w : p->second.string());
    }
    return args;
}

json listedCommands() {
    const RunResult r = runTool({"--list-commands"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto j = jsonLine(r.out);
    return j ? (*j)["commands"] : json::array();
}

// Standard input stays open and never says anything, and no instrument stands behind any
// port: whatever a command would ask, it must end by itself, within its own time limit, in the
// style every command shares.
TEST(ToolStyle, EveryCommandEndsWithStandardInputIdleAndNoInstrument) {
    ToolFixture f;
    ASSERT_TRUE(f.ready);
    const json commands = listedCommands();
    std::set<std::string> names;
    int index = 0;
    for (const auto& c : commands) {
        const std::string name = c["command"];
        names.insert(name);
        SCOPED_TRACE(name);
        for (const auto& o : c["options"]) {
            EXPECT_FALSE(o["description"].get<std::string>().empty()) << o["name"];
        }
        RunOptions options = f.options();
        options.idleInput = true;
        options.limitMs = c["time_limit_s"].get<int>() * 1000;
        const std::vector<std::string> args = trialArgs(f, c, ++index);
        const RunResult r = runProgram(toolPath(), args, options);
        EXPECT_FALSE(r.timedOut) << "still running after " << options.limitMs << " ms\n" << r.err;
        EXPECT_TRUE(r.exitCode >= 0 && r.exitCode <= 2) << r.exitCode << "\n" << r.err;
        if (!r.out.empty()) {
            EXPECT_TRUE(jsonLine(r.out)) << r.out;
        }
        EXPECT_EQ(r.err.find("open: "), std::string::npos) << r.err;
    }
    for (const char* known : {"config show", "project show", "plate show", "init", "detect",
                              "inspect", "probe", "demo-project", "report", "export-wells"}) {
        EXPECT_TRUE(names.contains(known)) << known;
    }
}

TEST(ToolStyle, BadValuesAreRefusedNotClamped) {
    ToolFixture f;
    ASSERT_TRUE(f.ready);
    const std::string app = f.app().string(), acq = f.acquisition().string();
    const std::string raw = f.raw().string(), counts = f.counts().string();
    const std::vector<std::vector<std::string>> refused = {
        {"report", acq, "--app-folder", app, "--sep", ""},
        {"report", acq, "--app-folder", app, "--bin", "1441"},
        {"report", acq, "--app-folder", app, "--bin", "1"},
        {"report", acq, "--app-folder", app, "--layout", "columns"},
        {"report", acq, "--app-folder", app, "--basal-minutes", "0"},
        {"export-wells", acq, "--app-folder", app, "--bin", "0"},
        {"detect", raw, "--record", "-1", "--channel", "0", "--method", "1", "--snr", "1.8"},
        {"detect", raw, "--record", "0", "--channel", "0", "--method", "1", "--snr", "-0.5"},
        {"detect", raw, "--record", "7", "--channel", "0", "--method", "1", "--snr", "1.8"},
        {"inspect", counts, "--records", "5:2"},
        {"inspect", counts, "--records", "-1:"},
        {"inspect", counts, "--records", "500"},
        {"inspect", counts, "--records", "200:300"},
        {"probe", "--app-folder", app, "--port", "16"},
        {"probe", "--app-folder", app, "--port", "3", "--offline"},
        {"probe", "--app-folder", app, "--search-ports", "16"},
        {"demo-project", "--app-folder", app, "--port", "0"},
        {"project", "show", "--app-folder", app, "--project", "-1"},
        {"plate", "show", "../app/w384", "--app-folder", app},
        {"config", "show", "--app-folder", app, "--bogus"},
        {"config", "show", "--app-folder", (f.dir / "missing").string()},
        {"config"},
        {"report"},
        {"frobnicate"},
    };
    for (const auto& args : refused) {
        std::string line;
        for (const auto& a : args) {
            line += a + " ";
        }
        const RunResult r = f.tool(args);
        EXPECT_EQ(r.exitCode, 2) << line << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << line << "\n" << r.out;
        EXPECT_FALSE(r.err.empty()) << line;
    }
    for (const std::vector<std::string>& ok :
         {std::vector<std::string>{"--help"}, {"--version"}, {"report", "--help"}}) {
        EXPECT_EQ(f.tool(ok).exitCode, 0) << ok.front();
    }
    EXPECT_FALSE(fs::exists(f.acquisition() / "report.csv"));
}

// $QUORVEL_HOME names the application folder of the command that runs, and only of that one.
TEST(ToolStyle, QuorvelHomeIsTheDefaultApplicationFolder) {
    ToolFixture f;
    ASSERT_TRUE(f.ready);
    RunOptions home = f.options({"QUORVEL_HOME=" + f.app().string()});
    const RunResult shown = runTool({"config", "show"}, home);
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(jsonOf(shown)["project_path"], (f.app() / "p00001").string());

    RunOptions missing = f.options({"QUORVEL_HOME=" + (f.dir / "missing").string()});
    EXPECT_EQ(runTool({"config", "show"}, missing).exitCode, 2);
    const RunResult init = runTool({"init", "--app-folder", (f.dir / "other").string()}, missing);
    EXPECT_EQ(init.exitCode, 0) << init.err;
}

// The virtual instrument identifies itself only as an instrument can: 10..250.
TEST(ToolStyle, VirtualInstrumentRefusesASerialNoInstrumentSends) {
    TempDir dir;
    for (const char* serial : {"0", "5", "251", "300", "65279"}) {
        const RunResult r =
            runProgram(simPath(), {"--link", (dir / "COM1").string(), "--serial", serial});
        EXPECT_EQ(r.exitCode, 2) << serial << r.err;
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "COM1"))) << serial;
    }
}

// Paths keep their own bytes (UTF-8) and come out absolute even when given relative; text the
// settings files hold in Windows-1252 comes out as UTF-8.
TEST(ToolStyle, JsonCarriesUtf8TextAndAbsolutePaths) {
    TempDir dir;
    const std::string folder = "labor \xc3\xa9t\xc3\xa9";  // "labor été"
    const fs::path app = dir / folder;
    RunOptions here;
    here.workingFolder = dir.path();
    ASSERT_EQ(runTool({"init", "--app-folder", folder}, here).exitCode, 0);
    const RunResult demo = runTool({"demo-project", "--app-folder", folder}, here);
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    EXPECT_EQ(jsonOf(demo)["project_folder"], (app / "p00001").string());

    const RunResult config = runTool({"config", "show", "--app-folder", folder}, here);
    ASSERT_EQ(config.exitCode, 0) << config.err;
    EXPECT_EQ(jsonOf(config)["project_path"], (app / "p00001").string());

    const RunResult project = runTool({"project", "show", "--app-folder", folder}, here);
    ASSERT_EQ(project.exitCode, 0) << project.err;
    const json p = jsonOf(project);
    EXPECT_EQ(p["project_path"], (app / "p00001").string());
    EXPECT_EQ(p["Working_folder"], (app / "p00001").string() + "/");

    AcquisitionFixture acquisition;
    acquisition.name = "Ni\xf1o 2";  // Windows-1252, as subproj.dat holds it
    const fs::path acq = app / "p00001" / "20240614_1530";
    acquisition.write(acq, everyMinute(90, [](int, int c) { return c % 3; }));
    const std::string relative = folder + "/p00001/20240614_1530";
    const RunResult report =
        runTool({"report", relative, "--app-folder", folder, "--type", "txt"}, here);
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const json rj = jsonOf(report);
    EXPECT_EQ(rj["report"], (acq / "report.txt").string());
    EXPECT_EQ(rj["copy"], (acq / "Ni\xc3\xb1o_2.txt").string());

    const RunResult exported =
        runTool({"export-wells", relative, "--app-folder", folder, "--time"}, here);
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(jsonOf(exported)["folder"], acq.string());
}

// Each command prints one object; snake_case keys, except the system's own field names.
TEST(ToolStyle, KeysAreSnakeCaseOrTheSystemsOwnNames) {
    ToolFixture f;
    ASSERT_TRUE(f.ready);
    const std::set<std::string> systemNames = {"Actual_Project_Number",
                                               "Last_Project",
                                               "Serial_COM",
                                               "Restart_Time",
                                               "Num_proj",
                                               "Name",
                                               "Working_folder",
                                               "Plate_format",
                                               "Aq_mode",
                                               "Aq_lapse",
                                               "Sample_Rate",
                                               "RT_Buffer",
                                               "DSP_Method",
                                               "DSP_Interval",
                                               "Binary_Acq",
                                               "Threshold_Counter",
                                               "Cal_value",
                                               "Cal_mode",
                                               "Save_counts",
                                               "Save_real",
                                               "Menu1",
                                               "Menu2",
                                               "Menu3",
                                               "Menu4",
                                               "Menu5",
                                               "Menu6",
                                               "Mn1",
                                               "Mn2",
                                               "Mn3",
                                               "Mn4",
                                               "Mn5",
                                               "Mn6"};
    const std::string app = f.app().string();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"config", "show", "--app-folder", app},
             {"project", "show", "--app-folder", app},
             {"plate", "show", "w96f", "--app-folder", app},
             {"probe", "--app-folder", app, "--search-ports", "0"},
             {"inspect", f.counts().string(), "--records", "0"}}) {
        const RunResult r = f.tool(args);
        const auto j = jsonLine(r.out);
        ASSERT_TRUE(j) << args.front() << r.out << r.err;
        for (const auto& [key, value] : j->items()) {
            const bool snake =
                key.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos;
            EXPECT_TRUE(snake || systemNames.contains(key)) << args.front() << ": " << key;
        }
    }
}

}  // namespace
}  // namespace qv::testing
