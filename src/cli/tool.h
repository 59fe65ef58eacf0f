#pragma once

// What every quorvel-tool command shares: the exit codes, the context a command gets, the
// JSON output, the application-folder option, command groups and the trial runs that the
// idle-input test makes of every command. src/cli/README.md says how a command uses them.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "cli/cli_ui.h"

namespace qv::cli {

inline constexpr int kExitSuccess = 0;
// A failure the system reports: its message is on standard error.
inline constexpr int kExitFailure = 1;
// Bad usage: an unknown option, a value out of its range, a missing answer to a question.
inline constexpr int kExitUsage = 2;

// Thrown by a command that finds a bad value only once it runs (a record range beyond the
// file, a basal folder that is no sibling). Ends the program with kExitUsage and the text.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// How the test that runs every command with standard input open and idle runs this one:
// its arguments, with the placeholders that test fills ({app}, {new}, {acquisition},
// {basal}, {raw}, {counts}), and how long it may take.
struct Trial {
    std::string args;
    int limitSeconds = 30;
};

// What every command gets: the Ui, the exit code it sets (0 unless it says otherwise) and the
// trial runs registered with the commands.
struct ToolContext {
    CliUi& ui;
    int exitCode = kExitSuccess;
    std::map<const CLI::App*, Trial> trials{};

    void trial(const CLI::App* command, std::string args, int limitSeconds = 30) {
        trials[command] = Trial{std::move(args), limitSeconds};
    }
    // A failure the system reports: the message on standard error and exit code 1.
    void fail(const std::string& message) {
        ui.message(message);
        exitCode = kExitFailure;
    }
};

// --- JSON output: one object per command, on one line of standard output.

// A path as JSON shows it: absolute and normalised, in the file system's own bytes (UTF-8).
std::string jsonPath(const std::filesystem::path& path);
// Text read from a settings file (Windows-1252) as UTF-8.
std::string storedText(const std::string& text);
// Prints the object on one line; bytes that are not UTF-8 become U+FFFD.
void printJson(const nlohmann::json& object);

// --- Options.

// --app-folder DIR, required unless QUORVEL_HOME names the folder; an existing folder unless
// mustExist is false.
CLI::Option* addAppFolderOption(CLI::App& command, std::string& folder, bool mustExist = true);
// The subcommand group `name` of `parent` (project, groups, ...), made on first use, so that
// every cmd_<area>.cpp can add its subcommands to a group whatever the registration order.
CLI::App& commandGroup(CLI::App& parent, const std::string& name, const std::string& description);

// quorvel-tool itself: the program's options (--interactive, --version, the hidden
// --list-commands), the commands registered by tool_main.cpp, and how parsing ends.
class Tool {
  public:
    Tool();

    CLI::App& app() { return app_; }
    ToolContext& context() { return ctx_; }

    // Parses and runs the command; returns the exit code (parse errors give kExitUsage).
    int run(int argc, char** argv);

  private:
    void printCommandList();

    CliUi ui_;
    ToolContext ctx_{ui_};
    CLI::App app_;
};

}  // namespace qv::cli
