#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::testing {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Writes bytes exactly as given (no line-end translation); creates parent folders.
void writeBytes(const std::filesystem::path& file, std::string_view bytes);
std::string readBytes(const std::filesystem::path& file);

// Folder of the checked-out sources and of the build, for tests that need data/ or programs.
std::filesystem::path sourceDir();
std::filesystem::path binaryDir();

// What a program run from a test printed and how it ended.
struct ProgramRun {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args` (already quoted for the shell) and no input; standard error goes
// through errFile.
ProgramRun runProgram(const std::filesystem::path& program, const std::string& args,
                      const std::filesystem::path& errFile);

}  // namespace qv::testing
