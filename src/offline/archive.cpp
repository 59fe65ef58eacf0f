#include "offline/archive.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>

#include "common/number_format.h"

namespace qv {

namespace fs = std::filesystem;

std::error_code renameWithoutReplacing(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    const int err = errno;
    if (err != EINVAL && err != ENOSYS) {
        return {err, std::generic_category()};
    }
    // A file system without the no-replace flag: look first. A plain rename would put a
    // folder over an empty one of the same name.
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) {
        return std::make_error_code(std::errc::file_exists);
    }
    fs::rename(from, to, ec);
    return ec;
}

std::string archiveStamp(const DateTime& t) {
    return formatPadded(t.year, 4) + formatPadded(t.month, 2) + formatPadded(t.day, 2) +
           formatPadded(t.hour, 2) + formatPadded(t.second, 2);
}

fs::path archivedPath(const fs::path& acquisitionFolder, const DateTime& now) {
    fs::path target = acquisitionFolder;
    target += "removed" + archiveStamp(now);
    return target;
}

std::string renameFailureText(const std::error_code& ec, const fs::path& to) {
    switch (ec.value()) {
        case EEXIST:
        case ENOTEMPTY:
            return "A folder named " + to.filename().string() +
                   " is already there; try again in a moment.";
        case EBUSY:
        case ETXTBSY:
            return "The folder is in use by another program; close what has it open and try "
                   "again.";
        case EACCES:
        case EPERM:
        case EROFS:
            return "The folder or the disk is read-only; nothing could be renamed there.";
        case ENOENT:
            return "The folder is no longer there.";
        default:
            return ec.message() + ".";
    }
}

}  // namespace qv
