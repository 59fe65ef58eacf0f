// quorvel-tool calibrate, autozero and selftest: the instrument care of the main window, on the
// configured port (or --port), without a window. Progress goes to standard error.
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "acquisition/calibration.h"
#include "acquisition/device_link.h"
#include "acquisition/self_test.h"
#include "cli/care_session.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "device/register_map.h"

namespace qv::cli {

namespace {

namespace fs = std::filesystem;

struct CareOptions : SessionOptions {
    bool device = false;
    bool fast = false;
    std::string acquisitionFolder;
    int samples = 30;
    double snr = 0;  // 0: the project's
    bool save = false;
};

nlohmann::json tables(const CalibrationValues& v) {
    return {{"PinHole", std::vector<int>(v.PinHole.begin(), v.PinHole.begin() + kChannels)},
            {"Gain", std::vector<int>(v.Gain.begin(), v.Gain.begin() + kChannels)}};
}

nlohmann::json orNull(int v) {
    return v < 0 ? nlohmann::json(nullptr) : nlohmann::json(v);
}

void print(const nlohmann::json& j) {
    printJson(j);
}

bool commonOptionsValid(const CareOptions& o, ToolContext& ctx) {
    return sessionOptionsValid(o, ctx);
}

// A run is going on while a care command works (Ctrl-C ends it as Stop does).
void asRun(Session& s, const Control& status) {
    s.state.runState = 1;
    s.ui.follow(&status, [&s] { s.state.runState = 0; });
    stopOnInterrupt();
}

int deviceCalibration(Session& s, Calibration& calibration, const CareOptions& o) {
    const DeviceCalibrationResult r = calibration.deviceCalibration(o.acquisitionFolder);
    s.ui.showStatus();
    const fs::path file = s.store.applicationFolder() / "calvalue.dat";
    nlohmann::json out = {{"mode", "device"},
                          {"port", s.state.link.currentPort},
                          {"serial_number", s.state.link.serialNumber},
                          {"progress", r.lastProgress},
                          {"empty_progress_reads", r.emptyReads},
                          {"channels_read", r.channelsRead},
                          {"silent_channel", orNull(r.silentChannel)},
                          {"written", r.fileWritten},
                          {"calvalue", file.string()},
                          {"copied_to", nullptr}};
    if (r.copied) {
        out["copied_to"] = (fs::path(o.acquisitionFolder) / "calvalue.dat").string();
    }
    out.update(tables(s.store.calibration()));
    print(out);
    return r.ok() ? 0 : 1;
}

int fastCalibration(Session& s, Calibration& calibration) {
    const FastCalibrationResult r = calibration.fastCalibration();
    s.ui.showStatus();
    std::vector<int> outside;
    for (int c = 0; c < kChannels; ++c) {
        const int level = r.judgedLevels[static_cast<std::size_t>(c)];
        if (s.store.plate().wellOfChannel[static_cast<std::size_t>(c)] >= 0 &&
            (level < kWindowLow || level > kWindowHigh)) {
            outside.push_back(c);
        }
    }
    nlohmann::json out = {
        {"mode", "fast"},
        {"port", s.state.link.currentPort},
        {"serial_number", s.state.link.serialNumber},
        {"first_time", r.firstTime},
        {"passes", r.passes},
        {"stopped", s.state.runState == 0},
        {"failed_channel", orNull(r.failedChannel)},
        {"written", r.fileWritten},
        {"calvalue", (s.store.applicationFolder() / "calvalue.dat").string()},
        {"levels", std::vector<int>(r.judgedLevels.begin(), r.judgedLevels.end())},
        {"window", {kWindowLow, kWindowHigh}},
        {"outside_window", outside}};
    out.update(tables(s.store.calibration()));
    print(out);
    return r.ok() ? 0 : 1;
}

void runCalibrate(const CareOptions& o, ToolContext& ctx) {
    if (!commonOptionsValid(o, ctx)) {
        return;
    }
    if (o.device == o.fast) {
        refuse(ctx, "give one of --device and --fast");
        return;
    }
    if (!o.acquisitionFolder.empty() && (o.fast || !fs::is_directory(o.acquisitionFolder))) {
        refuse(ctx, "--acquisition-folder goes with --device and must be an existing folder");
        return;
    }
    Session s(ctx.ui, o);
    if (!s.open(o)) {
        ctx.exitCode = 1;
        return;
    }
    Calibration calibration(s.care, CalibrationControls::of(s.controls));
    asRun(s, calibration.status().lineControl());
    ctx.exitCode =
        o.device ? deviceCalibration(s, calibration, o) : fastCalibration(s, calibration);
}

// The project's threshold as the main window reads it at start-up, with Play's rule for values
// below 1.3.
double projectSnr(const Store& store) {
    const Mn& m = store.setup().Mn1;
    double snr = m[mn1::SNRx10] != 0 ? m[mn1::SNRx10] / 10.0 : 1.8;
    if (m[mn1::Organism] == 0) {
        snr = 1.8;
    } else if (m[mn1::Organism] == 1) {
        snr = 2.1;
    }
    return snr < 1.3 ? 1.8 : snr;
}

void runAutozero(const CareOptions& o, ToolContext& ctx) {
    if (!commonOptionsValid(o, ctx)) {
        return;
    }
    if (o.samples != 30 && o.samples != 100) {
        refuse(ctx, "--samples must be 30 or 100");
        return;
    }
    if (o.snr != 0 && (o.snr <= 1 || o.snr > 5)) {
        refuse(ctx, "--snr must be above 1 and at most 5.0");
        return;
    }
    Session s(ctx.ui, o);
    if (!s.open(o)) {
        ctx.exitCode = 1;
        return;
    }
    Calibration calibration(s.care, CalibrationControls::of(s.controls));
    s.state.autoCalibration = o.samples == 30;
    s.state.autoZero = true;
    s.state.snrThreshold = o.snr != 0 ? o.snr : projectSnr(s.store);
    asRun(s, calibration.status().lineControl());
    // As at the start of a run: the plate mode first, so the instrument answers in the
    // acquisition form.
    const std::string& plate = s.store.setup().Plate_format;
    for (int i = 0; i < 2; ++i) {
        s.link.com.WriteRegister(device::reg::kPlateMode, plate == "w96" || plate == "w96u",
                                 device::reg::kBankCommand);
        s.clock.sleepMs(100);
    }
    const AutoZeroResult r = calibration.autoZero();
    s.ui.showStatus();
    bool saved = false;
    if (r.applied && o.save) {
        saved = s.store.saveProjectSettings();
        if (!saved) {
            s.ui.message("<Error Saving Project Settings>");
        }
    }
    std::vector<double> thresholds;
    std::vector<int> levels, ripples;
    for (int c = 0; c < kChannels; ++c) {
        thresholds.push_back(s.store.setup().channelThreshold[static_cast<std::size_t>(c)]);
        levels.push_back(r.channels[static_cast<std::size_t>(c)].level);
        ripples.push_back(r.channels[static_cast<std::size_t>(c)].ripple);
    }
    print({{"port", s.state.link.currentPort},
           {"samples", r.samples},
           {"snr", s.state.snrThreshold},
           {"applied", r.applied},
           {"stopped", r.stopped},
           {"silent", r.silent},
           {"saved", saved},
           {"thresholds", thresholds},
           {"levels", levels},
           {"ripples", ripples}});
    ctx.exitCode = r.applied && (saved || !o.save) ? 0 : 1;
}

nlohmann::json gradingJson(const Grading& g) {
    static const char* kinds[] = {"all_on", "all_off", "column", "row"};
    nlohmann::json j = {{"test", kinds[static_cast<int>(g.kind)]},
                        {"pass", g.pass},
                        {"label", cp1252ToUtf8(g.label)},
                        {"failing_on", g.failingOn},
                        {"failing_off", g.failingOff}};
    if (g.kind == Grading::Kind::Column || g.kind == Grading::Kind::Row) {
        j["number"] = g.index + 1;
    }
    return j;
}

nlohmann::json beams(const std::vector<Grading>& gradings) {
    std::vector<int> failing;
    for (const Grading& g : gradings) {
        failing.insert(failing.end(), g.failingOn.begin(), g.failingOn.end());
        failing.insert(failing.end(), g.failingOff.begin(), g.failingOff.end());
    }
    std::sort(failing.begin(), failing.end());
    failing.erase(std::unique(failing.begin(), failing.end()), failing.end());
    nlohmann::json out = nlohmann::json::array();
    for (int c : failing) {
        const int column = c / kTestRows + 1;
        const char row = static_cast<char>('A' + c % kTestRows);
        out.push_back({{"channel", c},
                       {"column", column},
                       {"row", std::string(1, row)},
                       {"beam", std::string(1, row) + std::to_string(column)}});
    }
    return out;
}

void runSelftest(const CareOptions& o, ToolContext& ctx) {
    if (!commonOptionsValid(o, ctx)) {
        return;
    }
    Session s(ctx.ui, o);
    if (!s.open(o)) {
        ctx.exitCode = 1;
        return;
    }
    SelfTest test(s.care, SelfTestControls::of(s.controls));
    Control& timer = *s.controls.find("Timer_test");
    s.ui.follow(s.controls.find("lbl_temperature"), [&s] { s.state.runState = 0; });
    test.mnstatustest_Click();
    // The window's 100 ms timer: a tick is due 100 ms after the previous one began, or at once
    // when that one took longer.
    std::int64_t due = s.clock.monotonicMs();
    while (timer.enabled) {
        const std::int64_t now = s.clock.monotonicMs();
        if (now < due) {
            s.clock.sleepMs(static_cast<int>(due - now));
        }
        due = s.clock.monotonicMs() + timer.intervalMs;
        test.Timer_test_Timer();
        s.ui.showStatus();
    }
    const bool started = !test.reportPath().empty();
    bool allPassed = started && test.completed();
    nlohmann::json gradings = nlohmann::json::array();
    for (const Grading& g : test.gradings()) {
        gradings.push_back(gradingJson(g));
        allPassed = allPassed && g.pass;
    }
    print({{"port", s.state.link.currentPort},
           {"serial_number", test.serialNumber()},
           {"started", started},
           {"completed", test.completed()},
           {"aborted", test.aborted()},
           {"report", started ? nlohmann::json(test.reportPath().string()) : nullptr},
           {"all_passed", allPassed},
           {"gradings", gradings},
           {"failing_beams", beams(test.gradings())}});
    ctx.exitCode = test.completed() ? 0 : 1;
}

void commonOptions(CLI::App* cmd, CareOptions& o) {
    addSessionOptions(cmd, o);
}

}  // namespace

void addCareCommands(CLI::App& app, ToolContext& ctx) {
    auto o = std::make_shared<CareOptions>();
    CLI::App* calibrate = app.add_subcommand(
        "calibrate", "calibrate the beams: the instrument's own (--device) or Fast CALIB (--fast)");
    commonOptions(calibrate, *o);
    calibrate->add_flag("--device", o->device,
                        "the instrument calibrates itself; settings read back into calvalue.dat");
    calibrate->add_flag("--fast", o->fast,
                        "step every beam in a well until its level is in 1638..1843");
    calibrate->add_option("--acquisition-folder", o->acquisitionFolder,
                          "existing acquisition folder that receives a copy of calvalue.dat "
                          "(--device only)");
    calibrate->callback([o, &ctx] { runCalibrate(*o, ctx); });

    CLI::App* autozero = app.add_subcommand(
        "autozero", "set every channel's detection threshold from its ripple (Fast ZERO)");
    commonOptions(autozero, *o);
    autozero->add_option("--samples", o->samples,
                         "samples per channel: 30 (automatic calibration, the default) or 100");
    autozero->add_option("--snr", o->snr,
                         "SNR threshold, above 1.0 up to 5.0 (default: the project's)");
    autozero->add_flag("--save", o->save, "write the thresholds into the project's threshld.dat");
    autozero->callback([o, &ctx] { runAutozero(*o, ctx); });

    CLI::App* selftest = app.add_subcommand(
        "selftest", "Test DEVICE: every beam on, off, by column and by row, with an empty slot");
    commonOptions(selftest, *o);
    selftest->add_flag("--yes", o->yes,
                       "answer OK to the test's questions (the slot is empty, the door closed)");
    selftest->callback([o, &ctx] { runSelftest(*o, ctx); });
}

}  // namespace qv::cli
