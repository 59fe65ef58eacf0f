#include "cli/care_session.h"

#include <csignal>
#include <iostream>

#include "common/cp1252.h"

namespace qv::cli {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int) {
    stopRequested = 1;
}

}  // namespace

void addSessionOptions(CLI::App* cmd, SessionOptions& o) {
    addAppFolderOption(*cmd, o.appFolder);
    cmd->add_option("--port", o.port, "serial port 1..15 to try first (default: Serial_COM)");
    cmd->add_flag("--interactive", o.interactive,
                  "read answers to the program's questions from standard input");
}

bool refuse(ToolContext& ctx, const std::string& why) {
    ctx.ui.message(why);
    ctx.exitCode = kExitUsage;
    return false;
}

bool sessionOptionsValid(const SessionOptions& o, ToolContext& ctx) {
    if (o.appFolder.empty()) {
        return refuse(ctx, "--app-folder is required");
    }
    if (o.port != 0 && (o.port < 1 || o.port > 15)) {
        return refuse(ctx, "--port must be 1 to 15");
    }
    return true;
}

void stopOnInterrupt() {
    std::signal(SIGINT, requestStop);
}

void CareUi::message(const std::string& text, const std::string& title) {
    terminal_.message(text, title);
}

Answer CareUi::ask(const std::string& text, Buttons buttons) {
    if (options_.interactive) {
        return terminal_.ask(text, buttons);
    }
    const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    if (options_.yes) {
        return yesNo ? Answer::Yes : Answer::Ok;
    }
    std::cerr << cp1252ToUtf8(text) << " [answered no: give --yes]\n";
    return yesNo ? Answer::No : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
}

std::optional<std::string> CareUi::input(const std::string& prompt, const std::string& title,
                                         const std::string& defaultText) {
    if (options_.interactive) {
        return terminal_.input(prompt, title, defaultText);
    }
    return std::nullopt;
}

void CareUi::processEvents() {
    showStatus();
    if (stopRequested != 0 && stop_) {
        stop_();
    }
}

void CareUi::showStatus() {
    if (status_ != nullptr && status_->text != shown_) {
        shown_ = status_->text;
        std::cerr << cp1252ToUtf8(shown_) << '\n' << std::flush;
    }
}

Session::Session(CliUi& terminal, const SessionOptions& o)
    : ui(terminal, o),
      store(o.appFolder, ui),
      link(backend, clock, ui, state, store),
      care{store, state, ui, clock, link.com} {}

bool Session::open(const SessionOptions& o) {
    if (store.startUp() == Store::StartUp::ConfigMissing) {
        ui.message("No config.dat in \"" + utf8ToCp1252(o.appFolder) + "\"");
        return false;
    }
    state.link.currentPort =
        static_cast<std::int16_t>(o.port != 0 ? o.port : store.config().Serial_COM);
    link.connection.connectAction();
    if (!state.link.connected) {
        ui.message("No instrument answered: " + std::string(kOfflineRefusal));
        printJson({{"port", state.link.currentPort}, {"connected", false}});
        return false;
    }
    std::cerr << "instrument " << state.link.serialNumber << " on COM" << state.link.currentPort
              << '\n';
    return true;
}

Session::~Session() {
    link.comm.CommClose(state.link.currentPort);
}

}  // namespace qv::cli
