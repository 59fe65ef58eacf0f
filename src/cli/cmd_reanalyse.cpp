// quorvel-tool reanalyse: "Analyze Raw Data" of the report window, headless.
#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>
#include <sstream>

#include "analysis/reanalysis.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "common/field_text.h"
#include "common/list_separator.h"
#include "common/rounding.h"

namespace qv::cli {

namespace {

// Messages to the terminal's Ui; a question gets No and an input is withdrawn, so the command
// never waits on standard input.
class BatchUi : public Ui {
  public:
    explicit BatchUi(Ui& inner) : inner_(inner) {}
    void message(const std::string& text, const std::string& title = {}) override {
        inner_.message(text, title);
    }
    Answer ask(const std::string& text, Buttons buttons) override {
        inner_.message(text + " -> " + (buttons == Buttons::Ok ? "OK" : "No"));
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    std::optional<std::string> input(const std::string& prompt, const std::string&,
                                     const std::string&) override {
        throw std::runtime_error("no answer in a batch run: " + prompt);
    }
    void processEvents() override {}
    void openExternal(const std::string& path, ExternalKind kind) override {
        inner_.openExternal(path, kind);
    }

  private:
    Ui& inner_;
};

struct ReanalyseArgs {
    std::string folder;
    std::string appFolder;
    int method = 1;
    double snr = 1.8;
    std::string snrText;  // as typed, for the report's SETTING line
    int organism = 0;
    int bin = 30;
    double hours = 533;
    bool replace = false;
    bool exportRaw = false;
};

ReanalysisChoice choiceOf(const ReanalyseArgs& a) {
    ReanalysisChoice c;
    c.folder = utf8ToCp1252(a.folder);
    c.appFolder = utf8ToCp1252(a.appFolder);
    c.method = static_cast<std::int16_t>(a.method);
    c.organism = static_cast<std::int16_t>(a.organism);
    c.snr = a.snr;
    c.snrText = a.snrText;
    c.limitMinutes = a.replace ? kWholeAcquisitionMinutes
                               : static_cast<std::int32_t>(roundHalfEven(a.hours * 60));
    c.bin = a.bin;
    c.replace = a.replace;
    c.exportRaw = a.exportRaw;
    c.options.csv = true;
    c.options.separator = systemListSeparator();
    c.options.autoreport = true;  // a batch run opens nothing
    return c;
}

// Progress on standard error: about a hundred lines for a run of any length.
ReanalysisHooks progressHooks() {
    ReanalysisHooks h;
    h.started = [](std::size_t records, std::int32_t bin) {
        std::cerr << records << " records, bin " << bin << " min\n";
    };
    h.record = [](std::size_t n, std::size_t total) {
        const std::size_t step = std::max<std::size_t>(1, total / 100);
        if (n % step == 0 || n == total) {
            std::cerr << "Block " << n << "/" << total << '\n';
        }
    };
    h.saving = [] { std::cerr << "Saving...\n"; };
    return h;
}

void runReanalyse(ReanalyseArgs& a, ToolContext& ctx) {
    a.snr = parseNumber(a.snrText).value_or(0.0);
    if (!snrInRange(a.snr, a.organism)) {
        ctx.ui.message(a.organism == kOrganismDrosophila ? "--snr: 0.5 to 1 for Drosophila"
                                                         : "--snr: 1.1 to 6");
        ctx.exitCode = 2;
        return;
    }
    BatchUi ui(ctx.ui);
    SystemClock clock;
    const std::int64_t start = clock.monotonicMs();
    const ReanalysisOutcome out = runReanalysis(choiceOf(a), progressHooks(), ui, clock);
    if (!out.report) {
        ctx.exitCode = 1;
        return;
    }
    nlohmann::json j;
    j["records"] = out.records;
    j["report"] = cp1252ToUtf8(out.report->string());
    j["replaced"] = out.replaced;
    j["bin"] = out.bin;
    j["seconds"] = static_cast<double>(clock.monotonicMs() - start) / 1000.0;
    printJson(j);
}

}  // namespace

void addReanalyseCommand(CLI::App& app, ToolContext& ctx) {
    auto a = std::make_shared<ReanalyseArgs>();
    auto* cmd = app.add_subcommand(
        "reanalyse", "Analyse an acquisition's raw sample files again and report the new counts");
    cmd->add_option("ACQ", a->folder, "Acquisition folder (holding 0.bin, 1.bin, ...)")
        ->required()
        ->check(CLI::ExistingDirectory);
    addAppFolderOption(*cmd, a->appFolder);
    ctx.trial(cmd, "{acquisition} --app-folder {app} --method 1 --snr 1.8");
    cmd->add_option("--method", a->method,
                    "Detection method 0..3: 0 threshold+binary, 1 threshold average, "
                    "2 motility index, 3 Drosophila")
        ->required()
        ->check(CLI::Range(0, 3));
    cmd->add_option("--snr", a->snrText, "SNR: 1.1 to 6, or 0.5 to 1 with --organism 3")
        ->required()
        ->check(CLI::Number & CLI::Range(0.5, 6.0));
    cmd->add_option("--organism", a->organism,
                    "Organism 0..3: 0 C. elegans, 1 zebrafish, 2 Echinococcus, 3 Drosophila "
                    "(default 0)")
        ->check(CLI::Range(0, 3));
    cmd->add_option("--bin", a->bin, "Report bin in minutes, 2..1440 (default 30)")
        ->check(CLI::Range(2, 1440));
    cmd->add_option("--hours", a->hours,
                    "Hours of data to analyse, 0.08..546 (default 533: all); ignored with "
                    "--replace")
        ->check(CLI::Range(0.08, 546.0));
    cmd->add_flag("--replace", a->replace,
                  "Replace counts.bin with the new counts (the old file becomes counts.bak) and "
                  "store the method, organism and SNR in the acquisition's setup.dat");
    cmd->add_flag("--export-raw", a->exportRaw, "Also write the per-channel marks files chN.raw");
    cmd->callback([a, &ctx] { runReanalyse(*a, ctx); });
}

}  // namespace qv::cli
