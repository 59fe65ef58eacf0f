#include "offline/series/new_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace qv {

namespace fs = std::filesystem;

namespace {

enum class Outcome { Written, Taken, Failed };

Outcome writeExclusive(const fs::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno == EEXIST || errno == EISDIR || errno == EACCES ? Outcome::Taken
                                                                     : Outcome::Failed;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (done != bytes.size() || !closed) {
        std::error_code ec;
        fs::remove(path, ec);
        return Outcome::Failed;
    }
    return Outcome::Written;
}

}  // namespace

std::optional<fs::path> writeNewFile(const fs::path& folder, const std::string& stem,
                                     const std::string& extension, std::string_view bytes,
                                     int attempts) {
    for (int k = 0; k < attempts; ++k) {
        const std::string suffix = k == 0 ? "" : "_" + std::to_string(k);
        const fs::path path = folder / (stem + suffix + extension);
        switch (writeExclusive(path, bytes)) {
            case Outcome::Written:
                return path;
            case Outcome::Taken:
                continue;
            case Outcome::Failed:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace qv
