#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>

namespace qv::testing {

// A full disk, as far as this process can tell: while it lives, no file may grow past the
// limit, and a write that would is cut short with EFBIG (the signal that would end the process
// is ignored). Works for any user, root included.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::uint64_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        savedHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, savedHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t savedHandler_ = SIG_DFL;
};

}  // namespace qv::testing
