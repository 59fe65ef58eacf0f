// quorvel-tool report and export-wells: the report window's "Generate..." and per-well export,
// with every question of the window answered by an option.
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "analysis/basal_normalisation.h"
#include "analysis/report_generate.h"
#include "analysis/well_export.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "common/list_separator.h"

namespace qv::cli {

namespace fs = std::filesystem;

namespace {

// Answers the report window's questions from the command line's options; the rest goes to the
// terminal's Ui, which asks nobody unless --interactive.
class PresetUi : public Ui {
  public:
    explicit PresetUi(CliUi& inner) : inner_(inner) {}

    std::optional<std::string> basalMinutes;
    std::optional<Answer> zeroBasal;
    std::optional<bool> exportTime;
    // Set when the basal period had no acceptable answer among the options: bad usage.
    std::string basalProblem;

    void message(const std::string& text, const std::string& title = {}) override {
        inner_.message(text, title);
    }
    Answer ask(const std::string& text, Buttons buttons) override {
        if (zeroBasal && text.find("BASAL WELLS with 0 activity") != std::string::npos) {
            return Answer::Yes;
        }
        if (zeroBasal && text.rfind("For ZERO Activity Basal Wells:", 0) == 0) {
            return *zeroBasal;
        }
        if (exportTime && text == "Do you like to Export 384 text files?") {
            return Answer::Yes;
        }
        if (exportTime && text == "Include time field?") {
            return *exportTime ? Answer::Yes : Answer::No;
        }
        return inner_.ask(text, buttons);
    }
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override {
        if (title != "Basal Calculation") {
            return inner_.input(prompt, title, defaultText);
        }
        // The window asks again while the answer lies outside the basal run: the option gets
        // one chance, and a second question means it was out of range.
        if (basalMinutes && !answered_) {
            answered_ = true;
            return basalMinutes;
        }
        const std::string head = prompt.substr(0, prompt.find('\r'));
        if (inner_.interactive) {
            // Standard input that has ended answers nothing, now or later: without this the
            // question would be asked for ever, as fast as the terminal takes it.
            if (auto answer = inner_.input(prompt, title, defaultText)) {
                return answer;
            }
            basalProblem = head + ": standard input ended before an answer";
            throw std::runtime_error(basalProblem);
        }
        basalProblem = basalMinutes
                           ? "--basal-minutes " + *basalMinutes + " is out of range: " + head
                           : head +
                                 "give --basal-minutes (from the bin size up to "
                                 "the basal run's length)";
        // The question cannot be cancelled and would come back for ever: the report stops here.
        throw std::runtime_error(basalProblem);
    }
    void processEvents() override { inner_.processEvents(); }
    void openExternal(const std::string&, ExternalKind) override {}

  private:
    CliUi& inner_;
    bool answered_ = false;
};

struct ReportArgs {
    std::string folder;
    std::string appFolder;
    int bin = 30;
    std::string layout = "rows";
    std::string type = "csv";
    std::optional<std::string> separator;
    bool stdError = false;
    bool stdDev = false;
    bool count = false;
    std::string basal;
    std::optional<int> basalMinutes;
    std::string zeroBasal = "max";
};

const std::map<std::string, ReportLayout> kLayouts = {{"rows", ReportLayout::Rows},
                                                      {"list", ReportLayout::List},
                                                      {"warray", ReportLayout::WArray},
                                                      {"charray", ReportLayout::CHArray},
                                                      {"histogram", ReportLayout::Histogram}};

const std::map<std::string, Answer> kZeroBasal = {
    {"max", Answer::Yes}, {"average", Answer::No}, {"discard", Answer::Cancel}};

// The basal run is named, as the report window's list names it, by its folder name; the
// report finds it by putting that name in place of the reported folder's own. So only another
// acquisition folder beside the reported one can be the basal run.
std::string basalName(const fs::path& folder, const std::string& given) {
    std::error_code ec;
    const fs::path reported = fs::canonical(folder, ec);
    fs::path basal = fs::path(given);
    if (!basal.has_parent_path() && !reported.empty()) {
        basal = reported.parent_path() / basal;
    }
    basal = fs::canonical(basal, ec);
    const std::string name = ec ? std::string() : basal.filename().string();
    const bool sibling = !ec && fs::is_directory(basal, ec) && basal != reported &&
                         basal.parent_path() == reported.parent_path() && basalIsOn(name) &&
                         fs::equivalent(basalFolder(reported, name), basal, ec) && !ec;
    if (!sibling) {
        throw UsageError("--basal " + given + ": not an acquisition folder beside " +
                         jsonPath(folder) +
                         " (the basal run is another acquisition of the same project, named "
                         "yyyymmdd_hhmm)");
    }
    return name;
}

void runReport(const ReportArgs& a, ToolContext& ctx) {
    if (a.separator && a.separator->empty()) {
        throw UsageError("--sep: the separator cannot be empty");
    }
    ReportRequest r;
    r.folder = a.folder;
    r.appFolder = a.appFolder;
    r.bin = a.bin;
    r.options.layout = kLayouts.at(a.layout);
    r.options.csv = a.type == "csv";
    r.options.separator =
        a.separator ? utf8ToCp1252(*a.separator) : (r.options.csv ? systemListSeparator() : " ");
    r.options.stdError = a.stdError;
    r.options.stdDev = a.stdDev;
    r.options.count = a.count;
    r.options.autoreport = true;  // a batch run opens nothing
    PresetUi ui(ctx.ui);
    if (!a.basal.empty()) {
        r.basalName = basalName(a.folder, a.basal);
        if (a.basalMinutes) {
            ui.basalMinutes = std::to_string(*a.basalMinutes);
        }
        ui.zeroBasal = kZeroBasal.at(a.zeroBasal);
    }
    SystemClock clock;
    const auto out = generateReport(r, ui, clock);
    if (!ui.basalProblem.empty()) {
        throw UsageError(ui.basalProblem);
    }
    if (!out.path) {
        ctx.exitCode = kExitFailure;
        return;
    }
    nlohmann::json j;
    j["report"] = jsonPath(*out.path);
    j["bin"] = out.bin;
    j["basal"] = r.basalName.empty() ? nlohmann::json() : nlohmann::json(r.basalName);
    j["copy"] = out.copy.written ? nlohmann::json(jsonPath(out.copy.path)) : nlohmann::json();
    if (!out.copy.problem.empty()) {
        j["copy_problem"] = terminalText(out.copy.problem);
    }
    printJson(j);
    // The report is there, but an earlier copy under the acquisition's name may pass for it.
    if (!out.copy.written && !out.copy.nameTaken && !out.copy.problem.empty()) {
        ctx.exitCode = kExitFailure;
    }
}

void addReport(CLI::App& app, ToolContext& ctx) {
    auto args = std::make_shared<ReportArgs>();
    auto* cmd = app.add_subcommand(
        "report",
        "Write an acquisition's report as the report window does, and its copy named "
        "after the acquisition");
    cmd->add_option("folder", args->folder, "acquisition folder")
        ->required()
        ->check(CLI::ExistingDirectory);
    addAppFolderOption(*cmd, args->appFolder)
        ->description("application folder, holding the plate formats (default: $QUORVEL_HOME)");
    cmd->add_option("--bin", args->bin,
                    "bin size in minutes, 2..1440 (default 30; a run shorter than one bin is "
                    "reported in one shorter bin)")
        ->check(CLI::Range(2, 1440));
    cmd->add_option("--layout", args->layout,
                    "rows, list, warray, charray or histogram (default rows)")
        ->check(CLI::IsMember({"rows", "list", "warray", "charray", "histogram"}));
    cmd->add_option("--type", args->type, "csv or txt (default csv)")
        ->check(CLI::IsMember({"csv", "txt"}));
    cmd->add_option("--sep", args->separator,
                    "field separator, not empty (default: the list separator for csv, a blank "
                    "for txt)");
    cmd->add_flag("--stderror", args->stdError, "add the standard error blocks");
    cmd->add_flag("--stddev", args->stdDev, "add the standard deviation blocks");
    cmd->add_flag("--n", args->count, "add the number of wells per group");
    cmd->add_option("--basal", args->basal,
                    "basal acquisition: another acquisition folder of the same project, by "
                    "path or by name");
    cmd->add_option("--basal-minutes", args->basalMinutes,
                    "minutes of the basal run to use, from the bin size up to the basal run's "
                    "length (asked only when the basal run is longer than 1.5 bins)")
        ->check(CLI::Range(1, 32767));
    cmd->add_option("--zero-basal", args->zeroBasal,
                    "wells whose basal activity is 0: max (their largest activity), average "
                    "(the plate's basal average) or discard (default max)")
        ->check(CLI::IsMember({"max", "average", "discard"}));
    ctx.trial(cmd, "{acquisition} --app-folder {app} --basal {basal}");
    cmd->callback([args, &ctx] { runReport(*args, ctx); });
}

void addExportWells(CLI::App& app, ToolContext& ctx) {
    struct Args {
        std::string folder;
        std::string appFolder;
        int bin = 30;
        bool time = false;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand(
        "export-wells",
        "Write the per-well (--time) or per-channel export files of an acquisition");
    cmd->add_option("folder", args->folder, "acquisition folder")
        ->required()
        ->check(CLI::ExistingDirectory);
    addAppFolderOption(*cmd, args->appFolder)
        ->description("application folder, holding the plate formats (default: $QUORVEL_HOME)");
    cmd->add_option("--bin", args->bin, "bin size in minutes, 2..1440 (default 30)")
        ->check(CLI::Range(2, 1440));
    cmd->add_flag("--time", args->time,
                  "one file per well (000_A1.txt, ...) with the date and time of each bin; "
                  "without it one file per channel and time.txt");
    ctx.trial(cmd, "{acquisition} --app-folder {app}");
    cmd->callback([args, &ctx] {
        PresetUi ui(ctx.ui);
        ui.exportTime = args->time;
        SystemClock clock;
        if (!exportWells(args->folder, args->appFolder, args->bin, ui, clock)) {
            ctx.exitCode = kExitFailure;
            return;
        }
        nlohmann::json j;
        j["folder"] = jsonPath(args->folder);
        j["time"] = args->time;
        printJson(j);
    });
}

}  // namespace

void addReportCommands(CLI::App& app, ToolContext& ctx) {
    addReport(app, ctx);
    addExportWells(app, ctx);
}

}  // namespace qv::cli
