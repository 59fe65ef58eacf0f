#include "device/posix_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#ifdef __linux__
#include <linux/serial.h>
#endif

namespace qv::device {

namespace {

constexpr std::array<std::pair<int, speed_t>, 18> kSpeeds{{{50, B50},
                                                           {75, B75},
                                                           {110, B110},
                                                           {134, B134},
                                                           {150, B150},
                                                           {200, B200},
                                                           {300, B300},
                                                           {600, B600},
                                                           {1200, B1200},
                                                           {2400, B2400},
                                                           {4800, B4800},
                                                           {9600, B9600},
                                                           {19200, B19200},
                                                           {38400, B38400},
                                                           {57600, B57600},
                                                           {115200, B115200},
                                                           {230400, B230400},
                                                           {460800, B460800}}};

int baudOf(speed_t s) {
    for (const auto& [baud, code] : kSpeeds) {
        if (code == s) {
            return baud;
        }
    }
    return 9600;
}

bool speedOf(int baud, speed_t& out) {
    for (const auto& [b, code] : kSpeeds) {
        if (b == baud) {
            out = code;
            return true;
        }
    }
    return false;
}

class PosixDevice : public SerialDevice {
  public:
    PosixDevice(int fd, Clock& clock) : fd_(fd), clock_(clock) {}
    ~PosixDevice() override {
        if (fd_ >= 0) {
            close();
        }
    }

    // The kernel's queues have a fixed size; nothing to set.
    int setQueues(int, int) override { return fd_ >= 0 ? 0 : EBADF; }
    int purge() override { return tcflush(fd_, TCIOFLUSH) == 0 ? 0 : errno; }
    int setTimeouts(const CommTimeouts& t) override {
        timeouts_ = t;
        return 0;
    }
    int getSettings(SerialSettings& out) override;
    int setSettings(const SerialSettings& s) override;
    Transfer read(std::uint8_t* buffer, int wanted) override;
    Transfer write(const std::uint8_t* data, int count) override;
    int setLine(ModemLine line, bool state) override;
    std::uint32_t takeErrorFlags() override;
    int close() override {
        const int fd = std::exchange(fd_, -1);
        // The exclusive mode belongs to the line, not to this descriptor: release it, or a
        // line kept alive by its other end refuses the next session.
        ioctl(fd, TIOCNXCL);
        return ::close(fd) == 0 ? 0 : errno;
    }

  private:
    int waitReadable(int timeoutMs);

    int fd_;
    Clock& clock_;
    CommTimeouts timeouts_;
#ifdef __linux__
    serial_icounter_struct counts_{};
    bool haveCounts_ = false;
#endif
};

int PosixDevice::getSettings(SerialSettings& out) {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) {
        return errno;
    }
    out.baud = baudOf(cfgetospeed(&t));
    const tcflag_t size = t.c_cflag & CSIZE;
    out.dataBits = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
    out.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    out.parity = (t.c_cflag & PARENB) == 0 ? 'N' : (t.c_cflag & PARODD) != 0 ? 'O' : 'E';
    return 0;
}

int PosixDevice::setSettings(const SerialSettings& s) {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) {
        return errno;
    }
    speed_t speed{};
    if (!speedOf(s.baud, speed)) {
        return EINVAL;
    }
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag |= s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
    if (s.stopBits != 1) {
        t.c_cflag |= CSTOPB;
    }
    if (s.parity != 'N') {
        t.c_cflag |= PARENB;
        if (s.parity == 'O' || s.parity == 'M') {
            t.c_cflag |= PARODD;
        }
#ifdef CMSPAR
        if (s.parity == 'M' || s.parity == 'S') {
            t.c_cflag |= CMSPAR;
        }
#endif
    }
    // Waiting is done with poll(), so reads never block in the driver.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd_, TCSANOW, &t) == 0 ? 0 : errno;
}

// 1 when bytes wait, 0 on time-out, -errno on failure.
int PosixDevice::waitReadable(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    for (;;) {
        const int rc = ::poll(&p, 1, timeoutMs);
        if (rc >= 0) {
            return rc > 0 ? 1 : 0;
        }
        if (errno != EINTR) {
            return -errno;
        }
    }
}

Transfer PosixDevice::read(std::uint8_t* buffer, int wanted) {
    const int total = timeouts_.readTotalMultiplierMs * wanted + timeouts_.readTotalConstantMs;
    const std::int64_t start = clock_.monotonicMs();
    Transfer t;
    while (t.count < wanted) {
        const int left = total > 0 ? total - static_cast<int>(clock_.monotonicMs() - start) : -1;
        if (total > 0 && left <= 0) {
            break;
        }
        int wait = left;
        if (t.count > 0 && timeouts_.readIntervalMs > 0) {
            wait = wait < 0 ? timeouts_.readIntervalMs : std::min(wait, timeouts_.readIntervalMs);
        }
        const int ready = waitReadable(wait);
        if (ready <= 0) {
            t.error = -ready;
            break;
        }
        const ssize_t n = ::read(fd_, buffer + t.count, static_cast<std::size_t>(wanted - t.count));
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            // A line that hung up reads as end of file; the platform reports that as a failure.
            t.error = n < 0 ? errno : EIO;
            break;
        }
        t.count += static_cast<int>(n);
    }
    return t;
}

Transfer PosixDevice::write(const std::uint8_t* data, int count) {
    const int total = timeouts_.writeTotalMultiplierMs * count + timeouts_.writeTotalConstantMs;
    Transfer t;
    while (t.count < count) {
        const ssize_t n = ::write(fd_, data + t.count, static_cast<std::size_t>(count - t.count));
        if (n > 0) {
            t.count += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            t.error = errno;
            break;
        }
        pollfd p{fd_, POLLOUT, 0};
        const int rc = ::poll(&p, 1, total > 0 ? total : -1);
        if (rc == 0) {
            break;  // the write time-out: what went out so far is the result
        }
        if (rc < 0 && errno != EINTR) {
            t.error = errno;
            break;
        }
    }
    return t;
}

int PosixDevice::setLine(ModemLine line, bool state) {
    if (line == ModemLine::Break) {
        return ioctl(fd_, state ? TIOCSBRK : TIOCCBRK) == 0 ? 0 : errno;
    }
    int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    return ioctl(fd_, state ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : errno;
}

std::uint32_t PosixDevice::takeErrorFlags() {
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct now{};
    if (ioctl(fd_, TIOCGICOUNT, &now) != 0) {
        return 0;  // pseudo-terminals keep no line counters
    }
    std::uint32_t flags = 0;
    if (haveCounts_) {
        flags |= now.buf_overrun != counts_.buf_overrun ? 0x1u : 0u;  // input queue overflow
        flags |= now.overrun != counts_.overrun ? 0x2u : 0u;          // hardware overrun
        flags |= now.parity != counts_.parity ? 0x4u : 0u;
        flags |= now.frame != counts_.frame ? 0x8u : 0u;
        flags |= now.brk != counts_.brk ? 0x10u : 0u;
    }
    counts_ = now;
    haveCounts_ = true;
    return flags;
#else
    return 0;
#endif
}

}  // namespace

SerialBackend::Opened PosixBackend::open(const std::string& deviceName) {
    const std::string path = resolveDevicePath(deviceName, env_);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {nullptr, errno};
    }
    // No sharing: a port in use by anyone (this program included) is refused.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return {nullptr, err};
    }
    ioctl(fd, TIOCEXCL);
    auto device = std::make_unique<PosixDevice>(fd, clock_);
    device->takeErrorFlags();  // errors of earlier sessions are not ours to report
    return {std::move(device), 0};
}

std::string PosixBackend::systemText(int code) {
    std::string text = std::strerror(code);
    const auto notSpace = [](unsigned char c) { return c != ' '; };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

}  // namespace qv::device
