// quorvel-tool acquire: one run of the current project, exactly as Play does, on the configured
// port in real time or on the virtual instrument on virtual time.
#include <signal.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "acquisition/device_link.h"
#include "acquisition/main_window.h"
#include "acquisition/start_screen.h"
#include "acquisition/timer_driver.h"
#include "analysis/report_window.h"
#include "cli/acquire_run.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "common/number_format.h"
#include "device/com_names.h"
#include "device/in_process_backend.h"
#include "device/posix_backend.h"
#include "sim/firmware.h"
#include "store/report_config.h"

namespace qv::cli {

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int) {
    stopSignal = 1;
}

// The questions of a run answered from the options: the name box gets --name, the disk-space
// question Yes only with --yes, anything else No. Nothing is read from standard input.
class AcquireUi : public Ui {
  public:
    AcquireUi(Ui& terminal, const AcquireOptions& opt) : terminal_(terminal), opt_(opt) {}

    std::function<void()> onEvents;
    std::optional<fs::path> lastOpened;

    void message(const std::string& text, const std::string& title = {}) override {
        terminal_.message(text, title);
    }
    Answer ask(const std::string& text, Buttons buttons) override {
        const bool diskQuestion = text.rfind("WARNING:", 0) == 0;
        terminal_.message(text + (diskQuestion && opt_.yes ? "  -> Yes (--yes)" : "  -> No"));
        if (diskQuestion && opt_.yes) {
            return Answer::Yes;
        }
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    std::optional<std::string> input(const std::string&, const std::string& title,
                                     const std::string&) override {
        if (title == "New Acquisition") {
            return utf8ToCp1252(opt_.name);
        }
        return std::nullopt;
    }
    void processEvents() override {
        if (onEvents) {
            onEvents();
        }
    }
    void openExternal(const std::string& path, ExternalKind) override { lastOpened = path; }

  private:
    Ui& terminal_;
    const AcquireOptions& opt_;
};

// The program's windows without a display: the start screen and main window logic on a store,
// the application state and a device link.
struct Session {
    Store store;
    AppState state;
    DeviceLink device;
    AppContext context;
    StartScreen init;
    MainWindow main;
    Controls forms;

    Session(const fs::path& folder, Ui& ui, Clock& clock, device::SerialBackend& ports)
        : store(folder, ui),
          device(ports, clock, ui, state, store),
          context{store, state, ui, clock, device},
          init(context),
          main(context, init) {
        Control& setup = forms.add("Frm_setup", ControlKind::Form);
        Control& offline = forms.add("Frm_offline", ControlKind::Form);
        init.attach(main, setup, offline);
        main.attachWindows(setup, offline);
    }
};

void printProgress(Ui& terminal, const CycleProgress& p) {
    terminal.message("block " + std::to_string(p.blocks) + "  elapsed " +
                     formatFixed(p.elapsedMinutesFine, 2) + " min  sample period " +
                     formatFixed(p.lastSamplePeriod, 3) + " s  bad reads " +
                     std::to_string(p.badReads));
}

const char* endingName(RunControl::Ending e) {
    switch (e) {
        case RunControl::Ending::Lapse:
            return "lapse";
        case RunControl::Ending::User:
            return "user";
        case RunControl::Ending::Failure:
            return "failure";
        case RunControl::Ending::None:
            break;
    }
    return "none";
}

nlohmann::json result(Session& s, const std::optional<fs::path>& report) {
    const CycleProgress& p = s.main.cycle().progress();
    nlohmann::json j;
    std::error_code ec;
    const fs::path folder = fs::absolute(s.main.run().acquisitionFolder(), ec);
    j["folder"] = cp1252ToUtf8(folder.string());
    j["blocks"] = p.blocks;
    j["elapsed_minutes"] = p.elapsedMinutes;
    j["sample_period_s"] =
        p.blocks > 0 ? std::nearbyint(p.samplePeriodSum / p.blocks * 1000.0) / 1000.0 : 0.0;
    j["bad_reads"] = p.badReads;
    j["reads"] = p.reads;
    j["discarded_samples"] = p.discardedSamples;
    j["stopped_by"] = endingName(s.main.run().ending());
    j["report"] = report ? nlohmann::json(cp1252ToUtf8(fs::absolute(*report, ec).string()))
                         : nlohmann::json(nullptr);
    return j;
}

// Runs the windows' logic through one run: load, Connect, Play, the timer until the run stops.
RecordedRun runAcquisition(Session& s, const AcquireOptions& opt, AcquireUi& ui, Ui& terminal,
                           Clock& clock) {
    if (!s.main.Form_Load("")) {
        return {};
    }
    s.main.Txt_description.text = utf8ToCp1252(opt.comments);
    std::optional<fs::path> report;
    // At the lapse the report window writes the report by itself, as with the user's bin.
    s.main.run().openReport = [&](const fs::path& folder, bool) {
        ReportWindow window(s.store, ui, clock);
        window.showMyReport(folder, true);
        report = window.lastReport;
    };
    s.main.cycle().onInstrumentSilent = [&](bool) { terminal.message(s.main.lbl_autotext.text); };
    ui.onEvents = [&] {
        if (stopSignal != 0 && s.state.runState != 0) {
            s.main.CmdStop_Click();
        }
    };
    if (opt.bodyBends) {
        s.main.Form_Activate();
        s.main.chk_bodybends.checked = true;
        s.main.chk_bodybends_Click();
        if (s.state.bodyBends == 0) {
            terminal.message("Body-bends mode needs the plate format w96u");
            return {};
        }
    }
    s.main.cmd_connect_Click();
    s.main.CmdPlay_Click();
    if (s.state.runState != 1) {
        return {};
    }
    terminal.message("recording into " + s.main.run().acquisitionFolder().string());
    std::int32_t shown = 0;
    TimerDriver driver(clock, s.main.Timeradq, [&] {
        s.main.Timeradq_Timer();
        const CycleProgress& p = s.main.cycle().progress();
        if (p.blocks != shown) {
            shown = p.blocks;
            printProgress(terminal, p);
        }
    });
    driver.runWhile([&] {
        ui.processEvents();
        return s.state.runState != 0;
    });
    s.main.closePort();
    return {s.main.run().ending() == RunControl::Ending::Failure ? 1 : 0, result(s, report)};
}

void installSignals() {
    struct sigaction stop {};
    stop.sa_handler = onStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    // A file that may not grow any further is a full disk to the writers, not a reason to die.
    signal(SIGXFSZ, SIG_IGN);
}

}  // namespace

RecordedRun recordRun(const AcquireOptions& opt, Ui& terminal) {
    if (!fs::is_regular_file(fs::path(opt.appFolder) / "config.dat")) {
        terminal.message("No config.dat in \"" + utf8ToCp1252(opt.appFolder) +
                         "\": lay the installation data first (quorvel-tool init)");
        return {};
    }
    installSignals();
    AcquireUi ui(terminal, opt);
    if (!opt.isVirtual) {
        SystemClock clock;
        device::PosixBackend ports(clock);
        Session session(opt.appFolder, ui, clock, ports);
        return runAcquisition(session, opt, ui, terminal, clock);
    }
    // Virtual time from the wall clock's present, so the run's folder is named as a real one.
    SystemClock wall;
    TestClock clock(wall.now());
    device::InProcessBackend ports(clock);
    sim::InstrumentConfig config;
    config.seed = opt.seed;
    config.occupancy = opt.occupancy;
    config.sixWellPlate = opt.sixWellPlate;
    config.emptyWells = opt.emptyWells;
    config.faults = opt.faults;
    sim::Firmware instrument(clock, config);
    device::ModelLine<sim::Firmware> line(instrument);
    Session session(opt.appFolder, ui, clock, ports);
    session.store.loadConfiguration();
    ports.attach(device::comName(session.store.config().Serial_COM), line);
    return runAcquisition(session, opt, ui, terminal, clock);
}

void addAcquireCommands(CLI::App& app, ToolContext& ctx) {
    auto opt = std::make_shared<AcquireOptions>();
    CLI::App* cmd = app.add_subcommand(
        "acquire",
        "Record one run of the current project as Play does; SIGINT or SIGTERM stop it, keeping "
        "every completed block");
    addAppFolderOption(*cmd, opt->appFolder);
    cmd->add_option("--name", opt->name, "the experiment's name (the name box of Play)")
        ->required()
        ->check([](const std::string& v) {
            return v.empty() ? std::string("the name must not be empty") : std::string();
        });
    cmd->add_option("--comments", opt->comments, "the experiment's comments (subproj.dat)");
    cmd->add_flag("--yes", opt->yes, "answer Yes to the disk-space question");
    cmd->add_flag("--body-bends", opt->bodyBends,
                  "tick Body-Bends Mode (plate w96u only): histogram files too");
    cmd->add_flag("--virtual", opt->isVirtual,
                  "run the virtual instrument in this process, on virtual time");
    cmd->add_option("--seed", opt->seed, "virtual instrument: seed of its organisms and noise");
    cmd->add_option("--occupancy", opt->occupancy,
                    "virtual instrument: share of wells with organisms, 0..1")
        ->check(CLI::Range(0.0, 1.0));
    cmd->add_flag("--six-well-plate", opt->sixWellPlate,
                  "virtual instrument: a 6-well plate with one zebrafish larva per occupied well");
    cmd->add_option("--empty-wells", opt->emptyWells,
                    "virtual instrument: wells left empty, counted down each column from 0 "
                    "(0..5 on the 6-well plate, 0..383 otherwise), e.g. 2,5")
        ->delimiter(',')
        ->check(CLI::Range(0, 383));
    for (auto [name, rate] :
         {std::pair{"--short", &opt->faults.shortReply}, std::pair{"--parity", &opt->faults.parity},
          std::pair{"--silence", &opt->faults.silence}, std::pair{"--drop", &opt->faults.drop}}) {
        cmd->add_option(name, *rate, "virtual instrument: chance per frame of this fault, 0..1")
            ->check(CLI::Range(0.0, 1.0));
    }
    ctx.trial(cmd, "--app-folder {app} --name trial --virtual", 60);
    cmd->callback([opt, cmd, &ctx] {
        for (const char* option : {"--seed", "--occupancy", "--six-well-plate", "--empty-wells",
                                   "--short", "--parity", "--silence", "--drop"}) {
            if (!opt->isVirtual && cmd->count(option) > 0) {
                ctx.ui.message(std::string(option) + " needs --virtual");
                ctx.exitCode = 2;
                return;
            }
        }
        const RecordedRun run = recordRun(*opt, ctx.ui);
        if (!run.result.is_null()) {
            printJson(run.result);
        }
        ctx.exitCode = run.exitCode;
    });
}

}  // namespace qv::cli
