#include "device/com_names.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>

namespace qv::device {

std::string comName(int port) {
    return "COM" + std::to_string(port);
}

std::optional<std::string> processEnv(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (v == nullptr) {
        return std::nullopt;
    }
    return std::string(v);
}

bool pathExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

namespace {

std::optional<int> comNumber(const std::string& name) {
    if (name.size() < 4) {
        return std::nullopt;
    }
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[static_cast<std::size_t>(i)])) !=
            "COM"[i]) {
            return std::nullopt;
        }
    }
    int n = 0;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    const auto [end, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || end != last || n < 1) {
        return std::nullopt;
    }
    return n;
}

}  // namespace

std::string resolveDevicePath(const std::string& name, const EnvLookup& env,
                              const PathExists& exists) {
    const std::optional<int> n = comNumber(name);
    if (!n) {
        return name;
    }
    if (const auto named = env("QUORVEL_COM" + std::to_string(*n)); named && !named->empty()) {
        return *named;
    }
    const std::string index = std::to_string(*n - 1);
    for (const char* stem : {"/dev/ttyUSB", "/dev/ttyACM", "/dev/ttyS"}) {
        const std::string path = stem + index;
        if (exists(path)) {
            return path;
        }
    }
    return "/dev/ttyS" + index;
}

}  // namespace qv::device
