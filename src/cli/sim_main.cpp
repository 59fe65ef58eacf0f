// quorvel-sim: the virtual instrument behind a pseudo-terminal, until SIGINT or SIGTERM.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/clock.h"
#include "sim/firmware.h"

namespace {

namespace fs = std::filesystem;

struct Pty {
    int master = -1;
    int slave = -1;  // held open so the line never hangs up between two host sessions
    std::string slaveName;
};

bool openPty(Pty& pty, std::string& error) {
    pty.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    pty.slaveName = ptsname(pty.master);
    pty.slave = open(pty.slaveName.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (pty.slave < 0 || tcgetattr(pty.slave, &t) != 0) {
        error = "cannot open " + pty.slaveName + ": " + std::strerror(errno);
        return false;
    }
    // Raw from the start: an echo would send the host's frames back to it as replies.
    cfmakeraw(&t);
    tcsetattr(pty.slave, TCSANOW, &t);
    fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool makeLink(const fs::path& link, const std::string& target, std::string& error) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link, ec))) {
        fs::remove(link, ec);
    } else if (fs::exists(link, ec)) {
        error = link.string() + " exists and is not a link; not replacing it";
        return false;
    }
    if (link.has_parent_path()) {
        fs::create_directories(link.parent_path(), ec);
    }
    fs::create_symlink(target, link, ec);
    if (ec) {
        error = "cannot create the link " + link.string() + ": " + ec.message();
        return false;
    }
    return true;
}

int stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

// What the line cannot take within 100 ms is lost, as bytes sent to a host that does not
// read them are; the loop must stay free to hear the stop signal.
void writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        }
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, 100) <= 0) {
            return;
        }
    }
}

void logFrame(std::ofstream& log, const qv::sim::FrameRecord& r) {
    nlohmann::json line{{"t_ms", r.atMs},         {"frame", r.frame},    {"bank", r.frame[1]},
                        {"register", r.frame[2]}, {"value", r.frame[3]}, {"reply", r.replyLength}};
    if (!r.fault.empty()) {
        line["fault"] = r.fault;
    }
    log << line.dump() << '\n' << std::flush;
}

// Serves the line until a stop signal comes.
void serve(const Pty& pty, int signals, qv::sim::Firmware& firmware, qv::Clock& clock) {
    std::vector<std::uint8_t> buffer(4096);
    for (;;) {
        int timeout = 1000;
        if (const auto next = firmware.nextOutputAt()) {
            timeout =
                static_cast<int>(std::clamp<std::int64_t>(*next - clock.monotonicMs(), 0, 1000));
        }
        pollfd fds[2] = {{pty.master, POLLIN, 0}, {signals, POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0 && errno != EINTR) {
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t n = read(pty.master, buffer.data(), buffer.size());
            if (n > 0) {
                firmware.receive(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + n));
            }
        }
        writeAll(pty.master, firmware.takeOutput(clock.monotonicMs()));
    }
}

struct Options {
    qv::sim::InstrumentConfig config;
    std::string link;
    std::string logPath;
};

void addOptions(CLI::App& app, Options& o, std::string& form, bool& noPlate) {
    qv::sim::InstrumentConfig& c = o.config;
    app.add_option("--link", o.link, "symbolic link to create for the device (e.g. /tmp/qv/COM4)")
        ->required();
    // The program takes only 10..250 for an instrument; anything else an instrument never
    // sends, so the virtual one refuses to pretend it.
    app.add_option("--serial", c.serialNumber, "serial number it identifies with, 10..250")
        ->check(CLI::Range(10, 250));
    app.add_option("--seed", c.seed, "seed of organisms, noise and faults");
    const auto rate = CLI::Range(0.0, 1.0);
    app.add_option("--silence", c.faults.silence, "chance a frame is not heard")->check(rate);
    app.add_option("--drop", c.faults.drop, "chance a reply is lost")->check(rate);
    app.add_option("--short", c.faults.shortReply, "chance a reply is cut short")->check(rate);
    app.add_option("--parity", c.faults.parity, "chance of a parity error in a block")->check(rate);
    app.add_option("--no-echo", c.faults.missingEcho, "chance a stored write is not echoed")
        ->check(rate);
    app.add_option("--block-form", form, "block read form: auto, 48 or 192")
        ->check(CLI::IsMember({"auto", "48", "192"}));
    app.add_option("--occupancy", c.occupancy, "share of wells with organisms")->check(rate);
    app.add_flag("--no-plate", noPlate, "an empty slot (for the self-test)");
    app.add_flag("--six-well-plate", c.sixWellPlate,
                 "a 6-well plate with one zebrafish larva per occupied well");
    app.add_option("--empty-wells", c.emptyWells,
                   "wells left empty, counted down each column from 0 (0..5 on the 6-well plate, "
                   "0..383 otherwise), e.g. 2,5")
        ->delimiter(',')
        ->check(CLI::Range(0, 383));
    app.add_option("--dead", c.deadBeams, "channels (0..383) whose emitter has failed, e.g. 5,200")
        ->delimiter(',')
        ->check(CLI::Range(0, 383));
    app.add_option("--sensor-bias", c.sensorBiasC,
                   "degrees its temperature sensor reads above the chamber, -10..10")
        ->check(CLI::Range(-10.0, 10.0));
    app.add_option("--log", o.logPath, "one JSON line per frame received");
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string form = "auto";
    bool noPlate = false;
    CLI::App app{"quorvel-sim: the virtual Quorvel instrument on a pseudo-terminal"};
    addOptions(app, o, form, noPlate);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // As quorvel-tool: 0 for --help, 2 for bad usage.
        return app.exit(e) == 0 ? 0 : 2;
    }
    o.config.plateInserted = !noPlate;
    o.config.blockForm = form == "48"    ? qv::sim::BlockForm::Acquisition
                         : form == "192" ? qv::sim::BlockForm::Service
                                         : qv::sim::BlockForm::Auto;

    const int signals = stopSignals();
    Pty pty;
    std::string error;
    if (signals < 0 || !openPty(pty, error) || !makeLink(o.link, pty.slaveName, error)) {
        std::cerr << "quorvel-sim: " << (error.empty() ? std::strerror(errno) : error) << '\n';
        return 1;
    }
    qv::SystemClock clock;
    qv::sim::Firmware firmware(clock, o.config);
    std::ofstream log;
    if (!o.logPath.empty()) {
        log.open(o.logPath, std::ios::app);
        firmware.onFrame([&log](const qv::sim::FrameRecord& r) { logFrame(log, r); });
    }
    std::cerr << "quorvel-sim: instrument " << o.config.serialNumber << " on " << pty.slaveName
              << " (link " << o.link << ")\n";
    serve(pty, signals, firmware, clock);
    std::error_code ec;
    fs::remove(o.link, ec);
    close(pty.slave);
    close(pty.master);
    return 0;
}
