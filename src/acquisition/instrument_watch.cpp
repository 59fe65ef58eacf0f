#include "acquisition/instrument_watch.h"

#include "device/com_names.h"
#include "device/register_map.h"

namespace qv {

void InstrumentWatch::startRun() {
    silent_ = false;
    emptyInARow_ = 0;
    silentPasses_ = 0;
    lastAnswerMs_ = clock_.monotonicMs();
    lastReopenMs_ = lastAnswerMs_;
}

void InstrumentWatch::startPass() {
    passHeardAnything_ = false;
    emptyInARow_ = 0;
}

void InstrumentWatch::noteReply(std::size_t bytes) {
    if (bytes == 0) {
        ++emptyInARow_;
        return;
    }
    emptyInARow_ = 0;
    passHeardAnything_ = true;
    lastAnswerMs_ = clock_.monotonicMs();
}

InstrumentWatch::Change InstrumentWatch::endPass() {
    if (passHeardAnything_) {
        silentPasses_ = 0;
        if (silent_) {
            silent_ = false;
            return Change::CameBack;
        }
        return Change::None;
    }
    ++silentPasses_;
    if (!silent_ && silentPasses_ >= 2 && clock_.monotonicMs() - lastAnswerMs_ >= kSilentAfterMs) {
        silent_ = true;
        lastReopenMs_ = clock_.monotonicMs();
        return Change::WentSilent;
    }
    return Change::None;
}

void InstrumentWatch::reopenWhenDue(int plateMode) {
    const std::int64_t now = clock_.monotonicMs();
    if (now - lastReopenMs_ < kReopenEveryMs) {
        return;
    }
    lastReopenMs_ = now;
    device::ModComm& comm = com_.comm();
    const int port = com_.state().currentPort;
    comm.CommClose(port);
    if (comm.CommOpen(port, device::comName(port), device::kSerialSettings) != 0) {
        comm.CommClose(port);
        return;
    }
    for (int i = 0; i < 2; ++i) {
        com_.WriteRegister(device::reg::kPlateMode, static_cast<std::int16_t>(plateMode),
                           device::reg::kBankCommand);
        clock_.sleepMs(100);
    }
}

}  // namespace qv
