#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "common/cp1252.h"
#include "store/store.h"

namespace qv::cli {

namespace {

using nlohmann::json;

std::string utf8(const std::string& s) {
    return cp1252ToUtf8(s);
}

json configJson(const AppConfig& c) {
    return {{"Actual_Project_Number", c.Actual_Project_Number},
            {"Last_Project", c.Last_Project},
            {"Serial_COM", c.Serial_COM},
            {"Restart_Time", c.Restart_Time}};
}

json mnJson(const Mn& m) {
    return json::array({m[0], m[1], m[2], m[3], m[4], m[5]});
}

json setupJson(const ProjectSetup& s) {
    json j = {{"Num_proj", utf8(s.Num_proj)},
              {"Name", utf8(s.Name)},
              {"Working_folder", utf8(s.Working_folder)},
              {"Plate_format", utf8(s.Plate_format)},
              {"Aq_mode", s.Aq_mode},
              {"Aq_lapse", s.Aq_lapse},
              {"Sample_Rate", s.Sample_Rate},
              {"RT_Buffer", s.RT_Buffer},
              {"DSP_Method", s.DSP_Method},
              {"DSP_Interval", s.DSP_Interval},
              {"Binary_Acq", s.Binary_Acq},
              {"Threshold_Counter", s.Threshold_Counter},
              {"Cal_value", s.Cal_value},
              {"Cal_mode", s.Cal_mode},
              {"Save_counts", s.Save_counts},
              {"Save_real", s.Save_real},
              {"Menu1", s.Menu1},
              {"Menu2", s.Menu2},
              {"Menu3", s.Menu3},
              {"Menu4", s.Menu4},
              {"Menu5", s.Menu5},
              {"Menu6", s.Menu6}};
    for (int k = 1; k <= 6; ++k) {
        j["Mn" + std::to_string(k)] = mnJson(mnLine(s, k));
    }
    json status = json::array(), enabled = json::array(), threshold = json::array(),
         names = json::array(), groups = json::array();
    for (int c = 0; c < kChannels; ++c) {
        status.push_back(s.channelStatus[c]);
        enabled.push_back(s.channelEnabled[c]);
        threshold.push_back(s.channelThreshold[c]);
        names.push_back(utf8(s.groupName[c]));
        groups.push_back(s.channelGroup[c]);
    }
    j["channelStatus"] = status;
    j["channelEnabled"] = enabled;
    j["channelThreshold"] = threshold;
    j["groupName"] = names;
    j["channelGroup"] = groups;
    return j;
}

json plateJson(const PlateFormat& p, const std::string& code) {
    json wells = json::array(), beams = json::array(), perWell = json::array();
    for (int c = 0; c < kChannels; ++c) {
        wells.push_back(p.wellOfChannel[c]);
        beams.push_back(p.beamOfChannel[c]);
    }
    for (int w = 0; w <= p.largestWell; ++w) {
        perWell.push_back(p.beamsOfWell(w));
    }
    return {{"code", utf8(code)},
            {"rows", p.rows},
            {"rowPitch", p.rowPitch},
            {"rowOffset", p.rowOffset},
            {"columns", p.columns},
            {"columnPitch", p.columnPitch},
            {"columnOffset", p.columnOffset},
            {"wellOfChannel", wells},
            {"beamOfChannel", beams},
            {"largestWell", p.largestWell},
            {"largestBeam", p.largestBeam},
            {"beamsOfWell", perWell},
            {"realWells", p.realWellCount()}};
}

// config.dat and the choice of the project path; false (after the message) when the
// installation has no config.dat.
bool startStore(Store& store, ToolContext& ctx, std::optional<int> project) {
    if (!store.configExists()) {
        ctx.ui.message(kConfigNotFoundMessage);
        ctx.exitCode = 1;
        return false;
    }
    store.loadConfiguration();
    if (project) {
        store.config().Actual_Project_Number = static_cast<std::int16_t>(*project);
    }
    store.chooseProjectPath();
    return true;
}

struct StoreOptions {
    std::string appFolder;
    std::optional<int> project;
    std::string code;
};

void addConfigShow(CLI::App& app, ToolContext& ctx, std::shared_ptr<StoreOptions> opt) {
    auto* config = app.add_subcommand("config", "application configuration (config.dat)");
    config->require_subcommand(1);
    auto* show = config->add_subcommand("show", "the loaded configuration and project path");
    show->add_option("--app-folder", opt->appFolder, "application folder")->required();
    show->callback([&ctx, opt] {
        Store store(opt->appFolder, ctx.ui);
        if (!startStore(store, ctx, std::nullopt)) {
            return;
        }
        json out = configJson(store.config());
        out["projectPath"] = utf8(store.projectPath().string());
        out["projectNumber"] = store.config().Actual_Project_Number;
        std::cout << out.dump(2) << '\n';
    });
}

void addProjectShow(CLI::App& app, ToolContext& ctx, std::shared_ptr<StoreOptions> opt) {
    auto* project = app.add_subcommand("project", "project settings files");
    project->require_subcommand(1);
    auto* show = project->add_subcommand("show", "the loaded project settings after recovery");
    show->add_option("--app-folder", opt->appFolder, "application folder")->required();
    show->add_option("--project", opt->project, "project number (default: the current one)")
        ->check(CLI::Range(0, 32767));
    show->callback([&ctx, opt] {
        Store store(opt->appFolder, ctx.ui);
        if (!startStore(store, ctx, opt->project)) {
            return;
        }
        const ProjectLoadResult r = store.loadProjectSettings(store.config().Actual_Project_Number);
        json out = setupJson(store.setup());
        out["projectPath"] = utf8(store.projectPath().string());
        out["projectNumber"] = store.config().Actual_Project_Number;
        out["newsLine"] = utf8(r.newsLine);
        out["recovered"] = r.recovered;
        out["defaultsApplied"] = r.defaultsApplied;
        std::cout << out.dump(2) << '\n';
    });
}

void addPlateShow(CLI::App& app, ToolContext& ctx, std::shared_ptr<StoreOptions> opt) {
    auto* plate = app.add_subcommand("plate", "plate formats (w*.dat)");
    plate->require_subcommand(1);
    auto* show = plate->add_subcommand("show", "the loaded plate format and its map");
    show->add_option("CODE", opt->code, "format code, for example w384")->required();
    show->add_option("--app-folder", opt->appFolder, "application folder")->required();
    show->callback([&ctx, opt] {
        Store store(opt->appFolder, ctx.ui);
        std::string code = utf8ToCp1252(opt->code);
        loadPlateFormat(store.applicationFolder(), code, store.plate(), ctx.ui);
        std::cout << plateJson(store.plate(), code).dump(2) << '\n';
    });
}

}  // namespace

void addStoreCommands(CLI::App& app, ToolContext& ctx) {
    auto opt = std::make_shared<StoreOptions>();
    addConfigShow(app, ctx, opt);
    addProjectShow(app, ctx, opt);
    addPlateShow(app, ctx, opt);
}

}  // namespace qv::cli
