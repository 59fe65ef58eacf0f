#include "common/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace qv {

namespace fs = std::filesystem;

std::optional<std::string> readFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        bytes.append(buf, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

bool writeFileAtomic(const fs::path& path, std::string_view bytes) {
    fs::path tmp = path;
    tmp += ".tmp~";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, bytes);
    ok = (::fsync(fd) == 0) && ok;
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        std::error_code ec;
        // A folder where the file should be cannot be replaced by a rename.
        ok = !fs::is_directory(path, ec) && ::rename(tmp.c_str(), path.c_str()) == 0;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
    }
    return ok;
}

bool appendFile(const fs::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    struct stat before {};
    const bool sized = ::fstat(fd, &before) == 0;
    bool ok = writeAll(fd, bytes);
    if (!ok && sized) {
        // A record cut short by a full disk would shift every record after it: take the
        // file back to where it stood, so it keeps whole records only.
        const int saved = errno;
        (void)::ftruncate(fd, before.st_size);
        errno = saved;
    }
    ok = (::close(fd) == 0) && ok;
    return ok;
}

bool copyFileOver(const fs::path& from, const fs::path& to) {
    auto bytes = readFile(from);
    if (!bytes) {
        return false;
    }
    return writeFileAtomic(to, *bytes);
}

bool isRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool isDirectory(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

}  // namespace qv
