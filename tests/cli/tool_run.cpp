#include "cli/tool_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "analysis/activity_files.h"
#include "common/clock.h"

extern char** environ;

namespace qv::testing {

namespace fs = std::filesystem;

namespace {

std::string nameOf(const std::string& assignment) {
    return assignment.substr(0, assignment.find('='));
}

// The test's environment without anything that would point the programs at a real
// installation or a real port, plus the given assignments.
std::vector<std::string> environmentWith(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string name = nameOf(*e);
        bool replaced = name == "QUORVEL_HOME" || name.rfind("QUORVEL_COM", 0) == 0;
        for (const std::string& x : extra) {
            replaced = replaced || nameOf(x) == name;
        }
        if (!replaced) {
            env.emplace_back(*e);
        }
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings) {
        p.push_back(s.data());
    }
    p.push_back(nullptr);
    return p;
}

// Reads both pipes until they close or the time runs out.
bool drain(int out, int err, RunResult& r, int limitMs, Clock& clock, std::int64_t start) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    std::string* into[2] = {&r.out, &r.err};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        const auto left = limitMs - (clock.monotonicMs() - start);
        if (left <= 0) {
            return false;
        }
        if (poll(fds, 2, static_cast<int>(left)) < 0 && errno != EINTR) {
            return false;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t n = read(fds[i].fd, buf, sizeof buf);
                if (n > 0) {
                    into[i]->append(buf, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    return true;
}

}  // namespace

fs::path toolPath() {
    return binaryDir() / "src" / "cli" / "quorvel-tool";
}

fs::path simPath() {
    return binaryDir() / "src" / "cli" / "quorvel-sim";
}

RunResult runProgram(const fs::path& program, const std::vector<std::string>& args,
                     const RunOptions& options) {
    std::vector<std::string> argvStrings{program.string()};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings = environmentWith(options.env);
    std::vector<char*> argv = pointers(argvStrings);
    std::vector<char*> envp = pointers(envStrings);
    int out[2], err[2], in[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return {};
    }
    SystemClock clock;
    const std::int64_t start = clock.monotonicMs();
    const pid_t pid = fork();
    if (pid == 0) {
        const int input = options.idleInput ? in[0] : open("/dev/null", O_RDONLY);
        dup2(input, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (!options.workingFolder.empty() && chdir(options.workingFolder.c_str()) != 0) {
            _exit(126);
        }
        if (options.addressSpaceBytes) {
            const rlimit limit{*options.addressSpaceBytes, *options.addressSpaceBytes};
            setrlimit(RLIMIT_AS, &limit);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    close(in[0]);
    RunResult r;
    if (!drain(out[0], err[0], r, options.limitMs, clock, start)) {
        r.timedOut = true;
        kill(pid, SIGKILL);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.elapsedMs = clock.monotonicMs() - start;
    r.maxRssKb = usage.ru_maxrss;
    r.exitCode = !r.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    close(out[0]);
    close(err[0]);
    close(in[1]);
    return r;
}

Background::Background(const fs::path& program, const std::vector<std::string>& args) {
    std::vector<std::string> argvStrings{program.string()};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings = environmentWith({});
    std::vector<char*> argv = pointers(argvStrings);
    std::vector<char*> envp = pointers(envStrings);
    pid_ = fork();
    if (pid_ == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
}

Background::~Background() {
    if (pid_ > 0) {
        stop();
    }
}

int Background::stop() {
    if (pid_ <= 0) {
        return -1;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    const bool ended = waitUntil(5000, [&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
    if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool waitUntil(int limitMs, const std::function<bool()>& condition) {
    SystemClock clock;
    const std::int64_t start = clock.monotonicMs();
    while (!condition()) {
        if (clock.monotonicMs() - start > limitMs) {
            return false;
        }
        clock.sleepMs(20);
    }
    return true;
}

std::optional<nlohmann::json> jsonLine(const std::string& out) {
    if (out.empty() || out.back() != '\n' || out.find('\n') != out.size() - 1) {
        return std::nullopt;
    }
    try {
        nlohmann::json j = nlohmann::json::parse(out);
        if (j.is_object()) {
            return j;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

nlohmann::json jsonOf(const RunResult& r) {
    if (auto j = jsonLine(r.out)) {
        return *j;
    }
    ADD_FAILURE() << "not one JSON object on one line:\n"
                  << r.out << "\nstandard error:\n"
                  << r.err;
    return nlohmann::json::object();
}

ToolFixture::ToolFixture() {
    const auto init = tool({"init", "--app-folder", app().string()});
    const auto demo = tool({"demo-project", "--app-folder", app().string(), "--no-acquisition"});
    if (init.exitCode != 0 || demo.exitCode != 0) {
        ADD_FAILURE() << "init: " << init.err << "demo-project: " << demo.err;
        return;
    }
    AcquisitionFixture run;
    run.write(acquisition(), everyMinute(90, [](int i, int c) { return c % 5 + i % 3; }));
    AcquisitionFixture basalRun;
    basalRun.write(basal(), everyMinute(240, [](int, int c) { return 1 + c % 4; }));
    SampleBlock block;
    for (int c = 0; c < SampleBlock::kBeams; ++c) {
        for (int s = 0; s < block.samplesPerChannel(); ++s) {
            block.at(c, s) = static_cast<std::int16_t>(2000 + (s % 37 == 0 ? -900 : s % 7));
        }
    }
    ready = appendRawBlock(acquisition(), 0, block);
}

RunOptions ToolFixture::options(std::vector<std::string> env) const {
    RunOptions o;
    for (int n = 1; n <= 16; ++n) {
        const std::string name = "QUORVEL_COM" + std::to_string(n) + "=";
        bool given = false;
        for (const std::string& e : env) {
            given = given || e.rfind(name, 0) == 0;
        }
        if (!given) {
            env.push_back(name + (dir / ("absent" + std::to_string(n))).string());
        }
    }
    o.env = std::move(env);
    return o;
}

RunResult ToolFixture::tool(const std::vector<std::string>& args) const {
    return runTool(args, options());
}

}  // namespace qv::testing
