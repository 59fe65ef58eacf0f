#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace qv::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string templ = (fs::temp_directory_path() / "qv-test-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void writeBytes(const fs::path& file, std::string_view bytes) {
    if (file.has_parent_path()) {
        fs::create_directories(file.parent_path());
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path sourceDir() {
    const char* v = std::getenv("QV_SOURCE_DIR");
    return v != nullptr ? fs::path(v) : fs::path(QV_SOURCE_DIR_DEFAULT);
}

fs::path binaryDir() {
    const char* v = std::getenv("QV_BINARY_DIR");
    return v != nullptr ? fs::path(v) : fs::path(QV_BINARY_DIR_DEFAULT);
}

ProgramRun runProgram(const fs::path& program, const std::string& args, const fs::path& errFile) {
    const std::string command =
        "'" + program.string() + "' " + args + " 2>'" + errFile.string() + "' </dev/null";
    ProgramRun r;
    FILE* pipe = popen(command.c_str(), "r");
    char buf[4096];
    for (std::size_t n; pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0;) {
        r.out.append(buf, n);
    }
    const int status = pipe ? pclose(pipe) : -1;
    r.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = readBytes(errFile);
    return r;
}

}  // namespace qv::testing
