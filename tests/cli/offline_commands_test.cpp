// list and plot run as a user runs them: the browser's list as JSON, its plots as SVG files,
// and refusals that write nothing.
#include <gtest/gtest.h>

#include "cli/tool_run.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

class OfflineCommands : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(f_.ready); }

    RunResult plot(const fs::path& folder, std::vector<std::string> more) const {
        std::vector<std::string> args{"plot", folder.string(), "--app-folder", f_.app().string()};
        args.insert(args.end(), more.begin(), more.end());
        return f_.tool(args);
    }

    ToolFixture f_;
};

TEST_F(OfflineCommands, ListShowsTheProjectsAndTheirAcquisitions) {
    fs::create_directories(f_.app() / "p00001" / "20240101_0000");  // no counts.bin: not listed
    const RunResult r = f_.tool({"list", "--app-folder", f_.app().string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = jsonOf(r);
    nlohmann::json p1;
    for (const auto& p : j["projects"]) {
        if (p["folder"] == "p00001") {
            p1 = p;
        }
    }
    ASSERT_FALSE(p1.is_null()) << r.out;
    std::vector<std::string> folders;
    for (const auto& a : p1["acquisitions"]) {
        folders.push_back(a["folder"]);
        EXPECT_EQ(a["row"].get<std::string>().rfind("  > ", 0), 0u);
    }
    EXPECT_NE(std::find(folders.begin(), folders.end(), "20240614_1400"), folders.end());
    EXPECT_NE(std::find(folders.begin(), folders.end(), "20240614_1530"), folders.end());
    EXPECT_EQ(std::find(folders.begin(), folders.end(), "20240101_0000"), folders.end());
    EXPECT_EQ(p1["row"].get<std::string>().rfind("+ ", 0), 0u);
}

TEST_F(OfflineCommands, PlotWritesEachKindAsSvg) {
    for (const char* kind : {"lines", "bars", "heatmap"}) {
        const fs::path out = f_.dir / (std::string(kind) + ".svg");
        const RunResult r = plot(f_.acquisition(), {"--kind", kind, "--out", out.string()});
        ASSERT_EQ(r.exitCode, 0) << kind << "\n" << r.err;
        const auto j = jsonOf(r);
        EXPECT_EQ(j["kind"], kind);
        EXPECT_GT(j["shapes"].get<int>(), 10) << kind;
        const std::string svg = readBytes(out);
        EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
        EXPECT_NE(svg.find("</svg>"), std::string::npos);
    }
    const RunResult lines = plot(f_.acquisition(), {"--kind", "lines", "--bin", "60", "--out",
                                                    (f_.dir / "l60.svg").string()});
    ASSERT_EQ(lines.exitCode, 0) << lines.err;
    EXPECT_EQ(jsonOf(lines)["bin"], 60);
}

TEST_F(OfflineCommands, PlotRefusesWhatItCannotDrawAndWritesNothing) {
    const fs::path out = f_.dir / "x.svg";
    // Bad usage: exit 2.
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--kind", "pie", "--out", out.string()},
          std::vector<std::string>{"--kind", "lines", "--bin", "0", "--out", out.string()},
          std::vector<std::string>{"--kind", "signal", "--well", "Z9", "--out", out.string()}}) {
        const RunResult r = plot(f_.acquisition(), bad);
        EXPECT_EQ(r.exitCode, 2) << bad[1] << "\n" << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    // The signal of the run's raw samples, then a copy of the run without them.
    RunResult r =
        plot(f_.acquisition(), {"--kind", "signal", "--well", "B3", "--out", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(jsonOf(r)["well"], "B3");
    fs::remove(out);
    const fs::path copy = f_.app() / "p00001" / "20240615_0000";
    fs::copy(f_.acquisition(), copy);
    for (const auto& e : fs::directory_iterator(copy)) {
        if (e.path().extension() == ".bin" && e.path().filename() != "counts.bin") {
            fs::remove(e.path());
        }
    }
    r = plot(copy, {"--kind", "signal", "--out", out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("No raw sample files"), std::string::npos) << r.err;
    const fs::path empty = f_.app() / "p00001" / "20240101_0000";
    fs::create_directories(empty);
    r = plot(empty, {"--kind", "bars", "--out", out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Activity file not Found"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace qv::testing
