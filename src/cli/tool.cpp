#include "cli/tool.h"

#include <cstdlib>
#include <iostream>
#include <system_error>
#include <vector>

#include "common/cp1252.h"

namespace qv::cli {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kStyle =
    "Every command prints one JSON object on one line of standard output (snake_case keys; the\n"
    "system's own field names such as Aq_lapse keep their spelling; UTF-8 text; absolute\n"
    "paths), its messages and progress on standard error, and ends with exit code 0 on\n"
    "success, 1 on a failure the system reports, 2 on bad usage (an unknown option, a value\n"
    "out of its range, a question no option answered). Standard input is read only with\n"
    "--interactive; otherwise a question takes its option (--yes, --port N, ...) or the answer\n"
    "that does nothing. --app-folder defaults to $QUORVEL_HOME.\n"
    "Run 'quorvel-tool COMMAND --help' for a command's options and their ranges.";

void collectLeaves(CLI::App& app, const std::string& prefix,
                   std::vector<std::pair<std::string, CLI::App*>>& out) {
    for (CLI::App* sub : app.get_subcommands({})) {
        const std::string path = prefix.empty() ? sub->get_name() : prefix + " " + sub->get_name();
        if (sub->get_subcommands({}).empty()) {
            out.emplace_back(path, sub);
        } else {
            collectLeaves(*sub, path, out);
        }
    }
}

json optionsOf(const CLI::App& command) {
    json list = json::array();
    for (const CLI::Option* o : command.get_options()) {
        if (o->get_name() == "--help") {
            continue;
        }
        list.push_back({{"name", o->get_name()},
                        {"positional", o->get_positional()},
                        {"required", o->get_required()},
                        {"description", o->get_description()}});
    }
    return list;
}

}  // namespace

std::string jsonPath(const fs::path& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec) {
        p = path;
    }
    std::string text = p.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

std::string storedText(const std::string& text) {
    return cp1252ToUtf8(text);
}

void printJson(const json& object) {
    std::cout << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n' << std::flush;
}

CLI::Option* addAppFolderOption(CLI::App& command, std::string& folder, bool mustExist) {
    CLI::Option* o = command.add_option("--app-folder", folder,
                                        "application folder, holding config.dat (default: "
                                        "$QUORVEL_HOME)");
    // Not CLI11's envname: it would fill (and check) the option of every command, not only of
    // the one that runs.
    const char* home = std::getenv("QUORVEL_HOME");
    if (home != nullptr && *home != '\0') {
        folder = jsonPath(home);
        if (mustExist) {
            command.parse_complete_callback([o, &folder] {
                if (o->count() == 0 && !fs::is_directory(folder)) {
                    throw CLI::ValidationError(
                        "--app-folder", "$QUORVEL_HOME: Directory does not exist: " + folder);
                }
            });
        }
    } else {
        o->required();
    }
    if (mustExist) {
        o->check(CLI::ExistingDirectory);
    }
    // Absolute from here on: the store writes the project folder into setup.dat.
    o->transform([](std::string text) { return jsonPath(text); });
    return o;
}

CLI::App& commandGroup(CLI::App& parent, const std::string& name, const std::string& description) {
    for (CLI::App* sub : parent.get_subcommands({})) {
        if (sub->get_name() == name) {
            return *sub;
        }
    }
    CLI::App* group = parent.add_subcommand(name, description);
    group->require_subcommand(1);
    return *group;
}

Tool::Tool()
    : ui_(std::cin, std::cerr),
      app_("quorvel-tool: headless access to the Quorvel store, data and instrument") {
    app_.require_subcommand(1);
    // Subcommands made after this inherit it: --interactive may follow the command's options.
    app_.fallthrough();
    app_.set_version_flag("--version", "quorvel-tool 0.1.0");
    app_.add_flag("--interactive", ui_.interactive,
                  "read the answers to the commands' questions from standard input");
    app_.add_flag_callback(
            "--list-commands",
            [this] {
                printCommandList();
                throw CLI::Success();
            },
            "every command with its options and trial run, as JSON")
        ->group("");
}

void Tool::printCommandList() {
    std::vector<std::pair<std::string, CLI::App*>> leaves;
    collectLeaves(app_, "", leaves);
    json commands = json::array();
    for (const auto& [path, command] : leaves) {
        json item = {{"command", path}, {"options", optionsOf(*command)}};
        const auto t = ctx_.trials.find(command);
        item["trial"] = t == ctx_.trials.end() ? json() : json(t->second.args);
        item["time_limit_s"] = t == ctx_.trials.end() ? 30 : t->second.limitSeconds;
        commands.push_back(std::move(item));
    }
    printJson({{"commands", commands}});
}

int Tool::run(int argc, char** argv) {
    // Set last: subcommands inherit the footer of their parent when they are made.
    app_.footer(kStyle);
    try {
        app_.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app_.exit(e, std::cout, std::cerr) == 0 ? kExitSuccess : kExitUsage;
    } catch (const UsageError& e) {
        std::cerr << terminalText(e.what()) << "\nRun with --help for more information.\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        ui_.message(std::string("Unexpected failure: ") + e.what());
        return kExitFailure;
    }
    return ctx_.exitCode;
}

}  // namespace qv::cli
