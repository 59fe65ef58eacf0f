// quorvel-tool list and plot: the offline browser's list of projects and acquisitions, and its
// plots of a stored acquisition written as SVG, without a window.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/commands.h"
#include "common/file_util.h"
#include "common/svg_canvas.h"
#include "offline/browser_rows.h"
#include "offline/offline_activity.h"
#include "offline/offline_drawing.h"
#include "offline/offline_signal.h"
#include "offline/opened_item.h"
#include "offline/project_scan.h"
#include "setup/group_layout.h"
#include "store/acquisition_description.h"
#include "store/project_files.h"
#include "store/tags.h"

namespace qv::cli {

namespace fs = std::filesystem;

namespace {

nlohmann::json acquisitionJson(const fs::path& project, const AcquisitionEntry& a) {
    nlohmann::json j;
    j["folder"] = a.folder;
    j["path"] = jsonPath(project / a.folder);
    j["description"] = storedText(a.description);
    j["tags"] = storedText(a.tags);
    j["row"] = storedText(acquisitionRow(a.folder, a.description, !a.tags.empty(), a.tags));
    return j;
}

// Every project the browser lists (a "p" folder of six characters with setup.dat) and the
// acquisitions it shows under each (those with counts.bin), in name order.
void runList(const std::string& appFolder, ToolContext& ctx) {
    const fs::path app = appFolder;
    nlohmann::json projects = nlohmann::json::array();
    for (const std::string& folder : projectFolderNames(app)) {
        const fs::path path = app / folder;
        if (!isRegularFile(path / "setup.dat")) {
            continue;
        }
        const auto names = acquisitionFolderNames(path);
        const std::string name = projectNameOfTitle(readProjectTitle(path, ctx.ui));
        nlohmann::json p;
        p["folder"] = folder;
        p["name"] = storedText(name);
        p["path"] = jsonPath(path);
        p["row"] =
            storedText(projectRow(names.empty() ? std::string() : names.front(), folder, name));
        nlohmann::json acquisitions = nlohmann::json::array();
        for (const AcquisitionEntry& a : listedAcquisitions(path, hasTagsFile(path))) {
            acquisitions.push_back(acquisitionJson(path, a));
        }
        p["acquisitions"] = std::move(acquisitions);
        projects.push_back(std::move(p));
    }
    nlohmann::json j;
    j["app_folder"] = jsonPath(app);
    j["projects"] = std::move(projects);
    printJson(j);
}

struct PlotArgs {
    std::string folder;
    std::string appFolder;
    std::string kind;
    std::string out;
    int bin = 0;
    std::string well = "A1";
    int page = 1;
    int width = 1000;
    int height = 640;
};

// The groups the browser's plot list offers: every group with a channel, and the free channels.
std::vector<int> plottedGroups(const BinnedActivity& a) {
    std::vector<int> groups = a.groupsInUse();
    if (groups.empty() || groups.back() != kFreeSlot) {
        groups.push_back(kFreeSlot);
    }
    return groups;
}

// The summary the bar plot prints, with the rows as the list shows them.
std::string summaryOf(const OpenedItem& item, const fs::path& project, Ui& ui) {
    const auto names = acquisitionFolderNames(project);
    const std::string tags =
        hasTagsFile(project) ? tagsOfAcquisition(project, item.acquisition) : std::string();
    return acquisitionSummary(
        projectRow(names.empty() ? std::string() : names.front(), item.projectFolder,
                   projectNameOfTitle(readProjectTitle(project, ui))),
        acquisitionRow(item.acquisition, readAcquisitionName(item.path), hasTagsFile(project),
                       tags),
        item.setup);
}

bool drawPlot(const PlotArgs& a, const OpenedItem& item, SvgCanvas& svg, nlohmann::json& j,
              ToolContext& ctx) {
    const fs::path counts = item.path / "counts.bin";
    if (a.kind == "lines" || a.kind == "bars") {
        const bool lines = a.kind == "lines";
        const int bin = lines ? (a.bin > 0 ? a.bin : initialBinSize(item.setup.Aq_lapse)) : 5;
        const auto binned = binActivity(counts, item.setup.channelGroup, bin, lines);
        if (!binned) {
            ctx.fail("Activity file not Found");
            return false;
        }
        const std::vector<int> groups = plottedGroups(*binned);
        if (lines) {
            drawSeriesPlot(svg, lineSeries(*binned, groups));
            j["bin"] = bin;
            j["bins"] = binned->bins;
        } else {
            drawBarPlot(svg, *binned, groups, summaryOf(item, item.path.parent_path(), ctx.ui));
        }
        j["largest"] = binned->largest;
        j["groups"] = groups;
        return true;
    }
    if (!item.plateLoaded) {
        ctx.exitCode = kExitFailure;  // the loader said which plate file is missing
        return false;
    }
    if (a.kind == "heatmap") {
        const auto totals = channelTotals(counts);
        if (!totals) {
            ctx.fail("Activity file not Found");
            return false;
        }
        std::vector<int> groups;
        for (int g = 0; g < kGroupSlots; ++g) {
            groups.push_back(g);
        }
        drawHeatMap(svg, item.plate, item.setup.channelGroup, *totals, groups);
        return true;
    }
    const int well = wellOfLabel(item.plate, a.well);
    if (well < 0 || item.plate.beamsOfWell(well) == 0) {
        throw UsageError("--well " + a.well + ": no well of the plate " + item.setup.Plate_format);
    }
    const RawLayout layout = rawLayout(item.path, item.setup.RT_Buffer);
    if (layout.pages() == 0) {
        ctx.fail("No raw sample files (0.bin, 1.bin, ...) in " + item.path.string());
        return false;
    }
    if (a.page > layout.pages()) {
        throw UsageError("--page " + std::to_string(a.page) + ": the run has " +
                         std::to_string(layout.pages()) + " pages of raw samples");
    }
    SignalPage page =
        loadSignalPage(item.path, layout, a.page, channelsOfWellBeams(item.plate, well));
    page.well = wellLabel(item.plate, well);
    drawSignalPage(svg, page);
    j["well"] = page.well;
    j["channels"] = page.channels;
    j["page"] = page.page;
    j["pages"] = page.pages;
    return true;
}

void runPlot(const PlotArgs& a, ToolContext& ctx) {
    const fs::path folder = fs::absolute(a.folder).lexically_normal();
    OpenedItem item;
    item.path = folder.has_filename() ? folder : folder.parent_path();
    item.acquisition = item.path.filename().string();
    item.projectFolder = item.path.parent_path().filename().string();
    if (!isRegularFile(item.path / "counts.bin")) {
        ctx.fail("Activity file not Found");
        return;
    }
    loadItemSettings(item, a.appFolder, ctx.ui);
    SvgCanvas svg(a.width, a.height);
    nlohmann::json j;
    if (!drawPlot(a, item, svg, j, ctx)) {
        return;
    }
    if (!svg.save(a.out)) {
        ctx.fail("The picture could not be saved as " + a.out);
        return;
    }
    j["out"] = jsonPath(a.out);
    j["kind"] = a.kind;
    j["acquisition"] = jsonPath(item.path);
    j["shapes"] = svg.shapes();
    printJson(j);
}

void addList(CLI::App& app, ToolContext& ctx) {
    auto appFolder = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand(
        "list",
        "The projects and acquisitions of an application folder, as the browser lists them");
    addAppFolderOption(*cmd, *appFolder);
    ctx.trial(cmd, "--app-folder {app}");
    cmd->callback([appFolder, &ctx] { runList(*appFolder, ctx); });
}

void addPlot(CLI::App& app, ToolContext& ctx) {
    auto args = std::make_shared<PlotArgs>();
    auto* cmd = app.add_subcommand(
        "plot", "One of the browser's plots of a stored acquisition, written as an SVG file");
    cmd->add_option("folder", args->folder, "acquisition folder")
        ->required()
        ->check(CLI::ExistingDirectory);
    addAppFolderOption(*cmd, args->appFolder)
        ->description("application folder, holding the plate formats (default: $QUORVEL_HOME)");
    cmd->add_option("--kind", args->kind,
                    "lines (group means over time), bars (over the whole run), heatmap (the "
                    "plate) or signal (raw beams of one well)")
        ->required()
        ->check(CLI::IsMember({"lines", "bars", "heatmap", "signal"}));
    cmd->add_option("--out", args->out, "the SVG file to write")->required();
    cmd->add_option("--bin", args->bin,
                    "bin size of the line plot in minutes, 1..1440 (default 5 for a lapse below "
                    "an hour, else 30)")
        ->check(CLI::Range(1, 1440));
    cmd->add_option("--well", args->well, "well of the signal plot, as A1 (default A1)");
    cmd->add_option("--page", args->page,
                    "page of the signal plot, 50 blocks each, 1..32767 (default 1)")
        ->check(CLI::Range(1, 32767));
    cmd->add_option("--width", args->width, "picture width in pixels, 200..8000 (default 1000)")
        ->check(CLI::Range(200, 8000));
    cmd->add_option("--height", args->height, "picture height in pixels, 200..8000 (default 640)")
        ->check(CLI::Range(200, 8000));
    ctx.trial(cmd, "{acquisition} --app-folder {app} --kind bars --out {new}");
    cmd->callback([args, &ctx] { runPlot(*args, ctx); });
}

}  // namespace

void addOfflineCommands(CLI::App& app, ToolContext& ctx) {
    addList(app, ctx);
    addPlot(app, ctx);
}

}  // namespace qv::cli
