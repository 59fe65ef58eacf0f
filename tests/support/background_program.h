#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace qv::testing {

// A program run from a test without waiting for it: a shell command (run with exec, so the
// process is the program itself) whose output and errors go to files the test can watch while
// it runs, signal, and wait for. Killed when the object goes, should the test end early.
class BackgroundProgram {
  public:
    BackgroundProgram(const std::string& command, const std::filesystem::path& folder);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool started() const { return pid_ > 0; }
    // Waits, in real time, until standard error holds the text; false after the time limit or
    // when the program ended without it.
    bool waitForError(const std::string& text, int limitMs);
    void signal(int sig);
    // Waits for the end (at most limitMs, then kills); the exit code, or -1 when it did not
    // exit normally.
    int wait(int limitMs);

    std::string out() const;
    std::string err() const;

  private:
    pid_t pid_ = -1;
    int status_ = -1;
    bool ended_ = false;
    std::filesystem::path outFile_;
    std::filesystem::path errFile_;
};

}  // namespace qv::testing
