// quorvel-tool arena calibrate, arena gain-curve and factory-cal: the service windows (the
// channel calibration arena and the factory settings) on the configured port, without a
// window. Progress goes to standard error.
#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/care_session.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "common/number_format.h"
#include "tools/arena_window.h"
#include "tools/factory_window.h"

namespace qv::cli {

namespace {

namespace fs = std::filesystem;

struct ArenaOptions : SessionOptions {
    int target = 0;  // 0: the project's Cal_value
    std::string mode = "max-gain";
    int settleMs = 100;
    bool noSave = false;
    int pinHole = 3;
};

struct FactoryOptions : SessionOptions {
    std::optional<double> reference;
};

nlohmann::json orNull(int v) {
    return v < 0 ? nlohmann::json(nullptr) : nlohmann::json(v);
}

nlohmann::json orNull(std::optional<double> v) {
    return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
}

nlohmann::json settingTables(const ChannelSettings& settings) {
    std::vector<int> pinHoles, gains;
    for (const ChannelSetting& s : settings) {
        pinHoles.push_back(s.pinHole);
        gains.push_back(s.gain);
    }
    return {{"PinHole", pinHoles}, {"Gain", gains}};
}

// The arena as its window opens it, with the status line as progress and Ctrl-C as hiding it.
struct ArenaSession {
    Session s;
    ArenaWindow arena;

    ArenaSession(CliUi& terminal, const ArenaOptions& o) : s(terminal, o), arena(s.care) {}

    bool open(const ArenaOptions& o) {
        if (!s.open(o)) {
            return false;
        }
        arena.device().settleMs = o.settleMs;
        arena.Form_Load();
        s.ui.follow(&arena.lblprogress, [this] { arena.lblprogress_Click(); });
        stopOnInterrupt();
        return true;
    }
};

int reportCalibration(ArenaSession& a, const ArenaOptions& o) {
    const ArenaCalibrationResult& r = a.arena.lastCalibration();
    const ArenaSavingResult& saved = a.arena.lastSaving();
    const TargetBand band = a.arena.band();
    const bool saving = r.completed && !o.noSave;
    nlohmann::json out = {{"port", a.s.state.link.currentPort},
                          {"serial_number", a.s.state.link.serialNumber},
                          {"mode", o.mode},
                          {"target", a.arena.Txtajuste.text},
                          {"band", {band.lower, band.upper}},
                          {"started", r.started},
                          {"completed", r.completed},
                          {"stopped", r.stopped},
                          {"failed_channel", orNull(r.failedChannel)},
                          {"channels_tuned", r.channelsTuned},
                          {"readings", std::vector<int>(r.readings.begin(), r.readings.end())},
                          {"outside_band", r.outside(band)},
                          {"summary", cp1252ToUtf8(a.arena.lblout.text)},
                          {"saved", saving && saved.written},
                          {"silent_channels", saved.silentChannels},
                          {"calvalue", jsonPath(a.s.store.applicationFolder() / "calvalue.dat")}};
    out.update(settingTables(a.arena.settings()));
    printJson(out);
    return r.completed && (o.noSave || saved.written) ? kExitSuccess : kExitFailure;
}

void runArenaCalibrate(const ArenaOptions& o, ToolContext& ctx) {
    if (!sessionOptionsValid(o, ctx)) {
        return;
    }
    ArenaSession a(ctx.ui, o);
    if (!a.open(o)) {
        ctx.exitCode = kExitFailure;
        return;
    }
    if (o.target != 0) {
        a.arena.Txtajuste.text = std::to_string(o.target);
    }
    a.arena.Combomode.listIndex = o.mode == "max-power" ? 1 : 0;
    a.arena.Cmdcalibrar_Click();
    a.s.ui.showStatus();
    std::cerr << cp1252ToUtf8(a.arena.lblout.text) << '\n';
    if (a.arena.lastCalibration().completed && !o.noSave) {
        a.arena.cmd_setcalibra_Click();
    }
    ctx.exitCode = reportCalibration(a, o);
}

double rounded(double v, double step) {
    return std::round(v / step) * step;
}

void runGainCurve(const ArenaOptions& o, ToolContext& ctx) {
    if (!sessionOptionsValid(o, ctx)) {
        return;
    }
    ArenaSession a(ctx.ui, o);
    if (!a.open(o)) {
        ctx.exitCode = kExitFailure;
        return;
    }
    a.arena.scrollpower.value = o.pinHole;
    a.arena.cmdTEST_Click();
    const GainCurveResult& r = a.arena.lastGainCurve();
    nlohmann::json steps = nlohmann::json::array();
    for (const GainCurveStep& step : r.steps) {
        double mean = 0, deviation = 0;
        for (int c = 0; c < kArenaChannels; ++c) {
            mean += step.mean[static_cast<std::size_t>(c)];
            deviation += step.deviation[static_cast<std::size_t>(c)];
        }
        steps.push_back({{"PinHole", step.setting.pinHole},
                         {"Gain", step.setting.gain},
                         {"readings", static_cast<int>(step.readings.size())},
                         {"mean_reading", rounded(mean / kArenaChannels, 0.1)},
                         {"mean_deviation", rounded(deviation / kArenaChannels, 0.01)}});
    }
    nlohmann::json files = nlohmann::json::array();
    for (const fs::path& f : GainCurveTest::files(a.s.store.applicationFolder())) {
        files.push_back(jsonPath(f));
    }
    printJson({{"port", a.s.state.link.currentPort},
               {"serial_number", a.s.state.link.serialNumber},
               {"PinHole", o.pinHole},
               {"completed", r.completed},
               {"stopped", r.stopped},
               {"restored", r.restored},
               {"steps", steps},
               {"files", files}});
    ctx.exitCode = r.completed && r.restored ? kExitSuccess : kExitFailure;
}

nlohmann::json calibrationJson(const device::LinkState& link) {
    return {{"factory_calibration", link.factoryCalibration},
            {"slope", link.temperatureSlope},
            {"offset", link.temperatureOffset},
            {"calibration_month", link.calibrationMonth},
            {"calibration_year", link.calibrationYear}};
}

nlohmann::json setJson(const SensorCalibrationResult& r) {
    nlohmann::json j = {{"reading", rounded(r.reading, 0.001)},
                        {"reference", r.reference},
                        {"old_offset", r.oldOffset},
                        {"new_offset", r.newOffset},
                        {"slope", r.slope},
                        {"month", r.month},
                        {"year", r.year},
                        {"bytes", std::vector<int>(r.bytes.begin(), r.bytes.end())},
                        {"bytes_confirmed", r.bytesConfirmed},
                        {"calibrated", r.calibrated},
                        {"read_back", nullptr}};
    if (r.readBackDone) {
        j["read_back"] = {{"valid", r.readBack.valid},
                          {"offset", r.readBack.offset},
                          {"slope", r.readBack.slope},
                          {"month", r.readBack.month},
                          {"year", r.readBack.year}};
    }
    return j;
}

void runFactoryCal(const FactoryOptions& o, ToolContext& ctx) {
    if (!sessionOptionsValid(o, ctx)) {
        return;
    }
    Session s(ctx.ui, o);
    if (!s.open(o)) {
        ctx.exitCode = kExitFailure;
        return;
    }
    FactoryWindow w(s.care);
    w.Form_Load();
    w.Form_Activate();
    w.Timer_temp_Timer();
    nlohmann::json out = {{"port", s.state.link.currentPort},
                          {"serial_number", s.state.link.serialNumber},
                          {"serial", cp1252ToUtf8(w.lblserial.text)},
                          {"before", calibrationJson(s.state.link)},
                          {"temperature_before", orNull(typedNumber(w.txt_current_temp.text))}};
    bool ok = w.Timer_temp.enabled;  // the timer stops after a reading that did not come
    if (o.reference) {
        w.txt_set_temp.text = formatFixed(*o.reference, 3);
        w.Cmd_temp_Click();
        out["set"] = setJson(w.lastSet());
        ok = w.lastSet().calibrated;
        if (ok) {
            w.Timer_temp_Timer();
        }
    }
    w.Form_Unload();
    out["message"] = cp1252ToUtf8(w.txt_mensaje.text);
    out["after"] = calibrationJson(s.state.link);
    // Unrounded, as the window's box shows it to a tenth.
    out["temperature"] = orNull(SensorCalibration(s.care).temperature());
    printJson(out);
    ctx.exitCode = ok ? kExitSuccess : kExitFailure;
}

void addArenaCommands(CLI::App& app, ToolContext& ctx) {
    CLI::App& arena = commandGroup(app, "arena", "the channel calibration arena (service)");
    auto o = std::make_shared<ArenaOptions>();
    auto settle = [](CLI::App* cmd, ArenaOptions& opts) {
        cmd->add_option("--settle-ms", opts.settleMs,
                        "pause after each channel write before reading, 0..1000 ms (default 100)")
            ->check(CLI::Range(0, 1000));
    };
    CLI::App* calibrate = arena.add_subcommand(
        "calibrate",
        "tune every channel's gain and pinhole into the target band, then save calvalue.dat "
        "from what the instrument reports");
    addSessionOptions(calibrate, *o);
    calibrate
        ->add_option("--target", o->target,
                     "target in percent of 2048, 10..190 (default: the project's Cal_value)")
        ->check(CLI::Range(10, 190));
    calibrate->add_option("--mode", o->mode, "max-gain (default) or max-power")
        ->check(CLI::IsMember({"max-gain", "max-power"}));
    settle(calibrate, *o);
    calibrate->add_flag("--no-save", o->noSave, "leave calvalue.dat as it is");
    calibrate->callback([o, &ctx] { runArenaCalibrate(*o, ctx); });

    auto g = std::make_shared<ArenaOptions>();
    CLI::App* curve = arena.add_subcommand(
        "gain-curve",
        "TEST CURVA DE GANANCIA: 21 readings of every channel at gains 0..7, written to "
        "test_bk.txt, test_mean.txt and test_desv.txt; the channels' settings are put back");
    addSessionOptions(curve, *g);
    curve->add_option("--pinhole", g->pinHole, "pinhole of every channel, 0..7 (default 3)")
        ->check(CLI::Range(0, 7));
    settle(curve, *g);
    curve->callback([g, &ctx] { runGainCurve(*g, ctx); });
}

}  // namespace

void addToolsCommands(CLI::App& app, ToolContext& ctx) {
    addArenaCommands(app, ctx);
    auto o = std::make_shared<FactoryOptions>();
    CLI::App* factory = app.add_subcommand(
        "factory-cal",
        "the instrument's serial number and temperature; with --reference, the one-point "
        "correction of its temperature sensor, stored in the instrument and read back");
    addSessionOptions(factory, *o);
    factory
        ->add_option("--reference", o->reference,
                     "the reference thermometer's reading, 4.0..50.0 degrees C")
        ->check(CLI::Range(4.0, 50.0));
    factory->callback([o, &ctx] { runFactoryCal(*o, ctx); });
}

}  // namespace qv::cli
