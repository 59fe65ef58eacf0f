#pragma once

// What every quorvel-tool command that works on the instrument shares: the options that find
// the application folder and the port, a Ui that answers from them and shows the status line
// as progress, Ctrl-C as the window's way of stopping, and the session that connects as the
// Connect action does.

#include <functional>
#include <string>

#include "acquisition/care_context.h"
#include "acquisition/device_link.h"
#include "cli/tool.h"
#include "device/posix_backend.h"

namespace qv::cli {

struct SessionOptions {
    std::string appFolder;
    int port = 0;  // 0: the configured port
    bool interactive = false;
    bool yes = false;
};

// --app-folder, --port and --interactive.
void addSessionOptions(CLI::App* cmd, SessionOptions& o);
// False, with exit code 2, for a missing folder or a port outside 1..15.
bool sessionOptionsValid(const SessionOptions& o, ToolContext& ctx);
// A bad value found while running: the message and exit code 2.
bool refuse(ToolContext& ctx, const std::string& why);

// From now on Ctrl-C asks the work to stop at its next event pass.
void stopOnInterrupt();

// The Ui of an instrument command: messages to standard error; questions answered by --yes,
// or read from standard input only with --interactive, else refused; a status line printed
// whenever it changed at an event pass; after Ctrl-C each event pass calls the stop action.
class CareUi : public Ui {
  public:
    CareUi(CliUi& terminal, const SessionOptions& o) : terminal_(terminal), options_(o) {}

    void follow(const Control* status, std::function<void()> stop) {
        status_ = status;
        stop_ = std::move(stop);
    }
    void message(const std::string& text, const std::string& title = {}) override;
    Answer ask(const std::string& text, Buttons buttons) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    void processEvents() override;
    void openExternal(const std::string& path, ExternalKind kind) override {
        terminal_.openExternal(path, kind);
    }
    void showStatus();

  private:
    CliUi& terminal_;
    const SessionOptions& options_;
    const Control* status_ = nullptr;
    std::function<void()> stop_;
    std::string shown_;
};

// The application folder's store, the instrument found as Connect finds it, and the controls
// the care classes show their state in.
struct Session {
    CareUi ui;
    SystemClock clock;
    device::PosixBackend backend{clock};
    Store store;
    AppState state;
    DeviceLink link;
    Controls controls;
    CareContext care;

    Session(CliUi& terminal, const SessionOptions& o);
    // False (after its message and a JSON line saying so) when the store or the instrument
    // cannot be reached.
    bool open(const SessionOptions& o);
    ~Session();
};

}  // namespace qv::cli
