// repoconf.dat: the report settings as the main window and the report windows load them. A
// file that does not read is replaced by the defaults (that is its rule); one that reads is
// left alone, and what was loaded saves and loads back the same.
#include "common/scripted_ui.h"
#include "store/report_config.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

bool sameConfig(const ReportConfig& a, const ReportConfig& b) {
    return a.User_defined == b.User_defined && a.Bin == b.Bin && a.filetype == b.filetype &&
           a.spacer == b.spacer && a.stdError == b.stdError && a.stdDev == b.stdDev && a.n == b.n &&
           a.out_format == b.out_format && a.organism == b.organism && a.method == b.method &&
           a.threshold == b.threshold && a.rawexport == b.rawexport;
}

void checkRanges(const ReportConfig& c) {
    const auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    fuzz::check(in(c.User_defined, 0, 1) && in(c.Bin, 2, 1440) && in(c.filetype, 0, 1) &&
                    in(c.stdError, 0, 1) && in(c.stdDev, 0, 1) && in(c.n, 0, 1) &&
                    in(c.out_format, 0, 3) && in(c.organism, 0, 3) && in(c.method, 0, 2) &&
                    in(c.threshold, 5, 30) && in(c.rawexport, 0, 1),
                "a report setting outside its range after the load");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path app = fuzz::freshScratch();
    const fs::path file = app / "repoconf.dat";
    fuzz::writeBytes(file, fuzz::asText(data, size));
    const auto before = fuzz::snapshot(app);

    ScriptedUi ui;
    ReportConfig config;
    std::int16_t U = -1;
    fuzz::mustNotThrow("loadReportConfig", [&] { U = loadReportConfig(app, 1, config, ";", ui); });
    checkRanges(config);
    fuzz::check(U == config.User_defined, "the flag returned is not the one loaded");
    const bool replaced = !ui.messages.empty();
    fuzz::expectUnchanged(before, fuzz::snapshot(app), "loadReportConfig",
                          [&](const std::string& p) { return replaced && p == "repoconf.dat"; });
    if (replaced) {
        fuzz::check(U == 0, "a replaced file did not give 0");
        const fs::path expected = app / "expected";
        fs::create_directories(expected);
        ReportConfig defaults;
        setReportDefaults(defaults, ";");
        saveReportConfig(expected, 0, defaults, ui);
        fuzz::check(fuzz::readBytes(file) == fuzz::readBytes(expected / "repoconf.dat"),
                    "the replaced file is not the defaults");
    }

    // Saving what was loaded and loading it again gives the same settings.
    fuzz::check(saveReportConfig(app, config.User_defined, config, ui), "save failed");
    ReportConfig again;
    const std::size_t messages = ui.messages.size();
    loadReportConfig(app, 1, again, ";", ui);
    fuzz::check(ui.messages.size() == messages, "a saved file does not load");
    std::string spacer = config.spacer;
    std::erase(spacer, '"');
    config.spacer = spacer;
    fuzz::check(sameConfig(config, again), "the settings do not load back as saved");
    return 0;
}
