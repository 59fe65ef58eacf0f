#pragma once

#include "common/clock.h"
#include "device/com_names.h"
#include "device/serial_backend.h"

namespace qv::device {

// Real serial ports and pseudo-terminals through termios. "COM" + n is resolved by
// resolveDevicePath. A device is opened exclusively (TIOCEXCL and an advisory lock), as the
// platform refuses a second open of a port in use. Reads wait with poll() and give the
// interval/total time-outs their platform meaning; the clock only measures the total.
class PosixBackend : public SerialBackend {
  public:
    explicit PosixBackend(Clock& clock, EnvLookup env = processEnv)
        : clock_(clock), env_(std::move(env)) {}

    Opened open(const std::string& deviceName) override;
    std::string systemText(int code) override;

  private:
    Clock& clock_;
    EnvLookup env_;
};

}  // namespace qv::device
