#include "acquisition/disk_space.h"

#include <sys/statvfs.h>

#include "common/rounding.h"

namespace qv {

std::int64_t freeMegabytes(const std::filesystem::path& folder) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) {
        return -1;
    }
    const double bytes = static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize);
    return roundHalfEven(bytes / 1024.0 / 1024.0);
}

}  // namespace qv
