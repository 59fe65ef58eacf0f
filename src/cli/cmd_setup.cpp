#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "common/cp1252.h"
#include "common/file_util.h"
#include "setup/group_layout.h"
#include "setup/project_actions.h"
#include "store/store.h"

namespace qv::cli {

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

struct SetupOptions {
    std::string appFolder;
    std::string name;
    int project = 0;
    std::string blockSize;
    bool yes = false;
    bool interactive = false;
};

// The questions of a headless command are answered from its options: --yes answers every
// one with Yes, otherwise No; only --interactive reads the answers from standard input.
class AnsweringUi : public Ui {
  public:
    AnsweringUi(Ui& inner, const SetupOptions& opt) : inner_(inner), opt_(opt) {}

    void message(const std::string& text, const std::string& title = {}) override {
        inner_.message(text, title);
    }
    Answer ask(const std::string& text, Buttons buttons) override {
        if (opt_.interactive) {
            return inner_.ask(text, buttons);
        }
        const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
        inner_.message(text + (opt_.yes ? " -> yes" : " -> no (--yes answers yes)"));
        if (yesNo) {
            return opt_.yes ? Answer::Yes : Answer::No;
        }
        return opt_.yes ? Answer::Ok : Answer::Cancel;
    }
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override {
        if (opt_.interactive) {
            return inner_.input(prompt, title, defaultText);
        }
        return std::nullopt;
    }
    void processEvents() override { inner_.processEvents(); }
    void openExternal(const std::string& path, ExternalKind kind) override {
        inner_.openExternal(path, kind);
    }

  private:
    Ui& inner_;
    const SetupOptions& opt_;
};

std::string utf8(const std::string& s) {
    return cp1252ToUtf8(s);
}

void print(const json& out) {
    printJson(out);
}

void fail(ToolContext& ctx, int code, const std::string& text) {
    ctx.ui.message(text);
    ctx.exitCode = code;
}

// The application folder's store with the current project loaded; false (exit 1) when the
// folder has no installation.
bool startStore(Store& store, ToolContext& ctx) {
    if (store.startUp() == Store::StartUp::ConfigMissing) {
        fail(ctx, 1, kConfigNotFoundMessage);
        return false;
    }
    return true;
}

json projectJson(const Store& store, const char* action) {
    return {{"action", action},
            {"project", store.config().Actual_Project_Number},
            {"name", utf8(store.setup().Name)},
            {"project_folder", utf8(store.projectPath().string())},
            {"Last_Project", store.config().Last_Project}};
}

std::optional<std::string> nameArgument(const SetupOptions& opt, ToolContext& ctx) {
    const std::string name = storableName(utf8ToCp1252(opt.name));
    if (name.empty()) {
        fail(ctx, 2, "NAME must not be empty");
        return std::nullopt;
    }
    return name;
}

void runNew(const SetupOptions& opt, ToolContext& ctx, const char* action) {
    AnsweringUi ui(ctx.ui, opt);
    Store store(opt.appFolder, ui);
    if (!startStore(store, ctx)) {
        return;
    }
    const std::string name = storableName(utf8ToCp1252(opt.name));
    const Allocation result = allocateProject(store, ui, name);
    if (result.outcome == AllocationOutcome::Declined) {
        fail(ctx, 1, projectFolderName(result.number) + " already exists and was kept");
        return;
    }
    if (result.outcome == AllocationOutcome::Failed) {
        ctx.exitCode = 1;
        return;
    }
    print(projectJson(store, action));
}

void runSave(const SetupOptions& opt, ToolContext& ctx) {
    Store store(opt.appFolder, ctx.ui);
    if (!startStore(store, ctx)) {
        return;
    }
    if (!store.saveProjectSettings()) {
        fail(ctx, 1, kSaveProjectFailedMessage);
        return;
    }
    print(projectJson(store, "save"));
}

void runList(const SetupOptions& opt, ToolContext& ctx) {
    Store store(opt.appFolder, ctx.ui);
    if (!startStore(store, ctx)) {
        return;
    }
    json projects = json::array();
    for (const std::string& entry : projectListEntries(store.applicationFolder(), ctx.ui)) {
        const std::optional<std::int16_t> number = projectNumberOfEntry(entry);
        projects.push_back({{"entry", utf8(entry)},
                            {"folder", utf8(entry.substr(0, 6))},
                            {"number", number ? json(*number) : json(nullptr)},
                            {"name", utf8(entry.substr(7))}});
    }
    print({{"current_project", store.config().Actual_Project_Number}, {"projects", projects}});
}

void runLoad(const SetupOptions& opt, ToolContext& ctx) {
    if (opt.project < 0 || opt.project > 32000) {
        fail(ctx, 2, "N must be 0 to 32000");
        return;
    }
    Store store(opt.appFolder, ctx.ui);
    if (!startStore(store, ctx)) {
        return;
    }
    const auto number = static_cast<std::int16_t>(opt.project);
    const fs::path folder = store.projectFolder(number);
    if (number > 0 && !isRegularFile(folder / "setup.dat")) {
        fail(ctx, 1,
             "No project " + projectFolderName(number) + " with a setup.dat in " +
                 store.applicationFolder().string());
        return;
    }
    if (!chooseProject(store, number, folder)) {
        ctx.exitCode = 1;
        return;
    }
    print(projectJson(store, "load"));
}

void runRename(const SetupOptions& opt, ToolContext& ctx) {
    const std::optional<std::string> name = nameArgument(opt, ctx);
    if (!name) {
        return;
    }
    Store store(opt.appFolder, ctx.ui);
    if (!startStore(store, ctx)) {
        return;
    }
    if (store.config().Actual_Project_Number == 0) {
        fail(ctx, 1, "Not possible to rename the Default project. Save it with another Name");
        return;
    }
    store.setup().Name = *name;
    if (!store.saveProjectSettings()) {
        fail(ctx, 1, kSaveProjectFailedMessage);
        return;
    }
    print(projectJson(store, "rename"));
}

void addProjectActions(CLI::App& app, ToolContext& ctx, std::shared_ptr<SetupOptions> opt) {
    CLI::App* project = app.get_subcommand("project");
    auto folder = [opt](CLI::App* cmd) {
        cmd->add_option("--app-folder", opt->appFolder, "application folder")->required();
    };
    auto answers = [opt](CLI::App* cmd) {
        cmd->add_flag("--yes", opt->yes, "overwrite an existing project folder of that number");
        cmd->add_flag("--interactive", opt->interactive, "ask the question on standard input");
    };
    auto* make = project->add_subcommand("new", "a new project: a copy of the current one");
    make->add_option("NAME", opt->name, "the new project's name")->required();
    folder(make);
    answers(make);
    make->callback([opt, &ctx] { runNew(*opt, ctx, "new"); });
    auto* saveAs = project->add_subcommand("save-as", "the current project under a new number");
    saveAs->add_option("NAME", opt->name, "the new project's name")->required();
    folder(saveAs);
    answers(saveAs);
    saveAs->callback([opt, &ctx] { runNew(*opt, ctx, "save-as"); });
    auto* save = project->add_subcommand("save", "the current project's settings, in place");
    folder(save);
    save->callback([opt, &ctx] { runSave(*opt, ctx); });
    auto* list = project->add_subcommand("list", "the project folders that hold settings");
    folder(list);
    list->callback([opt, &ctx] { runList(*opt, ctx); });
    auto* load = project->add_subcommand("load", "make a project current");
    load->add_option("N", opt->project, "project number, 0 to 32000 (0: the default project)")
        ->required();
    folder(load);
    load->callback([opt, &ctx] { runLoad(*opt, ctx); });
    auto* rename = project->add_subcommand("rename", "rename the current project and save it");
    rename->add_option("NAME", opt->name, "the new name, not empty")->required();
    folder(rename);
    rename->callback([opt, &ctx] { runRename(*opt, ctx); });
}

// "2x3" or "02x03": block rows, "x", block columns.
std::optional<BlockSize> blockSizeArgument(const std::string& text) {
    const std::size_t x = text.find_first_of("xX");
    auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 2 &&
               s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (x == std::string::npos || !digits(text.substr(0, x)) || !digits(text.substr(x + 1))) {
        return std::nullopt;
    }
    return BlockSize{std::stoi(text.substr(0, x)), std::stoi(text.substr(x + 1))};
}

json groupsJson(Store& store, const char* action) {
    json out = projectJson(store, action);
    out["Plate_format"] = utf8(store.setup().Plate_format);
    const GroupsModel model = GroupsModel::of(store.setup());
    json groups = json::array();
    for (int g = 0; g < kChannels; ++g) {
        json wells = json::array();
        std::vector<bool> listed(static_cast<std::size_t>(store.plate().largestWell) + 1);
        for (int c : channelsInGroup(model, store.plate(), g)) {
            const int well = store.plate().wellOfChannel[c];
            if (!listed[well]) {
                wells.push_back(wellLabel(store.plate(), well));
                listed[well] = true;
            }
        }
        if (!wells.empty()) {
            groups.push_back({{"group", g}, {"name", utf8(model.groupName[g])}, {"wells", wells}});
        }
    }
    out["groups"] = groups;
    return out;
}

bool saveGroups(Store& store, ToolContext& ctx) {
    if (!store.saveProjectSettings()) {
        fail(ctx, 1, kSaveProjectFailedMessage);
        return false;
    }
    return true;
}

void runArrange(const SetupOptions& opt, ToolContext& ctx) {
    const std::optional<BlockSize> size = blockSizeArgument(opt.blockSize);
    if (!size) {
        fail(ctx, 2, "SIZE must be ROWSxCOLUMNS, for example 02x03");
        return;
    }
    Store store(opt.appFolder, ctx.ui);
    if (!startStore(store, ctx)) {
        return;
    }
    const PlateFormat& plate = store.plate();
    std::string offered;
    bool tiles = false;
    for (BlockSize s : blockSizes(plate)) {
        tiles = tiles || (s.rows == size->rows && s.columns == size->columns);
        offered += (offered.empty() ? "" : ", ") + blockSizeEntry(s).substr(0, 5);
    }
    if (!tiles) {
        fail(ctx, 2,
             opt.blockSize + " does not tile the " + std::to_string(plate.rows) + " x " +
                 std::to_string(plate.columns) + " plate " + store.setup().Plate_format +
                 "; block sizes: " + offered);
        return;
    }
    GroupsModel model = GroupsModel::of(store.setup());
    autoArrange(model, plate, *size);
    if (saveGroups(store, ctx)) {
        json out = groupsJson(store, "arrange");
        out["block_rows"] = size->rows;
        out["block_columns"] = size->columns;
        print(out);
    }
}

void runClear(const SetupOptions& opt, ToolContext& ctx) {
    AnsweringUi ui(ctx.ui, opt);
    Store store(opt.appFolder, ui);
    if (!startStore(store, ctx)) {
        return;
    }
    if (ui.ask("Do you like to Clear Group lists?", Buttons::YesNo) != Answer::Yes) {
        fail(ctx, 1, "The groups were not cleared");
        return;
    }
    GroupsModel model = GroupsModel::of(store.setup());
    clearGroups(model);
    if (saveGroups(store, ctx)) {
        print(groupsJson(store, "clear"));
    }
}

void addGroupCommands(CLI::App& app, ToolContext& ctx, std::shared_ptr<SetupOptions> opt) {
    auto* groups = app.add_subcommand("groups", "the current project's groups of wells");
    groups->require_subcommand(1);
    auto* arrange = groups->add_subcommand(
        "arrange", "tile the plate into blocks of wells, one group per block, and save");
    arrange
        ->add_option("SIZE", opt->blockSize,
                     "block rows x block columns, for example 02x03; each 1 to 16 and dividing "
                     "the plate's rows and columns")
        ->required();
    arrange->add_option("--app-folder", opt->appFolder, "application folder")->required();
    arrange->callback([opt, &ctx] { runArrange(*opt, ctx); });
    auto* clear = groups->add_subcommand("clear", "free every channel and save");
    clear->add_option("--app-folder", opt->appFolder, "application folder")->required();
    clear->add_flag("--yes", opt->yes, "answer the question \"Clear Group lists?\" with yes");
    clear->add_flag("--interactive", opt->interactive, "ask the question on standard input");
    clear->callback([opt, &ctx] { runClear(*opt, ctx); });
}

}  // namespace

void addSetupCommands(CLI::App& app, ToolContext& ctx) {
    auto opt = std::make_shared<SetupOptions>();
    addProjectActions(app, ctx, opt);
    addGroupCommands(app, ctx, opt);
}

}  // namespace qv::cli
