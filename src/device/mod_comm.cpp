#include "device/mod_comm.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "device/mode_text.h"

namespace qv::device {

namespace {

// What a call on a port whose handle is gone reports, as the platform does for a stale handle.
Transfer noHandle() {
    return Transfer{0, EBADF};
}

}  // namespace

ModComm::ModComm(SerialBackend& backend, Clock& clock) : backend_(backend), clock_(clock) {}

ModComm::~ModComm() {
    for (int port = 1; port <= kPortCount; ++port) {
        CommClose(port);
    }
}

bool ModComm::isOpen(int port) const {
    return port >= 1 && port <= kPortCount && ports_[static_cast<std::size_t>(port)].open;
}

ModComm::PortEntry* ModComm::entry(int port) {
    if (port < 1 || port > kPortCount) {
        return nullptr;
    }
    return &ports_[static_cast<std::size_t>(port)];
}

std::int32_t ModComm::CommOpen(int port, const std::string& deviceName,
                               const std::string& settings) {
    PortEntry* e = entry(port);
    if (e == nullptr) {
        return recordFault("CommOpen");
    }
    if (e->open) {
        lastError_ = {-1, "CommOpen", "Port in use."};
        return -1;
    }
    SerialBackend::Opened opened = backend_.open(deviceName);
    if (!opened.device) {
        return recordPlatformError("CommOpen (CreateFile)", opened.error);
    }
    e->handle = std::move(opened.device);
    e->open = true;
    // A failure from here on leaves the port open: the caller closes it.
    return openSteps(*e, settings);
}

std::int32_t ModComm::openSteps(PortEntry& e, const std::string& settings) {
    SerialDevice& dev = *e.handle;
    if (int rc = dev.setQueues(kQueueBytes, kQueueBytes); rc != 0) {
        return recordPlatformError("CommOpen (SetupComm)", rc);
    }
    if (int rc = dev.purge(); rc != 0) {
        return recordPlatformError("CommOpen (PurgeComm)", rc);
    }
    if (int rc = dev.setTimeouts(kTimeouts); rc != 0) {
        return recordPlatformError("CommOpen (SetCommTimeouts)", rc);
    }
    if (int rc = dev.getSettings(e.dcb); rc != 0) {
        return recordPlatformError("CommOpen (GetCommState)", rc);
    }
    if (!applyModeText(settings, e.dcb)) {
        return recordPlatformError("CommOpen (BuildCommDCB)", EINVAL);
    }
    if (int rc = dev.setSettings(e.dcb); rc != 0) {
        return recordPlatformError("CommOpen (SetCommState)", rc);
    }
    return 0;
}

std::int32_t ModComm::CommClose(int port) {
    PortEntry* e = entry(port);
    if (e == nullptr) {
        return recordFault("CommClose");
    }
    if (e->open) {
        const int rc = e->handle ? e->handle->close() : 0;
        if (rc != 0) {
            return recordPlatformError("CommClose (CloseHandle)", rc);
        }
        e->open = false;
        e->handle.reset();
    }
    return 0;
}

std::int32_t ModComm::CommFlush(int port) {
    PortEntry* e = entry(port);
    if (e == nullptr) {
        return recordFault("CommFlush");
    }
    return purge(*e);
}

std::int32_t ModComm::purge(PortEntry& e) {
    const int rc = e.handle ? e.handle->purge() : EBADF;
    if (rc != 0) {
        return recordPlatformError("CommFlush (PurgeComm)", rc);
    }
    return 0;
}

std::int32_t ModComm::CommWrite(int port, const Bytes& data) {
    PortEntry* e = entry(port);
    if (e == nullptr) {
        recordFault("CommWrite");
        return 0;
    }
    const Transfer t =
        e->handle ? e->handle->write(data.data(), static_cast<int>(data.size())) : noHandle();
    if (t.ok()) {
        return t.count;
    }
    recordCommError("CommWrite (WriteFile)", *e, t.error);
    return -1;
}

std::int32_t ModComm::CommRead(int port, Bytes& data, std::int32_t wanted) {
    data.clear();
    PortEntry* e = entry(port);
    if (e == nullptr) {
        recordFault("CommRead");
        return 0;
    }
    std::int32_t total = 0;
    std::int16_t retries = 0;
    Transfer last;
    std::array<std::uint8_t, kReadBufferBytes> buffer{};
    while (total < wanted && retries < kReadAttempts) {
        const int ask = std::min<std::int32_t>(wanted - total, kReadBufferBytes);
        last = e->handle ? e->handle->read(buffer.data(), ask) : noHandle();
        data.insert(data.end(), buffer.begin(), buffer.begin() + last.count);
        total += last.count;
        if (total < wanted) {
            ++retries;
            clock_.sleepMs(kReadPauseMs);
        }
    }
    if (!last.ok()) {
        recordCommError("CommRead (ReadFile)", *e, last.error);
    }
    if (total < wanted) {
        purge(*e);
    }
    return total;
}

std::int32_t ModComm::CommSetLine(int port, std::int16_t line, bool state) {
    PortEntry* e = entry(port);
    if (e == nullptr) {
        return recordFault("CommSetLine");
    }
    int rc = EINVAL;  // an unknown selector reaches the platform as function 0, which it rejects
    if (e->handle == nullptr) {
        rc = EBADF;
    } else if (line == kLineBreak) {
        rc = e->handle->setLine(ModemLine::Break, state);
    } else if (line == kLineDtr) {
        rc = e->handle->setLine(ModemLine::Dtr, state);
    } else if (line == kLineRts) {
        rc = e->handle->setLine(ModemLine::Rts, state);
    }
    if (rc != 0) {
        return recordPlatformError("CommSetLine (EscapeCommFunction)", rc);
    }
    return 0;
}

std::int32_t ModComm::recordPlatformError(const char* context, std::int32_t code) {
    lastError_ = {code, context, backend_.systemText(code)};
    return code;
}

std::int32_t ModComm::recordCommError(const char* context, PortEntry& e, std::int32_t code) {
    lastError_ = {code, context, backend_.systemText(code)};
    const std::uint32_t flags = e.handle ? e.handle->takeErrorFlags() : 0;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(flags));
    lastError_.message += "  COMM Error Flags = ";
    lastError_.message += hex;
    return code;
}

std::int32_t ModComm::recordFault(const char* operation) {
    lastError_ = {kInternalFaultCode, operation, kInternalFaultText};
    return kInternalFaultCode;
}

}  // namespace qv::device
