#include <nlohmann/json.hpp>

#include <iostream>
#include <map>
#include <stdexcept>

#include "analysis/report_generate.h"
#include "analysis/well_export.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "common/list_separator.h"

namespace qv::cli {

namespace {

// Answers the report window's questions from the command line's options; everything else goes
// to the terminal's Ui.
class PresetUi : public Ui {
  public:
    explicit PresetUi(Ui& inner) : inner_(inner) {}

    std::optional<std::string> basalMinutes;
    std::optional<Answer> zeroBasal;
    std::optional<bool> exportTime;

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
        if (title == "Basal Calculation") {
            // The question cannot be cancelled, so a batch run answers it once from its option
            // and fails rather than wait for an answer that cannot come.
            if (!basalMinutes) {
                throw std::runtime_error("the basal period needs --basal-minutes in range");
            }
            auto answer = std::move(basalMinutes);
            basalMinutes.reset();
            return answer;
        }
        return inner_.input(prompt, title, defaultText);
    }
    void processEvents() override { inner_.processEvents(); }
    void openExternal(const std::string& path, ExternalKind kind) override {
        inner_.openExternal(path, kind);
    }

  private:
    Ui& inner_;
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

void runReport(const ReportArgs& a, ToolContext& ctx) {
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
        r.basalName = std::filesystem::path(a.basal).filename().string();
        if (r.basalName.empty()) {
            r.basalName = std::filesystem::path(a.basal).parent_path().filename().string();
        }
        if (a.basalMinutes) {
            ui.basalMinutes = std::to_string(*a.basalMinutes);
        }
        ui.zeroBasal = kZeroBasal.at(a.zeroBasal);
    }
    SystemClock clock;
    const auto out = generateReport(r, ui, clock);
    if (!out.path) {
        ctx.exitCode = 1;
        return;
    }
    nlohmann::json j;
    j["report"] = cp1252ToUtf8(out.path->string());
    j["bin"] = out.bin;
    std::cout << j.dump() << '\n';
}

void addReport(CLI::App& app, ToolContext& ctx) {
    auto args = std::make_shared<ReportArgs>();
    auto* cmd =
        app.add_subcommand("report", "Write an acquisition's report as the report window does");
    cmd->add_option("folder", args->folder, "Acquisition folder")->required();
    cmd->add_option("--app-folder", args->appFolder, "Application folder (plate formats)")
        ->required();
    cmd->add_option("--bin", args->bin, "Bin size in minutes");
    cmd->add_option("--layout", args->layout)
        ->check(CLI::IsMember({"rows", "list", "warray", "charray", "histogram"}));
    cmd->add_option("--type", args->type)->check(CLI::IsMember({"csv", "txt"}));
    cmd->add_option("--sep", args->separator,
                    "Field separator (default: list separator, blank for txt)");
    cmd->add_flag("--stderror", args->stdError);
    cmd->add_flag("--stddev", args->stdDev);
    cmd->add_flag("--n", args->count);
    cmd->add_option("--basal", args->basal, "Basal acquisition folder (a sibling folder)");
    cmd->add_option("--basal-minutes", args->basalMinutes, "Basal period in minutes");
    cmd->add_option("--zero-basal", args->zeroBasal)
        ->check(CLI::IsMember({"max", "average", "discard"}));
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
    auto* cmd =
        app.add_subcommand("export-wells", "Write the per-well or per-channel export files");
    cmd->add_option("folder", args->folder, "Acquisition folder")->required();
    cmd->add_option("--app-folder", args->appFolder, "Application folder (plate formats)")
        ->required();
    cmd->add_option("--bin", args->bin, "Bin size in minutes")->required();
    cmd->add_flag("--time", args->time, "One file per well with date and time of each bin");
    cmd->callback([args, &ctx] {
        PresetUi ui(ctx.ui);
        ui.exportTime = args->time;
        SystemClock clock;
        if (!exportWells(args->folder, args->appFolder, args->bin, ui, clock)) {
            ctx.exitCode = 1;
            return;
        }
        nlohmann::json j;
        j["folder"] = cp1252ToUtf8(args->folder);
        j["time"] = args->time;
        std::cout << j.dump() << '\n';
    });
}

}  // namespace

void addReportCommands(CLI::App& app, ToolContext& ctx) {
    addReport(app, ctx);
    addExportWells(app, ctx);
}

}  // namespace qv::cli
