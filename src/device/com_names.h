#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qv::device {

// The device name of a port number as the application spells it: "COM" + n.
std::string comName(int port);

using EnvLookup = std::function<std::optional<std::string>(const std::string&)>;
using PathExists = std::function<bool(const std::string&)>;

// The environment as the program was started with it, and the file system.
std::optional<std::string> processEnv(const std::string& name);
bool pathExists(const std::string& path);

// Turns "COM" + n (n >= 1, any letter case) into the path of its device:
//   1. the environment variable QUORVEL_COM<n>, when set and not empty, names it;
//   2. otherwise the first existing of /dev/ttyUSB<n-1>, /dev/ttyACM<n-1>, /dev/ttyS<n-1>
//      (USB adapters first, then built-in ports); /dev/ttyS<n-1> when none exists.
// Any other name is taken as a path and returned unchanged.
std::string resolveDevicePath(const std::string& name, const EnvLookup& env = processEnv,
                              const PathExists& exists = pathExists);

}  // namespace qv::device
