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
    return storedText(s);
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
    j["channel_status"] = status;
    j["channel_enabled"] = enabled;
    j["channel_threshold"] = threshold;
    j["group_name"] = names;
    j["channel_group"] = groups;
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
            {"row_pitch", p.rowPitch},
            {"row_offset", p.rowOffset},
            {"columns", p.columns},
            {"column_pitch", p.columnPitch},
            {"column_offset", p.columnOffset},
            {"well_of_channel", wells},
            {"beam_of_channel", beams},
            {"largest_well", p.largestWell},
            {"largest_beam", p.largestBeam},
            {"beams_of_well", perWell},
            {"real_wells", p.realWellCount()}};
}

// What a view took in place of what it was asked for, for its JSON and its messages.
struct Fallbacks {
    json list = json::array();
    bool defaults = false;

    void add(const std::string& what, bool isDefault) {
        list.push_back(what);
        defaults = defaults || isDefault;
    }
    void into(json& out) const {
        out["defaults_applied"] = defaults;
        out["fallbacks"] = list;
    }
};

// config.dat and the choice of the project path, as the program's start-up makes them; false
// (after the system's message) when the installation has no config.dat. `project` replaces
// the configured current project.
bool startStore(Store& store, ToolContext& ctx, std::optional<int> project, Fallbacks& fb,
                json* configRead = nullptr) {
    if (!store.configExists()) {
        ctx.fail(kConfigNotFoundMessage);
        return false;
    }
    if (!store.loadConfiguration() && !project) {
        fb.add("config.dat: default configuration", true);
    }
    if (configRead != nullptr) {
        *configRead = configJson(store.config());
    }
    if (project) {
        store.config().Actual_Project_Number = static_cast<std::int16_t>(*project);
    }
    const int wanted = store.config().Actual_Project_Number;
    store.chooseProjectPath();
    if (wanted > 0 && store.config().Actual_Project_Number == 0) {
        const std::string folder = store.projectFolder(wanted).filename().string();
        ctx.ui.message("No project folder " + folder + " in " +
                       jsonPath(store.applicationFolder()) +
                       ": project 0 (the application folder) is used instead");
        fb.add("project " + std::to_string(wanted) + ": no folder " + folder + ", project 0 used",
               true);
    }
    return true;
}

struct StoreOptions {
    std::string appFolder;
    std::optional<int> project;
    std::string code;
};

void addConfigShow(CLI::App& app, ToolContext& ctx, std::shared_ptr<StoreOptions> opt) {
    CLI::App& config = commandGroup(app, "config", "application configuration (config.dat)");
    auto* show = config.add_subcommand(
        "show", "the configuration as the program loads it, and the current project path");
    addAppFolderOption(*show, opt->appFolder);
    ctx.trial(show, "--app-folder {app}");
    show->callback([&ctx, opt] {
        Store store(opt->appFolder, ctx.ui);
        Fallbacks fb;
        json out;
        if (!startStore(store, ctx, std::nullopt, fb, &out)) {
            return;
        }
        out["project_path"] = jsonPath(store.projectPath());
        out["project_number"] = store.config().Actual_Project_Number;
        fb.into(out);
        printJson(out);
    });
}

void addProjectShow(CLI::App& app, ToolContext& ctx, std::shared_ptr<StoreOptions> opt) {
    CLI::App& project = commandGroup(app, "project", "project settings files");
    auto* show = project.add_subcommand(
        "show",
        "the project settings as the program loads them; writes nothing, not even a "
        "recovery");
    addAppFolderOption(*show, opt->appFolder);
    show->add_option("--project", opt->project,
                     "project number, 0..32000 (default: the current project)")
        ->check(CLI::Range(0, 32000));
    ctx.trial(show, "--app-folder {app}");
    show->callback([&ctx, opt] {
        Store store(opt->appFolder, ctx.ui);
        Fallbacks fb;
        if (!startStore(store, ctx, opt->project, fb)) {
            return;
        }
        const ProjectLoadResult r =
            store.loadProjectSettings(store.config().Actual_Project_Number, false);
        if (r.recovered) {
            fb.add("setup.dat: read from its backup or the newest acquisition", false);
        }
        if (r.defaultsApplied) {
            fb.add("setup.dat: defaults", true);
        }
        for (const std::string& file : r.channelFilesDefaulted) {
            fb.add(file + ": defaults", true);
        }
        if (store.plateDefaulted()) {
            fb.add("plate format: built-in " + utf8(store.setup().Plate_format), true);
        }
        json out = setupJson(store.setup());
        out["project_path"] = jsonPath(store.projectPath());
        out["project_number"] = store.config().Actual_Project_Number;
        out["news_line"] = utf8(r.newsLine);
        out["recovered"] = r.recovered;
        fb.into(out);
        printJson(out);
    });
}

void addPlateShow(CLI::App& app, ToolContext& ctx, std::shared_ptr<StoreOptions> opt) {
    CLI::App& plate = commandGroup(app, "plate", "plate formats (w*.dat)");
    auto* show = plate.add_subcommand("show", "a plate format and its map as the program loads it");
    show->add_option("CODE", opt->code,
                     "format code, for example w384: the file CODE.dat of the application folder")
        ->required()
        ->check(CLI::Validator(
            [](std::string& code) {
                return code.find_first_of("/\\") == std::string::npos && code != ".." && code != "."
                           ? std::string()
                           : "a format code is a name, not a path: " + code;
            },
            "CODE"));
    addAppFolderOption(*show, opt->appFolder);
    ctx.trial(show, "w384 --app-folder {app}");
    show->callback([&ctx, opt] {
        Store store(opt->appFolder, ctx.ui);
        std::string code = utf8ToCp1252(opt->code);
        Fallbacks fb;
        if (!loadPlateFormat(store.applicationFolder(), code, store.plate(), ctx.ui)) {
            fb.add("plate format: built-in " + utf8(code), true);
        }
        json out = plateJson(store.plate(), code);
        out["requested_code"] = opt->code;
        fb.into(out);
        printJson(out);
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
