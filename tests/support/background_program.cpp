#include "support/background_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <vector>

#include "common/clock.h"
#include "support/temp_dir.h"

extern char** environ;

namespace qv::testing {

BackgroundProgram::BackgroundProgram(const std::string& command,
                                     const std::filesystem::path& folder)
    : outFile_(folder / "program.out"), errFile_(folder / "program.err") {
    const std::string line = "exec " + command + " >'" + outFile_.string() + "' 2>'" +
                             errFile_.string() + "' </dev/null";
    std::vector<std::string> args = {"/bin/sh", "-c", line};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
}

BackgroundProgram::~BackgroundProgram() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool BackgroundProgram::waitForError(const std::string& text, int limitMs) {
    SystemClock clock;
    for (int waited = 0; waited < limitMs; waited += 20) {
        if (err().find(text) != std::string::npos) {
            return true;
        }
        if (!ended_ && waitpid(pid_, &status_, WNOHANG) == pid_) {
            ended_ = true;
        }
        if (ended_) {
            return err().find(text) != std::string::npos;
        }
        clock.sleepMs(20);
    }
    return false;
}

void BackgroundProgram::signal(int sig) {
    if (pid_ > 0 && !ended_) {
        kill(pid_, sig);
    }
}

int BackgroundProgram::wait(int limitMs) {
    SystemClock clock;
    for (int waited = 0; !ended_ && waited < limitMs; waited += 20) {
        if (waitpid(pid_, &status_, WNOHANG) == pid_) {
            ended_ = true;
            break;
        }
        clock.sleepMs(20);
    }
    if (!ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        ended_ = true;
        return -1;
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string BackgroundProgram::out() const {
    return readBytes(outFile_);
}

std::string BackgroundProgram::err() const {
    return readBytes(errFile_);
}

}  // namespace qv::testing
